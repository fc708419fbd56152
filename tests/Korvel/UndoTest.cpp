// The undo history: merging of typed text, the step and memory limits,
// undo and redo with the caret after them, grouped steps, and histories
// that no longer fit the text.

#include "EditTestSupport.h"

#include "Korvel/TUndoList.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvel;
using namespace korvel::test;

namespace {

void Type(TKorvel& Control, const std::string& Keys) {
    for (char Key : Keys)
        Control.SetSelText(std::string(1, Key));
}

// Undoes until nothing is left; the number of steps.
int32_t UndoAll(TKorvel& Control) {
    int32_t Steps = 0;
    while (Control.CanUndo()) {
        Control.Undo();
        ++Steps;
    }
    return Steps;
}

} // namespace

TEST(UndoTest, TypedTextMergesUntilTheCaretMovesOrASelectionIsReplaced) {
    TKorvel Control;
    Type(Control, "abc");
    EXPECT_EQ(Control.GetUndoList()->GetCount(), 1);
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "");
    EXPECT_TRUE(Control.CanRedo());
    Control.Redo();
    EXPECT_EQ(Control.GetAllText(), "abc");
    EXPECT_EQ(Control.GetSelStart(), 3) << "the caret stands after the redone text";

    // A click elsewhere starts a new step, even when it lands where the
    // caret was.
    Control.SetSelStart(3);
    Type(Control, "d");
    EXPECT_EQ(Control.GetUndoList()->GetCount(), 2);
    // Replacing a selection is a step of its own, and so is typing after it
    // without a caret move (the caret equals the step's Start only for a
    // deletion).
    Control.SetSelStart(1);
    Control.SetSelLength(2);
    Type(Control, "X");
    Type(Control, "Y");
    EXPECT_EQ(Control.GetAllText(), "aXYd");
    EXPECT_EQ(Control.GetUndoList()->GetCount(), 3) << "typing after the replacement merges";
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "abcd");
    EXPECT_EQ(Control.GetSelStart(), 3) << "after the restored word";
    EXPECT_EQ(Control.GetSelLength(), 0);

    // A deletion leaves the caret at the step's start: the next letter opens
    // a new step.
    Control.Redo();
    Control.SetSelStart(4);
    Control.SetSelLength(-1);
    Control.ClearSelection();
    Type(Control, "q");
    EXPECT_EQ(Control.GetUndoList()->GetCount(), 5);
    EXPECT_EQ(UndoAll(Control), 5);
    EXPECT_EQ(Control.GetAllText(), "");
    // Typing after an undo starts afresh and loses the redo steps.
    Type(Control, "z");
    EXPECT_FALSE(Control.CanRedo());
    EXPECT_EQ(Control.GetUndoList()->GetCount(), 1);
}

TEST(UndoTest, ParagraphBreaksAndLoadsAndClear) {
    TKorvel Control;
    LoadText(Control, "one\r\ntwo\r\nthree");
    EXPECT_FALSE(Control.CanUndo()) << "a load empties the history";
    Control.SetSelStart(2);
    Control.SetSelLength(8);
    Control.SetSelText("X\rY");
    EXPECT_EQ(Control.GetAllText(), "onX\r\nYthree");
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "one\r\ntwo\r\nthree");
    EXPECT_EQ(Control.GetParagraphCount(), 3);
    EXPECT_EQ(Control.GetSelStart(), 10);
    Control.Redo();
    EXPECT_EQ(Control.GetAllText(), "onX\r\nYthree");
    EXPECT_EQ(Control.GetSelStart(), 6);
    Control.Clear();
    EXPECT_EQ(Control.GetAllText(), "");
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "onX\r\nYthree") << "Clear is one undoable step";
    EXPECT_NO_THROW(Control.CheckIntegrity());
}

TEST(UndoTest, LevelLimitKeepsTheNewestSteps) {
    TKorvel Control;
    Control.SetUndoMaxLevel(2);
    for (int32_t I = 0; I < 5; ++I) {
        Control.SetSelStart(Control.GetTextLength());
        Control.SetSelText(std::string(1, static_cast<char>('a' + I)));
    }
    EXPECT_EQ(UndoAll(Control), 3) << "at most one step beyond the level stands before the caret";
    EXPECT_EQ(Control.GetAllText(), "ab");
    while (Control.CanRedo())
        Control.Redo();
    Control.SetUndoMaxLevel(2);
    EXPECT_EQ(UndoAll(Control), 2);
    EXPECT_EQ(Control.GetAllText(), "abc");

    // Lowering the level drops redo steps beyond it first.
    Control.SetUndoMaxLevel(1);
    EXPECT_EQ(Control.GetUndoList()->GetCount(), 1);
    EXPECT_THROW(
        {
            try {
                Control.SetUndoMaxLevel(0x8000000);
            } catch (const Exception& E) {
                EXPECT_STREQ(E.what(), "Undo set too high");
                throw;
            }
        },
        Exception);
    EXPECT_EQ(Control.GetUndoMaxLevel(), 1);
    EXPECT_NO_THROW(Control.SetUndoMaxLevel(0x7FFFFFF));

    // A level of 0 or less records nothing (and a negative one does not
    // hang the trimming).
    Control.SetUndoMaxLevel(-3);
    EXPECT_EQ(Control.GetUndoList()->GetCount(), 0);
    Control.SetSelText("x");
    EXPECT_FALSE(Control.CanUndo());
}

TEST(UndoTest, MemoryBudgetChargesTextPlusThirteen) {
    TKorvel Control;
    Control.SetAllText(std::string(30, 'a'));
    Control.SetUndoMaxSpace(20);
    EXPECT_EQ(Control.GetUndoList()->GetUndoSpace(), 13) << "the first step costs 0 + 13";
    Control.SelectAll();
    Control.SetSelText("b");
    EXPECT_FALSE(Control.CanUndo()) << "a 30-character step alone exceeds 20 bytes";
    EXPECT_EQ(Control.GetUndoList()->GetUndoSpace(), 0);

    Control.SetUndoMaxSpace(100);
    Control.SelectAll();
    Control.SetSelText("0123456789"); // charge 1 + 13
    Control.SelectAll();
    Control.SetSelText("x"); // charge 10 + 13
    EXPECT_EQ(Control.GetUndoList()->GetUndoSpace(), 14 + 23);
    Control.Undo(); // the replay costs 1 + 13 in place of 10 + 13
    EXPECT_EQ(Control.GetUndoList()->GetUndoSpace(), 14 + 14);
    Control.SetUndoMaxSpace(27);
    EXPECT_FALSE(Control.CanRedo()) << "redo steps go first";
    EXPECT_TRUE(Control.CanUndo());
    Control.SetUndoMaxSpace(13);
    EXPECT_FALSE(Control.CanUndo());

    // Undoing a step whose inverse exceeds the budget empties the history
    // but still restores the text.
    Control.SetUndoMaxSpace(30);
    Control.SelectAll();
    Control.SetSelText(std::string(40, 'z'));
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "0123456789");
    EXPECT_FALSE(Control.CanRedo());
    EXPECT_FALSE(Control.CanUndo());
}

TEST(UndoTest, GroupedStepsGoTogetherBothWays) {
    TKorvel Control;
    Control.SetAllText("hello world");
    // A move of "hello" to the end: deletion, then insertion grouped with it.
    Control.SetSelStart(0);
    Control.SetSelLength(6);
    Control.ClearSelection();
    Control.SetSelStart(5);
    Control.SetSelText(" hello");
    Control.GroupUndoWithPrevious();
    EXPECT_EQ(Control.GetAllText(), "world hello");
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "hello world");
    EXPECT_TRUE(Control.CanUndo()) << "the SetAllText step is still there";
    Control.Redo();
    EXPECT_EQ(Control.GetAllText(), "world hello");
    Control.Undo();
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "");
    Control.Redo();
    Control.Redo();
    EXPECT_EQ(Control.GetAllText(), "world hello");
    EXPECT_FALSE(Control.CanRedo());
}

TEST(UndoTest, ReplayKeepsFormatCodesAsTheyWere) {
    TKorvel Control;
    Control.SetStaticFormat(true);
    Control.SetAllText("a\x02"
                       "bold\x02 c");
    // Deleting half of a bold pair, then undoing, gives back exactly the
    // codes that were there: no closing code is added, no pair tidied.
    Control.SetSelStart(0);
    Control.SetSelLength(3);
    Control.ClearSelection();
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "a\x02"
                                    "bold\x02 c");
    Control.Redo();
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "a\x02"
                                    "bold\x02 c");
    EXPECT_NO_THROW(Control.CheckIntegrity());
}

TEST(UndoTest, AHistoryThatNoLongerFitsTheTextIsDropped) {
    TKorvel Control;
    Control.SetAllText("abcdef");
    Control.SetSelStart(6);
    Type(Control, "gh");
    // The text changes behind the history's back.
    Control.SetDesigning(true);
    Control.SetSelStart(0);
    Control.SetSelLength(3);
    Control.ClearSelection(); // not recorded in the designer
    Control.SetDesigning(false);
    EXPECT_TRUE(Control.CanUndo());
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "defgh") << "the text is left alone";
    EXPECT_FALSE(Control.CanUndo());
    EXPECT_FALSE(Control.CanRedo());
}

TEST(UndoTest, NothingIsRecordedWhileTheControlIsReadOrAfterAnotherRecorderIsInstalled) {
    TKorvel Control;
    Control.BeginLoading();
    Control.SetAllText("abc");
    EXPECT_FALSE(Control.CanUndo());
    Control.SetSelStart(3);
    Control.EndLoading();
    EXPECT_FALSE(Control.CanUndo());
    Control.SetSelText("d");
    EXPECT_TRUE(Control.CanUndo());

    auto Entries = SpyOnUndo(Control);
    EXPECT_EQ(Control.GetUndoList(), nullptr);
    Control.Undo(); // nothing to replay without the own history
    EXPECT_FALSE(Control.CanUndo());
    EXPECT_EQ(Control.GetAllText(), "abcd");
    Control.SetUndoRecording(nullptr);
    ASSERT_NE(Control.GetUndoList(), nullptr);
    EXPECT_EQ(Control.GetUndoList()->GetMaxLevel(), Control.GetUndoMaxLevel());
}

TEST(UndoTest, AStepWhoseTextCannotBeReadBackWholeEmptiesTheHistory) {
    TUndoList List([] { return 10; });
    TUndoStepStart Step;
    Step.SelStart = 2;
    Step.SelEnd = 4;
    Step.ReadReplacedText = [] { return std::string("xy"); };
    EXPECT_TRUE(List.RecordUndo(Step));
    List.FinishUndoRecord(3);
    EXPECT_EQ(List[0].Stop, 3);
    EXPECT_EQ(List[0].Text, "xy");
    // Two characters read for a range of five (a 0 byte ended the copy).
    Step.SelEnd = 7;
    Step.NoUndoMerge = true;
    EXPECT_FALSE(List.RecordUndo(Step));
    EXPECT_EQ(List.GetCount(), 0);
    EXPECT_EQ(List.GetUndoSpace(), 0);
}

TEST(UndoTest, AnEndInsideABreakStandsForTheWholeBreak) {
    TKorvel Control;
    Control.SetAllText("ab\r\ncd");
    Control.SetSelStart(3); // between CR and LF
    Control.SetSelLength(2);
    Control.SetSelText("X");
    EXPECT_EQ(Control.GetAllText(), "abXd");
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "ab\r\ncd");
    Control.Redo();
    EXPECT_EQ(Control.GetAllText(), "abXd");
    Control.Undo();

    // Half a break alone: nothing is replaced, and the step undoes to
    // nothing as a step of its own.
    Control.SetSelStart(2);
    Control.SetSelLength(1);
    Control.ClearSelection();
    EXPECT_EQ(Control.GetAllText(), "ab\r\ncd");
    const int32_t Steps = Control.GetUndoList()->GetUndoIndex();
    Control.Undo();
    EXPECT_EQ(Control.GetUndoList()->GetUndoIndex(), Steps - 1);
    EXPECT_EQ(Control.GetAllText(), "ab\r\ncd");
    Control.Redo();
    EXPECT_EQ(Control.GetUndoList()->GetUndoIndex(), Steps);
}
