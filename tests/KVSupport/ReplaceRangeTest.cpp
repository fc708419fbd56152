#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TextBuffer.h"
#include "NavigatorTestSupport.h"
#include "ParagraphsListSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

using TTexts = std::vector<std::string>;

class ReplaceRangeTest : public ::testing::Test {
protected:
    void SetText(std::string_view Text, bool StaticFormat = false) {
        Control.SetStaticFormat(StaticFormat);
        List.ClearText();
        Load(List, Text);
        StartNav.Reset(); // as after every load: the records they cached are gone
        EndNav.Reset();
        List.GetPendingChange().Clear(); // nothing pending
        List.GetFormatCounters().MarkAllFormatted(List.GetCount());
    }

    void Replace(int32_t Pos1, int32_t Pos2, const char* Text, bool CloseFormats = true,
                 bool DiscardTrailing = false) {
        EndNav.SetPos(Pos2);
        StartNav.SetPos(Pos1);
        const TTextChange Change =
            ReplaceBetween(StartNav, EndNav, Text, CloseFormats, DiscardTrailing);
        RunsCut = Change.RunsCut;
        LineDelta = Change.LineDelta;
        CharDelta = Change.CharDelta;
        EXPECT_CONSISTENT(List);
    }

    std::vector<int32_t> RunOffsets(int32_t Index) {
        std::vector<int32_t> Offsets;
        for (int32_t I = 0; I < List[Index].RunCount(); ++I)
            Offsets.push_back(List[Index].GetExtra()->Runs[static_cast<size_t>(I)].Offset);
        return Offsets;
    }

    std::vector<TLineRecord> Lines(int32_t Index) {
        std::vector<TLineRecord> Result;
        for (int32_t I = 0; I < List[Index].LineCountOf(); ++I)
            Result.push_back(LineRecordOf(List[Index], I));
        return Result;
    }

    TCustomKorvel Control;
    TParagraphsList& List = Control.GetParagraphsList();
    TKorvelNavigator StartNav{&Control};
    TKorvelNavigator EndNav{&Control};
    bool RunsCut = false;
    int32_t LineDelta = 0;
    int32_t CharDelta = 0;
};

TEST_F(ReplaceRangeTest, CrAndCrLfEndParagraphsALoneLfStaysACharacter) {
    SetText("ab");
    Replace(1, 1, "x\r\ny");
    EXPECT_EQ(Texts(List), (TTexts{"ax", "yb"}));
    EXPECT_EQ(CharDelta, 4);
    EXPECT_EQ(LineDelta, 1);
    EXPECT_EQ(EndNav.GetPos(), 5);
    EXPECT_EQ(EndNav.GetParIndex(), 1);
    EXPECT_EQ(EndNav.GetParOffset(), 1);
    EXPECT_EQ(StartNav.GetPos(), 1);

    SetText("ab");
    Replace(1, 1, "x\ry\r"); // a lone CR is a break of 2 characters too
    EXPECT_EQ(Texts(List), (TTexts{"ax", "y", "b"}));
    EXPECT_EQ(CharDelta, 6);

    SetText("ab");
    Replace(1, 1, "\n");
    EXPECT_EQ(Texts(List), (TTexts{"a\nb"}));
    EXPECT_EQ(CharDelta, 1);
    EXPECT_EQ(LineDelta, 0);

    SetText("");
    Replace(0, 0, "hello");
    EXPECT_EQ(Texts(List), (TTexts{"hello"}));
    EXPECT_EQ(EndNav.GetPos(), 5);
    Replace(0, 5, nullptr);
    EXPECT_EQ(Texts(List), (TTexts{""}));
    EXPECT_EQ(List.GetTextLength(), 0);
}

TEST_F(ReplaceRangeTest, ClosingCodesKeepTheFormattingBehindTheRange) {
    SetText("ab\r\ncd", true);
    Replace(1, 1, "\x02x");
    EXPECT_EQ(Texts(List), (TTexts{"a\x02x\x02"
                                   "b",
                                   "cd"}));
    EXPECT_EQ(EndNav.GetParOffset(), 4); // after the closing code
    EXPECT_EQ(CharDelta, 3);

    SetText("a\x02"
            "b\x02"
            "c",
            true);
    Replace(1, 2, ""); // deleting one code of a pair puts it back
    EXPECT_EQ(Texts(List), (TTexts{"a\x02"
                                   "b\x02"
                                   "c"}));
    EXPECT_EQ(CharDelta, 0);

    SetText("", true);
    Replace(0, 0, "\x04\x03\x02\x01\x15");
    EXPECT_EQ(Texts(List), (TTexts{"\x04\x03\x02\x01\x15\x15\x01\x02\x03\x04"}));

    SetText("ab", true);
    Replace(1, 1, "\x02", false); // raw: no closing codes
    EXPECT_EQ(Texts(List), (TTexts{"a\x02"
                                   "b"}));
    SetText("ab");
    Replace(1, 1, "\x02"); // codes are plain bytes without StaticFormat
    EXPECT_EQ(Texts(List), (TTexts{"a\x02"
                                   "b"}));

    // New paragraphs start in the state the one before them ends in.
    SetText("ab\r\ncd", true);
    Replace(1, 1, "\x01x\r\ny\r\nz");
    EXPECT_EQ(Texts(List), (TTexts{"a\x01x", "y",
                                   "z\x01"
                                   "b",
                                   "cd"}));
    EXPECT_EQ(List[1].StartCodeState(), csItalic);
    EXPECT_EQ(List[2].StartCodeState(), csItalic);
    EXPECT_EQ(List[3].StartCodeState(), 0);
}

TEST_F(ReplaceRangeTest, OneParagraphIsEditedInPlaceWhileTheSlackAllows) {
    SetText(std::string(200, 'a'));
    Replace(0, 1, "b"); // a loaded text becomes an exact copy, edited in place
    EXPECT_TRUE(List[0].Flags & pfOwnText);
    EXPECT_EQ(TextBufferSize(List[0].Text), 201);

    Replace(0, 0, "xy"); // no room: a new buffer with 1/64 slack
    EXPECT_EQ(TextBufferSize(List[0].Text), 202 + 202 / 64 + 1);
    const char* Buffer = List[0].Text;
    Replace(0, 0, "xyz");
    EXPECT_EQ(List[0].Text, Buffer);
    Replace(0, 40, ""); // more than 1/8 slack: a smaller buffer
    EXPECT_EQ(TextBufferSize(List[0].Text), 165 + 165 / 64 + 1);
    EXPECT_EQ(List[0].View(), std::string(165, 'a'));

    // Text taken from the paragraph itself is read before it is overwritten.
    SetText(std::string(590, '-') + "abcdefghij");
    Replace(0, 1, "--");
    Replace(0, 2, List[0].Text + 591); // would fit in place
    EXPECT_EQ(List[0].View(), "abcdefghij" + std::string(589, '-') + "abcdefghij");

    Replace(0, List.GetTextLength(), "");
    EXPECT_EQ(List[0].Text, nullptr);
    EXPECT_EQ(List[0].ParLength(), 0);
}

TEST_F(ReplaceRangeTest, RunsInTheRangeGoAndRunsBehindMoveWithTheirCharacters) {
    SetText("abcdefghij\r\nk");
    for (const int32_t Offset : {1, 3, 5, 8})
        AddRun(Control, 0, Offset);
    Replace(2, 2, "XY");
    EXPECT_FALSE(RunsCut);
    EXPECT_EQ(RunOffsets(0), (std::vector<int32_t>{1, 5, 7, 10}));
    Replace(5, 7, "Q"); // runs at both ends of the range are replaced
    EXPECT_TRUE(RunsCut);
    EXPECT_EQ(RunOffsets(0), (std::vector<int32_t>{1, 9}));
    EXPECT_EQ(EndNav.GetRunIndex(), 1);
    EXPECT_EQ(List.GetStartOffset(1), 13);
}

TEST_F(ReplaceRangeTest, DisplayLinesOfAWrappedParagraphAreShiftedOverTheEdit) {
    SetText("aaaaaaaaaabbbbbbbbbbcccccccccc\r\nx");
    WrapAt(Control, 0, {0, 10, 20});
    Replace(15, 15, "xy");
    EXPECT_TRUE(List.GetPendingChange().GetLinesPatched());
    std::vector<TLineRecord> Got = Lines(0);
    EXPECT_EQ(Got[1].Start, 10);
    EXPECT_EQ(Got[1].Stop, 22);
    EXPECT_EQ(Got[2].Start, 22);
    EXPECT_EQ(Got[2].JustifyFrom, 32);

    Replace(5, 27, "Q"); // from line 0 into line 2: the line between becomes empty
    Got = Lines(0);
    EXPECT_EQ(Got[0].Stop, 6);
    EXPECT_EQ(Got[1].Start, 6);
    EXPECT_EQ(Got[1].Stop, 6);
    EXPECT_EQ(Got[2].Start, 6);
    EXPECT_EQ(Got[2].Stop, 11);
    EXPECT_EQ(LineDelta, 0);

    // When runs are cut the lines after the first changed one are dropped.
    AddRun(Control, 0, 1);
    Replace(1, 2, "");
    EXPECT_TRUE(RunsCut);
    EXPECT_FALSE(List.GetPendingChange().GetLinesPatched());
    EXPECT_EQ(LineDelta, -2);
    ASSERT_EQ(Lines(0).size(), 1u);
    EXPECT_EQ(Lines(0)[0].Stop, 10);
    EXPECT_EQ(List.GetFirstLine(1), 1);
    EXPECT_EQ(List.GetLineCount(), 2);
}

TEST_F(ReplaceRangeTest, NewParagraphsKeepRunsFlagsAndStartStates) {
    SetText("abc\r\ndef\r\nghi");
    AddRun(Control, 0, 1, StyleRun(1, 10));
    AddRun(Control, 2, 1, StyleRun(2, 20));
    AddRun(Control, 2, 2, StyleRun(3, 30));
    const HighlightRun Start = StyleRun(4, 40);
    List[0].SetStartRun(&Start, true);
    List[0].Flags |= pfScanned | pfKeywords | pfFormatted;
    const HighlightRun* FirstStart = List[0].StartRun();

    Replace(2, 11, "X\r\nY\r\nZ"); // from "ab|c" to "g|hi"
    EXPECT_EQ(Texts(List), (TTexts{"abX", "Y", "Zhi"}));
    EXPECT_TRUE(RunsCut);
    EXPECT_EQ(RunOffsets(0), (std::vector<int32_t>{1}));
    EXPECT_EQ(RunOffsets(2), (std::vector<int32_t>{2})); // still on the 'i'
    EXPECT_EQ(List[0].StartRun(), FirstStart);
    EXPECT_EQ(List[0].Flags & pfNeedsWork, pfScanned | pfKeywords);
    EXPECT_EQ(List[1].Flags & pfNeedsWork, 0);
    // The others start with the run in force at the start of the range, one
    // copy shared.
    EXPECT_EQ(List[1].StartRun()->Context, 10);
    EXPECT_EQ(List[1].StartRun(), List[2].StartRun());
    EXPECT_EQ(SharedRunCount(List[1].StartRun()), 2);
    EXPECT_EQ(EndNav.GetPos(), 9);
    EXPECT_EQ(EndNav.CachedLineIndex(), 0);

    // A paragraph deleted from its start to the next one's start.
    SetText("abcd\r\nefgh\r\nij");
    WrapAt(Control, 0, {0, 2});
    WrapAt(Control, 1, {0, 2});
    Replace(0, 6, "");
    EXPECT_EQ(Texts(List), (TTexts{"efgh", "ij"}));
    EXPECT_EQ(CharDelta, -6);
    EXPECT_EQ(LineDelta, 1 - 4);
    EXPECT_EQ(List.GetLineCount(), 2);
}

TEST_F(ReplaceRangeTest, ChangeRecordAndFormatRangeFollowTheParagraphs) {
    SetText("0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9");
    List.GetFormatCounters().MarkAllFormatted(List.GetCount());
    List.GetFormatCounters().MarkUnformatted(5, 8);
    List.SetTextChanged(false);
    Replace(7, 7, "\r\n\r\n"); // at the end of paragraph 2: two more paragraphs
    EXPECT_TRUE(List.GetTextChanged());
    EXPECT_EQ(List.GetPendingChange().GetFirstPara(), 2);
    EXPECT_EQ(List.GetPendingChange().GetLastPara(), 4);
    EXPECT_EQ(List.GetPendingChange().GetLineDelta(), 2);
    EXPECT_EQ(List.GetFormatCounters().GetFormatFrontier(), 7);
    EXPECT_EQ(List.GetFormatCounters().GetFormatLast(), 10);

    Replace(List.GetStartOffset(6), List.GetStartOffset(10), ""); // over both
    EXPECT_EQ(List.GetFormatCounters().GetFormatFrontier(), 6);
    EXPECT_EQ(List.GetFormatCounters().GetFormatLast(), 6);
    EXPECT_EQ(List.GetPendingChange().GetLastPara(), 6);

    Replace(List.GetStartOffset(7), List.GetStartOffset(7), "\r\n"); // behind both
    EXPECT_EQ(List.GetFormatCounters().GetFormatFrontier(), 6);
    EXPECT_EQ(List.GetFormatCounters().GetFormatLast(), 8); // raised to the new paragraphs
}

TEST_F(ReplaceRangeTest, DiscardTrailingKeepsNoBlanksAtParagraphEnds) {
    SetText("ab  \r\ncd");
    Replace(4, 4, "\r\nx", true, true); // the blanks before the break go too
    EXPECT_EQ(Texts(List), (TTexts{"ab", "x", "cd"}));
    EXPECT_EQ(StartNav.GetPos(), 2);
    EXPECT_EQ(EndNav.GetPos(), 5);

    SetText("ab");
    Replace(2, 2, "x \t\r\ny  ", true, true);
    EXPECT_EQ(Texts(List), (TTexts{"abx", "y"}));
    SetText("abcd");
    Replace(2, 2, "x \r\ny  ", true, true); // the rest of the paragraph follows
    EXPECT_EQ(Texts(List), (TTexts{"abx", "y  cd"}));
}

TEST_F(ReplaceRangeTest, APositionInsideABreakStandsForTheBreak) {
    SetText("ab\r\ncd");
    Replace(3, 3, "x");
    EXPECT_EQ(Texts(List), (TTexts{"abx", "cd"}));
    EXPECT_EQ(StartNav.GetPos(), 2);
    EXPECT_EQ(EndNav.GetPos(), 3);
    Replace(4, 5, ""); // half a break and nothing else: the whole break goes
    EXPECT_EQ(Texts(List), (TTexts{"abxcd"}));
    EXPECT_EQ(CharDelta, -2);
}

TEST_F(ReplaceRangeTest, RecordsMoveAcrossBlocksAndTheArrayShrinks) {
    std::string Text = "first";
    for (int I = 0; I < 3000; ++I)
        Text += "\r\np" + std::to_string(I);
    SetText(Text);
    const int32_t Capacity = List.GetCapacity();
    Replace(List.GetStartOffset(10), List.GetStartOffset(2990), "");
    EXPECT_EQ(List.GetCount(), 21);
    EXPECT_LT(List.GetCapacity(), Capacity);
    EXPECT_EQ(List[11].View(), "p2990");
    Replace(List.GetStartOffset(5), List.GetStartOffset(5), Repeat("q\r\n", 2500).c_str());
    EXPECT_EQ(List.GetCount(), 2521);
    EXPECT_EQ(List[2520].View(), "p2999");
}

TEST_F(ReplaceRangeTest, TextTooLongIsRaisedBeforeAnythingChanges) {
    // Paragraphs of a huge length that is never read: the checks are
    // arithmetic on the sizes.
    const auto Fake = [this](int32_t Index, int32_t Length) {
        List[Index].SetParLength(0);
        List[Index].AttachExtra().Length = Length;
        List[Index].Text = nullptr;
        List[Index].Flags &= static_cast<uint8_t>(~pfOwnText);
        List.ShiftStartOffsets(Index + 1, Length);
        TParagraphsListTestAccess::TextLength(List) += Length;
    };
    const auto ExpectTooLong = [this](int32_t Pos1, int32_t Pos2, const char* Text) {
        const int32_t Length = List.GetTextLength();
        List.SetTextChanged(false);
        EXPECT_THROW(Replace(Pos1, Pos2, Text), Exception) << "at " << Pos1;
        EXPECT_FALSE(List.GetTextChanged());
        EXPECT_EQ(List.GetTextLength(), Length);
        EXPECT_EQ(List.GetPendingChange().GetLastPara(), -1);
    };
    SetText("");
    Fake(0, INT32_MAX - 10); // the new length leaves the 32-bit range
    ExpectTooLong(0, 0, "0123456789abcdef");
    SetText("");
    Fake(0, 2'120'000'000); // the length fits, its buffer with slack does not
    ExpectTooLong(0, 0, "x");
    SetText("ab\r\n");
    Fake(1, 2'120'000'000); // a paragraph joined with a huge one
    ExpectTooLong(1, 4, "");
    SetText("ab\r\n");
    Fake(1, INT32_MAX - 10); // the whole text leaves the range
    ExpectTooLong(1, 1, "0123456789");
    EXPECT_EQ(List[0].View(), "ab");
}

TEST_F(ReplaceRangeTest, NavigatorsOutOfOrderOrOfAnotherControlAreRejected) {
    SetText("abc");
    StartNav.SetPos(2);
    EndNav.SetPos(1);
    EXPECT_THROW(ReplaceBetween(StartNav, EndNav, "x", true, false), Exception);
    TCustomKorvel Other;
    TKorvelNavigator Foreign(&Other);
    EXPECT_THROW(ReplaceBetween(StartNav, Foreign, "x", true, false), Exception);
    EXPECT_EQ(Texts(List), (TTexts{"abc"}));
}

// Which new paragraphs take their text from the list's load buffers: those
// appended at the end (but the new last one) and the inner ones of a large
// insertion. Replace checks every buffer's user count after each step.
TEST_F(ReplaceRangeTest, AppendedAndBulkInsertedParagraphsShareLoadBuffers) {
    const auto Kinds = [this] { // shared, owned, or no text at all
        std::string Marks;
        for (int32_t I = 0; I < List.GetCount(); ++I)
            Marks += List[I].HasSharedText() ? 's' : List[I].Text == nullptr ? '0' : 'o';
        return Marks;
    };
    SetText("ab\r\ncd");
    EXPECT_EQ(Kinds(), "ss");
    Replace(6, 6, "\r\nef\r\ngh\r\n"); // appended: all but the empty new last one
    EXPECT_EQ(Texts(List), (TTexts{"ab", "cd", "ef", "gh", ""}));
    EXPECT_EQ(Kinds(), "ssss0");
    EXPECT_EQ(List.GetLoadBufferUsers(0), 1); // "cd" moved to the append buffer
    Replace(9, 9, "x");                       // an edit gives the paragraph its own text
    EXPECT_EQ(Kinds(), "ssos0");
    List.MakeTextOwned(1); // the list's own copy lets go of the buffer too
    EXPECT_EQ(Kinds(), "soos0");
    EXPECT_CONSISTENT(List);
    Replace(1, 1, "1\r\n2"); // a small insertion: owned, with slack for typing
    EXPECT_EQ(Kinds(), "oooos0");
    EXPECT_EQ(List.GetLoadBufferUsers(0), 0);
    EXPECT_EQ(List.GetLoadBuffer(0).size(), 0u); // freed with its last user
    Replace(1, 1, Repeat("x\r\n", 64).c_str());  // a large one: the inner paragraphs
    EXPECT_EQ(Kinds(), "o" + std::string(63, 's') + "oooos0");
    EXPECT_EQ(List[64].View(), "1");

    Replace(0, List.GetTextLength(), "");
    EXPECT_EQ(Kinds(), "0");
    // Only the append buffer is kept, to be filled from its start again.
    EXPECT_EQ(List.GetLoadBufferBytes(), TParagraphsList::MinAppendBufferBytes);
    Replace(0, 0, "p\r\nq");
    EXPECT_EQ(Kinds(), "so");
    EXPECT_EQ(List.GetLoadBufferBytes(), TParagraphsList::MinAppendBufferBytes);
}

// A large text inserted and deleted again and again (a paste undone and
// redone) holds its memory only while it is in the text.
TEST_F(ReplaceRangeTest, DeletedSharedTextGivesItsBuffersBack) {
    const std::string Big = Repeat(std::string(98, 'y') + "\r\n", 60000); // 6 MB
    const auto Size = static_cast<int32_t>(Big.size());
    constexpr int64_t Spare = TParagraphsList::LoadBufferBytes + 64;
    for (const bool AtEnd : {false, true}) {
        SetText("head\r\ntail");
        const int32_t At = AtEnd ? List.GetTextLength() : 4;
        for (int Cycle = 0; Cycle < 4; ++Cycle) {
            Replace(At, At, Big.c_str());
            ASSERT_EQ(List.GetCount(), 60002);
            EXPECT_LE(List.GetLoadBufferBytes(), Size + Spare) << "cycle " << Cycle;
            Replace(At, At + Size, "");
            EXPECT_EQ(Texts(List), (TTexts{"head", "tail"}));
            EXPECT_LE(List.GetLoadBufferBytes(), Spare) << "cycle " << Cycle;
        }
    }
}

} // namespace

// A line written at the end of a text that ends in an empty paragraph takes a
// short way; an extension on that paragraph (attached with its defaults, so
// the text and its states are the same) sends the same replacement the
// general way. Both must leave the same list and report the same change.
TEST(ReplaceRangeAppendTest, ALineAppendedAtTheEndMatchesTheGeneralWay) {
    struct TCase {
        const char* Before;
        std::string Line;
        bool StaticFormat;
        uint8_t LastFlags; // highlighting flags of the empty last paragraph
    };
    const TCase Cases[] = {
        {"", "abc", false, 0},
        {"x\r\ny\r\n", "", false, pfScanned},
        {"x\r\n", "a\nb\tc", false, pfScanned | pfKeywords},
        {"\x02x\x02\r\n", "\x02y\x02", true, pfKeywords | pfFormatted},
        {"x\r\n", "trailing ", false, 0}, // the blank is discarded: the general way for both
        {"x\r\n", std::string(CompactLengthLimit - 1, 'w'), false, 0},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(std::string("before \"") + Case.Before + "\", line of " +
                     std::to_string(Case.Line.size()));
        TCustomKorvel Controls[2];
        TTextChange Changes[2];
        for (int Way = 0; Way < 2; ++Way) {
            TCustomKorvel& Control = Controls[Way];
            Control.SetStaticFormat(Case.StaticFormat);
            TParagraphsList& List = Control.GetParagraphsList();
            List.ClearText();
            Load(List, Case.Before);
            List.GetPendingChange().Clear();
            List.GetFormatCounters().MarkAllFormatted(List.GetCount());
            TParagraph& Last = List[List.GetCount() - 1];
            Last.Flags |= Case.LastFlags;
            if (Way == 1)
                Last.AttachExtra();
            const TTextPoint End{List.GetCount() - 1, 0, -1};
            const std::string New = Case.Line + "\r\n";
            Changes[Way] = List.ReplaceRange(New.c_str(), End, End, true, true);
            EXPECT_CONSISTENT(List);
        }
        const TParagraphsList& Short = Controls[0].GetParagraphsList();
        const TParagraphsList& General = Controls[1].GetParagraphsList();
        EXPECT_EQ(Texts(Short), Texts(General));
        ASSERT_EQ(Short.GetCount(), General.GetCount());
        for (int32_t I = 0; I < Short.GetCount(); ++I) {
            EXPECT_EQ(Short[I].Flags, General[I].Flags) << "paragraph " << I;
            EXPECT_EQ(Short[I].HasSharedText(), General[I].HasSharedText()) << "paragraph " << I;
            EXPECT_EQ(Short.GetStartOffset(I), General.GetStartOffset(I)) << "paragraph " << I;
            EXPECT_EQ(Short.GetFirstLine(I), General.GetFirstLine(I)) << "paragraph " << I;
            EXPECT_EQ(Short[I].StartCodeState(), General[I].StartCodeState()) << "paragraph " << I;
        }
        // The totals, the pending change and the formatting counters.
        const auto State = [](const TParagraphsList& L) {
            const TPendingChange& P = L.GetPendingChange();
            const TFormatCounters& C = L.GetFormatCounters();
            return std::vector<int64_t>{
                L.GetTextLength(),     L.GetLineCount(),  L.GetCapacity(),
                L.GetTextChanged(),    P.GetFirstPara(),  P.GetLastPara(),
                P.GetFirstLine(),      P.GetLineDelta(),  P.GetLinesPatched(),
                C.GetFormatFrontier(), C.GetFormatLast(), C.GetContextValidTo()};
        };
        EXPECT_EQ(State(Short), State(General));
        const auto Fields = [](const TTextChange& C) {
            return std::vector<int32_t>{
                C.FromPos,     C.ToPos,         C.FirstPara,       C.FromOffset,     C.LastPara,
                C.ToOffset,    C.FirstLine,     C.FromRunIndex,    C.NewToPos,       C.NewLastPara,
                C.NewToOffset, C.NewToRunIndex, C.NewToLineIndex,  C.ParagraphDelta, C.LineDelta,
                C.CharDelta,   C.RunsCut,       C.RecordsMovedFrom};
        };
        EXPECT_EQ(Fields(Changes[0]), Fields(Changes[1]));
    }
}
