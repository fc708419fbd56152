#include "KVSupport/FormatCodes.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TextBuffer.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using namespace korvel;

namespace {

// A record that frees what it owns at the end of the test, as the list does.
struct TOwnedParagraph {
    TParagraph Par = TParagraph::Empty();
    ~TOwnedParagraph() { Par.Release(); }
};

HighlightRun AutomaticRun(uint8_t Style, TColor Back) {
    HighlightRun Run{};
    Run.Flags = static_cast<uint8_t>(hfKeyState | Style);
    Run.Depth = 0;
    Run.BackColor = Back;
    Run.TextColor = -1;
    Run.Offset = 77; // not copied into a start run: the field is its share count
    return Run;
}

} // namespace

TEST(ParagraphTest, LengthUses16BitsBelow65535AndTheExtensionFrom65535On) {
    TOwnedParagraph P;
    P.Par.SetParLength(65534);
    EXPECT_FALSE(P.Par.HasExtra());
    EXPECT_EQ(P.Par.ParLength(), 65534);

    P.Par.SetParLength(65535);
    ASSERT_TRUE(P.Par.HasExtra());
    EXPECT_EQ(P.Par.ParLength(), 65535);
    // The extension took the compact values when it was attached.
    EXPECT_EQ(P.Par.GetExtra()->Line0, TLineRecord::Whole(65534, 0));

    P.Par.SetParLength(3); // once attached, the extension stays
    EXPECT_TRUE(P.Par.HasExtra());
    EXPECT_EQ(P.Par.ParLength(), 3);

    TOwnedParagraph Huge;
    Huge.Par.SetParLength(INT32_MAX);
    EXPECT_EQ(Huge.Par.ParLength(), INT32_MAX);
}

TEST(ParagraphTest, AttachExtraStartsFromTheCompactSlot) {
    TOwnedParagraph P;
    P.Par.SetParLength(12);
    P.Par.SetLine0(TLineRecord::Whole(12, 345));
    EXPECT_FALSE(P.Par.HasExtra());
    EXPECT_EQ(P.Par.GetLine0(), TLineRecord::Whole(12, 345));

    ParExtraInfo& E = P.Par.AttachExtra();
    EXPECT_EQ(P.Par.Flags, pfExtra);
    EXPECT_EQ(E.TextColor, -1);
    EXPECT_EQ(E.BackColor, -1);
    EXPECT_EQ(E.Length, 12);
    EXPECT_EQ(E.Line0, TLineRecord::Whole(12, 345));
    EXPECT_TRUE(IsDefaultRun(E.StartRun));
    EXPECT_TRUE(E.MoreLines.empty());
    EXPECT_TRUE(E.Runs.empty());
    EXPECT_EQ(&P.Par.AttachExtra(), &E); // attaching again changes nothing
    EXPECT_EQ(P.Par.LineCountOf(), 1);
    E.MoreLines.resize(2);
    EXPECT_EQ(P.Par.LineCountOf(), 3);
}

TEST(ParagraphTest, SetLine0KeepsTheCompactFormOnlyForThePlainWholeLine) {
    constexpr int32_t Len = 10;
    auto Attaches = [](TLineRecord Line) {
        TOwnedParagraph P;
        P.Par.SetParLength(Len);
        P.Par.SetLine0(Line);
        const bool Attached = P.Par.HasExtra();
        if (Attached) {
            EXPECT_EQ(P.Par.GetLine0(), Line);
        }
        return Attached;
    };
    TLineRecord Plain = TLineRecord::Whole(Len, 65535);
    EXPECT_FALSE(Attaches(Plain));
    // Fields that the compact form implies anyway are not looked at.
    Plain.FullWidth = 7;
    Plain.Gaps = 3;
    EXPECT_FALSE(Attaches(Plain));

    TLineRecord Line = TLineRecord::Whole(Len, 0);
    Line.Stop = Len - 1;
    EXPECT_TRUE(Attaches(Line));
    Line = TLineRecord::Whole(Len, 65536);
    EXPECT_TRUE(Attaches(Line));
    Line = TLineRecord::Whole(Len, -1);
    EXPECT_TRUE(Attaches(Line));
    Line = TLineRecord::Whole(Len, 0);
    Line.JustifyFrom = Len - 1;
    EXPECT_TRUE(Attaches(Line));
    Line = TLineRecord::Whole(Len, 0);
    Line.StartCodeState = 2;
    EXPECT_TRUE(Attaches(Line));
}

TEST(ParagraphTest, RunCountAndStartCodeStateAttachOnlyWhenNeeded) {
    TOwnedParagraph P;
    P.Par.SetRunCount(0);
    P.Par.SetStartCodeState(0);
    EXPECT_FALSE(P.Par.HasExtra());
    EXPECT_EQ(P.Par.RunCount(), 0);
    EXPECT_EQ(P.Par.StartCodeState(), 0);

    P.Par.SetRunCount(3);
    ASSERT_TRUE(P.Par.HasExtra());
    EXPECT_EQ(P.Par.RunCount(), 3);
    EXPECT_EQ(P.Par.GetExtra()->Runs[2].Offset, 0);
    EXPECT_EQ(P.Par.GetExtra()->Runs[2].Flags, 0);
    P.Par.SetRunCount(-2);
    EXPECT_EQ(P.Par.RunCount(), 0);

    TOwnedParagraph Q;
    Q.Par.SetStartCodeState(csBold | csAltFont);
    ASSERT_TRUE(Q.Par.HasExtra());
    EXPECT_EQ(Q.Par.StartCodeState(), csBold | csAltFont);
    EXPECT_EQ(Q.Par.GetLine0().StartCodeState, csBold | csAltFont);
    Q.Par.SetStartCodeState(0);
    EXPECT_EQ(Q.Par.StartCodeState(), 0);
}

TEST(ParagraphTest, StartRunsAreSharedOrCopiedAndCounted) {
    const HighlightRun Plain{}; // bit 7 clear: stored as the default
    TOwnedParagraph A, B;
    EXPECT_TRUE(IsDefaultRun(A.Par.StartRun()));
    A.Par.SetStartRun(&Plain, true);
    EXPECT_FALSE(A.Par.HasExtra()); // the default needs no extension
    EXPECT_EQ(A.Par.StartRun()->BackColor, -1);
    EXPECT_EQ(A.Par.StartRun()->TextColor, -1);

    const HighlightRun Keyword = AutomaticRun(3, 0x123456);
    A.Par.SetStartRun(&Keyword, true);
    ASSERT_TRUE(A.Par.HasExtra());
    const HighlightRun* Shared = A.Par.StartRun();
    EXPECT_NE(Shared, &Keyword);
    EXPECT_EQ(Shared->BackColor, 0x123456);
    EXPECT_EQ(SharedRunCount(Shared), 1);

    B.Par.SetStartRun(Shared, false); // shared: same record, one more user
    EXPECT_EQ(B.Par.StartRun(), Shared);
    EXPECT_EQ(SharedRunCount(Shared), 2);
    B.Par.SetStartRun(Shared, false); // setting the same run again keeps the count
    EXPECT_EQ(SharedRunCount(Shared), 2);
    A.Par.SetStartRun(A.Par.StartRun(), true); // a copy of itself: the old one is released after
    EXPECT_NE(A.Par.StartRun(), Shared);
    EXPECT_EQ(A.Par.StartRun()->BackColor, 0x123456);
    EXPECT_EQ(SharedRunCount(Shared), 1);

    A.Par.SetStartRun(nullptr, false); // null means the default
    EXPECT_TRUE(IsDefaultRun(A.Par.StartRun()));
    B.Par.Release(); // the last user frees the run (the sanitizer watches)
    EXPECT_FALSE(B.Par.HasExtra());
    EXPECT_TRUE(IsDefaultRun(B.Par.StartRun()));
}

TEST(ParagraphTest, MakeTextOwnedCopiesExactlyAndReleaseFreesIt) {
    char Loaded[] = "hello\0world";
    TOwnedParagraph P;
    P.Par.Text = Loaded;
    P.Par.SetParLength(5);
    P.Par.MakeTextOwned();
    ASSERT_NE(P.Par.Text, Loaded);
    EXPECT_EQ(P.Par.Flags & pfOwnText, pfOwnText);
    EXPECT_EQ(TextBufferSize(P.Par.Text), 6);
    EXPECT_STREQ(P.Par.Text, "hello");
    char* Owned = P.Par.Text;
    P.Par.MakeTextOwned(); // already owned: nothing happens
    EXPECT_EQ(P.Par.Text, Owned);

    TOwnedParagraph Empty;
    Empty.Par.Text = Loaded + 5;
    Empty.Par.MakeTextOwned();
    EXPECT_EQ(Empty.Par.Text, nullptr);
    EXPECT_EQ(Empty.Par.Flags, pfOwnText);
    EXPECT_EQ(Empty.Par.View(), "");

    P.Par.StartOffset = 40;
    P.Par.FirstLine = 9;
    P.Par.Release();
    EXPECT_EQ(P.Par.Text, nullptr);
    EXPECT_EQ(P.Par.Flags, 0);
    EXPECT_EQ(P.Par.StartOffset, 40);
    EXPECT_EQ(P.Par.FirstLine, 9);
}

TEST(ParagraphTest, TextBuffersKnowTheirSizeAndSlackIsCheckedForOverflow) {
    EXPECT_EQ(SlackBufferSize(0), 1);
    EXPECT_EQ(SlackBufferSize(63), 64);
    EXPECT_EQ(SlackBufferSize(64), 66);
    EXPECT_EQ(SlackBufferSize(2114445437), INT32_MAX); // the largest that fits
    for (const int32_t Bad : {2114445438, INT32_MAX, -1}) {
        try {
            SlackBufferSize(Bad);
            ADD_FAILURE() << Bad;
        } catch (const Exception& E) {
            EXPECT_STREQ(E.what(), "Text too long");
        }
    }
    EXPECT_EQ(AllocTextBuffer(0), nullptr);
    EXPECT_EQ(TextBufferSize(nullptr), 0);
    FreeTextBuffer(nullptr);

    char* Text = NewTextBuffer("abc", 3, SlackBufferSize(3));
    EXPECT_EQ(TextBufferSize(Text), 4);
    EXPECT_STREQ(Text, "abc");
    FreeTextBuffer(Text);
    Text = NewTextBuffer(nullptr, 0, 10);
    EXPECT_EQ(TextBufferSize(Text), 10);
    EXPECT_EQ(Text[0], 0);
    FreeTextBuffer(Text);
}
