// The pointer: cursor feedback over the margin, the selection and highlight
// runs; placing the caret, extending the selection, column blocks, whole
// lines and words; drag-and-drop of the selection; scrolling while the
// pointer is held outside the window; clicks on runs with a context number.

#include "KVSupport/HighlightRun.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "platform/TClock.h"

#include <algorithm>
#include <string>

namespace korvel {

namespace {

// The wait between two auto-scroll steps at Speed (pixels outside the
// window, in steps of 3).
uint32_t AutoScrollWait(int32_t Speed) {
    switch (Speed) {
    case 1:
        return 400;
    case 2:
        return 300;
    case 3:
        return 200;
    case 4:
        return 130;
    case 5:
        return 78;
    case 6:
        return 48;
    case 7:
        return 30;
    default:
        return 0;
    }
}

// Tick A is before tick B (the tick count wraps).
bool TickBefore(uint32_t A, uint32_t B) {
    return static_cast<int32_t>(A - B) < 0;
}

} // namespace

bool TKorvel::PointerOverControl() const {
    return LastPointer.X >= 0 && LastPointer.Y >= 0 && LastPointer.X < GetClientWidth() &&
           LastPointer.Y < GetClientHeight();
}

void TKorvel::ShowSavedCursor() {
    SetCursor(SavedCursor);
}

// --- pointer move ---

// Puts MouseNav on the text under client point X, Y; false when that
// paragraph is not formatted yet (no feedback then).
bool TKorvel::SetPointerPosition(int32_t X, int32_t Y) {
    const int32_t LineHeight = GetView().LineHeightPx;
    if (!IsViewLive() || LineHeight <= 0)
        return false;
    const int64_t Line64 = std::max<int64_t>((int64_t{Y} + GetView().TopPixel) / LineHeight, 0);
    const int32_t LastVisible = GetTopLine() + ViewState.VisibleLines - 1;
    MouseNav->SetGlobalLine(static_cast<int32_t>(std::min<int64_t>(Line64, LastVisible)));
    if ((GetParagraphsList()[MouseNav->GetParIndex()].Flags & pfFormatted) == 0)
        return false;
    if (Y > TextBottom())
        MouseNav->SetPos(GetTextLength());
    else
        MouseNav->XToOffset(X);
    MouseNav->SkipRunsHere();
    return true;
}

int64_t TKorvel::TextBottom() const {
    return int64_t{GetLineCount()} * GetView().LineHeightPx - GetView().TopPixel;
}

void TKorvel::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
    const uint64_t Me = Serial;
    LastPointer = TPoint{X, Y};
    if (UpdateLock == 0 && SetPointerPosition(X, Y)) {
        if (!ButtonDown)
            PointerFeedback(X, MouseNav->GetGlobalLine());
        else if ((Shift & ssLeft) != 0)
            PointerDrag(Shift, X, static_cast<int32_t>(std::min<int64_t>(Y, TextBottom() - 1)));
        if (WasDestroyed(Me))
            return;
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TKorvel::PointerFeedback(int32_t X, int32_t Line) {
    const bool InMargin = X < GetLeftMargin() - GetView().LeftPixel - 2;
    if (!InMargin || HasOption(kvoNoLineSelection)) {
        if (HoverLine >= 0) {
            HoverLine = -1;
            ShowSavedCursor();
        }
        if (!HasOption(kvoNoDragnDrop)) {
            const int32_t P = MouseNav->GetPos();
            const bool Inside = SelLength != 0 && P >= SelStartNav->GetPos() &&
                                P < SelEndNav->GetPos() && !BlockActive && !ReadOnly &&
                                !DisplayOnly;
            if (Inside && !OverSelection) {
                OverSelection = true;
                if (!RunCursorShown)
                    SavedCursor = GetCursor();
                RunCursorShown = false;
                SetCursor(crArrow);
            } else if (!Inside && OverSelection) {
                OverSelection = false;
                ShowSavedCursor();
            }
        }
    } else {
        if (HoverLine < 0) {
            if (!RunCursorShown && !OverSelection)
                SavedCursor = GetCursor();
            GetHost()->PostMessage(TMessage::SetCursor(HTCLIENT));
        }
        HoverLine = Line;
        OverSelection = false;
        RunCursorShown = false;
    }
    if (OverSelection || HoverLine >= 0)
        return;
    const HighlightRun& Run = MouseNav->CurrentRun();
    if (MouseNav->GetPos() < GetTextLength() && (Run.Flags & 0x80) != 0 && Run.Cursor != 0) {
        if (!RunCursorShown)
            SavedCursor = GetCursor();
        RunCursorShown = true;
        SetCursor(Run.Cursor);
    } else if (RunCursorShown) {
        RunCursorShown = false;
        ShowSavedCursor();
    }
}

void TKorvel::PointerDrag(TShiftState Shift, int32_t X, int32_t Y) {
    const uint64_t Me = Serial;
    const int32_t Width = GetClientWidth();
    const int32_t Height = GetClientHeight();
    int32_t Dir = 0;
    int32_t Speed = 0;
    if (X < 0 && (!Dragging || X >= -23)) {
        Dir = 3;
        Speed = -X / 3;
    }
    if (X > Width && (!Dragging || X < Width + 24)) {
        Dir = 4;
        Speed = (X - Width) / 3;
    }
    const bool UpDownAllowed = !Dragging || (X >= -3 && X <= Width + 3);
    if (Y < -3 && UpDownAllowed && (!Dragging || Y >= -26)) {
        Dir = 1;
        Speed = -Y / 3;
    }
    if (Y > Height && UpDownAllowed && (!Dragging || Y < Height + 24)) {
        Dir = 2;
        Speed = (Y - Height) / 3;
    }
    AutoScrollSpeed = Speed;
    const int32_t Before = AutoScrollDir;
    AutoScrollDir = Dir;
    if (Dir != 0 && Dir != Before) {
        AutoScroll();
        if (WasDestroyed(Me) || !ButtonDown)
            return;
    }

    if (HoverLine >= 0) {
        PointerLineSelect();
    } else if (Dragging) {
        if (LastPointer.X > 0 && LastPointer.X < Width && LastPointer.Y > 0 &&
            LastPointer.Y < Height) {
            UpdateCaret(false);
            if (DragOutside) {
                DragOutside = false;
                GetHost()->SetScreenCursor((Shift & ssCtrl) != 0 ? crDragCopy : crDrag);
            }
        } else if (AutoScrollDir == 0 && !DragOutside) {
            GetHost()->SetScreenCursor(crNoDrop);
            DragOutside = true;
        }
        return;
    } else {
        PointerSelect(X);
    }
    if (WordSelecting)
        PointerWordSelect();
}

void TKorvel::PointerLineSelect() {
    const int32_t Anchor = HoverLine;
    const int32_t Pointer = MouseNav->GetGlobalLine();
    TKorvelNavigator& LineStart = TargetNav();
    TKorvelNavigator& NextLine = *ScratchNavs[3];
    auto StartOfLineAfter = [&](int32_t Line, TKorvelNavigator& Nav) {
        if (Line + 1 < GetLineCount())
            Nav.SetGlobalLine(Line + 1);
        else
            Nav.SetPos(GetTextLength());
    };
    int32_t NewAnchor = 0;
    if (Pointer < Anchor) {
        // From the pointer to the end of the anchor line, caret at the start.
        StartOfLineAfter(Anchor, NextLine);
        NewAnchor = NextLine.GetPos();
        LineStart.Assign(*MouseNav);
    } else if (Pointer > Anchor) {
        // From the anchor line's start to the start of the line after the
        // pointer's, caret at the end.
        NextLine.SetGlobalLine(Anchor);
        NewAnchor = NextLine.GetPos();
        StartOfLineAfter(Pointer, LineStart);
    } else {
        NewAnchor = MouseNav->GetPos();
        StartOfLineAfter(Anchor, LineStart);
    }
    const int32_t NewLength = NewAnchor - LineStart.GetPos();
    if (LineStart.GetPos() == CaretNav->GetPos() && NewLength == SelLength)
        return;
    const int32_t OldFirst = SelStartNav->GetGlobalLine();
    const int32_t OldLast = SelEndNav->GetGlobalLine();
    SelectFromAnchor(NewAnchor, LineStart);
    InvalidateLines(std::min(OldFirst, SelStartNav->GetGlobalLine()),
                    std::max(OldLast, SelEndNav->GetGlobalLine()), false);
    UpdateCaret(false);
}

void TKorvel::PointerSelect(int32_t X) {
    int32_t Extra = 0;
    if (BlockActive && GetView().SpaceWidth > 0)
        Extra = std::max(X - MouseNav->OffsetToX(), 0) / GetView().SpaceWidth;
    if (MouseNav->GetPos() != CaretNav->GetPos() || Extra != ExtraColumns) {
        const int32_t OldCaretLine = CaretNav->GetGlobalLine();
        const int32_t OldFirst = SelStartNav->GetGlobalLine();
        const int32_t OldLast = SelEndNav->GetGlobalLine();
        const int32_t Anchor = CaretNav->GetPos() + SelLength;
        ExtraColumns = Extra;
        const bool Block = BlockActive;
        SelectFromAnchor(Anchor, *MouseNav);
        BlockActive = Block;
        if (BlockActive) {
            InvalidateLines(OldFirst, OldLast, false);
            InvalidateLines(SelStartNav->GetGlobalLine(), SelEndNav->GetGlobalLine(), false);
        } else {
            InvalidateLines(OldCaretLine, CaretNav->GetGlobalLine(), false);
        }
    }
    if (CaretNav->GetPos() != ViewState.ReportedCaretPos ||
        ExtraColumns != ViewState.ReportedExtraColumns) {
        UpdateCaret(false);
        if (BlockActive)
            BlockCol2 = CaretColumn();
    }
}

void TKorvel::PointerWordSelect() {
    const int32_t P = MouseNav->GetPos();
    const int32_t OldStart = SelStartNav->GetPos();
    const int32_t OldEnd = SelEndNav->GetPos();
    const bool CaretAtEnd = MouseDownPos < P;
    const int32_t Start = CaretAtEnd ? std::min(MouseDownPos, OldStart) : P;
    const int32_t End = CaretAtEnd ? P : std::max(MouseDownPos, OldEnd);
    TKorvelNavigator& StartNav = TargetNav();
    TKorvelNavigator& EndNav = *ScratchNavs[3];
    StartNav.SetPos(Start);
    StartNav.WordStart(GetSeparatorSet());
    EndNav.SetPos(End);
    if (P >= End)
        EndNav.WordEnd(GetSeparatorSet());
    if (StartNav.GetPos() == OldStart && EndNav.GetPos() == OldEnd)
        return;
    const int32_t OldFirst = SelStartNav->GetGlobalLine();
    const int32_t OldLast = SelEndNav->GetGlobalLine();
    if (CaretAtEnd)
        SelectFromAnchor(StartNav.GetPos(), EndNav);
    else
        SelectFromAnchor(EndNav.GetPos(), StartNav);
    InvalidateLines(std::min(OldFirst, SelStartNav->GetGlobalLine()),
                    std::max(OldLast, SelEndNav->GetGlobalLine()), false);
    UpdateCaret(false);
}

// --- auto-scroll ---

void TKorvel::AutoScroll() {
    const uint64_t Me = Serial;
    TControlHost* Host = GetHost();
    if (Host == nullptr)
        return;
    const TClock& Clock = Host->GetClock();
    const int32_t Direction = AutoScrollDir;
    uint32_t Next = Clock.GetTickCount();
    while (AutoScrollDir == Direction) {
        while (TickBefore(Clock.GetTickCount(), Next) && AutoScrollDir == Direction) {
            Host->ProcessMessages();
            if (WasDestroyed(Me))
                return;
        }
        Host->ProcessMessages();
        if (WasDestroyed(Me))
            return;
        if (AutoScrollDir != Direction || !ButtonDown)
            break;
        const uint32_t StepStart = Clock.GetTickCount();
        const uint32_t Wait = AutoScrollWait(AutoScrollSpeed);
        const int32_t Step = 3 * AutoScrollSpeed;
        TPoint Pointer = LastPointer;
        TMessage Scroll;
        switch (Direction) {
        case 1:
            Scroll = TMessage::Scroll(WM_VSCROLL, SB_LINEUP);
            WMVScroll(Scroll);
            Pointer.Y = -Step;
            break;
        case 2:
            Scroll = TMessage::Scroll(WM_VSCROLL, SB_LINEDOWN);
            WMVScroll(Scroll);
            Pointer.Y = GetClientHeight() + Step;
            break;
        case 3:
            if (GetView().LeftPixel > 0) {
                Scroll = TMessage::Scroll(WM_HSCROLL, SB_LINELEFT);
                WMHScroll(Scroll);
            }
            Pointer.X = -Step;
            break;
        default:
            if (GetView().LeftPixel < GetView().MaxLineWidth - GetClientWidth()) {
                Scroll = TMessage::Scroll(WM_HSCROLL, SB_LINERIGHT);
                WMHScroll(Scroll);
            }
            Pointer.X = GetClientWidth() + Step;
            break;
        }
        MouseMove(ssLeft, Pointer.X, Pointer.Y);
        if (WasDestroyed(Me))
            return;
        Next = StepStart + Wait;
    }
}

// --- buttons ---

void TKorvel::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    const uint64_t Me = Serial;
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (WasDestroyed(Me))
        return;
    LastPointer = TPoint{X, Y};
    if (Button == mbLeft && UpdateLock == 0 && SetPointerPosition(X, Y)) {
        // A press that interrupts a drag (its release never came) takes the
        // caret back from the drop mark.
        if (CaretNav == MouseNav.get())
            CaretNav = SelLength <= 0 ? SelEndNav.get() : SelStartNav.get();
        BlockActive = false;
        MouseDownPos = MouseNav->GetPos();
        PreferredX = NoPreferredX;
        bool Placed = true;
        if (!DisplayOnly) {
            ButtonDown = true;
            if (WordSelecting)
                Placed = false;
        }
        if (Placed) {
            ExtraColumns = 0;
            Dragging = OverSelection && !ReadOnly && !HasOption(kvoNoDragnDrop);
            if (Dragging) {
                DragOutside = false;
                CaretNav = MouseNav.get();
                GetHost()->SetScreenCursor(crDrag);
                UpdateCaret(true);
            } else if (HoverLine < 0) {
                const int32_t OldCaretLine = CaretNav->GetGlobalLine();
                if ((Shift & ssShift) == 0)
                    CollapseOnto(*CaretNav);
                if ((Shift & ssModifiers) == ssAlt && HasOption(kvoBlockSelection) &&
                    !GetWordWrap())
                    BlockActive = true;
                TKorvelNavigator& Target = TargetNav();
                if (Y < TextBottom())
                    Target.SetFromPoint(TPoint{X, Y});
                else
                    Target.SetPos(GetTextLength());
                if ((HasOption(kvoKeepColumnPos) || BlockActive) &&
                    (AtParEnd(Target) || Target.CharAt() == '\t') && GetView().SpaceWidth > 0)
                    ExtraColumns = std::max(X - Target.OffsetToX(), 0) / GetView().SpaceWidth;
                if ((Shift & ssShift) != 0) {
                    const bool Block = BlockActive;
                    SelectFromAnchor(CaretNav->GetPos() + SelLength, Target);
                    BlockActive = Block;
                    InvalidateLines(OldCaretLine, CaretNav->GetGlobalLine(), false);
                } else {
                    CollapseOnto(Target);
                }
                MouseDownPos = Target.GetPos();
            } else {
                // A press in the margin selects the display line (with the
                // paragraph break when it ends a paragraph that is not the
                // last).
                TKorvelNavigator& LineStart = TargetNav();
                LineStart.SetGlobalLine(HoverLine);
                TKorvelNavigator& LineEnd = *ScratchNavs[3];
                LineEnd.Assign(LineStart);
                LineEnd.SetLineOffset(INT32_MAX);
                int32_t End = LineEnd.GetPos();
                if (LineEnd.GetLineIndex() == LineEnd.GetLines().Count() - 1 &&
                    LineEnd.GetParIndex() < GetParagraphCount() - 1)
                    End += 2;
                HoverLine = LineStart.GetGlobalLine();
                SelectFromAnchor(End, LineStart);
                InvalidateLines(SelStartNav->GetGlobalLine(), SelEndNav->GetGlobalLine(), false);
                MouseDownPos = LineStart.GetPos();
            }
            UpdateCaret(false);
            if (BlockActive) {
                BlockCol1 = CaretColumn();
                BlockCol2 = BlockCol1;
            }
        }
    }
    if (!Focused())
        SetFocus();
    if (WasDestroyed(Me))
        return;
    if (OnAfterMouseDown)
        OnAfterMouseDown(this, Button, Shift, X, Y);
}

void TKorvel::DblClick() {
    const uint64_t Me = Serial;
    if (!DisplayOnly && UpdateLock == 0) {
        WordSelecting = true;
        const int32_t OldFirst = SelStartNav->GetGlobalLine();
        const int32_t OldLast = SelEndNav->GetGlobalLine();
        SelStartNav->WordStart(GetSeparatorSet());
        SelEndNav->WordEnd(GetSeparatorSet());
        const int32_t Start = SelStartNav->GetPos();
        const int32_t End = SelEndNav->GetPos();
        // The caret stays on the end it was on.
        if (CaretNav == SelEndNav.get()) {
            SelLength = Start - End;
        } else {
            CaretNav = SelStartNav.get();
            SelLength = End - Start;
        }
        BlockActive = false;
        NoUndoMerge = true;
        if (HandleAllocated())
            InvalidateLines(std::min(OldFirst, SelStartNav->GetGlobalLine()),
                            std::max(OldLast, SelEndNav->GetGlobalLine()), false);
        UpdateCaret(false);
    }
    TCustomControl::DblClick();
    (void)Me;
}

void TKorvel::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    const uint64_t Me = Serial;
    LastPointer = TPoint{X, Y};
    if (WordSelecting) {
        ExtraColumns = 0;
        UpdateCaret(false);
    }
    const bool WasButtonDown = ButtonDown;
    ButtonDown = false;
    WordSelecting = false;
    AutoScrollDir = 0;
    if (Button == mbRight) {
        OverSelection = false;
        ShowSavedCursor();
    }
    bool Handled = false;
    if (Dragging) {
        Dragging = false;
        Handled = true;
        GetHost()->SetScreenCursor(crDefault);
        ShowSavedCursor();
        CaretNav = SelLength <= 0 ? SelEndNav.get() : SelStartNav.get();
        if (!DragOutside && UpdateLock == 0)
            DropSelection(Shift);
        UpdateCaret(true);
        ScrollInView();
        OverSelection = false;
        MouseMove(Shift, X, Y);
        if (WasDestroyed(Me))
            return;
    } else if (WasButtonDown || Button == mbRight) {
        if (MouseNav->GetPos() == MouseDownPos || Button == mbRight)
            Handled = ContextClick();
        if (WasDestroyed(Me))
            return;
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (WasDestroyed(Me))
        return;
    if (Button == mbRight && !Handled) {
        ShowDefaultPopup(TPoint{X, Y});
        if (WasDestroyed(Me))
            return;
    }
    if (!DisplayOnly)
        ScrollInView();
}

bool TKorvel::ContextClick() {
    if (MouseNav->GetPos() >= GetTextLength())
        return false;
    const HighlightRun Run = MouseNav->CurrentRun();
    if ((Run.Flags & 0x80) == 0 || Run.Context == 0)
        return false;
    if (OnContext) {
        TKorvelNavigator& Probe = TargetNav();
        Probe.Assign(*MouseNav);
        Probe.PrevRun(0);
        const int32_t StartOffset = Probe.GetPos();
        Probe.Assign(*MouseNav);
        const int32_t StopOffset =
            Probe.NextRun(GetTextLength()) ? Probe.GetPos() : GetTextLength();
        OnContext(this, Run.Context, StartOffset, StopOffset);
    }
    return true;
}

void TKorvel::DropSelection(TShiftState Shift) {
    const int32_t Drop = MouseNav->GetPos();
    const int32_t Start = SelStartNav->GetPos();
    const int32_t End = SelEndNav->GetPos();
    if (Drop >= Start && Drop < End) {
        SetSelStart(Drop);
        if (OnSelMove)
            OnSelMove(this);
        return;
    }
    const std::string Text = GetSelText();
    const bool Copy = (Shift & ssCtrl) != 0;
    BeginUpdate();
    try {
        if (Copy)
            CollapseOnto(*CaretNav);
        else
            SetSelText(std::string()); // MouseNav follows the deletion
        SetSelStart(MouseNav->GetPos());
        const int32_t DropPos = GetSelStart();
        SetSelText(Text);
        SetSelLength(DropPos - GetSelStart());
        if (!Copy)
            GroupUndoWithPrevious(); // one undo takes the text back
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

} // namespace korvel
