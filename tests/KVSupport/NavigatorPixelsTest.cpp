#include "KVSupport/TKorvelNavigator.h"

#include "KorvelTestSupport.h"
#include "NavigatorTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

// A control whose default font measures 6 pixels a byte (7 in bold) on the
// headless canvas, in a 200-pixel window with margins of 8.
struct TPixelKorvel : TTestKorvel {
    explicit TPixelKorvel(std::string_view Text) : TTestKorvel(Text) {
        Control.GetView().SpaceWidth = 6;
        Control.GetView().TextWidth = 200;
    }
};

// The x of every offset of display line Global.
std::vector<int32_t> LineXs(TKorvelNavigator& Nav, int32_t Global) {
    Nav.SetGlobalLine(Global);
    const TLineRecord Line = Nav.GetLines().Get(Nav.GetLineIndex());
    std::vector<int32_t> Xs;
    for (int32_t K = 0; K <= Line.Stop - Line.Start; ++K) {
        Nav.SetGlobalLine(Global);
        Nav.SetLineOffset(K);
        Xs.push_back(Nav.OffsetToX());
    }
    return Xs;
}

// Offset within display line Global that XToOffset finds for client x X.
int32_t OffsetAt(TKorvelNavigator& Nav, int32_t Global, int32_t X) {
    Nav.SetGlobalLine(Global);
    Nav.XToOffset(X);
    EXPECT_EQ(Nav.GetGlobalLine(), Global);
    return Nav.GetLineOffset();
}

// Clicking on the x of an offset lands on an offset with that same x (codes
// take no room, so several offsets may share one).
void ExpectRoundTrips(TKorvelNavigator& Nav, int32_t Global) {
    const std::vector<int32_t> Xs = LineXs(Nav, Global);
    for (size_t K = 0; K < Xs.size(); ++K) {
        const int32_t Found = OffsetAt(Nav, Global, Xs[K]);
        ASSERT_GE(Found, 0);
        ASSERT_LT(static_cast<size_t>(Found), Xs.size());
        EXPECT_EQ(Xs[static_cast<size_t>(Found)], Xs[K]) << "offset " << K << " x " << Xs[K];
    }
}

} // namespace

TEST(NavigatorPixelsTest, PlainLeftAlignedText) {
    TPixelKorvel K("abc def");
    TKorvelNavigator Nav(&K.Control);
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{8, 14, 20, 26, 32, 38, 44, 50}));
    ExpectRoundTrips(Nav, 0);
    // The nearest boundary wins; the right half of a character is after it.
    EXPECT_EQ(OffsetAt(Nav, 0, 14 + 2), 1);
    EXPECT_EQ(OffsetAt(Nav, 0, 14 + 3), 2);
    EXPECT_EQ(OffsetAt(Nav, 0, -50), 0);
    EXPECT_EQ(OffsetAt(Nav, 0, 500), 7);

    K.Control.GetView().LeftPixel = 10;
    Nav.SetPos(2);
    EXPECT_EQ(Nav.OffsetToX(), 20 - 10);
    EXPECT_EQ(OffsetAt(Nav, 0, 10), 2);

    // Without a canvas (no window yet) nothing is measured, nothing fails.
    K.Control.SetCanvas(nullptr);
    Nav.SetPos(5);
    EXPECT_EQ(Nav.OffsetToX(), 8 - 10);
}

TEST(NavigatorPixelsTest, TabsStopAtTheirStepOrTakeNoRoom) {
    TPixelKorvel K("a\tb\t\tc");
    TKorvelNavigator Nav(&K.Control);
    K.Control.SetTabStops(4); // every 4 blank widths: 24 pixels
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{8, 14, 32, 38, 56, 80, 86}));
    ExpectRoundTrips(Nav, 0);
    EXPECT_EQ(OffsetAt(Nav, 0, 22), 1); // the tab spans 14 .. 32
    EXPECT_EQ(OffsetAt(Nav, 0, 23), 2);

    K.Control.SetTabStops(-10); // every 10 pixels
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{8, 14, 18, 24, 28, 38, 44}));
    ExpectRoundTrips(Nav, 0);

    K.Control.SetTabStops(0); // tabs take no room, when measured and when clicked
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{8, 14, 14, 20, 20, 20, 26}));
    ExpectRoundTrips(Nav, 0);
}

TEST(NavigatorPixelsTest, RightAndCentredLinesArePlacedByTheirWidth) {
    TPixelKorvel K("abc");
    K.Control.GetParagraphsList()[0].SetLine0(TLineRecord::Whole(3, 18));
    TKorvelNavigator Nav(&K.Control);
    K.Control.SetAlignment(taRightJustify);
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{174, 180, 186, 192}));
    ExpectRoundTrips(Nav, 0);
    K.Control.SetAlignment(taCenter); // (200 - 16 - 18) div 2 + 8
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{91, 97, 103, 109}));
    ExpectRoundTrips(Nav, 0);

    // Tab stops are counted from the line's own start when measuring and from
    // the left margin when clicking: on a right-aligned line the two differ.
    LoadControlText(K.Control, "a\tb");
    K.Control.GetParagraphsList()[0].SetLine0(TLineRecord::Whole(3, 30));
    K.Control.SetTabStops(4);
    K.Control.SetAlignment(taRightJustify);
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{162, 168, 186, 192}));
    EXPECT_EQ(OffsetAt(Nav, 0, 180), 3); // the click sees "b" at 176 .. 182
}

TEST(NavigatorPixelsTest, CodesAndRunsChangeTheFontWithinALine) {
    TPixelKorvel K("");
    K.Control.SetStaticFormat(true);
    LoadControlText(K.Control, "\x02"
                               "ab\x02"
                               "c");
    TKorvelNavigator Nav(&K.Control);
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{8, 8, 15, 22, 22, 28}));
    ExpectRoundTrips(Nav, 0);
    EXPECT_EQ(OffsetAt(Nav, 0, 9), 1); // codes before a character are passed over

    // A bold run from offset 2 on; in the wrapped paragraph below, line 1
    // starts inside a bold run and is measured bold from its start.
    LoadControlText(K.Control, "abcd\r\nabcdef");
    AddRun(K.Control, 0, 2, StyleRun(fsBold));
    AddRun(K.Control, 1, 1, StyleRun(fsBold));
    AddRun(K.Control, 1, 4, StyleRun(0));
    WrapAt(K.Control, 1, {0, 3});
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{8, 14, 20, 27, 34}));
    ExpectRoundTrips(Nav, 0);
    EXPECT_EQ(LineXs(Nav, 2), (std::vector<int32_t>{8, 15, 21, 27}));
    ExpectRoundTrips(Nav, 2);

    // The alternate font (12 pixels a byte here) through a run's style.
    TFont Alt = K.Control.GetAltFont();
    Alt.SetHeight(-22);
    K.Control.GetAltFont() = Alt;
    LoadControlText(K.Control, "abcd");
    AddRun(K.Control, 0, 1, StyleRun(csAltFont));
    AddRun(K.Control, 0, 3, StyleRun(0));
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{8, 14, 26, 38, 44}));
    ExpectRoundTrips(Nav, 0);
}

TEST(NavigatorPixelsTest, JustifiedLinesShareTheFreeRoomAmongTheirGaps) {
    // "a b c " wraps before "d": 30 pixels without the hanging blank, two
    // gaps; 201 - 16 - 30 = 155 free pixels, 77 a gap and one left over.
    TPixelKorvel K("a b c d");
    K.Control.GetView().TextWidth = 201;
    SetLines(K.Control, 0, {{0, 6, 30, 36, 2, 0, 0, 0}, {6, 7, 6, 6, 0, 7, 0, 0}});
    TKorvelNavigator Nav(&K.Control);
    K.Control.SetJustified(true);
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{8, 14, 97, 103, 187, 193, 276}));
    ExpectRoundTrips(Nav, 0);
    // Clicking hands the left-over pixel out one gap later than measuring
    // does: the click sees "c" at 186 .. 192, not at 187 .. 193.
    EXPECT_EQ(OffsetAt(Nav, 0, 189), 5);
    // The last line of a paragraph is not justified.
    EXPECT_EQ(LineXs(Nav, 1), (std::vector<int32_t>{8, 14}));

    // A justified line stays left-placed under right alignment; the last
    // line follows the alignment.
    K.Control.SetAlignment(taRightJustify);
    EXPECT_EQ(LineXs(Nav, 0)[2], 97);
    EXPECT_EQ(LineXs(Nav, 1), (std::vector<int32_t>{187, 193}));

    K.Control.SetJustified(false);
    K.Control.SetAlignment(taLeftJustify);
    EXPECT_EQ(LineXs(Nav, 0)[4], 32);

    // A line cut inside a word is not justified (JustifyFrom = Stop). With
    // Justified on, measuring still places it at the left margin because it
    // is not the paragraph's last line, while clicking follows the alignment.
    LoadControlText(K.Control, "abcdef");
    SetLines(K.Control, 0, {{0, 3, 18, 18, 0, 3, 0, 0}, {3, 6, 18, 18, 0, 6, 0, 0}});
    K.Control.SetJustified(true);
    K.Control.SetAlignment(taRightJustify);
    EXPECT_EQ(LineXs(Nav, 0), (std::vector<int32_t>{8, 14, 20, 26}));
    EXPECT_EQ(OffsetAt(Nav, 0, 8), 0);
    EXPECT_EQ(OffsetAt(Nav, 0, 180), 1); // the click sees the line at 175 .. 193
}

TEST(NavigatorPixelsTest, ProportionalWidthsAndOverhang) {
    TPixelKorvel K("iWiW iw");
    K.Canvas.SetCharWidth('i', 2);
    K.Canvas.SetCharWidth('W', 11);
    K.Canvas.SetOverhang(2);
    TKorvelNavigator Nav(&K.Control);
    const std::vector<int32_t> Xs = LineXs(Nav, 0);
    EXPECT_EQ(Xs, (std::vector<int32_t>{8, 12, 23, 25, 36, 42, 44, 50}));
    ExpectRoundTrips(Nav, 0);
}

TEST(NavigatorPixelsTest, PointsMapToLinesAndBack) {
    TPixelKorvel K("abc\r\nabcdefgh\r\nxy");
    WrapAt(K.Control, 1, {0, 4});
    K.Control.GetView().LineHeightPx = 14;
    K.Control.GetView().BaselineY = 11;
    TKorvelNavigator Nav(&K.Control);

    Nav.SetFromPoint({8 + 6 * 2 + 1, 2 * 14 + 5}); // line 2: "efgh"
    EXPECT_EQ(Nav.GetPos(), 5 + 4 + 2);
    EXPECT_EQ(Nav.LineY(), 2 * 14 + 11);
    TPoint Point;
    Nav.GetPoint(Point);
    EXPECT_EQ(Point, (TPoint{8 + 12, 39}));

    Nav.SetFromPoint({8 + 3, -20}); // above the text: line 0
    EXPECT_EQ(Nav.GetPos(), 1);
    Nav.SetFromPoint({0, 4 * 14}); // below the last line: the end of the text
    EXPECT_EQ(Nav.GetPos(), K.Control.GetTextLength());

    // A click right of a wrapped line's end stays on that line.
    Nav.SetFromPoint({190, 14 + 2});
    EXPECT_EQ(Nav.GetPos(), 5 + 4);
    EXPECT_EQ(Nav.GetGlobalLine(), 1);
    EXPECT_EQ(Nav.OffsetToX(), 8 + 24);

    K.Control.GetView().TopPixel = 14;
    Nav.SetFromPoint({8, 0});
    EXPECT_EQ(Nav.GetGlobalLine(), 1);
    EXPECT_EQ(Nav.LineY(), 11);
}
