#include "EditTestSupport.h"

#include "../KVSupport/ParagraphsListSupport.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvel;
using namespace korvel::test;

TEST(SelectionTest, SelectionIsClampedAndKeepsTheCaretAtOneEnd) {
    TKorvel Control;
    Control.SetAllText("0123456789");
    struct TStep {
        int32_t Start;
        int32_t Length;
        TSel Expected;
    };
    const TStep Steps[] = {
        {5, -3, {2, 5, 5, -3}},
        {4, 1000, {4, 10, 4, 6}},
        {4, -1000, {0, 4, 4, -4}},
        {-7, 2, {0, 2, 0, 2}},
        {99, -1, {9, 10, 10, -1}},
        {3, 0, {3, 3, 3, 0}},
        {INT32_MAX, INT32_MIN, {0, 10, 10, -10}},
    };
    for (const TStep& Step : Steps) {
        Control.SetSelStart(Step.Start);
        Control.SetSelLength(Step.Length);
        EXPECT_EQ(SelectionOf(Control), Step.Expected) << Step.Start << ", " << Step.Length;
    }
    // The length is changed from the caret: the anchor moves.
    Control.SetSelStart(5);
    Control.SetSelLength(-3);
    Control.SetSelLength(2);
    EXPECT_EQ(SelectionOf(Control), (TSel{5, 7, 5, 2}));
    EXPECT_EQ(Control.GetSelText(), "56");

    Control.SelectAll();
    EXPECT_EQ(SelectionOf(Control), (TSel{0, 10, 10, -10}));
    TKorvel Empty;
    Empty.SelectAll();
    EXPECT_EQ(SelectionOf(Empty), (TSel{0, 0, 0, 0}));
}

TEST(SelectionTest, SelectedTextReadsBreaksAsCrLfAndTheBufferIsBounded) {
    TKorvel Control;
    Control.SetAllText("ab\r\ncd");
    Control.SetSelStart(1);
    Control.SetSelLength(4);
    EXPECT_EQ(Control.GetSelText(), "b\r\nc");
    char Buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(Control.GetSelTextBuf(Buffer, 4), 3);
    EXPECT_EQ(std::string(Buffer), "b\r\n");
    EXPECT_EQ(Control.GetSelTextBuf(Buffer, 0), 0);
    EXPECT_EQ(Control.GetSelTextBuf(Buffer, 1), 0);
    EXPECT_EQ(Buffer[0], '\0');
}

TEST(SelectionTest, ReplacementRunsTheHookAndLeavesTheCaretAfterTheNewText) {
    TKorvel Control;
    Control.SetAllText("hello world");
    int32_t Calls = 0;
    const char* Substitute = "X";
    bool Replace = false;
    Control.OnBeforeChange = [&](TObject* Sender, const char*& Txt) {
        EXPECT_EQ(Sender, &Control);
        ++Calls;
        if (Replace)
            Txt = Substitute;
    };
    Control.SetSelStart(6);
    Control.SetSelLength(5);
    Control.SetSelText("there\r\nall");
    EXPECT_EQ(TextOf(Control), "hello there\r\nall");
    EXPECT_EQ(SelectionOf(Control), (TSel{16, 16, 16, 0}));

    // A substituted text goes in instead; none turns a replacement into a
    // deletion and an insertion into nothing.
    Replace = true;
    Control.SetSelStart(0);
    Control.SetSelText("abc");
    EXPECT_EQ(TextOf(Control), "Xhello there\r\nall");
    Substitute = nullptr;
    Control.SetSelStart(1);
    Control.SetSelLength(6);
    Control.SetSelText("zzz");
    EXPECT_EQ(TextOf(Control), "Xthere\r\nall");
    Control.SetSelText("zzz");
    EXPECT_EQ(TextOf(Control), "Xthere\r\nall");
    EXPECT_EQ(Control.GetSelStart(), 1);
    EXPECT_EQ(Calls, 4);
}

TEST(SelectionTest, TextTooLongChangesNothing) {
    TKorvel Control;
    Control.SetAllText("abc\r\ndef");
    const auto Undo = SpyOnUndo(Control);
    int32_t Changes = 0;
    Control.OnChange = [&](TObject*) { ++Changes; };
    Control.SetSelStart(2);
    Control.SetSelLength(3);
    // Pretend the text is at the limit.
    int32_t& Length = TParagraphsListTestAccess::TextLength(ListOf(Control));
    const int32_t Real = Length;
    Length = INT32_MAX;
    try {
        Control.SetSelText("four");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "Text too long");
    }
    // Three lone CRs become three breaks of two characters each.
    EXPECT_THROW(Control.SetSelText("\r\r\r"), Exception);
    Length = INT32_MAX - 1;
    EXPECT_THROW(Control.SetSelText("\r\r\r"), Exception);
    Length = Real;
    EXPECT_EQ(TextOf(Control), "abc\r\ndef");
    EXPECT_EQ(SelectionOf(Control), (TSel{2, 5, 2, 3}));
    EXPECT_TRUE(Undo->empty());
    EXPECT_EQ(Changes, 0);
    EXPECT_EQ(ListOf(Control).FindInconsistency(), "");
    // The same text fits once the length is real.
    Control.SetSelText("four");
    EXPECT_EQ(TextOf(Control), "abfourdef");
}

TEST(SelectionTest, UndoRecordingGetsTheReplacedRangeAndTheEndOfTheNewText) {
    TKorvel Control;
    Control.SetAllText("one two");
    const auto Undo = SpyOnUndo(Control);
    Control.SetSelStart(4);
    Control.SetSelLength(3);
    Control.SetSelText("three");
    Control.SetSelText("!");
    ASSERT_EQ(Undo->size(), 2u);
    const auto& First = (*Undo)[0];
    EXPECT_EQ((std::vector<int32_t>{First.SelStart, First.SelEnd, First.Caret, First.SelLength,
                                    First.Stop}),
              (std::vector<int32_t>{4, 7, 4, 3, 9}));
    EXPECT_EQ(First.Replaced, "two");
    EXPECT_TRUE(First.NoUndoMerge);
    // Typing on without moving may continue the record.
    EXPECT_FALSE((*Undo)[1].NoUndoMerge);
    EXPECT_EQ((*Undo)[1].Stop, 10);
    EXPECT_FALSE(Control.GetNoUndoMerge());

    // Nothing is recorded while loading, in the designer or with no levels.
    Control.BeginLoading();
    Control.SetSelText("a");
    Control.EndLoading();
    Control.SetDesigning(true);
    Control.SetSelText("b");
    Control.SetDesigning(false);
    Control.SetUndoMaxLevel(0);
    Control.SetSelText("c");
    EXPECT_EQ(Undo->size(), 2u);
    EXPECT_EQ(TextOf(Control), "one three!abc");
}

TEST(SelectionTest, ColumnBlockIsReadByColumnsAndReplacedPieceByPiece) {
    TKorvel Control;
    Control.SetWordWrap(false);
    Control.SetAllText("abcdef\r\nxy\r\nklmnop\r\nrest");
    // Ignored while lines wrap.
    Control.SetWordWrap(true);
    Control.SelectBlock(2, 0, 2, 4);
    EXPECT_FALSE(Control.GetBlockActive());
    Control.SetWordWrap(false);

    Control.SelectBlock(2, 0, 2, 4);
    EXPECT_TRUE(Control.GetBlockActive());
    EXPECT_EQ(Control.GetBlockCol1(), 2);
    EXPECT_EQ(Control.GetBlockCol2(), 4);
    EXPECT_EQ(Control.GetSelStart(), 16); // the caret at column 4 of paragraph 2
    EXPECT_EQ(Control.GetSelLength(), -14);
    EXPECT_EQ(Control.GetSelText(), "cd\r\n\r\nmn\r\n");

    const auto Undo = SpyOnUndo(Control);
    Control.SetSelText("Z");
    EXPECT_EQ(TextOf(Control), "abef\r\nxy\r\nklZop\r\nrest");
    // Two pieces (the short paragraph has none), then the letter.
    ASSERT_EQ(Undo->size(), 3u);
    EXPECT_EQ((*Undo)[0].Replaced, "cd");
    EXPECT_EQ((*Undo)[1].Replaced, "mn");
    EXPECT_EQ((*Undo)[2].Replaced, "");
    EXPECT_FALSE(Control.GetBlockActive());
    EXPECT_EQ(SelectionOf(Control), (TSel{13, 13, 13, 0}));

    // Clamped paragraphs, an end beyond its line, and tabs read as columns.
    Control.SetAllText("a\tb\r\nxyz");
    Control.SetTabStops(4);
    Control.SelectBlock(1, -5, 9, 6);
    EXPECT_EQ(Control.GetExtraColumns(), 3);
    EXPECT_EQ(Control.GetSelText(), "\tb\r\nyz\r\n");
    // A selection change leaves the block.
    Control.SetSelLength(1);
    EXPECT_FALSE(Control.GetBlockActive());
}

TEST(SelectionTest, CaretBeyondTheLineEndPutsBlanksFirst) {
    TKorvel Control;
    Control.SetWordWrap(false);
    Control.SetAllText("ab\r\ncd");
    Control.SetOptions(Control.GetOptions() | OptionBit(kvoKeepColumnPos));
    Control.SetCaretPar(1);
    Control.SetCaretLineOffset(5);
    EXPECT_EQ(Control.GetSelStart(), 6);
    EXPECT_EQ(Control.GetExtraColumns(), 3);
    EXPECT_EQ(Control.GetCaretLineOffset(), 5);
    Control.SetSelText("x"); // without kvoPutExtraSpaces: no blanks
    EXPECT_EQ(TextOf(Control), "ab\r\ncdx");

    Control.SetOptions(Control.GetOptions() | OptionBit(kvoPutExtraSpaces));
    Control.SetCaretPar(0);
    Control.SetCaretLineOffset(5);
    Control.SetSelText("y");
    EXPECT_EQ(TextOf(Control), "ab   y\r\ncdx");
    EXPECT_EQ(Control.GetExtraColumns(), 0);
    // Without kvoKeepColumnPos the caret stops at the line end.
    Control.SetOptions(Control.GetOptions() & ~OptionBit(kvoKeepColumnPos));
    Control.SetCaretLineOffset(40);
    EXPECT_EQ(Control.GetExtraColumns(), 0);
    EXPECT_EQ(Control.GetCaretLineOffset(), 6);
}

TEST(SelectionTest, FormatPairsAndTheTidyingOfEmptyPairs) {
    TKorvel Control;
    Control.SetWordWrap(false);
    Control.SetAllText("plain word");
    Control.ToggleBold(); // without StaticFormat nothing happens
    EXPECT_EQ(TextOf(Control), "plain word");
    Control.SetStaticFormat(true);

    Control.SetSelStart(6);
    Control.ToggleBold();
    EXPECT_EQ(TextOf(Control), "plain \x02\x02word");
    EXPECT_EQ(Control.GetSelStart(), 7);
    Control.SetSelText("b");
    EXPECT_EQ(TextOf(Control), "plain \x02"
                               "b\x02word");
    Control.SetSelStart(8);
    EXPECT_EQ(Control.GetStyleAtCaret() & 1, 1); // bold between the codes

    // A selection is enclosed and stays selected, the caret on its side.
    Control.SetSelStart(5);
    Control.SetSelLength(-5);
    Control.ToggleItalic();
    EXPECT_EQ(TextOf(Control), "\x01plain\x01 \x02"
                               "b\x02word");
    EXPECT_EQ(SelectionOf(Control), (TSel{0, 7, 7, -7}));

    // An empty pair left behind goes with the next edit of its paragraph,
    // and the caret stays after the new text.
    Control.SetSelStart(TextOf(Control).size());
    Control.ToggleUnderline();
    Control.SetSelStart(0);
    Control.SetSelText("<");
    EXPECT_EQ(TextOf(Control), "<\x01plain\x01 \x02"
                               "b\x02word");
    EXPECT_EQ(Control.GetSelStart(), 1);
    Control.SetSelStart(10);
    Control.SetSelLength(1); // the b between the bold codes
    Control.SetSelText("");
    EXPECT_EQ(TextOf(Control), "<\x01plain\x01 word");
    EXPECT_EQ(SelectionOf(Control), (TSel{9, 9, 9, 0}));
    EXPECT_EQ(ListOf(Control).FindInconsistency(), "");
}

TEST(SelectionTest, InsertionBesideAKeptSelection) {
    TKorvel Control;
    Control.SetWordWrap(false);
    Control.SetAllText("abcdef\r\nghijkl");
    // Without kvoNoOverwriteBlocks the two calls do nothing.
    Control.SetSelStart(1);
    Control.SetSelLength(2);
    Control.PrepareNoOverwriteInsert();
    EXPECT_EQ(Control.GetSelLength(), 2);
    Control.FinishNoOverwriteInsert();

    // Without kvoPersistentBlocks the selection is dropped first.
    Control.SetOptions(Control.GetOptions() | OptionBit(kvoNoOverwriteBlocks));
    Control.PrepareNoOverwriteInsert();
    Control.SetSelText("+");
    Control.FinishNoOverwriteInsert();
    EXPECT_EQ(TextOf(Control), "a+bcdef\r\nghijkl");

    // With it the selection survives, moved with its text, and the caret
    // stands after the insertion.
    Control.SetOptions(Control.GetOptions() | OptionBit(kvoPersistentBlocks));
    Control.SetSelStart(14);
    Control.SetSelLength(-2); // "jk", the caret at its end
    Control.PrepareNoOverwriteInsert();
    EXPECT_EQ(Control.GetUpdateLock(), 1);
    Control.SetSelStart(0);
    Control.SetSelText("12");
    Control.FinishNoOverwriteInsert();
    EXPECT_EQ(Control.GetUpdateLock(), 0);
    EXPECT_EQ(TextOf(Control), "12a+bcdef\r\nghijkl");
    EXPECT_EQ(Control.GetSelText(), "jk");
    EXPECT_EQ(Control.GetSelStart(), 2);

    // A column block is rebuilt from its moved ends: text put before an end
    // on its line moves that end's column.
    Control.SelectBlock(1, 0, 1, 3);
    Control.PrepareNoOverwriteInsert();
    Control.SetSelStart(11);
    Control.SetSelText("__");
    Control.FinishNoOverwriteInsert();
    EXPECT_TRUE(Control.GetBlockActive());
    EXPECT_EQ(TextOf(Control), "12a+bcdef\r\n__ghijkl");
    EXPECT_EQ(Control.GetBlockCol1(), 1);
    EXPECT_EQ(Control.GetBlockCol2(), 5);
    EXPECT_EQ(Control.GetSelText(), "2a+b\r\n_ghi\r\n");
    EXPECT_EQ(Control.GetSelStart(), 13);
}

TEST(SelectionTest, CaretByParagraphAndDisplayLine) {
    TWindowed W(MakeParagraphs(40, [](int32_t I) { return I % 3 == 0 ? 40 : 2; }), umOnNeed);
    TKorvel& Control = *W;
    W.PumpUntilIdle();
    Control.SetCaretPar(99);
    EXPECT_EQ(Control.GetCaretPar(), 39);
    EXPECT_EQ(Control.GetSelStart(), Control.ParagraphStart(39));
    Control.SetCaretPar(-4);
    EXPECT_EQ(Control.GetSelStart(), 0);
    EXPECT_EQ(Control.ParagraphStart(500), Control.ParagraphStart(39));

    // Paragraph 0 wraps; display line 3 lies in it or later, and is found
    // by formatting the paragraphs up to it.
    Control.SetCaretLine(3);
    EXPECT_EQ(Control.GetCaretLine(), 3);
    std::string LineText;
    Control.GetCaretNav().GetLineText(LineText);
    EXPECT_EQ(Control.GetLineText(3), LineText);
    EXPECT_FALSE(LineText.empty());
    EXPECT_EQ(Control.GetCaretLineOffset(), 0);
    Control.SetCaretLineOffset(1000);
    EXPECT_EQ(Control.GetCaretLineOffset(), static_cast<int32_t>(LineText.size()));
    EXPECT_EQ(Control.GetCaretLine(), 3);
    EXPECT_EQ(ListOf(Control).FindInconsistency(), "");
}
