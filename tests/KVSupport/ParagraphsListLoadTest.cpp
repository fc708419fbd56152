#include "KVSupport/FormatCodes.h"
#include "ParagraphsListSupport.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;
using Strings = std::vector<std::string>;

namespace {

constexpr int32_t Chunk = TParagraphsList::LoadChunk;
constexpr int32_t Buffer = TParagraphsList::LoadBufferBytes;

} // namespace

TEST(ParagraphsListLoadTest, EmptyStreamGivesOneEmptyParagraph) {
    TParagraphsList List;
    TMemoryStream Stream;
    TKorvelLineBreak Detected = kbLF; // written only when a break is met
    List.LoadText(Stream, 0, 0, nullptr, Detected, false);
    EXPECT_EQ(Texts(List), Strings{""});
    EXPECT_EQ(List.GetTextLength(), 0);
    EXPECT_EQ(List.GetLineCount(), 1);
    EXPECT_EQ(Detected, kbLF);
    EXPECT_CONSISTENT(List);
}

TEST(ParagraphsListLoadTest, EveryBreakKindEndsOneParagraph) {
    struct TCase {
        std::string Bytes;
        Strings Paragraphs;
        TKorvelLineBreak Detected;
    };
    const TCase Cases[] = {
        {"a\r\nb", {"a", "b"}, kbCRLF},
        {"a\n\rb", {"a", "b"}, kbLFCR},
        {"a\rb", {"a", "b"}, kbCR},
        {"a\nb", {"a", "b"}, kbLF},
        {"a\r\rb", {"a", "", "b"}, kbCR},
        {"a\n\nb", {"a", "", "b"}, kbLF},
        {"a\r\n\r\nb", {"a", "", "b"}, kbCRLF},
        {"a\r\n\rb", {"a", "", "b"}, kbCR}, // CR LF, then a lone CR
        {"a\n\r\nb", {"a", "", "b"}, kbLF}, // LF CR, then a lone LF
        {"a\r", {"a", ""}, kbCR},           // a final break leaves an empty paragraph
        {"\r\n", {"", ""}, kbCRLF},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}, kbCRLF}, // the last break wins
        {"x\r\ny\n", {"x", "y", ""}, kbLF},
    };
    for (const TCase& C : Cases) {
        TParagraphsList List;
        EXPECT_EQ(Load(List, C.Bytes), C.Detected) << C.Bytes;
        EXPECT_EQ(Texts(List), C.Paragraphs) << C.Bytes;
        EXPECT_CONSISTENT(List);
    }
    TParagraphsList List;
    Load(List, "a\r\nb");
    EXPECT_EQ(List.GetTextLength(), 4);
    EXPECT_EQ(List.GetStartOffset(1), 3);
}

TEST(ParagraphsListLoadTest, RecordsAndChangeStateAfterLoading) {
    TParagraphsList List;
    List.SetTextChanged(true);
    List.GetFormatCounters().ContextValidUpTo(5);
    List.GetFormatCounters().MarkAllFormatted(9);
    Load(List, "one\r\n\r\nthree\r\nfour");
    ASSERT_EQ(List.GetCount(), 4);
    for (int32_t I = 0; I < 4; ++I) {
        EXPECT_EQ(List.GetFirstLine(I), I);
        EXPECT_EQ(List[I].Flags, 0); // no extension, text in a load buffer
    }
    EXPECT_EQ(List.GetStartOffset(2), 7);
    EXPECT_EQ(List.GetTextLength(), 3 + 2 + 0 + 2 + 5 + 2 + 4);
    EXPECT_EQ(List.GetLineCount(), 4);
    EXPECT_FALSE(List.GetTextChanged());
    EXPECT_EQ(List.GetPendingChange().GetFirstPara(), 0);
    EXPECT_EQ(List.GetPendingChange().GetFirstLine(), 0);
    EXPECT_EQ(List.GetPendingChange().GetLastPara(), 3);
    EXPECT_EQ(List.GetPendingChange().GetLineDelta(), 0);
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), -1);
    EXPECT_EQ(List.GetFormatCounters().GetFormatFrontier(), 0);
    EXPECT_EQ(List.GetFormatCounters().GetFormatLast(), 3);
    EXPECT_EQ(List.GetLoadBufferCount(), 1);
    EXPECT_CONSISTENT(List);
}

TEST(ParagraphsListLoadTest, DiscardTrailingTrimsBlanksAndTabsOnly) {
    TParagraphsList List;
    Load(List, "ab  \r  \t\r\ncd\x02 \r\n\t x \t", {.DiscardTrailing = true});
    EXPECT_EQ(Texts(List), (Strings{"ab", "", "cd\x02", "\t x"}));
    EXPECT_EQ(List.GetTextLength(), 2 + 2 + 0 + 2 + 3 + 2 + 3);
    EXPECT_CONSISTENT(List);
}

TEST(ParagraphsListLoadTest, NulEndsTheTextUnlessReplaced) {
    {
        TParagraphsList List;
        TMemoryStream Stream(std::string_view("xyab\r\ncd\0ef\r\ngh", 15));
        Stream.SetPosition(2); // loading starts at the stream's position
        TKorvelLineBreak Detected = kbCR;
        List.LoadText(Stream, 0, 0, nullptr, Detected, false);
        EXPECT_EQ(Texts(List), (Strings{"ab", "cd"}));
        EXPECT_EQ(Stream.GetPosition(), 8); // at the 0 byte
        EXPECT_EQ(Detected, kbCRLF);
        EXPECT_CONSISTENT(List);
    }
    const std::string WithNul("a\0b\0\0c", 6);
    TParagraphsList Replaced;
    Load(Replaced, WithNul, {.NullReplacement = '.'});
    EXPECT_EQ(Texts(Replaced), Strings{"a.b..c"});
    TParagraphsList Breaks;
    EXPECT_EQ(Load(Breaks, WithNul, {.NullReplacement = 13}), kbCR);
    EXPECT_EQ(Texts(Breaks), (Strings{"a", "b", "", "c"}));

    // A 0 byte far into the stream, in a later chunk.
    std::string Long(3 * Chunk, 'z');
    Long[Chunk + 5] = '\0';
    TMemoryStream Stream(Long);
    TParagraphsList List;
    TKorvelLineBreak Detected = kbCRLF;
    List.LoadText(Stream, 0, 0, nullptr, Detected, false);
    ASSERT_EQ(List.GetCount(), 1);
    EXPECT_EQ(List[0].ParLength(), Chunk + 5);
    EXPECT_EQ(Stream.GetPosition(), Chunk + 5);
    EXPECT_CONSISTENT(List);
}

TEST(ParagraphsListLoadTest, HighBytesTabsAndControlBytesAreOrdinary) {
    std::string Bytes;
    for (int Ch = 1; Ch < 256; ++Ch)
        if (Ch != 10 && Ch != 13)
            Bytes += static_cast<char>(Ch);
    for (const bool Static : {false, true}) {
        TParagraphsList List;
        List.SetStaticFormat(Static); // codes stay in the text either way
        Load(List, Bytes);
        EXPECT_EQ(Texts(List), Strings{Bytes});
        EXPECT_EQ(List.GetTextLength(), 253);
        EXPECT_CONSISTENT(List);
    }
}

TEST(ParagraphsListLoadTest, StaticFormatCarriesTheCodeStateIntoEachParagraph) {
    const std::string Bytes = "\x02"
                              "a\r\nb\x01\r\nc\x01\x02\r\nd";
    TParagraphsList List;
    List.SetStaticFormat(true);
    Load(List, Bytes);
    ASSERT_EQ(List.GetCount(), 4);
    EXPECT_EQ(List[0].StartCodeState(), 0);
    EXPECT_EQ(List[1].StartCodeState(), csBold);
    EXPECT_EQ(List[2].StartCodeState(), csBold | csItalic);
    EXPECT_EQ(List[3].StartCodeState(), 0);
    EXPECT_FALSE(List[0].HasExtra());
    EXPECT_TRUE(List[1].HasExtra()); // a non-zero start state needs the extension
    EXPECT_FALSE(List[3].HasExtra());
    EXPECT_EQ(List[1].GetLine0().StartCodeState, csBold);
    EXPECT_CONSISTENT(List);

    TParagraphsList Plain; // without StaticFormat codes change nothing
    Load(Plain, Bytes);
    for (int32_t I = 0; I < Plain.GetCount(); ++I)
        EXPECT_FALSE(Plain[I].HasExtra());
    EXPECT_CONSISTENT(Plain);
}

TEST(ParagraphsListLoadTest, LongParagraphsUseTheExtension) {
    const std::string A(65534, 'a'), B(65535, 'b'), C(1000000, 'c');
    TParagraphsList List;
    Load(List, A + "\r\n" + B + "\n" + C + "\r" + "tail");
    ASSERT_EQ(List.GetCount(), 4);
    EXPECT_FALSE(List[0].HasExtra());
    EXPECT_TRUE(List[1].HasExtra());
    EXPECT_TRUE(List[2].HasExtra());
    EXPECT_EQ(List[1].ParLength(), 65535);
    EXPECT_EQ(List[2].ParLength(), 1000000);
    EXPECT_EQ(List[1].GetLine0(), TLineRecord::Whole(65535, 0));
    EXPECT_EQ(Texts(List), (Strings{A, B, C, "tail"}));
    EXPECT_EQ(List.GetTextLength(), 65534 + 65535 + 1000000 + 4 + 6);
    EXPECT_CONSISTENT(List);
}

// The stream is read a chunk at a time into buffers of several chunks; a
// break or paragraph may straddle either boundary.
TEST(ParagraphsListLoadTest, BreaksAndParagraphsAcrossChunkAndBufferBoundaries) {
    for (const int32_t Boundary : {Chunk, Buffer - 1}) {
        // The two bytes of a break split between reads still make one break.
        for (const std::string Break : {"\r\n", "\n\r"}) {
            TParagraphsList List;
            const std::string First(static_cast<size_t>(Boundary - 1), 'a');
            Load(List, First + Break + "b");
            EXPECT_EQ(Texts(List), (Strings{First, "b"})) << Boundary;
            EXPECT_CONSISTENT(List);
        }
        TParagraphsList Twice; // CR at the end of a read, CR at the start of the next
        Load(Twice, std::string(static_cast<size_t>(Boundary - 1), 'a') + "\r\rb");
        EXPECT_EQ(Twice.GetCount(), 3);
        EXPECT_EQ(Twice[1].ParLength(), 0);
        EXPECT_CONSISTENT(Twice);
    }

    // Many paragraphs of every length around both sizes, mixed with short ones.
    std::string Bytes;
    Strings Expected;
    for (int32_t Len :
         {Chunk - 2, Chunk - 1,  Chunk,          Chunk + 1, 3,         0,          2 * Chunk + 7, 1,
          57312,     57313,      60000,          10,        Chunk,     Buffer - 2, Buffer - 1,    5,
          Buffer,    Buffer + 1, 2 * Buffer + 7, 0,         Buffer / 2}) {
        Expected.emplace_back(static_cast<size_t>(Len), static_cast<char>('a' + Len % 26));
        Bytes += Expected.back() + "\r\n";
    }
    Expected.emplace_back();
    TParagraphsList List;
    Load(List, Bytes);
    EXPECT_EQ(Texts(List), Expected);
    EXPECT_CONSISTENT(List);
}

TEST(ParagraphsListLoadTest, LoadBuffersAreCutDownWhenMostlyEmpty) {
    // 1000 bytes of complete paragraph before one longer than a buffer: the
    // rest of the first buffer moves on with the long paragraph, and the
    // first buffer keeps exactly 1002 + 1 bytes.
    const std::string Short(1000, 's'), Long(static_cast<size_t>(Buffer) + 1000, 'L');
    TParagraphsList Sparse;
    Load(Sparse, Short + "\r\n" + Long);
    ASSERT_EQ(Sparse.GetLoadBufferCount(), 2);
    EXPECT_EQ(Sparse.GetLoadBuffer(0).size(), 1003u);
    EXPECT_EQ(Texts(Sparse), (Strings{Short, Long}));
    EXPECT_CONSISTENT(Sparse);

    // Most of the first buffer in complete paragraphs: it stays as it is.
    const std::string Many(static_cast<size_t>(Buffer) - 5000, 'm');
    TParagraphsList Dense;
    Load(Dense, Many + "\r\n" + Long);
    ASSERT_EQ(Dense.GetLoadBufferCount(), 2);
    EXPECT_EQ(Dense.GetLoadBuffer(0).size(), static_cast<size_t>(Buffer));
    EXPECT_EQ(Texts(Dense), (Strings{Many, Long}));
    EXPECT_CONSISTENT(Dense);

    // One paragraph filling several buffers: no buffer is left behind.
    TParagraphsList Single;
    Load(Single, std::string(2 * static_cast<size_t>(Buffer) + 3, 'x'));
    EXPECT_EQ(Single.GetLoadBufferCount(), 1);
    EXPECT_CONSISTENT(Single);

    // A small text gets a buffer of its own size.
    TParagraphsList Small;
    Load(Small, "ab\r\ncd");
    ASSERT_EQ(Small.GetLoadBufferCount(), 1);
    EXPECT_EQ(Small.GetLoadBuffer(0).size(), 7u);
}

TEST(ParagraphsListLoadTest, ProgressEverySixteenthParagraphOnceTheIntervalHasPassed) {
    TSteppingClock Clock(0, 1);
    TParagraphsList List(Clock);
    std::vector<int32_t> At;
    LoadWithProgress(List, Repeat("p\r\n", 200), 2, [&](TObject* Sender) {
        EXPECT_EQ(Sender, &List);
        At.push_back(List.GetCount());
    });
    // The deadline is 1 + 2; the clock is read at 16, 32, 48 ... (2, 3, 4 ...).
    EXPECT_EQ(At, (std::vector<int32_t>{48, 96, 144, 192}));

    TSteppingClock Unused;
    TParagraphsList Quiet(Unused);
    Load(Quiet, Repeat("p\r\n", 200));
    EXPECT_EQ(Unused.Reads, 0); // no notification, no clock
}

TEST(ParagraphsListLoadTest, ProgressDeadlineSurvivesTickCountWrapAround) {
    TSteppingClock Clock(0xFFFFFFF0u, 1);
    TParagraphsList List(Clock);
    int32_t First = -1;
    LoadWithProgress(List, Repeat("p\n", 2000), 100, [&](TObject*) {
        if (First < 0)
            First = List.GetCount();
    });
    EXPECT_EQ(First, 16 * 101);
}

TEST(ParagraphsListLoadTest, FailingStreamLeavesAWholeListOfWhatWasRead) {
    std::string Bytes;
    while (Bytes.size() < 3 * static_cast<size_t>(Chunk))
        Bytes += "line " + std::to_string(Bytes.size()) + "\r\n";
    for (const int64_t Limit : {int64_t{0}, int64_t{Chunk}, int64_t{2 * Chunk}}) {
        TLimitedStream Stream(Bytes, Limit);
        TParagraphsList List;
        List.SetTextChanged(true);
        TKorvelLineBreak Detected = kbCR;
        EXPECT_THROW(List.LoadText(Stream, 0, 0, nullptr, Detected, false), EReadError);
        // The list holds exactly the bytes that were read, as paragraphs.
        TParagraphsList Expected;
        Load(Expected, std::string_view(Bytes).substr(0, static_cast<size_t>(Limit)));
        EXPECT_EQ(Texts(List), Texts(Expected)) << Limit;
        EXPECT_CONSISTENT(List);
        EXPECT_FALSE(List.GetTextChanged());
        EXPECT_EQ(List.GetLineCount(), List.GetCount());
        EXPECT_EQ(List.GetFormatCounters().GetFormatLast(), List.GetCount() - 1);
        EXPECT_EQ(List.GetPendingChange().GetLastPara(), List.GetCount() - 1);
    }
}

TEST(ParagraphsListLoadTest, ProgressHandlerThatThrowsLeavesAWholeList) {
    TSteppingClock Clock(0, 50);
    TParagraphsList List(Clock);
    EXPECT_THROW(LoadWithProgress(List, Repeat("abc\r\n", 100), 10,
                                  [](TObject*) { throw Exception("stop"); }),
                 Exception);
    EXPECT_EQ(List.GetCount(), 17); // 16 paragraphs and the empty one after their break
    EXPECT_EQ(List[16].ParLength(), 0);
    EXPECT_CONSISTENT(List);
}

TEST(ParagraphsListLoadTest, LoadingAppendsAfterExistingParagraphs) {
    TParagraphsList List;
    List.AddEmptyParagraph();
    Load(List, "a\rb");
    EXPECT_EQ(Texts(List), (Strings{"", "a", "b"}));
    EXPECT_EQ(List.GetTextLength(), 6);
    EXPECT_CONSISTENT(List);
}
