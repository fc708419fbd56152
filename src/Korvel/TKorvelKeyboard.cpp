// The keyboard: caret moves by character, word, line, page and text with
// selection extension and column blocks, deletion, the Insert key, the hot
// keys, typed characters, Tab and Enter.

#include "KVSupport/ColumnConversions.h"
#include "KVSupport/FormatCodes.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"

#include <algorithm>
#include <climits>
#include <string>

namespace korvel {

namespace {

bool IsBlank(uint8_t Ch) {
    return Ch == ' ' || Ch == '\t';
}

bool IsArrow(uint16_t Key) {
    return Key == VK_LEFT || Key == VK_UP || Key == VK_RIGHT || Key == VK_DOWN;
}

// Clears a flag of the view state when the scope ends, however it ends.
class TFlagScope {
public:
    explicit TFlagScope(bool& Flag) : Flag(Flag) { Flag = true; }
    ~TFlagScope() { Flag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& Flag;
};

} // namespace

// --- helpers of the selection ---

bool TKorvel::AtParEnd(TKorvelNavigator& Nav) {
    return Nav.GetParOffset() >= Nav.GetPar()->ParLength();
}

int32_t TKorvel::CaretColumn() {
    return OffsetToColumn(GetParagraphsList()[CaretNav->GetParIndex()], CaretNav->GetParOffset(),
                          GetTabStops(), GetStaticFormat()) +
           ExtraColumns;
}

void TKorvel::CollapseOnto(TKorvelNavigator& Target) {
    if (SelLength != 0 && HandleAllocated() && !PaintSuppressed)
        InvalidateSelection();
    SelStartNav->Assign(Target);
    SelEndNav->Assign(Target);
    CaretNav = SelStartNav.get();
    SelLength = 0;
    NoUndoMerge = true;
}

void TKorvel::SelectFromAnchor(int32_t Anchor, TKorvelNavigator& Target) {
    Anchor = std::clamp(Anchor, 0, GetTextLength());
    if (Target.GetPos() <= Anchor) {
        SelStartNav->Assign(Target);
        SelEndNav->SetPos(Anchor);
        CaretNav = SelStartNav.get();
    } else {
        SelEndNav->Assign(Target);
        SelStartNav->SetPos(Anchor);
        CaretNav = SelEndNav.get();
    }
    SelLength = Anchor - Target.GetPos();
    NoUndoMerge = true;
}

int32_t TKorvel::LineIndent(int32_t Line) {
    const std::string Text = GetLineText(Line);
    int32_t N = 0;
    while (N < static_cast<int32_t>(Text.size()) && IsBlank(static_cast<uint8_t>(Text[N])))
        ++N;
    return N;
}

// --- key down ---

void TKorvel::KeyDown(uint16_t& Key, TShiftState Shift) {
    const uint64_t Me = Serial;
    TCustomControl::KeyDown(Key, Shift);
    if (WasDestroyed(Me) || Key == 0 || UpdateLock > 0)
        return;
    if (Dragging) {
        if (Key == VK_CONTROL && PointerOverControl())
            GetHost()->SetScreenCursor(crDragCopy);
        return;
    }
    TFlagScope Scrolling(ViewState.UserScrolling);
    if (DisplayOnly)
        DisplayOnlyKey(Key, Shift);
    else
        EditKey(Key, Shift);
}

void TKorvel::DisplayOnlyKey(uint16_t Key, TShiftState Shift) {
    const int32_t Top = GetTopLine();
    const int32_t Visible = ViewState.VisibleLines;
    const int32_t LastTop = std::max(GetLineCount() - Visible + 1, 0);
    const int32_t Width = GetClientWidth();
    const int32_t MaxLeft = std::max(GetView().MaxLineWidth + GetRightMargin() - Width, 0);
    const int32_t Left = GetView().LeftPixel;
    const bool Ctrl = (Shift & ssCtrl) != 0;
    switch (Key) {
    case VK_PRIOR:
        SetTopLine(Ctrl ? 0 : std::max(Top - Visible + 1, 0));
        break;
    case VK_NEXT:
        SetTopLine(Ctrl ? LastTop : std::min(Top + Visible - 1, LastTop));
        break;
    case VK_HOME:
        SetLeftPixel(0);
        break;
    case VK_END:
        SetLeftPixel(MaxLeft);
        break;
    case VK_LEFT:
        SetLeftPixel(std::max(Left - Width / 5 - 1, 0));
        break;
    case VK_RIGHT:
        SetLeftPixel(std::min(Left + Width / 5 + 1, MaxLeft));
        break;
    case VK_UP:
        SetTopLine(std::max(Top - 1, 0));
        break;
    case VK_DOWN:
        SetTopLine(std::min(Top + 1, LastTop));
        break;
    default:
        break;
    }
}

bool TKorvel::HotKey(uint16_t Key, TShiftState Shift) {
    switch (Key) {
    case 'B':
        ToggleBold();
        return true;
    case 'I':
        ToggleItalic();
        return true;
    case 'U':
        ToggleUnderline();
        return true;
    case 'H':
        ToggleHighlight();
        return true;
    case 'F':
        ToggleAltFont();
        return true;
    case 'P':
        SetSelText(std::string("\r\n\x10\r\n"));
        return true;
    case 'T':
        SetSelText("\t");
        return true;
    case 'Z':
        if ((Shift & ssShift) != 0)
            Redo();
        else
            Undo();
        return true;
    default:
        return false;
    }
}

void TKorvel::EditKey(uint16_t& Key, TShiftState Shift) {
    const bool Ctrl = (Shift & ssCtrl) != 0;
    const bool Alt = (Shift & ssAlt) != 0;
    if (Ctrl && !Alt) {
        ViewState.StyleAtCaret = GetStyleAtCaret();
        ViewState.ReportedCaretPos = CaretNav->GetPos();
        if (!ReadOnly && EnableHotKeys && HotKey(Key, Shift)) {
            Key = 0;
            return;
        }
    }
    if (Key >= 48)
        return;
    const uint16_t Original = Key;
    Key = 0;
    FormatIfNeeded(CaretNav->GetParIndex());
    TargetNav().Assign(*CaretNav);

    if ((Shift & ssModifiers) == (ssShift | ssAlt) && HasOption(kvoBlockSelection) &&
        !GetWordWrap() && !BlockActive && IsArrow(Original)) {
        BlockActive = true;
        BlockCol1 = CaretColumn();
        BlockCol2 = BlockCol1;
    }
    if (Alt) {
        if (BlockActive && IsArrow(Original)) {
            Shift &= static_cast<TShiftState>(~ssAlt);
        } else if (IsArrow(Original) || Original == VK_HOME || Original == VK_END ||
                   Original == VK_PRIOR || Original == VK_NEXT || Original == VK_INSERT) {
            return;
        }
    }

    const int32_t OldCaretLine = CaretNav->GetGlobalLine();
    const int32_t Visible = ViewState.VisibleLines;
    const bool Persistent = HasOption(kvoPersistentBlocks);
    bool Move = true;
    switch (Original) {
    case VK_BACK:
        Backspace(Shift);
        Move = false;
        break;
    case VK_TAB:
        if (Alt) {
            Key = Original;
            return;
        }
        Move = false;
        break;
    case VK_PRIOR: {
        const int32_t Par = CaretNav->GetParIndex();
        FormatParagraphs(std::max(Par - Visible + 1, 0), Par, false, false);
        if (!Ctrl && ViewState.CaretY >= 0 && ViewState.CaretY < GetClientHeight())
            SetTopPixel(std::max(0, GetView().TopPixel - (Visible - 1) * GetView().LineHeightPx));
        VerticalMove(std::max(OldCaretLine - Visible + 1, 0), Shift);
        break;
    }
    case VK_NEXT: {
        const int32_t Par = CaretNav->GetParIndex();
        FormatParagraphs(Par, std::min(Par + Visible - 1, GetParagraphCount() - 1), false, false);
        if (!Ctrl && ViewState.CaretY >= 0 && ViewState.CaretY < GetClientHeight())
            SetTopPixel(std::min(GetView().TopPixel + (Visible - 1) * GetView().LineHeightPx,
                                 MaxTopPixel()));
        VerticalMove(std::min(OldCaretLine + Visible - 1, GetLineCount() - 1), Shift);
        break;
    }
    case VK_HOME:
    case VK_END:
        ExtraColumns = 0;
        if (!Persistent)
            BlockActive = false;
        PreferredX = NoPreferredX;
        if (Ctrl) {
            TargetNav().SetPos(Original == VK_HOME ? 0 : GetTextLength());
        } else {
            TargetNav().SetGlobalLine(OldCaretLine);
            if (Original == VK_END)
                TargetNav().SetLineOffset(INT32_MAX);
        }
        break;
    case VK_LEFT:
        if (!MoveLeft(Shift)) {
            uint16_t Again = Original;
            const uint64_t Me = Serial;
            TCustomControl::KeyDown(Again, Shift);
            if (WasDestroyed(Me))
                return;
        }
        break;
    case VK_RIGHT:
        MoveRight(Shift);
        break;
    case VK_UP:
        if (OldCaretLine > 0) {
            if (CaretNav->GetLineIndex() == 0 && CaretNav->GetParIndex() > 0)
                FormatIfNeeded(CaretNav->GetParIndex() - 1);
            VerticalMove(OldCaretLine - 1, Shift);
        } else {
            uint16_t Again = Original;
            const uint64_t Me = Serial;
            TCustomControl::KeyDown(Again, Shift);
            if (WasDestroyed(Me))
                return;
        }
        break;
    case VK_DOWN:
        if (OldCaretLine < GetLineCount() - 1) {
            const int32_t Par = CaretNav->GetParIndex();
            if (CaretNav->GetLineIndex() == CaretNav->GetLines().Count() - 1 &&
                Par + 1 < GetParagraphCount())
                FormatIfNeeded(Par + 1);
            VerticalMove(OldCaretLine + 1, Shift);
        }
        break;
    case VK_INSERT:
        if ((Shift & ssShift) != 0) {
            if (!ReadOnly)
                PasteFromClipboard();
        } else if (Ctrl) {
            CopyToClipboard();
        } else if (HasOption(kvoInsertKeyActive)) {
            SetOverwrite(!Overwrite);
            if (OnStyleChange)
                OnStyleChange(this);
        }
        return;
    case VK_DELETE:
        if (ReadOnly)
            return;
        if ((Shift & ssShift) != 0 && SelLength != 0) {
            CutToClipboard();
            return;
        }
        DeleteKey(Shift);
        Move = false;
        break;
    default:
        Key = Original;
        return;
    }

    if (Move)
        UpdateSelectionAfterMove(Shift, OldCaretLine);
    UpdateCaret(false);
    // Block columns count character cells, as the block's text, deletion
    // and pasting read them; a pixel column in blank widths would stretch
    // the block in a proportional font, where letters are wider than blanks.
    if (BlockActive && (Shift & ssShift) != 0)
        BlockCol2 = CaretColumn();
    ScrollInView();
    KeyReleased = false;
    Update();
}

bool TKorvel::MoveLeft(TShiftState Shift) {
    PreferredX = NoPreferredX;
    if ((Shift & ssShift) == 0 && !HasOption(kvoPersistentBlocks)) {
        CollapseOnto(*CaretNav);
        TargetNav().Assign(*CaretNav);
        BlockActive = false;
    }
    TKorvelNavigator& Target = TargetNav();
    if (Target.GetPos() == 0 && ExtraColumns == 0)
        return false;
    if ((Shift & ssCtrl) != 0) {
        ExtraColumns = 0;
        Target.WordLeft(GetSeparatorSet());
    } else if (ExtraColumns > 0) {
        --ExtraColumns;
    } else if (Target.GetParOffset() == 0) {
        if (!BlockActive) {
            Target.SetPos(Target.GetPos() - 2);
            if (HasOption(kvoDiscardTrailingSpaces)) {
                const TParagraph& Par = *Target.GetPar();
                int32_t Offset = Target.GetParOffset();
                while (Offset > 0 && IsBlank(static_cast<uint8_t>(Par.View()[Offset - 1])))
                    --Offset;
                Target.SetParOffset(Offset);
            }
        }
    } else {
        Target.SetPos(Target.GetPos() - 1);
        if (PassOverCodes && GetStaticFormat())
            while (Target.GetParOffset() > 0 && IsFormatCode(Target.CharAt()))
                Target.SetPos(Target.GetPos() - 1);
    }
    return true;
}

void TKorvel::MoveRight(TShiftState Shift) {
    PreferredX = NoPreferredX;
    if ((Shift & ssShift) == 0 && !HasOption(kvoPersistentBlocks)) {
        CollapseOnto(*CaretNav);
        TargetNav().Assign(*CaretNav);
        BlockActive = false;
    }
    TKorvelNavigator& Target = TargetNav();
    if ((Shift & ssCtrl) != 0) {
        ExtraColumns = 0;
        Target.WordRight(GetSeparatorSet());
        return;
    }
    if (AtParEnd(Target) &&
        ((HasOption(kvoKeepColumnPos) && !HasOption(kvoWrapCaret)) || BlockActive)) {
        ++ExtraColumns;
        return;
    }
    if (Target.GetPos() >= GetTextLength())
        return;
    ExtraColumns = 0;
    if (PassOverCodes && GetStaticFormat())
        while (!AtParEnd(Target) && IsFormatCode(Target.CharAt()))
            Target.SetPos(Target.GetPos() + 1);
    if (HasOption(kvoDiscardTrailingSpaces) && !BlockActive) {
        const int32_t From = Target.GetPos();
        while (!AtParEnd(Target) && IsBlank(Target.CharAt()))
            Target.SetPos(Target.GetPos() + 1);
        if (!AtParEnd(Target))
            Target.SetPos(From);
    }
    Target.SetPos(Target.GetPos() + (AtParEnd(Target) ? 2 : 1));
}

void TKorvel::VerticalMove(int32_t Line, TShiftState Shift) {
    TKorvelNavigator& Target = TargetNav();
    // A block's edge keeps its character column on the new line, as the
    // block's columns count characters; pixels would move it to another
    // column where letters differ in width.
    const int32_t BlockColumn = BlockActive && (Shift & ssShift) != 0 ? CaretColumn() : -1;
    Target.SetGlobalLine(Line);
    ExtraColumns = 0;
    const bool Persistent = HasOption(kvoPersistentBlocks);
    const bool Shifted = (Shift & ssShift) != 0;
    if (!Persistent && !Shifted)
        BlockActive = false;
    const int32_t Left = GetView().LeftPixel;
    if (PreferredX == NoPreferredX ||
        (!GetWordWrap() && HasOption(kvoPutExtraSpaces) && !HasOption(kvoKeepColumnPos)))
        PreferredX = ViewState.CaretX + Left;
    if (!IsViewLive())
        return;
    if (BlockColumn >= 0 && BlockActive && Target.GetLines().Count() == 1) {
        const TParagraph& Par = GetParagraphsList()[Target.GetParIndex()];
        Target.SetParOffset(ColumnToOffset(Par, BlockColumn, GetTabStops(), GetStaticFormat()));
        ExtraColumns = ColumnRemainder(Par, BlockColumn, GetTabStops(), GetStaticFormat());
        return;
    }
    Target.XToOffset(PreferredX - Left);
    if (BlockActive || HasOption(kvoKeepColumnPos)) {
        const bool AtEndOrTab = AtParEnd(Target) || Target.CharAt() == '\t';
        const int32_t TargetX = Target.OffsetToX();
        if (AtEndOrTab && (!Shifted || BlockActive || Persistent) && TargetX + Left < PreferredX &&
            GetView().SpaceWidth > 0)
            ExtraColumns = (PreferredX - Left - TargetX) / GetView().SpaceWidth;
    }
}

void TKorvel::UpdateSelectionAfterMove(TShiftState Shift, int32_t OldCaretLine) {
    TKorvelNavigator& Target = TargetNav();
    const bool Persistent = HasOption(kvoPersistentBlocks);
    const bool Live = HandleAllocated() && !PaintSuppressed;
    if ((Shift & ssShift) != 0) {
        const int32_t Caret = CaretNav->GetPos();
        int32_t Anchor = Caret + SelLength;
        if (Persistent) {
            const int32_t Start = SelStartNav->GetPos();
            const int32_t End = SelEndNav->GetPos();
            if (SelLength != 0 && Caret == Start)
                Anchor = End;
            else if (SelLength != 0 && Caret == End)
                Anchor = Start;
            else
                Anchor = Caret;
        }
        const int32_t OldFirst = SelStartNav->GetGlobalLine();
        const int32_t OldLast = SelEndNav->GetGlobalLine();
        SelectFromAnchor(Anchor, Target);
        if (!Live)
            return;
        if (BlockActive) {
            InvalidateLines(OldFirst, OldLast, false);
            InvalidateLines(SelStartNav->GetGlobalLine(), SelEndNav->GetGlobalLine(), false);
        } else {
            InvalidateLines(OldCaretLine, CaretNav->GetGlobalLine(), false);
        }
        return;
    }
    if (SelLength != 0 && Persistent) {
        SpareNav->Assign(Target);
        CaretNav = SpareNav.get();
        return;
    }
    CollapseOnto(Target);
}

// --- deletion ---

void TKorvel::Backspace(TShiftState Shift) {
    if (ReadOnly)
        return;
    SetPaintSuppressed(true);
    PreferredX = NoPreferredX;
    const bool Protect = HasOption(kvoNoOverwriteBlocks);
    try {
        if (Protect)
            ProtectBlock();
        if (SelLength == 0) {
            if ((Shift & ssCtrl) != 0) {
                ExtraColumns = 0; // the word goes, not the virtual blanks
                TargetNav().Assign(*CaretNav);
                TargetNav().WordLeft(GetSeparatorSet());
                SetSelLength(TargetNav().GetPos() - CaretNav->GetPos());
            } else if (CaretNav->GetParOffset() > 0 || ExtraColumns > 0) {
                if (HasOption(kvoBackIndent)) {
                    const int32_t Offset = GetCaretLineOffset();
                    int32_t Line = CaretNav->GetGlobalLine();
                    if (Offset > 0 && Offset == LineIndent(Line)) {
                        int32_t Smaller = 0;
                        while (--Line >= 0) {
                            const int32_t Indent = LineIndent(Line);
                            if (Indent < Offset) {
                                Smaller = Indent;
                                break;
                            }
                        }
                        SetSelLength(Smaller - Offset);
                    }
                }
                if (SelLength == 0) {
                    if (ExtraColumns > 0) {
                        --ExtraColumns;
                    } else {
                        SetSelLength(-1);
                        if (GetStaticFormat())
                            while (SelStartNav->GetPos() > 0 && IsFormatCode(SelStartNav->CharAt()))
                                SetSelLength(SelLength -
                                             (SelStartNav->GetParOffset() == 0 ? 2 : 1));
                    }
                }
            } else {
                SetSelLength(-2);
            }
        }
        SetPaintSuppressed(false);
        if (SelLength != 0)
            ClearSelection();
    } catch (...) {
        SetPaintSuppressed(false);
        if (Protect)
            RestoreBlock();
        throw;
    }
    if (Protect)
        RestoreBlock();
}

void TKorvel::DeleteKey(TShiftState Shift) {
    const bool Shifted = (Shift & ssShift) != 0;
    const bool Ctrl = (Shift & ssCtrl) != 0;
    const bool EndsApart =
        SelLength != 0 && SelStartNav->GetGlobalLine() != SelEndNav->GetGlobalLine();
    if (!((!Shifted && !Ctrl) || (Ctrl && EndsApart))) {
        // Shift without a selection, or Ctrl within one display line: the
        // selection changes, nothing is deleted.
        if (Shifted && !Ctrl) {
            SetSelLength(CaretNav->GetParOffset() == 0 ? -2 : -1);
        } else {
            TKorvelNavigator& Start = TargetNav();
            Start.Assign(*SelStartNav);
            TKorvelNavigator& LineEnd = *ScratchNavs[3];
            LineEnd.Assign(Start);
            LineEnd.SetLineOffset(INT32_MAX);
            SelectFromAnchor(LineEnd.GetPos(), Start);
        }
        if (HandleAllocated())
            InvalidateLines(CaretNav->GetGlobalLine(), SelEndNav->GetGlobalLine(), false);
        return;
    }
    const bool Protect = HasOption(kvoNoOverwriteBlocks);
    SetPaintSuppressed(true);
    try {
        if (Protect)
            ProtectBlock();
        const bool HadSelection = SelLength != 0;
        const int32_t OldCaretX = ViewState.CaretX;
        if (!HadSelection) {
            if (AtParEnd(*CaretNav)) {
                SetSelLength(2);
            } else {
                TKorvelNavigator& Probe = TargetNav();
                Probe.Assign(*CaretNav);
                if (GetStaticFormat())
                    while (!AtParEnd(Probe) && IsFormatCode(Probe.CharAt()))
                        Probe.SetPos(Probe.GetPos() + 1);
                Probe.SetPos(Probe.GetPos() + (AtParEnd(Probe) ? 2 : 1));
                SetSelLength(Probe.GetPos() - CaretNav->GetPos());
            }
        }
        SetPaintSuppressed(false);
        ClearSelection();
        if (!HadSelection && HasOption(kvoKeepColumnPos) && IsViewLive()) {
            UpdateCaret(false);
            if (ViewState.CaretX < OldCaretX && GetView().SpaceWidth > 0)
                ExtraColumns = (OldCaretX - ViewState.CaretX) / GetView().SpaceWidth;
        }
    } catch (...) {
        SetPaintSuppressed(false);
        if (Protect)
            RestoreBlock();
        throw;
    }
    if (Protect)
        RestoreBlock();
}

// --- key press ---

void TKorvel::KeyPress(char& Key) {
    const uint64_t Me = Serial;
    TCustomControl::KeyPress(Key);
    if (WasDestroyed(Me) || UpdateLock > 0 || Dragging || DisplayOnly)
        return;
    const uint8_t Ch = static_cast<uint8_t>(Key);
    if (ReadOnly && Ch != 3)
        return;
    const bool Protect = HasOption(kvoNoOverwriteBlocks) && Ch != 3 && Ch != 22 && Ch != 24;
    if (Protect)
        ProtectBlock();
    try {
        switch (Ch) {
        case 3:
            CopyToClipboard();
            break;
        case 5:
            Invalidate();
            CheckIntegrity();
            break;
        case 9:
            if (HasOption(kvoSmartTabs))
                SetSelText(GetSelText() + SmartTabText());
            else
                SetSelText("\t");
            break;
        case 13:
            EnterKey();
            break;
        case 22:
            PasteFromClipboard();
            break;
        case 24:
            CutToClipboard();
            break;
        default:
            if (Ch > 30 && Ch != 127)
                TypeChar(Key);
            break;
        }
    } catch (...) {
        if (Protect)
            RestoreBlock();
        throw;
    }
    if (Protect)
        RestoreBlock();
    if (KeyReleased)
        KeyReleased = false;
    else
        Update();
}

void TKorvel::EnterKey() {
    if (Overwrite && SelLength == 0) {
        const int32_t Line = CaretNav->GetGlobalLine();
        if (Line < GetLineCount() - 1) {
            TargetNav().SetGlobalLine(Line + 1);
            CollapseOnto(TargetNav());
            ExtraColumns = 0;
            UpdateCaret(false);
            ScrollInView();
        } else {
            SetSelStart(GetTextLength());
            SetSelText("\r\n");
        }
        return;
    }
    if (SelLength != 0 || !HasOption(kvoAutoIndent)) {
        SetSelText("\r\n");
        return;
    }
    int32_t Line = CaretNav->GetGlobalLine();
    std::string Text = GetLineText(Line);
    while (Text.empty() && Line > 0)
        Text = GetLineText(--Line);
    const size_t Limit = static_cast<size_t>(std::max(GetCaretLineOffset(), 0));
    size_t N = 0;
    while (N < Text.size() && N < Limit && IsBlank(static_cast<uint8_t>(Text[N])))
        ++N;
    const std::string Indent = Text.substr(0, N);
    if (HasOption(kvoDiscardTrailingSpaces) && AtParEnd(*CaretNav)) {
        SetSelText("\r\n");
        int32_t Width = 0;
        for (const char Ch : Indent)
            Width += (Ch == '\t' && GetTabStops() > 0) ? GetTabStops() : 1;
        ExtraColumns = Width;
        // Inside a kept selection's bracket the caret must follow now.
        const bool Bracketed = UpdateLock > 0 && SavedBlock != nullptr;
        if (Bracketed)
            --UpdateLock;
        UpdateCaret(false);
        ScrollInView();
        if (Bracketed)
            ++UpdateLock;
        return;
    }
    SetSelText("\r\n" + Indent);
}

void TKorvel::TypeChar(char Key) {
    if (Overwrite && SelLength == 0 && !AtParEnd(*CaretNav)) {
        SetSelLength(1);
    } else if (Key == ' ' && SelLength == 0 && AtParEnd(*CaretNav) &&
               HasOption(kvoDiscardTrailingSpaces) && HasOption(kvoKeepColumnPos)) {
        ++ExtraColumns;
        UpdateCaret(false);
        ScrollInView();
        return;
    }
    SetSelText(std::string(1, Key));
}

// --- key up ---

void TKorvel::KeyUp(uint16_t& Key, TShiftState Shift) {
    const uint64_t Me = Serial;
    KeyReleased = true;
    TCustomControl::KeyUp(Key, Shift);
    if (WasDestroyed(Me))
        return;
    if (Dragging && Key == VK_CONTROL && PointerOverControl())
        GetHost()->SetScreenCursor(crDrag);
}

// --- smart tabs ---

std::string TKorvel::SmartTabText() {
    if (GetWordWrap())
        return "\t";
    const int32_t Par = CaretNav->GetParIndex();
    if (Par == 0)
        return {};
    const TParagraphsList& List = GetParagraphsList();
    const int32_t Tabs = GetTabStops();
    const bool Codes = GetStaticFormat();
    const int32_t Column =
        OffsetToColumn(List[Par], CaretNav->GetParOffset(), Tabs, Codes) + ExtraColumns;
    for (int32_t Above = Par - 1; Above >= 0; --Above) {
        const TParagraph& Line = List[Above];
        const int32_t Length = Line.ParLength();
        if (OffsetToColumn(Line, Length, Tabs, Codes) <= Column)
            continue;
        const std::string_view Text = Line.View();
        int32_t Offset = ColumnToOffset(Line, Column, Tabs, Codes);
        while (Offset < Length && !IsBlank(static_cast<uint8_t>(Text[Offset])))
            ++Offset;
        while (Offset < Length && IsBlank(static_cast<uint8_t>(Text[Offset])))
            ++Offset;
        const int32_t Blanks = OffsetToColumn(Line, Offset, Tabs, Codes) - Column;
        return std::string(static_cast<size_t>(std::max(Blanks, 0)), ' ');
    }
    return {};
}

} // namespace korvel
