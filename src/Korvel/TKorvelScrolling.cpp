// Scrolling: the one routine that moves the offsets (with its animation),
// bringing the caret into view, the scroll-bar messages and the wheel.

#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TScrollAnimation.h"
#include "platform/TClock.h"
#include "platform/TControlHost.h"
#include "platform/WindowsCodes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace korvel {

namespace {

int32_t Saturated(int64_t Value) {
    return static_cast<int32_t>(std::clamp<int64_t>(Value, INT32_MIN, INT32_MAX));
}

bool Beyond16Bits(int32_t Distance) {
    return Distance > 32767 || Distance < -32768;
}

// Scrolls that follow the previous user scroll closer than this are not
// animated.
constexpr int32_t RapidScrollMs = 201;

} // namespace

// --- the offsets ---

void TKorvel::PlaceTopLineNavigator() {
    const TViewMetrics& View = GetView();
    TopLineNavigator->SetGlobalLine(
        View.LineHeightPx > 0 ? std::max(0, View.TopPixel / View.LineHeightPx) : 0);
}

void TKorvel::ScrollWindowBy(int32_t Dx, int32_t Dy) {
    if (Beyond16Bits(Dx) || Beyond16Bits(Dy))
        Invalidate();
    else
        GetHost()->ScrollWindow(Dx, Dy, nullptr);
}

// The caret's client position moves with the text; PreferredX is kept in
// text coordinates, which scrolling does not change.
void TKorvel::ScrollTo(int32_t Top, int32_t Left, int32_t Time) {
    TViewMetrics& View = GetView();
    const bool Live = IsViewLive();
    const int32_t OldTop = View.TopPixel;
    const int32_t OldLeft = View.LeftPixel;
    if (Left != OldLeft) {
        ViewState.CaretX = Saturated(int64_t{ViewState.CaretX} + OldLeft - Left);
        View.LeftPixel = Left;
        if (Live && HasHorzBar)
            GetHost()->SetScrollPos(SB_HORZ, Left / HorzUnit, true);
    }
    if (Top != OldTop) {
        View.TopPixel = Top;
        if (Live)
            PlaceTopLineNavigator();
        ViewState.CaretY = Saturated(int64_t{ViewState.CaretY} + OldTop - Top);
        if (Live && HasVertBar)
            GetHost()->SetScrollPos(SB_VERT, Top / VertUnit, true);
    }
    if (!Live || (Top == OldTop && Left == OldLeft))
        return;

    const TClock& Clock = GetHost()->GetClock();
    const bool Rapid =
        ViewState.UserScrolling &&
        static_cast<int32_t>(Clock.GetTickCount() - ViewState.LastUserScrollTick) < RapidScrollMs;
    // A scroll asked for while an animation runs (by a repaint's
    // formatting) is made at once; the animation follows it.
    if (Time == 0 || Rapid || ViewState.Animating) {
        ScrollWindowBy(Saturated(int64_t{OldLeft} - Left), Saturated(int64_t{OldTop} - Top));
    } else {
        View.TopPixel = OldTop;
        View.LeftPixel = OldLeft;
        ViewState.Animating = true;
        AnimateScroll(Top, Left, Time);
        ViewState.Animating = false;
        // Painting during the animation may have set the thumbs from the
        // offsets on the way.
        if (HasHorzBar)
            GetHost()->SetScrollPos(SB_HORZ, View.LeftPixel / HorzUnit, true);
        if (HasVertBar)
            GetHost()->SetScrollPos(SB_VERT, View.TopPixel / VertUnit, true);
    }

    if (ViewState.UserScrolling)
        ViewState.LastUserScrollTick = Clock.GetTickCount();
    if (View.TopPixel != OldTop)
        PlaceTopLineNavigator();
    if (Focused())
        PlaceCaret();
    if (View.LeftPixel != OldLeft && OnHScroll)
        OnHScroll(this);
    if (View.TopPixel != OldTop && OnVScroll)
        OnVScroll(this);
}

void TKorvel::AnimateScroll(int32_t Top, int32_t Left, int32_t Time) {
    TViewMetrics& View = GetView();
    const TClock& Clock = GetHost()->GetClock();
    const uint32_t Start = Clock.GetTickCount();
    ViewState.LastUserScrollTick = Start + static_cast<uint32_t>(std::abs(int64_t{Time}));
    TScrollAnimation Animation(View.TopPixel, View.LeftPixel, Top, Left, Time, Start);
    while (!Animation.Done()) {
        uint32_t Now = Clock.GetTickCount();
        while (Now == Animation.GetPreviousTick())
            Now = Clock.GetTickCount();
        // Formatting during the last repaint may have kept the top on the
        // same text by moving the offset, or a scroll made meanwhile moved
        // it: the targets move along.
        if (View.TopPixel != Animation.GetTop() || View.LeftPixel != Animation.GetLeft())
            Animation.Shift(View.TopPixel - Animation.GetTop(),
                            View.LeftPixel - Animation.GetLeft());
        const int32_t FromTop = Animation.GetTop();
        const int32_t FromLeft = Animation.GetLeft();
        Animation.Step(Now);
        View.TopPixel = Animation.GetTop();
        View.LeftPixel = Animation.GetLeft();
        if (View.TopPixel != FromTop)
            PlaceTopLineNavigator();
        ScrollWindowBy(Saturated(int64_t{FromLeft} - View.LeftPixel),
                       Saturated(int64_t{FromTop} - View.TopPixel));
        Update();
        if (!IsViewLive())
            return; // a paint handler took the window away
    }
}

void TKorvel::SetTopPixel(int32_t Pixel) {
    ScrollTo(Pixel, GetView().LeftPixel, ScrollTime);
}

void TKorvel::SetTopLine(int32_t Line) {
    SetTopPixel(Saturated(LinePixels(Line)));
}

int32_t TKorvel::GetTopLine() {
    return TopLineNavigator->GetGlobalLine();
}

void TKorvel::SetLeftPixel(int32_t Pixel) {
    ScrollTo(GetView().TopPixel, Pixel, ScrollTime);
}

// --- the caret into view ---

void TKorvel::ScrollInView() {
    if (UpdateLock > 0 || !IsViewLive())
        return;
    const TViewMetrics& View = GetView();
    const int32_t LineH = View.LineHeightPx;
    const int32_t ClientWidth = GetClientWidth();
    const int32_t ClientHeight = GetClientHeight();
    const int32_t Caret = CaretNav->GetParIndex();
    FormatIfNeeded(Caret);
    ViewState.CaretY = Saturated(LinePixels(CaretNav->GetGlobalLine()) - View.TopPixel);

    int32_t Left = View.LeftPixel;
    const int32_t CaretX = ViewState.CaretX;
    if ((GetWordWrap() && GetColumnWrap() <= 0) ||
        (GetAlignment() != taLeftJustify && View.LeftPixel == 0)) {
        Left = 0;
    } else {
        // The view jumps in steps of five blanks.
        const int64_t Step = std::max(5 * View.SpaceWidth, 1);
        if (CaretX >= View.TextWidth)
            Left = Saturated(((int64_t{CaretX} - ClientWidth) / Step + 1) * Step + View.LeftPixel);
        else if (CaretX < 0)
            Left = Saturated(std::max<int64_t>(0, View.LeftPixel + Step * (CaretX / Step - 1)));
    }

    int32_t Top = View.TopPixel;
    const int32_t TopPar = TopLineNavigator->GetParIndex();
    const int32_t Visible = ViewState.VisibleLines;
    if (ViewState.CaretY < 0) {
        if (int64_t{Caret} + Visible >= TopPar)
            FormatParagraphs(Caret + 1, std::min(TopPar, Caret + Visible), false, false);
        Top = Saturated(LinePixels(CaretNav->GetGlobalLine()));
    } else if (ViewState.CaretY > ClientHeight - LineH - 3) {
        if (int64_t{TopPar} + 2 * int64_t{Visible} >= Caret)
            FormatParagraphs(TopPar, Caret - 1, false, false);
        FormatParagraphs(std::max(Caret - Visible, 0), Caret - 1, false, false);
        // Formatting above the caret may have moved its line.
        const int32_t Line = CaretNav->GetGlobalLine();
        if (HasOption(kvoNoFineScroll)) {
            Top = Saturated(LinePixels(std::max(Line - Visible + 2, 0)));
        } else {
            int64_t Target = LinePixels(Line) + LineH - ClientHeight + 1;
            if (Line == GetLineCount() - 1)
                Target += 2;
            Top = Saturated(Target);
        }
    }
    // The caret's line may have moved while paragraphs were formatted.
    ViewState.CaretY = Saturated(LinePixels(CaretNav->GetGlobalLine()) - View.TopPixel);
    ScrollTo(Top, Left, ScrollTime);
}

// --- scroll-bar messages and the wheel ---

void TKorvel::WMVScroll(TMessage& Message) {
    Message.Result = 0;
    if (UpdateLock > 0 || !IsViewLive())
        return;
    ViewState.UserScrolling = true;
    const TViewMetrics& View = GetView();
    const int32_t LineH = std::max(View.LineHeightPx, 1);
    const int32_t Lines = GetLineCount();
    const int32_t Visible = ViewState.VisibleLines;
    switch (Message.ScrollCode) {
    case SB_LINEUP:
        if (View.TopPixel > 0) {
            // A partly shown top line is first shown whole.
            const int32_t Line = GetTopLine();
            SetTopLine(View.TopPixel % LineH != 0 ? Line : Line - 1);
        }
        break;
    case SB_LINEDOWN: {
        const int32_t Line = GetTopLine();
        if (Line < Lines - 1 && Line < Lines - Visible + 2)
            SetTopLine(Line + 1);
        break;
    }
    case SB_PAGEUP: {
        const int32_t First = std::max(GetTopLine() - Visible + 2, 0);
        TNavigatorHost& Host = *this;
        TKorvelNavigator Nav(Host);
        Nav.SetGlobalLine(First);
        FormatParagraphs(Nav.GetParIndex(), TopLineNavigator->GetParIndex() - 1, false, false);
        // Line numbers above the top may have changed.
        SetTopLine(std::max(GetTopLine() - Visible + 2, 0));
        break;
    }
    case SB_PAGEDOWN:
        SetTopPixel(
            Saturated(std::min<int64_t>(LinePixels(GetTopLine() + Visible - 1), MaxTopPixel())));
        break;
    case SB_THUMBTRACK: {
        const int64_t Pixel = int64_t{Message.ScrollPos} * VertUnit;
        if (HasOption(kvoNoFineScroll))
            SetTopLine(Saturated((Pixel + LineH / 2) / LineH));
        else
            ScrollTo(Saturated(Pixel), View.LeftPixel, ScrollTime);
        break;
    }
    default:
        break;
    }
    Update();
    ViewState.UserScrolling = false;
}

// The bar's lines are a twentieth of the window. Stepping right stops at the
// end of the bar's range, so the text never scrolls out of view while the
// thumb stands still.
void TKorvel::WMHScroll(TMessage& Message) {
    Message.Result = 0;
    if (UpdateLock > 0 || !IsViewLive())
        return;
    ViewState.UserScrolling = true;
    const TViewMetrics& View = GetView();
    const int32_t Width = GetClientWidth();
    const int32_t Step = Width / 20;
    const TScrollInfo Bar = GetHost()->GetScrollInfo(SB_HORZ);
    const int64_t End = std::max<int64_t>(
        View.LeftPixel, (int64_t{Bar.Max} - std::max(Bar.Page - 1, 0)) * HorzUnit);
    switch (Message.ScrollCode) {
    case SB_LINELEFT:
        SetLeftPixel(std::max(View.LeftPixel - Step - 1, 0));
        break;
    case SB_LINERIGHT:
        SetLeftPixel(Saturated(std::min<int64_t>(int64_t{View.LeftPixel} + Step + 1, End)));
        break;
    case SB_PAGELEFT:
        SetLeftPixel(Saturated(std::max<int64_t>(int64_t{View.LeftPixel} + Step - Width, 0)));
        break;
    case SB_PAGERIGHT:
        SetLeftPixel(Saturated(std::min<int64_t>(int64_t{View.LeftPixel} + Width - Step, End)));
        break;
    case SB_THUMBTRACK:
        ScrollTo(View.TopPixel, Saturated(int64_t{Message.ScrollPos} * HorzUnit), 0);
        break;
    default:
        break;
    }
    Update();
    ViewState.UserScrolling = false;
}

bool TKorvel::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) {
    if (UpdateLock == 0 && IsViewLive()) {
        if (MouseWheelFactor < 0)
            MouseWheelFactor = GetHost()->GetWheelScrollLines();
        int64_t Remainder =
            int64_t{ViewState.WheelRemainder} + int64_t{WheelDelta} * MouseWheelFactor;
        int64_t Line = GetTopLine();
        // A notch of 120 scrolls MouseWheelFactor lines; less accumulates.
        if (Remainder < -119) {
            Line += -Remainder / 120;
            Remainder = -(-Remainder % 120);
        } else if (Remainder > 119) {
            Line -= Remainder / 120;
            Remainder %= 120;
        }
        ViewState.WheelRemainder = static_cast<int32_t>(Remainder);
        Line = std::clamp<int64_t>(
            Line, 0, std::max<int64_t>(int64_t{GetLineCount()} - ViewState.VisibleLines + 1, 0));
        ViewState.UserScrolling = true;
        if (HasOption(kvoNoFineScroll))
            SetTopLine(static_cast<int32_t>(Line));
        else
            SetTopPixel(Saturated(
                std::min<int64_t>(LinePixels(static_cast<int32_t>(Line)), MaxTopPixel())));
        ViewState.UserScrolling = false;
    }
    TCustomKorvel::DoMouseWheel(Shift, WheelDelta, MousePos);
    return true;
}

} // namespace korvel
