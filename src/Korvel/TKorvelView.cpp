// The geometry of the view: font metrics, the scroll bars, the caret,
// invalidation of display lines, resizing and the paint request.

#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelPainter.h"
#include "platform/TControlHost.h"
#include "platform/TOffscreenCanvas.h"
#include "platform/WindowsCodes.h"

#include <algorithm>
#include <climits>

namespace korvel {

namespace {

int32_t Saturated(int64_t Value) {
    return static_cast<int32_t>(std::clamp<int64_t>(Value, INT32_MIN, INT32_MAX));
}

TRect Union(const TRect& A, const TRect& B) {
    if (A.IsEmpty())
        return B;
    if (B.IsEmpty())
        return A;
    return {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
            std::max(A.Bottom, B.Bottom)};
}

// Scroll-bar values stay below this, whatever the text size.
constexpr int64_t ScrollLimit = 32760;

} // namespace

// --- metrics ---

void TKorvel::ComputeFontMetrics() {
    TViewMetrics& View = GetView();
    TCanvas* Canvas = LineBitmap.get();
    if (Canvas == nullptr)
        return;
    Canvas->SelectFont(GetFont(), GetFont().GetStyle());
    const TTextMetric Metric = Canvas->GetTextMetrics();
    const int32_t H = Metric.Height;
    const int32_t D = Metric.Descent;
    const int32_t L = Metric.InternalLeading;
    if (AutoLineHeight)
        View.LineHeightPx = H + 1;
    // The text height must stay within 31 bits.
    const int32_t Lines = GetLineCount();
    if (Lines > 65535)
        View.LineHeightPx = std::min(View.LineHeightPx, std::max(INT32_MAX / Lines, 1));
    const int32_t LineH = View.LineHeightPx;
    // The font cell is centred in the line box, unless that cuts glyph tops.
    View.BaselineY = LineH - D - ((LineH - H + 1) / 2);
    if (View.BaselineY < H - L - D) {
        View.BaselineY = LineH - L;
        if (View.BaselineY < H - D - L)
            View.BaselineY = LineH;
    }
    if (IsViewLive()) {
        ViewState.VisibleLines = LineH > 0 ? GetClientHeight() / LineH + 1 : 1;
        LineBitmap->SetHeight(LineH);
    }
    TSize Blank;
    View.SpaceWidth = Canvas->GetTextExtent(" ", 1, Blank) ? Blank.cx : 0;
    View.TextOutChunk = 16384 / std::max(Metric.MaxCharWidth, 1);
    View.ZigzagHeight = 3 * GetSpecUnderline().GetWidth() / 2 + 1;
    View.UnderlineY = std::min(View.BaselineY + D, LineH - View.ZigzagHeight - 1);
}

void TKorvel::ApplyFont() {
    TViewMetrics& View = GetView();
    if (AutoLineHeight)
        View.LineHeightPx = std::abs(GetFont().GetHeight()) + 1;
    if (!IsViewLive())
        return;
    ComputeFontMetrics();
    Invalidate();
    RelayoutAll();
    View.TopPixel = 0;
    View.LeftPixel = 0;
    TopLineNavigator->SetGlobalLine(0);
    UpdateVertScrollBar();
    UpdateHorzScrollBar();
    SetCaretWidth(AutoCaretWidth ? 0 : CaretWidth);
    if (HasVertBar)
        GetHost()->SetScrollPos(SB_VERT, 0, true);
    if (HasHorzBar)
        GetHost()->SetScrollPos(SB_HORZ, 0, true);
    if (OnVScroll)
        OnVScroll(this);
    UpdateCaret(false);
}

int32_t TKorvel::MaxTopPixel() const {
    const int64_t Max = LinePixels(GetLineCount()) - int64_t{GetClientHeight()} + 3;
    return Saturated(std::max<int64_t>(Max, 0));
}

// --- scroll bars ---

bool TKorvel::UpdateVertScrollBar() {
    TViewMetrics& View = GetView();
    const int64_t TextHeight = LinePixels(GetLineCount());
    VertUnit = static_cast<int32_t>(TextHeight / ScrollLimit + 1);
    ViewState.InScrollBarUpdate = true;
    const int32_t ClientHeight = GetClientHeight();
    if (HasVertBar && HandleAllocated()) {
        TControlHost* Host = GetHost();
        const TScrollInfo Current = Host->GetScrollInfo(SB_VERT);
        int32_t Max = static_cast<int32_t>(std::max<int64_t>(
            TextHeight / VertUnit, int64_t{ClientHeight} - View.LineHeightPx - 1));
        if (!HasOption(kvoAutoScrollBars) && Max < ClientHeight)
            ++Max;
        const int32_t Page = std::max(ClientHeight - 3, 0) / VertUnit;
        if (Max != Current.Max || Page != Current.Page)
            Host->SetScrollRange(SB_VERT, Current.Min, Max, Page, true);
    }
    View.TextWidth = GetClientWidth();
    bool Changed = false;
    if (LineBitmap && LineBitmap->GetWidth() != View.TextWidth) {
        LineBitmap->SetWidth(View.TextWidth);
        Changed = true;
        if (UpdateLock == 0) {
            // Right and centred text is wrapped at the window too, so its
            // lines depend on the width as much as word-wrapped ones do.
            if (LinesWrap()) {
                RelayoutAll();
                Invalidate();
            } else {
                UpdateHorzScrollBar();
            }
        }
    }
    ViewState.InScrollBarUpdate = false;
    return Changed;
}

void TKorvel::UpdateHorzScrollBar() {
    const TViewMetrics& View = GetView();
    ViewState.InScrollBarUpdate = true;
    const int64_t Margins = int64_t{GetLeftMargin()} + GetRightMargin();
    const int64_t Wide = std::max<int64_t>(int64_t{View.MaxLineWidth} + Margins, 0);
    HorzUnit = static_cast<int32_t>(Wide / ScrollLimit + 1);
    const int64_t Extra = std::max<int64_t>(0, (Wide - View.TextWidth) / HorzUnit);
    if (HasHorzBar && HandleAllocated()) {
        const int64_t Page = std::max<int64_t>(View.TextWidth - Margins, 0) / HorzUnit;
        int64_t Max = GetWordWrap() && GetColumnWrap() == 0 ? Page - 1 : Extra + Page - 1;
        if (!HasOption(kvoAutoScrollBars))
            ++Max; // the range then exceeds the page, so the bar stays
        if (GetAlignment() != taLeftJustify)
            Max = Page;
        GetHost()->SetScrollRange(SB_HORZ, 0, Saturated(Max), Saturated(Page), false);
        if (Max < Page)
            SetLeftPixel(0);
    }
    ViewState.VisibleLines = View.LineHeightPx > 0 ? GetClientHeight() / View.LineHeightPx + 1 : 1;
    ViewState.InScrollBarUpdate = false;
}

// --- the caret ---

void TKorvel::UpdateCaret(bool Recreate) {
    if (UpdateLock > 0)
        return;
    const TViewMetrics& View = GetView();
    if (IsViewLive()) {
        FormatIfNeeded(CaretNav->GetParIndex());
        ViewState.CaretX =
            Saturated(int64_t{CaretNav->OffsetToX()} + int64_t{ExtraColumns} * View.SpaceWidth);
    }
    ViewState.CaretY = Saturated(LinePixels(CaretNav->GetGlobalLine()) - View.TopPixel);
    if (Focused() && !DisplayOnly) {
        if (Recreate || (Overwrite && HasOption(kvoWideOverwriteCaret))) {
            TControlHost* Host = GetHost();
            Host->DestroyCaret();
            Host->CreateCaret(CaretDisplayWidth(), View.LineHeightPx);
            Host->ShowCaret();
        }
        PlaceCaret();
    }

    ScanStartStopUpTo(CaretNav->GetParIndex());
    const uint8_t Style =
        GetLayout().EffectiveStyle(CaretNav->GetCodeState(), CaretNav->CurrentRun().Flags);
    const int32_t Pos = CaretNav->GetPos();
    const bool Moved =
        Pos != ViewState.ReportedCaretPos || ExtraColumns != ViewState.ReportedExtraColumns;
    const bool Restyled = Style != ViewState.StyleAtCaret;
    ViewState.ReportedCaretPos = Pos;
    ViewState.ReportedExtraColumns = ExtraColumns;
    ViewState.StyleAtCaret = Style;
    if (Moved && OnSelMove)
        OnSelMove(this);
    if (Restyled && OnStyleChange)
        OnStyleChange(this);
}

void TKorvel::PlaceCaret() {
    if (!HandleAllocated())
        return;
    const int32_t TextWidth = GetView().TextWidth;
    int32_t X = ViewState.CaretX;
    if (GetWordWrap() && X >= TextWidth)
        X = TextWidth - 1;
    GetHost()->SetCaretPos(X, ViewState.CaretY);
}

void TKorvel::FormatIfNeeded(int32_t Index) {
    if ((GetParagraphsList()[Index].Flags & pfFormatted) == 0)
        FormatParagraphs(Index, Index, false, false);
}

// --- the top line and invalidation ---

void TKorvel::ClampTopLine() {
    if (!IsViewLive())
        return;
    const int32_t Last = std::max(GetLineCount() - ViewState.VisibleLines + 1, 0);
    if (Last < GetTopLine())
        SetTopLine(Last);
    Invalidate();
    // While the control is read from a form the lines are only marked for
    // layout; they are painted and measured once reading is done.
    if (IsLoading())
        return;
    Update();
    UpdateCaret(false);
}

void TKorvel::InvalidateLines(int32_t A, int32_t B, bool Erase) {
    if (!HandleAllocated())
        return;
    const TViewMetrics& View = GetView();
    const int32_t ClientHeight = GetClientHeight();
    const int64_t Bottom = LinePixels(std::max(A, B)) + View.LineHeightPx - View.TopPixel;
    if (Bottom <= 0)
        return;
    const int64_t Top = LinePixels(std::min(A, B)) - View.TopPixel;
    if (Top >= ClientHeight)
        return;
    const TRect Rect{0, Saturated(Top), View.TextWidth,
                     static_cast<int32_t>(std::min<int64_t>(ClientHeight, Bottom))};
    GetHost()->Invalidate(&Rect, Erase);
}

// --- resizing ---

void TKorvel::ClientResized(TSize Size) {
    TCustomKorvel::ClientResized(Size);
    TViewMetrics& View = GetView();
    // Not scrolled past the end under the old height.
    const bool WithinText = View.TopPixel < LinePixels(GetLineCount()) - View.ClientHeight + 5;
    View.ClientHeight = Size.cy;
    if (!IsViewLive() || ViewState.InScrollBarUpdate)
        return;
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
    if (HasHorzBar)
        GetHost()->SetScrollPos(SB_HORZ, View.LeftPixel / HorzUnit, true);
    if (HasVertBar)
        GetHost()->SetScrollPos(SB_VERT, View.TopPixel / VertUnit, true);
    const int64_t Max = LinePixels(GetLineCount()) - Size.cy + 3;
    if (WithinText && Max < View.TopPixel)
        ScrollTo(Saturated(std::max<int64_t>(Max, 0)), View.LeftPixel, 0);
}

// --- re-layout ---

// Lines that are not wrapped are one per paragraph. Until the formatter
// measures them again, each paragraph keeps the width of its first line.
void TKorvel::CollapseToOneLinePerParagraph() {
    TParagraphsList& List = GetParagraphsList();
    const int32_t Count = List.GetCount();
    if (List.GetLineCount() == Count)
        return;
    for (int32_t I = 0; I < Count; ++I) {
        TParagraph& Par = List[I];
        if (ParExtraInfo* Extra = Par.GetExtra(); Extra != nullptr && !Extra->MoreLines.empty()) {
            Extra->MoreLines.clear();
            Extra->Line0.Stop = Extra->Length;
            Extra->Line0.JustifyFrom = Extra->Length;
            Extra->Line0.Gaps = 0;
        }
        List.SetFirstLine(I, I);
    }
    List.AdjustLineCount(Count - List.GetLineCount());
    MarkLinePositionsStale(0, Count - 1);
    KeepTopOnSameText();
    UpdateScrollBarsForLines();
}

void TKorvel::FindWidestParagraph() {
    TViewMetrics& View = GetView();
    TParagraphsList& List = GetParagraphsList();
    int32_t Widest = 0;
    int32_t Index = 0;
    for (int32_t I = 0; I < List.GetCount(); ++I) {
        const TParagraph& Par = List[I];
        int32_t Width = Par.GetLine0().Width;
        if (const ParExtraInfo* Extra = Par.GetExtra(); Extra != nullptr)
            for (const TLineRecord& Line : Extra->MoreLines)
                Width = std::max(Width, Line.Width);
        if (Width > Widest) {
            Widest = Width;
            Index = I;
        }
    }
    View.MaxLineWidth = Widest;
    View.WidestPara = Index;
}

// --- painting ---

const TPaintSettings& TKorvel::GetPaintSettings() {
    TPaintSettings& S = PaintSettings;
    S.Color = GetColor();
    S.HighlightColor = HighlightColor;
    S.HighlightBackgnd = HighlightBackgnd;
    S.SelBackColor = SelBackColor;
    S.SelTextColor = SelTextColor;
    S.HideSelection = HideSelection;
    S.ShowNonPrintChars = ShowNonPrintChars;
    S.ShowEndParSelected = ShowEndParSelected;
    S.EndOfTextMark = EndOfTextMark.get();
    S.RightLinePen = RightLinePen.get();
    S.SpecUnderline = SpecUnderline.get();
    S.RightLinePos = RightLinePos;
    S.BackgroundBmp = BackgroundBmp.get();
    S.Options = GetOptions();
    return S;
}

void TKorvel::PaintWindow(TCanvas& Canvas, const TRect& UpdateRect) {
    if (!IsViewLive())
        return;
    if (PaintSuppressed || UpdateLock > 0) {
        ViewState.MissedPaint = Union(ViewState.MissedPaint, UpdateRect);
        return;
    }
    GetPaintSettings();
    if (!Painter)
        Painter = std::make_unique<TKorvelPainter>(*this, PaintSettings);
    TPaintRequest Request;
    Request.Window = &Canvas;
    Request.Update = UpdateRect;
    Request.LineBitmap = LineBitmap.get();
    const int32_t Caret = CaretNav->GetPos();
    const int32_t Other = SelLength != 0 ? (CaretNav == SelStartNav.get() ? SelEndNav->GetPos()
                                                                          : SelStartNav->GetPos())
                                         : Caret;
    Request.Selection.Start = std::min(Caret, Other);
    Request.Selection.End = std::max(Caret, Other);
    // Column blocks are filled in by the selection code.
    Request.Selection.Block = false;
    Request.Selection.BlockCol1 = 0;
    Request.Selection.BlockCol2 = 0;
    Request.Selection.Focused = Focused();
    Request.FormatParagraphs = [this](int32_t First, int32_t Last) {
        FormatParagraphs(First, Last, false, false);
    };
    Request.ScanStartStopUpTo = [this](int32_t Last) { ScanStartStopUpTo(Last); };
    Painter->Paint(Request);
}

void TKorvel::SetPaintSuppressed(bool Value) {
    PaintSuppressed = Value;
    if (!Value)
        RepaintMissed();
}

void TKorvel::RepaintMissed() {
    if (ViewState.MissedPaint.IsEmpty() || PaintSuppressed || UpdateLock > 0 || !HandleAllocated())
        return;
    const TRect Missed = ViewState.MissedPaint;
    ViewState.MissedPaint = TRect{};
    GetHost()->Invalidate(&Missed, false);
}

} // namespace korvel
