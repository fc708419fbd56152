#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel::test {
namespace {

// Line box metrics from the headless font: cell height H 12, descent 3,
// internal leading 1 at -11; 24, 6 and 2 at -22.
TEST(ViewLayoutTest, FontMetricsPlaceTheBaselineAndFollowLineHeightAndFont) {
    TView V(ShortParagraphs(10));
    EXPECT_EQ(V->GetLineHeightPx(), LineH);
    EXPECT_EQ(V->GetView().BaselineY, 9);   // cell centred: 13 - 3 - (13 - 12 + 1) / 2
    EXPECT_EQ(V->GetView().UnderlineY, 10); // baseline + descent, at most 13 - 2 - 1
    EXPECT_EQ(V->GetView().ZigzagHeight, 2);
    EXPECT_EQ(V->GetView().SpaceWidth, CharW);
    EXPECT_EQ(V->GetView().TextOutChunk, 16384 / CharW);
    EXPECT_EQ(V->GetVisibleLines(), 300 / LineH + 1);

    struct TCase {
        int32_t LineHeight;
        int32_t Baseline;
    };
    // A tall line centres the cell; one lower than the cell would cut the
    // glyph tops, so the baseline drops to the line's bottom.
    for (const TCase& Case : {TCase{40, 23}, TCase{5, 5}, TCase{12, 9}}) {
        V->SetLineHeight(Case.LineHeight);
        EXPECT_EQ(V->GetView().BaselineY, Case.Baseline) << Case.LineHeight;
        EXPECT_EQ(V->GetVisibleLines(), 300 / Case.LineHeight + 1);
    }
    V->GetSpecUnderline().SetWidth(4);
    V->SetLineHeight(0); // automatic again
    EXPECT_EQ(V->GetLineHeightPx(), LineH);
    EXPECT_EQ(V->GetView().ZigzagHeight, 7);
    EXPECT_EQ(V->GetView().UnderlineY, LineH - 7 - 1);

    // A new font: metrics, layout and offsets start afresh.
    V->SetScrollBars(ssBoth);
    V->ScrollTo(3 * LineH, 20, 0);
    int32_t VScrolls = 0;
    V->OnVScroll = [&](TObject*) { ++VScrolls; };
    V->GetFont().SetHeight(-22);
    EXPECT_EQ(V->GetLineHeightPx(), 25);
    EXPECT_EQ(V->GetView().SpaceWidth, 12);
    EXPECT_EQ(V->GetTopPixel(), 0);
    EXPECT_EQ(V->GetLeftPixel(), 0);
    EXPECT_EQ(V->GetTopLine(), 0);
    EXPECT_EQ(VScrolls, 1);
    EXPECT_EQ(V.VBar().Pos, 0);
    EXPECT_EQ(V->GetCanvas()->GetFont().GetHeight(), -22);
}

TEST(ViewLayoutTest, ScrollBarRangesFollowTextSizeUnitsAndOptions) {
    // 5000 unwrapped lines are 65000 pixels: two pixels a unit.
    TView V(ShortParagraphs(5000), {400, 300}, false);
    EXPECT_EQ(V->GetVertUnit(), 2);
    EXPECT_EQ(V.VBar().Max, 5000 * LineH / 2);
    EXPECT_EQ(V.VBar().Page, 297 / 2);
    V->SetTopPixel(10001);
    EXPECT_EQ(V.VBar().Pos, 5000);

    // A short text: the range is at least the client height less a line.
    TView Short(ShortParagraphs(3));
    EXPECT_EQ(Short->GetVertUnit(), 1);
    EXPECT_EQ(Short.VBar().Max, 300 - LineH - 1);
    EXPECT_EQ(Short.VBar().Page, 297);
    Short->SetOptions(Short->GetOptions() & ~OptionBit(kvoAutoScrollBars));
    Short->UpdateVertScrollBar();
    EXPECT_EQ(Short.VBar().Max, 300 - LineH);

    // The horizontal bar: the widest line and the margins against the page.
    std::string Long(100, 'x');
    TView H(Long + "\r\nab", {400, 300}, false);
    H->SetScrollBars(ssBoth);
    const int32_t Page = 400 - 2 * Margin;
    EXPECT_EQ(H->GetView().MaxLineWidth, 100 * CharW);
    EXPECT_EQ(H.HBar().Max, 100 * CharW + 2 * Margin - 400 + Page - 1);
    EXPECT_EQ(H.HBar().Page, Page);
    H->SetOptions(H->GetOptions() & ~OptionBit(kvoAutoScrollBars));
    H->UpdateHorzScrollBar();
    EXPECT_EQ(H.HBar().Max, 100 * CharW + 2 * Margin - 400 + Page);
    H->SetLeftPixel(50);
    H->SetAlignment(taRightJustify);
    EXPECT_EQ(H.HBar().Max, Page);
    EXPECT_EQ(H->GetLeftPixel(), 0);
    H->SetAlignment(taLeftJustify);
    H->SetOptions(H->GetOptions() | OptionBit(kvoAutoScrollBars));
    H->SetLeftPixel(50);
    H->SetWordWrap(true);
    H->UpdateHorzScrollBar();
    EXPECT_EQ(H.HBar().Max, Page - 1);
    EXPECT_EQ(H->GetLeftPixel(), 0); // everything fits: back to the left edge
}

TEST(ViewLayoutTest, ResizingRewrapsAndScrollsBackWhenTheTextEndRises) {
    // 40 paragraphs of 20 words: 119 characters, two lines in 400 pixels.
    TView V(MakeParagraphs(40, [](int32_t) { return 20; }));
    EXPECT_EQ(V->GetLineCount(), 80);
    V.Host.Resize({250, 300});
    EXPECT_EQ(V->GetTextWidth(), 250);
    EXPECT_EQ(V->GetLineCount(), 160); // 39 characters a line: six words
    EXPECT_EQ(ListOf(*V).FindInconsistency(), "");

    // Scrolled to the end, a taller window pulls the text down so that the
    // last line sits at the bottom.
    V->SetTopPixel(V->MaxTopPixel());
    const int32_t End = 160 * LineH;
    EXPECT_EQ(V->GetTopPixel(), End - 300 + 3);
    V.Host.Resize({250, 400});
    EXPECT_EQ(V->GetTopPixel(), End - 400 + 3);
    EXPECT_EQ(V->GetTopLine(), (End - 400 + 3) / LineH);
    EXPECT_EQ(V->GetVisibleLines(), 400 / LineH + 1);
    EXPECT_EQ(V.VBar().Page, 397);

    // A view already scrolled past the end stays where it is.
    V->SetTopPixel(End - 100);
    V.Host.Resize({250, 420});
    EXPECT_EQ(V->GetTopPixel(), End - 100);

    // A window without room lays out and paints without fault.
    V.Host.Resize({0, 0});
    V->Invalidate();
    V.Host.Update();
    EXPECT_EQ(V->GetVisibleLines(), 1);
    EXPECT_EQ(ListOf(*V).FindInconsistency(), "");

    // Right-aligned text is wrapped at the window even without word wrap:
    // a new width lays it out again too.
    TView R(MakeParagraphs(10, [](int32_t) { return 20; }), {400, 300}, false);
    R->SetAlignment(taRightJustify);
    EXPECT_EQ(R->GetLineCount(), 20);
    R.Host.Resize({800, 300});
    EXPECT_EQ(R->GetLineCount(), 10);
    EXPECT_EQ(ListOf(*R).FindInconsistency(), "");
}

// Leaving word wrap gives every paragraph one line at once, so that display
// line L is paragraph L, and the top line is clamped to the shorter text.
TEST(ViewLayoutTest, UnwrappingLeavesOneLinePerParagraphAndClampsTheTopLine) {
    for (TkvUpdateMode Mode : {umImmediate, umOnNeed, umBackground}) {
        TView V(MakeParagraphs(100, [](int32_t) { return 25; }));
        V->SetUpdateMode(Mode);
        ASSERT_EQ(V->GetLineCount(), 300);
        V->SetTopLine(250);
        ASSERT_EQ(V->GetTopLine(), 250);
        V.Host.ClearInvalidated();
        V->SetWordWrap(false);
        EXPECT_EQ(V->GetLineCount(), 100) << Mode;
        EXPECT_EQ(ListOf(*V).FindInconsistency(), "") << Mode;
        EXPECT_EQ(V->GetTopLine(), 100 - V->GetVisibleLines() + 1) << Mode;
        EXPECT_EQ(V->GetTopPixel(), V->GetTopLine() * LineH) << Mode;
        EXPECT_EQ(V->GetTopLineNavigator().GetParIndex(), V->GetTopLine()) << Mode;
        EXPECT_GT(V.Host.PaintCount(), 0) << Mode; // repainted at once
    }
}

} // namespace
} // namespace korvel::test
