#include "InputTestSupport.h"
#include "KVSupport/TKeywordList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvel::test {
namespace {

// Paragraphs at 0 ("abc def"), 9 ("ghi jkl") and 18 ("mno").
const char* const Three = "abc def\r\nghi jkl\r\nmno";

TEST(MouseTest, ClicksPlaceTheCaretShiftExtendsAltMakesABlock) {
    TInputView View(Three);
    View.Click(View.At(2, 0));
    EXPECT_EQ(View.Caret(), 2);
    EXPECT_EQ(View->GetSelLength(), 0);
    View.Click(View.At(5, 1), ssShift);
    EXPECT_EQ(View.Caret(), 14);
    EXPECT_EQ(View->GetSelLength(), -12);
    // Below the text: the text end.
    View.Click(TPoint{Margin + 1, 200});
    EXPECT_EQ(View.Caret(), 21);
    // With kvoKeepColumnPos a click beyond the line end is virtual space.
    View.Options(OptionBit(kvoKeepColumnPos));
    View.Click(View.At(10, 2));
    EXPECT_EQ(View.Caret(), 21);
    EXPECT_EQ(View->GetExtraColumns(), 7);
    // Alt-drag with kvoBlockSelection selects a column block.
    View.Options(OptionBit(kvoBlockSelection), OptionBit(kvoKeepColumnPos));
    View.Down(View.At(1, 0), ssAlt);
    View.Move(View.At(3, 1), ssAlt | ssLeft);
    View.Up(View.At(3, 1), ssAlt);
    EXPECT_TRUE(View->GetBlockActive());
    EXPECT_EQ(View->GetSelText(), "bc\r\nhi\r\n");
}

TEST(MouseTest, DraggingSelectsAndTheMarginSelectsWholeLines) {
    TInputView View(Three);
    View.Down(View.At(1, 0));
    View.Move(View.At(2, 1), ssLeft);
    View.Up(View.At(2, 1));
    EXPECT_EQ(View->GetSelText(), "bc def\r\ngh");
    EXPECT_EQ(View.Caret(), 11);

    // The margin: the arrow cursor, then a press selects line 1 with its
    // break; dragging down takes the next line too.
    View.Move(TPoint{2, View.At(0, 1).Y});
    EXPECT_EQ(View->GetHoverLine(), 1);
    View.Host.PumpMessages();
    EXPECT_EQ(View.Host.GetCursor(), crKVRightArrow);
    View.Host.Send(TMessage::Pointer(WM_LBUTTONDOWN, TPoint{2, View.At(0, 1).Y}, 0));
    EXPECT_EQ(View->GetSelText(), "ghi jkl\r\n");
    View.Move(TPoint{2, View.At(0, 2).Y}, ssLeft);
    EXPECT_EQ(View->GetSelText(), "ghi jkl\r\nmno");
    View.Move(TPoint{2, View.At(0, 0).Y}, ssLeft);
    EXPECT_EQ(View->GetSelText(), "abc def\r\nghi jkl\r\n");
    View.Up(TPoint{2, View.At(0, 0).Y});
    // Back over the text, the cursor is the control's own again.
    View.Move(View.At(1, 2));
    EXPECT_EQ(View->GetHoverLine(), -1);
    EXPECT_EQ(View.Host.GetCursor(), crIBeam);

    TInputView NoLines(Three);
    NoLines.Options(OptionBit(kvoNoLineSelection));
    NoLines.Move(TPoint{2, NoLines.At(0, 1).Y});
    EXPECT_EQ(NoLines->GetHoverLine(), -1);
}

TEST(MouseTest, DoubleClickSelectsTheWordAndDraggingExtendsByWords) {
    TInputView View(Three);
    const TPoint P = View.At(5, 1);
    View.Click(P);
    View.Host.Send(TMessage::Pointer(WM_LBUTTONDBLCLK, P, 0));
    EXPECT_EQ(View->GetSelText(), "jkl");
    View.Move(View.At(1, 0), ssLeft);
    View.Up(View.At(1, 0));
    EXPECT_EQ(View->GetSelText(), "abc def\r\nghi jkl");
    EXPECT_EQ(View.Caret(), 0);
}

TEST(MouseTest, DragAndDropMovesOrCopiesTheSelection) {
    struct TCase {
        const char* Name;
        TShiftState Shift;
        TPoint Drop;
        const char* After;
        const char* Selected;
    };
    const TCase Cases[] = {
        {"move", 0, TInputView::At(3, 2), "def\r\nghi jkl\r\nmnoabc ", "abc "},
        {"copy", ssCtrl, TInputView::At(3, 2), "abc def\r\nghi jkl\r\nmnoabc ", "abc "},
        {"inside the selection", 0, TInputView::At(2, 0), Three, ""},
    };
    for (const TCase& Case : Cases) {
        TInputView View(Three);
        int32_t Moves = 0;
        View->OnSelMove = [&](TObject*) { ++Moves; };
        View.Select(0, 4);
        View.Move(View.At(1, 0));
        View.Down(View.At(1, 0));
        EXPECT_TRUE(View->IsDragging()) << Case.Name;
        EXPECT_EQ(View.Host.GetScreenCursor(), crDrag);
        View.Move(Case.Drop, Case.Shift | ssLeft);
        Moves = 0;
        View.Up(Case.Drop, Case.Shift);
        EXPECT_FALSE(View->IsDragging());
        EXPECT_EQ(View.Host.GetScreenCursor(), crDefault);
        EXPECT_EQ(View.Text(), Case.After) << Case.Name;
        EXPECT_EQ(View->GetSelText(), Case.Selected) << Case.Name;
        if (Case.Selected[0] == '\0') {
            EXPECT_EQ(Moves, 1) << Case.Name; // OnSelMove for the caret placed inside
        }
        View.ExpectConsistent();
    }
    // One undo takes a moved text back.
    {
        TInputView Moved(Three);
        Moved.Select(0, 4);
        Moved.Down(Moved.At(1, 0));
        Moved.Move(Moved.At(3, 2), ssLeft);
        Moved.Up(Moved.At(3, 2));
        ASSERT_EQ(Moved.Text(), "def\r\nghi jkl\r\nmnoabc ");
        Moved->Undo();
        EXPECT_EQ(Moved.Text(), Three);
    }
    // Without drag-and-drop a press on the selection starts a new one.
    TInputView View(Three);
    View.Options(OptionBit(kvoNoDragnDrop));
    View.Select(0, 4);
    View.Move(View.At(1, 0));
    View.Down(View.At(1, 0));
    EXPECT_FALSE(View->IsDragging());
    EXPECT_EQ(View->GetSelLength(), 0);
    EXPECT_EQ(View.Caret(), 1);
    // Ctrl pressed during a drag shows the copy cursor.
    TInputView Ctrl(Three);
    Ctrl.Select(0, 4);
    Ctrl.Down(Ctrl.At(1, 0));
    Ctrl.Host.Send(TMessage::KeyMessage(WM_KEYDOWN, VK_CONTROL, ssCtrl));
    EXPECT_EQ(Ctrl.Host.GetScreenCursor(), crDragCopy);
    Ctrl.Host.Send(TMessage::KeyMessage(WM_KEYUP, VK_CONTROL, 0));
    EXPECT_EQ(Ctrl.Host.GetScreenCursor(), crDrag);
    Ctrl.Up(Ctrl.At(1, 0));
}

TEST(MouseTest, HoldingThePointerAboveTheWindowScrollsBySpeed) {
    struct TCase {
        int32_t Y;
        int32_t MinLines;
        int32_t MaxLines;
    };
    // 12 pixels above: speed 4, a line every 130 ms; 60 above: no wait.
    for (const TCase Case : {TCase{-12, 6, 9}, TCase{-60, 40, 1000}}) {
        TInputView View(ShortParagraphs(2000));
        View->SetTopLine(1000);
        const int32_t Top = View->GetTopLine();
        View.Host.Clock().SetAutoStep(1);
        const uint32_t Start = View.Host.Clock().GetTickCount();
        int32_t Rounds = 0;
        View.Host.OnProcessMessages = [&] {
            if (++Rounds == 1)
                View.Host.Clock().Set(Start);
            if (View.Host.Clock().GetTickCount() - Start > 1000 && View->GetAutoScrollDir() != 0)
                View.Host.PostMessage(TMessage::Pointer(WM_LBUTTONUP, TPoint{50, Case.Y}, 0));
        };
        View.Down(TPoint{50, 50});
        View.Move(TPoint{50, Case.Y}, ssLeft);
        View.Host.OnProcessMessages = nullptr;
        const int32_t Scrolled = Top - View->GetTopLine();
        EXPECT_GE(Scrolled, Case.MinLines) << Case.Y;
        EXPECT_LE(Scrolled, Case.MaxLines) << Case.Y;
        EXPECT_EQ(View->GetAutoScrollDir(), 0);
        // The selection followed the scrolled text.
        EXPECT_LT(View.Caret(), View->ParagraphStart(Top));
        View.ExpectConsistent();
    }
}

TEST(MouseTest, FocusCreatesTheCaretUnlessDisplayOnly) {
    TInputView View(Three);
    EXPECT_TRUE(View.Host.Caret().Exists);
    EXPECT_EQ(View.Host.Caret().Height, LineH);
    View.Host.KillFocus();
    EXPECT_FALSE(View.Host.Caret().Exists);
    View->SetDisplayOnly(true);
    View.Click(View.At(1, 0)); // takes the focus
    EXPECT_TRUE(View->Focused());
    EXPECT_FALSE(View.Host.Caret().Exists);
    View->SetDisplayOnly(false);
    EXPECT_TRUE(View.Host.Caret().Exists);

    // HideSelection: losing the focus repaints the selected lines.
    View.Select(0, 12);
    View.ClearRecords();
    View.Host.KillFocus();
    EXPECT_FALSE(View.Host.Invalidated().empty());

    // WM_GETDLGCODE: Tab only with WantTabs and not DisplayOnly.
    EXPECT_EQ(View.Host.Send(TMessage::Plain(WM_GETDLGCODE)), 0x87);
    View->SetWantTabs(false);
    EXPECT_EQ(View.Host.Send(TMessage::Plain(WM_GETDLGCODE)), 0x85);
}

TEST(MouseTest, RunsShowTheirCursorAndClicksReportTheirContext) {
    TInputView View("a table here");
    View->GetKeywords().AddKeyword("table", clRed, clNone, crHandPoint, 7, 0, 0);
    View->SetApplyKeyWords(true);
    View->ResetHighlighting();
    std::vector<std::vector<int32_t>> Contexts;
    View->OnContext = [&](TObject*, int32_t Context, int32_t Start, int32_t Stop) {
        Contexts.push_back({Context, Start, Stop});
    };
    std::vector<TMouseButton> Presses;
    View->OnAfterMouseDown = [&](TObject*, TMouseButton Button, TShiftState, int32_t, int32_t) {
        Presses.push_back(Button);
    };
    View.Move(View.At(4, 0));
    EXPECT_EQ(View.Host.GetCursor(), crHandPoint);
    View.Click(View.At(4, 0));
    ASSERT_EQ(Contexts.size(), 1u);
    EXPECT_EQ(Contexts[0], (std::vector<int32_t>{7, 2, 7}));
    // A press that moved before its release is no context click.
    View.Down(View.At(4, 0));
    View.Move(View.At(9, 0), ssLeft);
    View.Up(View.At(9, 0));
    EXPECT_EQ(Contexts.size(), 1u);
    // Off the run the control's cursor comes back.
    View.Move(View.At(10, 0));
    EXPECT_EQ(View.Host.GetCursor(), crIBeam);
    View.Host.Send(TMessage::Pointer(WM_RBUTTONDOWN, View.At(10, 0), 0));
    View.Host.Send(TMessage::Pointer(WM_RBUTTONUP, View.At(10, 0), 0));
    EXPECT_EQ(Presses, (std::vector<TMouseButton>{mbLeft, mbLeft, mbRight}));
}

TEST(MouseTest, ARightClickShowsTheDefaultMenuUnlessSwitchedOff) {
    for (const bool Off : {false, true}) {
        TInputView View(Three);
        if (Off)
            View.Options(OptionBit(kvoNoDefaultPopup));
        View.Host.Send(TMessage::Pointer(WM_RBUTTONDOWN, View.At(1, 1), 0));
        View.Host.Send(TMessage::Pointer(WM_RBUTTONUP, View.At(1, 1), 0));
        EXPECT_EQ(View.Host.Popups().size(), Off ? 0u : 1u);
    }
}

TEST(MouseTest, AControlDestroyedInItsOwnHandlerIsNotTouched) {
    for (const uint32_t Msg : {WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN, WM_MOUSEMOVE}) {
        auto View = std::make_unique<TInputView>(Three);
        auto Destroy = [&](auto&&...) { View->Control.reset(); };
        View->Control->OnKeyDown = Destroy;
        View->Control->OnKeyPress = Destroy;
        View->Control->OnMouseDown = Destroy;
        View->Control->OnMouseMove = Destroy;
        TMessage M = TMessage::KeyMessage(Msg, VK_DOWN, 0);
        M.CharCode = 'x';
        View->Host.Send(M);
        EXPECT_EQ(View->Control, nullptr);
        EXPECT_EQ(TKorvel::GetDestroyedInHandlerCount(), 0);
    }
}

} // namespace
} // namespace korvel::test
