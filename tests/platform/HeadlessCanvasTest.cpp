#include "platform/headless/THeadlessCanvas.h"
#include "platform/headless/THeadlessOffscreenCanvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace korvel;

namespace {

TFont CourierNew() {
    TFont Font;
    Font.SetName("Courier New");
    Font.SetHeight(-11);
    return Font;
}

int32_t Extent(const TCanvas& Canvas, const std::string& Text) {
    TSize Size;
    EXPECT_TRUE(Canvas.GetTextExtent(Text.data(), static_cast<int32_t>(Text.size()), Size));
    return Size.cx;
}

// Justification added to each blank of a text of Blanks blanks drawn in one output.
std::vector<int32_t> BlankExtras(THeadlessCanvas& Canvas, int32_t Blanks) {
    std::vector<int32_t> Extras;
    for (int32_t I = 0; I < Blanks; ++I) {
        Canvas.TextOutAt(0, 0, " ", 1, 0, nullptr);
        Extras.push_back(Canvas.GetRecords().back().JustifyExtra);
    }
    return Extras;
}

} // namespace

TEST(HeadlessCanvasTest, MetricsFollowHeightAndStyle) {
    THeadlessCanvas Canvas;
    Canvas.SelectFont(CourierNew(), 0);
    TTextMetric M = Canvas.GetTextMetrics();
    EXPECT_EQ(M.Height, 12);
    EXPECT_EQ(M.Ascent, 9);
    EXPECT_EQ(M.Descent, 3);
    EXPECT_EQ(M.InternalLeading, 1);
    EXPECT_EQ(M.MaxCharWidth, 6);
    EXPECT_EQ(M.AveCharWidth, 6);
    EXPECT_EQ(M.Overhang, 0);

    Canvas.SelectFont(CourierNew(), fsBold | fsItalic);
    EXPECT_EQ(Canvas.GetTextMetrics().MaxCharWidth, 7);
    EXPECT_EQ(Canvas.GetFont().GetStyle(), fsBold | fsItalic);
    EXPECT_EQ(Canvas.GetFont().GetName(), "Courier New");

    // A positive height is the cell height: 12 is the cell of -11.
    TFont Cell = CourierNew();
    Cell.SetHeight(12);
    Canvas.SelectFont(Cell, 0);
    EXPECT_EQ(Canvas.GetTextMetrics().Height, 12);
    EXPECT_EQ(Canvas.GetTextMetrics().Ascent, 9);

    // Every height, however extreme, gives a consistent cell and a usable width.
    for (int32_t Height : {INT32_MIN, -100000, -1, 0, 1, 2, 9, 100000, INT32_MAX}) {
        for (TFontStyles Style : {TFontStyles(0), fsBold}) {
            M = THeadlessCanvas::FontMetrics(Height, Style);
            EXPECT_EQ(M.Ascent + M.Descent, M.Height) << Height;
            EXPECT_GT(M.Height, 0) << Height;
            EXPECT_GE(M.Descent, 0) << Height;
            EXPECT_LE(M.InternalLeading, M.Height - M.Descent) << Height;
            EXPECT_GE(M.MaxCharWidth, 1) << Height;
        }
    }
    EXPECT_EQ(THeadlessCanvas::FontMetrics(0, 0).Height, 12); // default size
}

TEST(HeadlessCanvasTest, TextExtentsAndTheirFailures) {
    THeadlessCanvas Canvas;
    Canvas.SelectFont(CourierNew(), 0);
    TSize Size;
    EXPECT_TRUE(Canvas.GetTextExtent("abc", 3, Size));
    EXPECT_EQ(Size, (TSize{18, 12}));
    EXPECT_TRUE(Canvas.GetTextExtent("", 0, Size));
    EXPECT_EQ(Size, (TSize{0, 12}));
    Canvas.SelectFont(CourierNew(), fsBold);
    EXPECT_EQ(Extent(Canvas, "abc"), 21);

    // Blank width and overhang as line breaking derives them from one and two
    // blanks; the overhang is not part of a text's advance.
    Canvas.SetOverhang(2);
    const int32_t E1 = Extent(Canvas, " ");
    const int32_t E2 = Extent(Canvas, "  ");
    EXPECT_EQ(E2 - E1, 7);
    EXPECT_EQ(2 * E1 - E2, 2);
    EXPECT_EQ(Canvas.GetTextMetrics().Overhang, 2);
    EXPECT_EQ(Extent(Canvas, ""), 0);
    Canvas.MoveTo(0, 0);
    Canvas.TextOutAtPen("  ", 2);
    EXPECT_EQ(Canvas.GetPenPos().X, 14);
    Canvas.SetOverhang(-5);
    EXPECT_EQ(Canvas.GetTextMetrics().Overhang, 0);

    // Failures: the switch, a negative length, missing text. Each is counted.
    Canvas.ResetTextExtentCalls();
    Size = {5, 5};
    EXPECT_FALSE(Canvas.GetTextExtent("ab", -1, Size));
    EXPECT_EQ(Size, (TSize{0, 0}));
    EXPECT_FALSE(Canvas.GetTextExtent(nullptr, 2, Size));
    Canvas.SetTextExtentFails(true);
    EXPECT_FALSE(Canvas.GetTextExtent("ab", 2, Size));
    Canvas.SetTextExtentFails(false);
    EXPECT_TRUE(Canvas.GetTextExtent("ab", 2, Size));
    EXPECT_EQ(Canvas.GetTextExtentCalls(), 4);

    // A huge font over a long text saturates instead of wrapping round.
    TFont Huge = CourierNew();
    Huge.SetHeight(-32767);
    Canvas.SelectFont(Huge, 0);
    const std::string Long(200000, 'm');
    EXPECT_EQ(Extent(Canvas, Long), INT32_MAX);
}

TEST(HeadlessCanvasTest, PerByteWidthsForProportionalText) {
    THeadlessCanvas Canvas;
    Canvas.SelectFont(CourierNew(), 0);
    Canvas.SetCharWidth('i', 2);
    Canvas.SetCharWidth('W', 10);
    EXPECT_EQ(Extent(Canvas, "iWx"), 2 + 10 + 6);
    EXPECT_EQ(Canvas.GetTextMetrics().MaxCharWidth, 10);
    EXPECT_EQ(Canvas.GetTextMetrics().AveCharWidth, 6);

    // Overrides survive font changes; bold adds one to every byte.
    Canvas.SelectFont(CourierNew(), fsBold);
    EXPECT_EQ(Extent(Canvas, "iWx"), 3 + 11 + 7);
    EXPECT_EQ(Canvas.GetTextMetrics().MaxCharWidth, 11);
    Canvas.MoveTo(0, 9);
    Canvas.TextOutAtPen("iW", 2);
    EXPECT_EQ(Canvas.GetPenPos(), (TPoint{14, 9}));

    Canvas.SetCharWidth('W', -1);
    EXPECT_EQ(Extent(Canvas, "W"), 7);

    // Zero-width bytes are allowed, yet the maximum width stays a usable divisor.
    for (int Ch = 0; Ch < 256; ++Ch)
        Canvas.SetCharWidth(static_cast<uint8_t>(Ch), 0);
    Canvas.SelectFont(CourierNew(), 0);
    EXPECT_EQ(Extent(Canvas, "abc"), 0);
    EXPECT_EQ(Canvas.GetTextMetrics().MaxCharWidth, 1);
    Canvas.SelectFont(CourierNew(), fsBold);
    EXPECT_EQ(Extent(Canvas, "abc"), 3);
    EXPECT_EQ(Canvas.GetTextMetrics().MaxCharWidth, 1);

    Canvas.ClearCharWidths();
    EXPECT_EQ(Extent(Canvas, "iW"), 14);
    EXPECT_EQ(Canvas.GetTextMetrics().MaxCharWidth, 7);
}

TEST(HeadlessCanvasTest, TextOutputIsRecordedWithItsState) {
    THeadlessCanvas Canvas;
    TFont Font = CourierNew();
    Font.SetColor(clRed);
    Canvas.SelectFont(Font, fsUnderline);
    EXPECT_EQ(Canvas.GetTextColor(), clBlack); // the font's colour is not the text colour
    Canvas.SetTextColor(clBlue);
    Canvas.SetBkMode(bkTransparent);
    Canvas.MoveTo(10, 9);
    Canvas.TextOutAtPen("ab", 2);
    Canvas.TextOutAtPen("c", 1);
    EXPECT_EQ(Canvas.GetPenPos(), (TPoint{28, 9}));

    Canvas.SetBkMode(bkOpaque);
    Canvas.SetBkColor(clYellow);
    const TRect Cell{0, 0, 8, 13};
    Canvas.TextOutAt(2, 9, "\xB6", 1, etoOpaque | etoClipped, &Cell);
    EXPECT_EQ(Canvas.GetPenPos(), (TPoint{28, 9}));

    const auto& Records = Canvas.GetRecords();
    ASSERT_EQ(Records.size(), 3u);
    const TCanvasRecord& First = Records[0];
    EXPECT_EQ(First.Op, coTextOut);
    EXPECT_EQ(First.Text, "ab");
    EXPECT_EQ(First.From, (TPoint{10, 9}));
    EXPECT_EQ(First.To, (TPoint{22, 9}));
    EXPECT_TRUE(First.AtPen);
    EXPECT_EQ(First.FontName, "Courier New");
    EXPECT_EQ(First.FontHeight, -11);
    EXPECT_EQ(First.FontStyle, fsUnderline);
    EXPECT_EQ(First.Color, clBlue);
    EXPECT_EQ(First.BkMode, bkTransparent);
    EXPECT_EQ(Records[1].From, (TPoint{22, 9}));

    const TCanvasRecord& Glyph = Records[2];
    EXPECT_FALSE(Glyph.AtPen);
    EXPECT_EQ(Glyph.Text, "\xB6");
    EXPECT_EQ(Glyph.Options, etoOpaque | etoClipped);
    EXPECT_EQ(Glyph.Rect, Cell);
    EXPECT_EQ(Glyph.BkMode, bkOpaque);
    EXPECT_EQ(Glyph.BkColor, clYellow);

    // Bad lengths draw nothing but are still seen.
    Canvas.TextOutAtPen("x", -4);
    Canvas.TextOutAtPen(nullptr, 3);
    EXPECT_EQ(Canvas.GetPenPos(), (TPoint{28, 9}));
    EXPECT_EQ(Canvas.RecordsOf(coTextOut).back().Text, "");
}

TEST(HeadlessCanvasTest, JustificationSharesTheExtraPixelsOverTheBlanks) {
    THeadlessCanvas Canvas;
    Canvas.SelectFont(CourierNew(), 0);

    // After k of n blanks, k * (e div n) + (e mod n div 2 + k * (e mod n)) div n
    // pixels have been added: the distribution a caret position computation
    // must reproduce. Whole blanks get e exactly.
    for (auto [BreakExtra, Count] : {std::pair{7, 3}, {5, 4}, {1, 1}, {0, 5}, {19, 6}, {3, 8}}) {
        Canvas.SetTextJustification(BreakExtra, Count);
        const std::vector<int32_t> Extras = BlankExtras(Canvas, Count);
        int32_t Sum = 0;
        for (int32_t K = 1; K <= Count; ++K) {
            Sum += Extras[K - 1];
            const int32_t Rem = BreakExtra % Count;
            EXPECT_EQ(Sum, K * (BreakExtra / Count) + (Rem / 2 + K * Rem) / Count)
                << BreakExtra << " over " << Count << ", blank " << K;
        }
        EXPECT_EQ(Sum, BreakExtra);
    }
    // A negative extra narrows every blank by its share.
    Canvas.SetTextJustification(-5, 2);
    EXPECT_EQ(BlankExtras(Canvas, 2), (std::vector<int32_t>{-2, -2}));

    // The distribution runs on across outputs and moves the pen; non-blank
    // bytes get nothing and measuring ignores justification.
    Canvas.SetTextJustification(7, 3);
    Canvas.MoveTo(0, 9);
    Canvas.TextOutAtPen("a b", 3);
    Canvas.TextOutAtPen(" c d", 4);
    const auto Texts = Canvas.RecordsOf(coTextOut);
    EXPECT_EQ(Texts[Texts.size() - 2].JustifyExtra, 2);
    EXPECT_EQ(Texts.back().JustifyExtra, 5);
    EXPECT_EQ(Canvas.GetPenPos().X, 7 * 6 + 7);
    EXPECT_EQ(Extent(Canvas, "a b"), 18);

    Canvas.SetTextJustification(0, 0);
    Canvas.TextOutAtPen("  ", 2);
    EXPECT_EQ(Canvas.GetRecords().back().JustifyExtra, 0);
}

TEST(HeadlessCanvasTest, LinesAreasAndTheRecordingSwitch) {
    THeadlessCanvas Canvas;
    const TPen Saved = Canvas.GetPen();
    Canvas.SetPen(TPen(clGray, 1, psDot));
    Canvas.MoveTo(5, 0);
    Canvas.LineTo(5, 20);
    Canvas.LineTo(9, 24);
    EXPECT_EQ(Canvas.GetPenPos(), (TPoint{9, 24}));
    Canvas.SetPen(Saved);
    EXPECT_TRUE(Canvas.GetPen() == TPen());

    Canvas.FillRect({0, 0, 100, 13}, clWindow);
    Canvas.InvertRect({-32768, 0, 32767, 13});

    const auto& Records = Canvas.GetRecords();
    ASSERT_EQ(Records.size(), 4u);
    EXPECT_EQ(Records[0].Op, coLine);
    EXPECT_EQ(Records[0].From, (TPoint{5, 0}));
    EXPECT_EQ(Records[0].To, (TPoint{5, 20}));
    EXPECT_EQ(Records[0].Color, clGray);
    EXPECT_EQ(Records[0].PenStyle, psDot);
    EXPECT_EQ(Records[1].From, (TPoint{5, 20}));
    EXPECT_EQ(Records[2].Op, coFillRect);
    EXPECT_EQ(Records[2].Rect, (TRect{0, 0, 100, 13}));
    EXPECT_EQ(Records[2].Color, clWindow);
    EXPECT_EQ(Records[3].Op, coInvertRect);
    EXPECT_EQ(Records[3].Rect.Left, -32768);

    // Without recording the pen still moves, so later records stay right.
    Canvas.ClearRecords();
    Canvas.SetRecording(false);
    Canvas.MoveTo(0, 9);
    Canvas.TextOutAtPen("abc", 3);
    Canvas.LineTo(40, 9);
    Canvas.FillRect({0, 0, 1, 1}, clRed);
    EXPECT_TRUE(Canvas.GetRecords().empty());
    Canvas.SetRecording(true);
    Canvas.LineTo(50, 9);
    ASSERT_EQ(Canvas.GetRecords().size(), 1u);
    EXPECT_EQ(Canvas.GetRecords()[0].From, (TPoint{40, 9}));
}

TEST(HeadlessCanvasTest, LinesComposedOffscreenAreCopiedToTheWindow) {
    THeadlessOffscreenCanvas Bitmap(-5, 13);
    EXPECT_EQ(Bitmap.GetWidth(), 0);
    Bitmap.SetWidth(200);
    EXPECT_EQ(Bitmap.GetWidth(), 200);
    EXPECT_EQ(Bitmap.GetHeight(), 13);
    Bitmap.SetHeight(-1);
    EXPECT_EQ(Bitmap.GetHeight(), 0);
    Bitmap.SetSize(200, 13);

    THeadlessCanvas Window;
    TCanvas& Surface = Bitmap; // drawn through the port, as painting does
    for (int32_t Line = 0; Line < 2; ++Line) {
        Surface.FillRect({0, 0, 200, 13}, clWhite);
        Surface.MoveTo(8, 9);
        Surface.TextOutAtPen("line", 4);
        Window.CopyFrom({0, Line * 13, 200, (Line + 1) * 13}, Bitmap, {0, 0});
    }
    const auto Copies = Window.RecordsOf(coCopyFrom);
    ASSERT_EQ(Copies.size(), 2u);
    EXPECT_EQ(Copies[0].Source, &Bitmap);
    EXPECT_EQ(Copies[0].SourceRecordCount, 2);
    EXPECT_EQ(Copies[1].SourceRecordCount, 4);
    EXPECT_EQ(Copies[1].Rect, (TRect{0, 13, 200, 26}));
    EXPECT_EQ(Copies[1].SourceOrigin, (TPoint{0, 0}));
}
