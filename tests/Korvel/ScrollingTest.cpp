#include "Korvel/TScrollAnimation.h"
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace korvel::test {
namespace {

TEST(ScrollAnimationTest, StepsSlowDownOrKeepSpeedAndMoveAtLeastOnePixel) {
    // Slowing down: the distance left times the time since the start over
    // twice the time.
    TScrollAnimation Slowing(0, 0, 100, 0, 50, 0);
    for (auto [Tick, Top] : {std::pair{10u, 10}, {20u, 28}, {50u, 64}, {100u, 100}}) {
        Slowing.Step(Tick);
        EXPECT_EQ(Slowing.GetTop(), Top) << Tick;
    }
    EXPECT_TRUE(Slowing.Done());
    // Constant speed: the whole distance times the time since the last step
    // over the time, never past the target.
    TScrollAnimation Steady(0, 200, 100, 0, -50, 0);
    for (auto [Tick, Top] : {std::pair{10u, 20}, {11u, 22}, {60u, 100}}) {
        Steady.Step(Tick);
        EXPECT_EQ(Steady.GetTop(), Top) << Tick;
    }
    EXPECT_EQ(Steady.GetLeft(), 0);
    EXPECT_TRUE(Steady.Done());
    // A step too small for a pixel still moves one, on each axis.
    TScrollAnimation Slow(0, 0, 3, -5, 1000, 0);
    Slow.Step(1);
    EXPECT_EQ(Slow.GetTop(), 1);
    EXPECT_EQ(Slow.GetLeft(), -1);
    // The top moved from outside: the target moves with it.
    Slow.Shift(10, 0);
    EXPECT_EQ(Slow.GetTop(), 11);
    EXPECT_EQ(Slow.GetTargetTop(), 13);
    EXPECT_EQ(Slow.GetLeft(), -1);
}

TEST(ScrollingTest, ScrollToMovesOffsetsBarsCaretAndTopLine) {
    TView V(ShortParagraphs(200), {400, 300}, false);
    V.Host.SetFocus();
    V->UpdateCaret(false);
    int32_t HScrolls = 0;
    int32_t VScrolls = 0;
    V->OnHScroll = [&](TObject*) { ++HScrolls; };
    V->OnVScroll = [&](TObject*) { ++VScrolls; };
    V.ClearRecords();
    V->ScrollTo(50 * LineH + 4, 30, 0);
    ASSERT_EQ(V.Host.Scrolls().size(), 1u);
    EXPECT_EQ(V.Host.Scrolls()[0].Dx, -30);
    EXPECT_EQ(V.Host.Scrolls()[0].Dy, -(50 * LineH + 4));
    EXPECT_EQ(V->GetTopLine(), 50);
    EXPECT_EQ(V->GetTopLineNavigator().GetParIndex(), 50);
    EXPECT_EQ(V.VBar().Pos, 50 * LineH + 4);
    EXPECT_EQ(V->GetCaretY(), -(50 * LineH + 4));
    EXPECT_EQ(V->GetCaretX(), Margin - 30);
    EXPECT_EQ(V.Host.Caret().Y, V->GetCaretY());
    EXPECT_EQ(HScrolls, 1);
    EXPECT_EQ(VScrolls, 1);
    // The same offsets again: nothing moves and nothing fires.
    V->ScrollTo(50 * LineH + 4, 30, 0);
    EXPECT_EQ(V.Host.Scrolls().size(), 1u);
    EXPECT_EQ(VScrolls, 1);

    // A distance beyond 16 bits repaints everything instead.
    V.ClearRecords();
    V->ScrollTo(50000, 30, 0);
    EXPECT_TRUE(V.Host.Scrolls().empty());
    ASSERT_FALSE(V.Host.Invalidated().empty());
    EXPECT_EQ(V.Host.Invalidated().back(), (TRect{0, 0, 400, 300}));

    // Without a window only the offsets are stored.
    TKorvel Alone;
    int32_t Events = 0;
    Alone.OnVScroll = [&](TObject*) { ++Events; };
    Alone.ScrollTo(100, 5, 300);
    EXPECT_EQ(Alone.GetTopPixel(), 100);
    EXPECT_EQ(Alone.GetLeftPixel(), 5);
    EXPECT_EQ(Events, 0);
}

TEST(ScrollingTest, AnimatedScrollsStepToTheTargetAndRapidUserScrollsJump) {
    TView V(ShortParagraphs(200), {400, 300}, false);
    auto Steps = [&] {
        std::vector<int32_t> Dy;
        for (const THeadlessScroll& S : V.Host.Scrolls())
            Dy.push_back(-S.Dy);
        return Dy;
    };

    // Slowing down over 300 ms.
    V.ClearRecords();
    const int32_t Paints = V.Host.PaintCount();
    V->ScrollTo(1000, 0, 300);
    std::vector<int32_t> Dy = Steps();
    ASSERT_GT(Dy.size(), 10u);
    EXPECT_LE(Dy.size(), 600u);
    EXPECT_EQ(std::accumulate(Dy.begin(), Dy.end(), 0), 1000);
    EXPECT_GE(*std::min_element(Dy.begin(), Dy.end()), 1);
    EXPECT_LT(Dy.back(), *std::max_element(Dy.begin(), Dy.end()));
    EXPECT_EQ(V.Host.PaintCount() - Paints, static_cast<int32_t>(Dy.size()));
    EXPECT_EQ(V->GetTopPixel(), 1000);
    EXPECT_EQ(V.VBar().Pos, 1000);
    EXPECT_EQ(V->GetTopLine(), 1000 / LineH);

    // Constant speed over 100 ms: one reading of the clock a step is 1 ms,
    // so every step but the last covers a hundredth of the distance.
    V.ClearRecords();
    V->ScrollTo(0, 0, -100);
    Dy = Steps();
    ASSERT_GE(Dy.size(), 90u);
    EXPECT_LE(Dy.size(), 100u);
    for (size_t I = 0; I + 1 < Dy.size(); ++I)
        ASSERT_EQ(Dy[I], -10) << I;
    EXPECT_EQ(V->GetTopPixel(), 0);

    // A user scroll is animated; another one right after it jumps.
    V->SetScrollTime(300);
    V.Host.Clock().Advance(1000);
    V.ClearRecords();
    V.Send(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_GT(V.Host.Scrolls().size(), 1u);
    V.ClearRecords();
    V.Send(WM_VSCROLL, SB_LINEDOWN);
    ASSERT_EQ(V.Host.Scrolls().size(), 1u);
    EXPECT_EQ(V.Host.Scrolls()[0].Dy, -LineH);
    EXPECT_EQ(V->GetTopPixel(), 2 * LineH);
}

TEST(ScrollingTest, ScrollInViewBringsTheCaretIntoViewFromEverySide) {
    // 310 pixels: 24 visible lines, and a bottom edge that is not a
    // multiple of the line height.
    TView V(ShortParagraphs(200), {400, 310}, false);
    const auto Start = [&](int32_t Par) { return ListOf(*V).GetStartOffset(Par); };
    MoveCaret(*V, Start(100));
    EXPECT_EQ(V->GetTopPixel(), 100 * LineH + LineH - 310 + 1); // flush with the bottom
    EXPECT_EQ(V->GetCaretY(), 310 - LineH - 1);
    MoveCaret(*V, V->GetTextLength());
    EXPECT_EQ(V->GetTopPixel(), 199 * LineH + LineH - 310 + 3); // two more on the last line
    EXPECT_EQ(V->GetTopPixel(), V->MaxTopPixel());
    MoveCaret(*V, Start(10));
    EXPECT_EQ(V->GetTopPixel(), 10 * LineH); // caret line on top
    EXPECT_EQ(V->GetCaretY(), 0);
    MoveCaret(*V, Start(20)); // inside: nothing moves
    EXPECT_EQ(V->GetTopPixel(), 10 * LineH);
    V->SetOptions(V->GetOptions() | OptionBit(kvoNoFineScroll));
    MoveCaret(*V, Start(100));
    EXPECT_EQ(V->GetTopPixel(), (100 - V->GetVisibleLines() + 2) * LineH);

    // Horizontally the view jumps in steps of five blanks.
    TView H(std::string(200, 'x') + "\r\n" + ShortParagraphs(5), {400, 310}, false);
    const int32_t Step = 5 * CharW;
    MoveCaret(*H, 150);
    EXPECT_EQ(H->GetLeftPixel(), ((Margin + 150 * CharW - 400) / Step + 1) * Step);
    EXPECT_EQ(H->GetCaretX(), Margin + 150 * CharW - H->GetLeftPixel());
    MoveCaret(*H, 10);
    EXPECT_EQ(H->GetLeftPixel(), 60);
    EXPECT_EQ(H->GetCaretX(), Margin);
    MoveCaret(*H, 0);
    EXPECT_EQ(H->GetLeftPixel(), 0);
    // Right-aligned text and word wrap keep the left edge.
    H->SetAlignment(taRightJustify);
    MoveCaret(*H, 150);
    EXPECT_EQ(H->GetLeftPixel(), 0);
    H->SetAlignment(taLeftJustify);
    H->SetWordWrap(true);
    MoveCaret(*H, 150);
    EXPECT_EQ(H->GetLeftPixel(), 0);

    // Locked or without a window nothing scrolls.
    V->BeginUpdate();
    V->GetCaretNav().SetPos(Start(180));
    V->ScrollInView();
    EXPECT_EQ(V->GetTopPixel(), (100 - V->GetVisibleLines() + 2) * LineH);
    V->EndUpdate();
}

TEST(ScrollingTest, ScrollBarMessagesMoveByLinesPagesAndThumb) {
    TView V(ShortParagraphs(200), {400, 300}, false);
    const int32_t Visible = V->GetVisibleLines();
    V.Send(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(V->GetTopPixel(), LineH);
    V->ScrollTo(5 * LineH + 4, 0, 0);
    V.Send(WM_VSCROLL, SB_LINEUP); // first shows the partly shown line whole
    EXPECT_EQ(V->GetTopPixel(), 5 * LineH);
    V.Send(WM_VSCROLL, SB_LINEUP);
    EXPECT_EQ(V->GetTopPixel(), 4 * LineH);
    V.Send(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(V->GetTopPixel(), (4 + Visible - 1) * LineH);
    V.Send(WM_VSCROLL, SB_PAGEUP);
    EXPECT_EQ(V->GetTopPixel(), (4 + Visible - 1 - Visible + 2) * LineH);
    V->SetTopLine(200 - Visible + 2);
    V.Send(WM_VSCROLL, SB_LINEDOWN); // the last lines stay in view
    EXPECT_EQ(V->GetTopLine(), 200 - Visible + 2);
    V.Send(WM_VSCROLL, SB_PAGEDOWN); // never beyond the end
    EXPECT_EQ(V->GetTopPixel(), V->MaxTopPixel());
    V.Send(WM_VSCROLL, SB_THUMBTRACK, 100);
    EXPECT_EQ(V->GetTopPixel(), 100);
    V->SetOptions(V->GetOptions() | OptionBit(kvoNoFineScroll));
    V.Send(WM_VSCROLL, SB_THUMBTRACK, 100);
    EXPECT_EQ(V->GetTopPixel(), 8 * LineH); // 100 / 13 rounded
    const int32_t Paints = V.Host.PaintCount();
    V.Send(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(V.Host.PaintCount(), Paints + 1); // repainted at once
    V->BeginUpdate();
    V.Send(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(V->GetTopPixel(), 9 * LineH);
    V->EndUpdate();

    // Horizontally: a twentieth of the width a line, the width less that a
    // page, never past the end of the range.
    TView H(std::string(300, 'x') + "\r\nab", {400, 300}, false);
    H->SetScrollBars(ssBoth);
    H.Send(WM_HSCROLL, SB_LINERIGHT);
    EXPECT_EQ(H->GetLeftPixel(), 21);
    H.Send(WM_HSCROLL, SB_PAGERIGHT);
    EXPECT_EQ(H->GetLeftPixel(), 21 + 380);
    H.Send(WM_HSCROLL, SB_LINELEFT);
    EXPECT_EQ(H->GetLeftPixel(), 380);
    H.Send(WM_HSCROLL, SB_PAGELEFT);
    EXPECT_EQ(H->GetLeftPixel(), 0);
    H.Send(WM_HSCROLL, SB_THUMBTRACK, 100);
    EXPECT_EQ(H->GetLeftPixel(), 100);
    EXPECT_EQ(H.HBar().Pos, 100);
    for (int32_t I = 0; I < 10; ++I)
        H.Send(WM_HSCROLL, SB_PAGERIGHT);
    const int32_t End = 300 * CharW + 2 * Margin - 400;
    EXPECT_EQ(H->GetLeftPixel(), End);
    EXPECT_EQ(H.HBar().Pos, End);
}

TEST(ScrollingTest, WheelScrollsByTheFactorAccumulatesAndStaysInTheText) {
    TView V(ShortParagraphs(200), {400, 300}, false);
    bool Fired = false;
    V->OnMouseWheel = [&](TObject*, TShiftState, int32_t, TPoint, bool&) { Fired = true; };
    auto Wheel = [&](int32_t Delta) { return V.Host.Send(TMessage::Wheel(Delta, {5, 5}, 0)); };
    V.Host.SetWheelScrollLines(5);
    EXPECT_EQ(V->GetMouseWheelFactor(), -1);
    EXPECT_EQ(Wheel(-120), 1);
    EXPECT_TRUE(Fired);
    EXPECT_EQ(V->GetMouseWheelFactor(), 5); // the system setting, kept
    EXPECT_EQ(V->GetTopLine(), 5);
    V->SetMouseWheelFactor(3);
    Wheel(-120);
    Wheel(-120);
    EXPECT_EQ(V->GetTopLine(), 11);
    V->SetMouseWheelFactor(1);
    Wheel(-40);
    Wheel(-40);
    EXPECT_EQ(V->GetTopLine(), 11);
    Wheel(-40);
    EXPECT_EQ(V->GetTopLine(), 12);
    Wheel(120 * 50);
    EXPECT_EQ(V->GetTopPixel(), 0);
    Wheel(-120 * 500);
    EXPECT_EQ(V->GetTopPixel(),
              std::min((200 - V->GetVisibleLines() + 1) * LineH, V->MaxTopPixel()));
    V->SetOptions(V->GetOptions() | OptionBit(kvoNoFineScroll));
    Wheel(-120 * 500);
    EXPECT_EQ(V->GetTopLine(), 200 - V->GetVisibleLines() + 1);
    V->BeginUpdate();
    Wheel(120 * 5);
    EXPECT_EQ(V->GetTopLine(), 200 - V->GetVisibleLines() + 1);
    V->EndUpdate();
}

} // namespace
} // namespace korvel::test
