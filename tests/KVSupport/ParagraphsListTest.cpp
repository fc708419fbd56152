#include "KVSupport/FormatCodes.h"
#include "ParagraphsListSupport.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

// A list of N one-line paragraphs "p<k>" as loading makes them.
void LoadNumbered(TParagraphsList& List, int N) {
    std::string Bytes;
    for (int I = 0; I < N; ++I)
        Bytes += (I > 0 ? "\r\n" : "") + std::string("p") + std::to_string(I);
    Load(List, Bytes);
}

} // namespace

TEST(ParagraphsListTest, StartsEmptyAndGrowsByThousandRecordBlocks) {
    TParagraphsList List;
    EXPECT_EQ(List.GetRecordSize(), 32);
    EXPECT_EQ(List.GetStride(), 32);
    EXPECT_EQ(List.GetPerBlock(), 1024);
    EXPECT_EQ(List.GetCount(), 0);
    EXPECT_EQ(List.GetCapacity(), 0);
    EXPECT_EQ(List.GetLineCount(), 0);
    EXPECT_EQ(List.GetFormatCounters().GetFormatLast(), -1);
    EXPECT_EQ(List.GetPendingChange().GetLastPara(), -1);
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), -1);
    EXPECT_FALSE(List.GetStaticFormat());

    EXPECT_EQ(List.AddEmptyParagraph(), 0); // what a control starts with
    EXPECT_EQ(List.GetCapacity(), 1024);
    EXPECT_EQ(List.GetLineCount(), 1);
    EXPECT_EQ(List.GetTextLength(), 0);
    EXPECT_EQ(List.AddEmptyParagraph(), 1);
    EXPECT_EQ(List.GetStartOffset(1), 2);
    EXPECT_EQ(List.GetTextLength(), 2);
    EXPECT_CONSISTENT(List);
}

TEST(ParagraphsListTest, ClearTextFreesEverythingAndKeepsOneBlock) {
    TParagraphsList List;
    List.SetStaticFormat(true);
    LoadNumbered(List, 3000);
    // Give some paragraphs what the list must free: owned text, extensions,
    // lines, runs and a shared start run.
    List[5].MakeTextOwned();
    List[6].AttachExtra().MoreLines.resize(3);
    List[7].SetRunCount(4);
    HighlightRun Run{};
    Run.Flags = hfKeyState;
    List[8].SetStartRun(&Run, true);
    List[9].SetStartRun(List[8].StartRun(), false);
    EXPECT_EQ(List.GetBlockCount(), 3);

    List.ClearText();
    EXPECT_EQ(List.GetCount(), 0);
    EXPECT_EQ(List.GetBlockCount(), 1);
    EXPECT_EQ(List.GetCapacity(), 1024);
    EXPECT_EQ(List.GetTextLength(), 0);
    EXPECT_EQ(List.GetLineCount(), 0);
    EXPECT_EQ(List.GetFormatCounters().GetFormatLast(), -1);
    EXPECT_EQ(List.GetLoadBufferCount(), 0);

    LoadNumbered(List, 2); // usable again after clearing
    EXPECT_EQ(Texts(List), (std::vector<std::string>{"p0", "p1"}));
    List[1].MakeTextOwned();
    List[1].AttachExtra(); // the destructor frees these (the sanitizer watches)
}

TEST(ParagraphsListTest, MarkChangedWidensThePendingChange) {
    TParagraphsList List;
    LoadNumbered(List, 10);
    List.GetPendingChange().Clear(); // nothing pending
    List.GetFormatCounters().ContextValidUpTo(8);
    List.GetPendingChange().SetLinesPatched(true);
    List[9].AttachExtra().MoreLines.resize(2); // the last paragraph has 3 lines
    List.MarkChanged(4, 1, 5);
    EXPECT_EQ(List.GetPendingChange().GetFirstPara(), 4);
    EXPECT_EQ(List.GetPendingChange().GetFirstLine(), 5); // FirstLine(4) + 1
    EXPECT_EQ(List.GetPendingChange().GetLastPara(), 5);
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), 3);
    EXPECT_FALSE(List.GetPendingChange().GetLinesPatched());

    List.MarkChanged(6, 0, 7); // later: only the end moves
    EXPECT_EQ(List.GetPendingChange().GetFirstPara(), 4);
    EXPECT_EQ(List.GetPendingChange().GetFirstLine(), 5);
    EXPECT_EQ(List.GetPendingChange().GetLastPara(), 7);
    List.MarkChanged(2, 0, 3); // earlier: the start moves, the end stays
    EXPECT_EQ(List.GetPendingChange().GetFirstPara(), 2);
    EXPECT_EQ(List.GetPendingChange().GetFirstLine(), 2);
    EXPECT_EQ(List.GetPendingChange().GetLastPara(), 7);
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), 1);

    // With nothing pending the start is first put after the last line.
    List.GetPendingChange().Clear();
    List.MarkChanged(9, 2, 9);
    EXPECT_EQ(List.GetPendingChange().GetFirstPara(), 9);
    EXPECT_EQ(List.GetPendingChange().GetFirstLine(), 11); // min(9 + 3, 9 + 2)
}

TEST(ParagraphsListTest, MarkAllUnformattedClearsOnlyTheFormattedFlag) {
    TParagraphsList List;
    LoadNumbered(List, 1500);
    List.ForEachFrom(0, [](TParagraph& P) { P.Flags |= pfFormatted | pfScanned; });
    List.GetFormatCounters().MarkAllFormatted(1500);
    List.MarkAllUnformatted();
    EXPECT_EQ(List.GetFormatCounters().GetFormatFrontier(), 0);
    EXPECT_EQ(List.GetFormatCounters().GetFormatLast(), 1499);
    for (int32_t I = 0; I < 1500; ++I)
        ASSERT_EQ(List[I].Flags, pfScanned);
}

TEST(ParagraphsListTest, ShiftsReachEveryParagraphFromTheIndexOn) {
    TParagraphsList List;
    LoadNumbered(List, 2500); // three blocks
    List.ShiftStartOffsets(1000, 7);
    List.ShiftFirstLines(2047, -3);
    List.ShiftBoth(1024, 1, 100);
    TParagraphsList Fresh;
    LoadNumbered(Fresh, 2500);
    for (int32_t I = 0; I < 2500; ++I) {
        const int32_t Offset = Fresh.GetStartOffset(I) + (I >= 1000 ? 7 : 0) + (I >= 1024 ? 1 : 0);
        const int32_t Line = I + (I >= 2047 ? -3 : 0) + (I >= 1024 ? 100 : 0);
        ASSERT_EQ(List.GetStartOffset(I), Offset) << I;
        ASSERT_EQ(List.GetFirstLine(I), Line) << I;
    }
    List.ShiftBoth(2500, 1, 1);    // from beyond the end: nothing
    List.ShiftStartOffsets(-4, 1); // from before the start: everything
    EXPECT_EQ(List.GetStartOffset(0), 1);
    EXPECT_EQ(List.GetFirstLine(2499), 2499 - 3 + 100);
}

// Repeated shifts from one index touch no record behind it; moving the step
// brings the records it passes up to date, or the fewer records at an end;
// record copies show true values.
TEST(ParagraphsListTest, ShiftsWaitBehindTheStepUntilItMoves) {
    TParagraphsList List;
    LoadNumbered(List, 3000);
    TParagraphsList Fresh;
    LoadNumbered(Fresh, 3000);
    const int32_t Stored = List[2999].StartOffset;
    for (int I = 0; I < 100; ++I)
        List.ShiftBoth(10, 1, 1); // typing in paragraph 9
    EXPECT_EQ(List.GetShiftStep(), 10);
    EXPECT_EQ(List[2999].StartOffset, Stored);
    EXPECT_EQ(List.GetStartOffset(2999), Fresh.GetStartOffset(2999) + 100);
    EXPECT_EQ(List.GetFirstLine(2999), 2999 + 100);
    EXPECT_EQ(List.GetStartOffset(9), Fresh.GetStartOffset(9));

    List.ShiftStartOffsets(20, 5);
    EXPECT_EQ(List.GetShiftStep(), 20);
    EXPECT_EQ(List[15].StartOffset, Fresh.GetStartOffset(15) + 100);
    EXPECT_EQ(List[2999].StartOffset, Stored);
    TParagraph Record = TParagraph::Empty();
    List.GetParagraph(2999, Record);
    EXPECT_EQ(Record.StartOffset, Fresh.GetStartOffset(2999) + 105);
    EXPECT_EQ(Record.FirstLine, 2999 + 100);

    // A jump to the middle gives the 20 records before the step the pending
    // deltas (as base deltas) instead of walking the 1480 in between.
    const int32_t Between = List[1000].StartOffset;
    List.ShiftBoth(1500, 1, 0);
    EXPECT_EQ(List.GetShiftStep(), 1500);
    EXPECT_EQ(List[1000].StartOffset, Between);
    for (const int32_t I : {0, 9, 10, 19, 20, 1000, 1499, 1500, 2999}) {
        const int32_t Lines = I >= 10 ? 100 : 0;
        const int32_t Offsets = Lines + (I >= 20 ? 5 : 0) + (I >= 1500 ? 1 : 0);
        EXPECT_EQ(List.GetStartOffset(I), Fresh.GetStartOffset(I) + Offsets);
        EXPECT_EQ(List.GetFirstLine(I), I + Lines);
    }
}

TEST(ParagraphsListTest, RecordCopiesAreBoundsChecked) {
    TParagraphsList List;
    LoadNumbered(List, 3);
    TParagraph Record = TParagraph::Empty();
    List.GetParagraph(2, Record);
    EXPECT_EQ(Record.View(), "p2");
    List.PutParagraph(0, Record); // slots 0 and 2 now share one text (a view)
    EXPECT_EQ(List[0].View(), "p2");
    EXPECT_THROW(List.GetParagraph(3, Record), ERangeError);
    EXPECT_THROW(List.GetParagraph(-1, Record), ERangeError);
    EXPECT_THROW(List.PutParagraph(3, Record), ERangeError);
}

TEST(ParagraphsListTest, CapacityShrinksOnlyWhenClearlyOversized) {
    struct TShrinkable : TParagraphsList {
        using TParagraphsList::SetCount; // as structural code drops moved-out records
    } List;
    LoadNumbered(List, 5000); // five blocks
    ASSERT_EQ(List.GetBlockCount(), 5);
    List.ShrinkCapacityIfOversized(); // 5000 + 312 + 8 >= 5120
    EXPECT_EQ(List.GetBlockCount(), 5);

    List.SetCount(2000);
    List.ShrinkCapacityIfOversized(); // to 2000 + 62 + 4: three blocks
    EXPECT_EQ(List.GetBlockCount(), 3);
    EXPECT_EQ(List[1999].View(), "p1999");
}

TEST(ParagraphsListTest, InconsistenciesAreFound) {
    TParagraphsList List;
    List.SetStaticFormat(true);
    Load(List, "ab\r\n\x02"
               "cd\r\nef");
    EXPECT_CONSISTENT(List);
    List.SetStartOffset(1, List.GetStartOffset(1) + 1);
    EXPECT_EQ(List.FindInconsistency(), "paragraph 1: StartOffset 5, expected 4");
    List.SetStartOffset(1, List.GetStartOffset(1) - 1);
    List[2].SetStartCodeState(0);
    EXPECT_EQ(List.FindInconsistency(), "paragraph 2: StartCodeState 0, expected 1");
    List[2].SetStartCodeState(csBold);
    TParagraphsListTestAccess::TextLength(List) = 3;
    EXPECT_EQ(List.FindInconsistency(), "TextLength 3, expected 11");
    TParagraphsListTestAccess::TextLength(List) = 11;
    List[0].Text[1] = 0;
    EXPECT_EQ(List.FindInconsistency(), "paragraph 0: a 0 or 13 byte inside the text");
}

// Swapping exchanges whole texts, load buffers and all; each list stays
// consistent and frees what it holds at the end.
TEST(ParagraphsListTest, SwapTextExchangesWholeTexts) {
    TParagraphsList A;
    TParagraphsList B;
    Load(A, "one\r\ntwo");
    A.ShiftStartOffsets(1, 0); // a shift step inside the list
    Load(B, Repeat("line\n", 3000) + "end");
    // Paragraphs appended by a replacement live in B's append buffer, which
    // must go over with the text.
    const std::string Appended = Repeat("\r\nmore", 200);
    B.ReplaceRange(Appended.c_str(), {3000, 3}, {3000, 3}, false, false);
    B.SetTextChanged(true);
    A.SwapText(B);
    EXPECT_EQ(A.GetCount(), 3201);
    EXPECT_EQ(A.GetTextLength(), 3000 * 6 + 3 + 200 * 6);
    EXPECT_EQ(A[3000].View(), "end");
    EXPECT_EQ(A[3200].View(), "more");
    EXPECT_TRUE(A.GetTextChanged());
    EXPECT_EQ(Texts(B), (std::vector<std::string>{"one", "two"}));
    EXPECT_FALSE(B.GetTextChanged());
    EXPECT_CONSISTENT(A);
    EXPECT_CONSISTENT(B);
    B.ClearText();
    EXPECT_EQ(Save(A, kbLF), Repeat("line\n", 3000) + "end" + Repeat("\nmore", 200));
}

// Text appended by a load to a text at the 32-bit limit (the total is faked)
// is refused with "Text too long".
TEST(ParagraphsListTest, ALoadBeyondTheLengthLimitRaisesTextTooLong) {
    for (const int32_t Room : {0, 1, 5}) {
        SCOPED_TRACE(Room);
        TParagraphsList List;
        Load(List, "");
        int32_t& Length = TParagraphsListTestAccess::TextLength(List);
        Length = INT32_MAX - Room;
        try {
            Load(List, "abcdefgh\r\nij");
            ADD_FAILURE() << "no exception";
        } catch (const Exception& Error) {
            EXPECT_STREQ(Error.what(), "Text too long");
        }
        // Nothing of the text that does not fit was taken.
        for (const std::string& Text : Texts(List))
            EXPECT_EQ(Text, "");
    }
}
