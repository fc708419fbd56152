#include "InputTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvel::test {
namespace {

constexpr TShiftState None = 0;
// Paragraphs at 0 ("abc def"), 9 ("xy"), 13 (empty) and 15 ("longer line
// here", ending at 31).
const char* const Lines = "abc def\r\nxy\r\n\r\nlonger line here";

struct TMoveCase {
    const char* Name;
    TKorvelOptions Add;
    TKorvelOptions Remove;
    int32_t From;
    uint16_t Key;
    TShiftState Shift;
    int32_t Caret;
    int32_t SelLength;
    int32_t Extra;
};

TEST(KeyboardTest, MovesByCharacterWordLineAndTextWithSelection) {
    const TKorvelOptions Keep = OptionBit(kvoKeepColumnPos);
    const TKorvelOptions Wrap = OptionBit(kvoWrapCaret);
    const std::vector<TMoveCase> Cases = {
        {"right", 0, 0, 0, VK_RIGHT, None, 1, 0, 0},
        {"right over the break", 0, 0, 7, VK_RIGHT, None, 9, 0, 0},
        {"right into virtual space", Keep, Wrap, 7, VK_RIGHT, None, 7, 0, 1},
        {"right wraps with kvoWrapCaret", Keep | Wrap, 0, 7, VK_RIGHT, None, 9, 0, 0},
        {"right at the text end", 0, 0, 31, VK_RIGHT, None, 31, 0, 0},
        {"left over the break", 0, 0, 9, VK_LEFT, None, 7, 0, 0},
        {"left at the text start", 0, 0, 0, VK_LEFT, None, 0, 0, 0},
        {"word right", 0, 0, 0, VK_RIGHT, ssCtrl, 4, 0, 0},
        {"word left", 0, 0, 7, VK_LEFT, ssCtrl, 4, 0, 0},
        {"shift right selects", 0, 0, 0, VK_RIGHT, ssShift, 1, -1, 0},
        {"shift left selects", 0, 0, 3, VK_LEFT, ssShift, 2, 1, 0},
        {"home", 0, 0, 5, VK_HOME, None, 0, 0, 0},
        {"end", 0, 0, 1, VK_END, None, 7, 0, 0},
        {"shift end", 0, 0, 1, VK_END, ssShift, 7, -6, 0},
        {"ctrl home", 0, 0, 20, VK_HOME, ssCtrl, 0, 0, 0},
        {"ctrl end", 0, 0, 2, VK_END, ssCtrl, 31, 0, 0},
        {"down to a shorter line", 0, Keep, 5, VK_DOWN, None, 11, 0, 0},
        {"down keeps the column", Keep, Wrap, 5, VK_DOWN, None, 11, 0, 3},
        {"up", 0, 0, 10, VK_UP, None, 1, 0, 0},
        {"up on the first line", 0, 0, 3, VK_UP, None, 3, 0, 0},
        {"down on the last line", 0, 0, 20, VK_DOWN, None, 20, 0, 0},
        {"shift down selects", 0, 0, 1, VK_DOWN, ssShift, 10, -9, 0},
        {"alt down alone does nothing", OptionBit(kvoBlockSelection), 0, 1, VK_DOWN, ssAlt, 1, 0,
         0},
        {"page down to the last line", 0, 0, 1, VK_NEXT, None, 16, 0, 0},
        {"page up to the first line", 0, 0, 20, VK_PRIOR, None, 5, 0, 0},
    };
    for (const TMoveCase& Case : Cases) {
        TInputView View(Lines);
        View.Options(Case.Add, Case.Remove);
        View->SetSelStart(Case.From);
        View.Key(Case.Key, Case.Shift);
        EXPECT_EQ(View.Caret(), Case.Caret) << Case.Name;
        EXPECT_EQ(View->GetSelLength(), Case.SelLength) << Case.Name;
        EXPECT_EQ(View->GetExtraColumns(), Case.Extra) << Case.Name;
    }
}

TEST(KeyboardTest, VerticalMovesKeepThePreferredColumn) {
    // Down from column 5 over a short and an empty line lands on column 5
    // again; with kvoKeepColumnPos the short lines take the column in
    // virtual space.
    for (const bool Keep : {false, true}) {
        TInputView View(Lines);
        if (Keep)
            View.Options(OptionBit(kvoKeepColumnPos), OptionBit(kvoWrapCaret));
        View->SetSelStart(5);
        View.Key(VK_DOWN);
        EXPECT_EQ(View->GetExtraColumns(), Keep ? 3 : 0);
        View.Key(VK_DOWN);
        EXPECT_EQ(View.Caret(), 13);
        EXPECT_EQ(View->GetExtraColumns(), Keep ? 5 : 0);
        View.Key(VK_DOWN);
        EXPECT_EQ(View.Caret(), 20) << Keep;
        EXPECT_EQ(View->GetExtraColumns(), 0);
        // A horizontal move forgets the column.
        View.Key(VK_LEFT);
        View.Key(VK_UP);
        View.Key(VK_UP);
        View.Key(VK_UP);
        EXPECT_EQ(View.Caret(), 4);
    }
}

TEST(KeyboardTest, PassOverCodesSkipsFormatCodes) {
    TInputView View("");
    View->SetStaticFormat(true);
    View->SetAllText(std::string("a\x02") + "bc\x02" + "d");
    ASSERT_EQ(View->GetTextLength(), 6);
    View->SetSelStart(1);
    View.Key(VK_RIGHT);
    EXPECT_EQ(View.Caret(), 3); // over the code and 'b'
    View.Key(VK_LEFT);
    EXPECT_EQ(View.Caret(), 2); // before 'b'
    View.Key(VK_LEFT);
    EXPECT_EQ(View.Caret(), 0); // back over the code and 'a'
    View->SetPassOverCodes(false);
    View.Key(VK_RIGHT);
    View.Key(VK_RIGHT);
    EXPECT_EQ(View.Caret(), 2); // stops between 'a' and the code
}

struct TEditCase {
    const char* Name;
    const char* Text;
    TKorvelOptions Add;
    int32_t Caret;
    uint16_t Key;
    TShiftState Shift;
    const char* After;
    int32_t CaretAfter;
};

TEST(KeyboardTest, BackspaceAndDeleteRemoveCharactersBreaksWordsAndIndents) {
    const std::vector<TEditCase> Cases = {
        {"backspace", "abc", 0, 2, VK_BACK, None, "ac", 1},
        {"backspace at the text start", "abc", 0, 0, VK_BACK, None, "abc", 0},
        {"backspace joins paragraphs", "ab\r\ncd", 0, 4, VK_BACK, None, "abcd", 2},
        {"ctrl backspace deletes a word", "abc def", 0, 7, VK_BACK, ssCtrl, "abc ", 4},
        {"backspace back to the outer indent", "    a\r\n        b\r\n        ",
         OptionBit(kvoBackIndent), 26, VK_BACK, None, "    a\r\n        b\r\n    ", 22},
        {"backspace inside the text is one character", "    a\r\n      b", OptionBit(kvoBackIndent),
         12, VK_BACK, None, "    a\r\n     b", 11},
        {"delete", "abc", 0, 1, VK_DELETE, None, "ac", 1},
        {"delete at the text end", "abc", 0, 3, VK_DELETE, None, "abc", 3},
        {"delete joins paragraphs", "ab\r\ncd", 0, 2, VK_DELETE, None, "abcd", 2},
        {"shift delete only selects", "abc", 0, 2, VK_DELETE, ssShift, "abc", 2},
    };
    for (const TEditCase& Case : Cases) {
        TInputView View(Case.Text);
        View.Options(Case.Add);
        View->SetSelStart(Case.Caret);
        View.Key(Case.Key, Case.Shift);
        EXPECT_EQ(View.Text(), Case.After) << Case.Name;
        EXPECT_EQ(View.Caret(), Case.CaretAfter) << Case.Name;
        EXPECT_FALSE(View->GetPaintSuppressed()) << Case.Name;
        View.ExpectConsistent();
    }
}

TEST(KeyboardTest, BackspaceAndDeleteTakeFormatCodesWithTheCharacter) {
    TInputView View("");
    View->SetStaticFormat(true);
    View->SetAllText(std::string("xa\x02") + "bc\x02" + "d");
    View->SetSelStart(3); // after the first code
    ASSERT_EQ(View.Text(), std::string("xa\x02") + "bc\x02" + "d");
    View.Key(VK_BACK);
    // 'a' went with the code; the replacement keeps "bc" bold, the caret
    // after its code.
    EXPECT_EQ(View.Text(), std::string("x\x02") + "bc\x02" + "d");
    EXPECT_EQ(View.Caret(), 2);
    View.ExpectConsistent();

    TInputView Forward("");
    Forward->SetStaticFormat(true);
    Forward->SetAllText(std::string("xa\x02") + "bc\x02" + "d");
    Forward->SetSelStart(2); // before the first code
    Forward.Key(VK_DELETE);
    EXPECT_EQ(Forward.Text(), std::string("xa\x02") + "c\x02" + "d");
    EXPECT_EQ(Forward.Caret(), 3);
    Forward.ExpectConsistent();
}

TEST(KeyboardTest, ReadOnlyAndDisplayOnlyKeepTheText) {
    TInputView View("abc\r\ndef");
    View->SetReadOnly(true);
    View->SetSelStart(2);
    View.ClearRecords();
    for (const uint16_t Key : {VK_BACK, VK_DELETE})
        View.Key(Key);
    View.Key('T', ssCtrl);
    View.Type("xy\r\t");
    EXPECT_EQ(View.Text(), "abc\r\ndef");
    EXPECT_TRUE(View.Host.Invalidated().empty());
    View.Key(VK_RIGHT); // moves still work
    EXPECT_EQ(View.Caret(), 3);

    TInputView Shown(ShortParagraphs(100));
    Shown->SetDisplayOnly(true);
    Shown->SetSelStart(0);
    Shown.Key(VK_DOWN);
    Shown.Key(VK_DOWN);
    EXPECT_EQ(Shown->GetTopLine(), 2);
    Shown.Key(VK_NEXT, ssCtrl);
    EXPECT_EQ(Shown->GetTopLine(), 100 - Shown->GetVisibleLines() + 1);
    Shown.Key(VK_PRIOR, ssCtrl);
    EXPECT_EQ(Shown->GetTopLine(), 0);
    Shown.Type("x");
    EXPECT_EQ(Shown.Caret(), 0);
    EXPECT_EQ(Shown->GetTextLength(), static_cast<int32_t>(ShortParagraphs(100).size()));
}

TEST(KeyboardTest, HotKeysRunOnlyWhenEnabledAndEditable) {
    for (const int Variant : {0, 1, 2}) {
        TInputView View("ab");
        View->SetSelStart(1);
        View->SetReadOnly(Variant == 1);
        View->SetEnableHotKeys(Variant != 2);
        View.Key('T', ssCtrl);
        View.Key('P', ssCtrl);
        EXPECT_EQ(View.Text(), Variant == 0 ? "a\t\r\n\x10\r\nb" : "ab") << Variant;
    }
}

TEST(KeyboardTest, InsertTogglesOverwriteOnlyWithTheOption) {
    TInputView View("abc");
    int32_t StyleChanges = 0;
    View->OnStyleChange = [&](TObject*) { ++StyleChanges; };
    View.Key(VK_INSERT);
    EXPECT_TRUE(View->GetOverwrite());
    EXPECT_GE(StyleChanges, 1);
    View->SetSelStart(0);
    View.Type("xy");
    EXPECT_EQ(View.Text(), "xyc");
    View.Type("zw");
    EXPECT_EQ(View.Text(), "xyzw"); // at the end overwriting appends
    View.Options(0, OptionBit(kvoInsertKeyActive));
    View.Key(VK_INSERT);
    EXPECT_TRUE(View->GetOverwrite());
}

TEST(KeyboardTest, EnterBreaksTheLineAndCopiesTheIndentation) {
    struct TCase {
        const char* Name;
        const char* Text;
        TKorvelOptions Add;
        int32_t Caret;
        const char* After;
    };
    const TKorvelOptions Auto = OptionBit(kvoAutoIndent);
    const std::vector<TCase> Cases = {
        {"plain", "ab", 0, 1, "a\r\nb"},
        {"auto indent", "  ab", Auto, 4, "  ab\r\n  "},
        {"indent no longer than the caret offset", "  ab", Auto, 1, " \r\n  ab"},
        {"indent from the line above an empty one", "\tab\r\n", Auto, 5, "\tab\r\n\r\n"},
    };
    for (const TCase& Case : Cases) {
        TInputView View(Case.Text);
        View.Options(Case.Add);
        View->SetSelStart(Case.Caret);
        View.Type("\r");
        EXPECT_EQ(View.Text(), Case.After) << Case.Name;
    }
    // With trailing blanks discarded the indentation becomes virtual space.
    TInputView Virtual("\t  ab");
    Virtual.Options(Auto | OptionBit(kvoDiscardTrailingSpaces));
    Virtual->SetTabStops(4);
    Virtual->SetSelStart(5);
    Virtual.Type("\r");
    EXPECT_EQ(Virtual.Text(), "\t  ab\r\n");
    EXPECT_EQ(Virtual->GetExtraColumns(), 6);
    // Overwrite: Enter only goes to the next line, and appends at the end.
    TInputView Over("ab\r\ncd");
    Over->SetOverwrite(true);
    Over->SetSelStart(1);
    Over.Type("\r");
    EXPECT_EQ(Over.Caret(), 4);
    Over.Type("\r");
    EXPECT_EQ(Over.Text(), "ab\r\ncd\r\n");
}

TEST(KeyboardTest, TabInsertsATabOrLinesUpWithTheWordAbove) {
    TInputView View("abc   def  g\r\nx");
    View->SetSelStart(14);
    View.Type("\t");
    EXPECT_EQ(View.Text(), "abc   def  g\r\n\tx");
    TInputView Smart("abc   def  g\r\nx");
    Smart.Options(OptionBit(kvoSmartTabs));
    Smart->SetSelStart(14);
    EXPECT_EQ(Smart->SmartTabText(), "      ");
    Smart->SetSelStart(15); // column 1: to "def"
    EXPECT_EQ(Smart->SmartTabText(), "     ");
    Smart.Type("\t");
    EXPECT_EQ(Smart.Text(), "abc   def  g\r\nx     ");
    Smart->SetSelStart(0);
    EXPECT_EQ(Smart->SmartTabText(), ""); // the first paragraph
}

TEST(KeyboardTest, ShiftAltArrowsStartAColumnBlock) {
    TInputView View("abcdef\r\nabcdef\r\nabcdef");
    View.Options(OptionBit(kvoBlockSelection));
    View->SetSelStart(2);
    View.Key(VK_DOWN, ssShift | ssAlt);
    View.Key(VK_RIGHT, ssShift | ssAlt);
    EXPECT_TRUE(View->GetBlockActive());
    EXPECT_EQ(View->GetBlockCol1(), 2);
    EXPECT_EQ(View->GetBlockCol2(), 3);
    EXPECT_EQ(View->GetSelText(), "c\r\nc\r\n");
    View.Key(VK_LEFT); // an unshifted move ends the block
    EXPECT_FALSE(View->GetBlockActive());
    EXPECT_EQ(View->GetSelLength(), 0);
}

TEST(KeyboardTest, ColumnBlocksCountCharacterCellsInAProportionalFont) {
    // Blanks and "i" two pixels wide, other letters six: by keys and by the
    // pointer, each step over a letter widens the block by one column (not
    // by three blank widths), and a move down keeps the block's column on a
    // line of narrow letters.
    TInputView View("abcdef\r\niiiiii\r\nabcdef");
    View.Host.SetCharWidth(' ', 2);
    View.Host.SetCharWidth('i', 2);
    View.Host.RecreateWindow();
    View.Options(OptionBit(kvoBlockSelection));
    View->SetSelStart(1);
    View.Key(VK_RIGHT, ssShift | ssAlt);
    EXPECT_EQ(View->GetBlockCol1(), 1);
    EXPECT_EQ(View->GetBlockCol2(), 2);
    View.Key(VK_RIGHT, ssShift | ssAlt);
    View.Key(VK_DOWN, ssShift | ssAlt);
    EXPECT_EQ(View->GetBlockCol2(), 3);
    EXPECT_EQ(View.Caret(), 11);
    EXPECT_EQ(View->GetSelText(), "bc\r\nii\r\n");

    View.Down(View.At(1, 0), ssAlt);
    EXPECT_EQ(View->GetBlockCol1(), 1);
    View.Move(View.At(4, 2), ssAlt | ssLeft);
    View.Up(View.At(4, 2), ssAlt);
    EXPECT_EQ(View->GetBlockCol2(), 4);
    EXPECT_EQ(View->GetSelText(), "bcd\r\niii\r\nbcd\r\n");
}

TEST(KeyboardTest, NoOverwriteBlocksKeepsTheSelectionWhileTyping) {
    TInputView View("hello world");
    View.Options(OptionBit(kvoNoOverwriteBlocks) | OptionBit(kvoPersistentBlocks));
    View.Select(0, 5);
    View.Key(VK_END); // only the free caret moves
    EXPECT_EQ(View->GetSelText(), "hello");
    View.Type("x");
    EXPECT_EQ(View.Text(), "hello worldx");
    EXPECT_EQ(View->GetSelText(), "hello");
    View.Key(VK_BACK);
    EXPECT_EQ(View.Text(), "hello world");
    EXPECT_EQ(View->GetSelText(), "hello");
    View.ExpectConsistent();
}

} // namespace
} // namespace korvel::test
