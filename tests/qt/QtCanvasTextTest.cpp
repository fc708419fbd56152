#include "QtTestSupport.h"

#include "platform/headless/THeadlessCanvas.h"
#include "platform/qt/TQtFontFace.h"

#include <QGlyphRun>
#include <QPainter>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace korvel;
using namespace korvel::qttest;

namespace {

std::string ByteRange(int First, int Last) {
    std::string Text;
    for (int Ch = First; Ch <= Last; ++Ch)
        Text += static_cast<char>(Ch);
    return Text;
}

} // namespace

// Measuring is a walk over the advance table and drawing places every glyph
// where that walk puts it: the pen advance is the extent, and the text drawn
// at once is pixel for pixel the text drawn byte by byte at measured places.
TEST(QtCanvasTextTest, WhatIsMeasuredIsWhatIsDrawn) {
    const TFont Fonts[] = {
        MakeFont("Courier New", -11),    MakeFont("Courier New", -11, fsBold),
        MakeFont("MS Sans Serif", -11),  MakeFont("Arial", -16, fsItalic),
        MakeFont("Times New Roman", 20), MakeFont("Arial", -13, fsUnderline | fsStrikeOut),
    };
    const std::string Texts[] = {ByteRange(0x20, 0x7E), ByteRange(0x80, 0xFF),
                                 "<td class=\"x\">Caf\xE9 \x80 5</td>"};
    for (const TFont& Font : Fonts) {
        for (const std::string& Text : Texts) {
            SCOPED_TRACE(Font.GetName() + " " + std::to_string(Font.GetHeight()) + " style " +
                         std::to_string(Font.GetStyle()) + ": " + Text.substr(0, 8));
            TQtOffscreenCanvas Whole(2400, 48);
            TQtOffscreenCanvas Bytewise(2400, 48);
            for (TQtOffscreenCanvas* Canvas : {&Whole, &Bytewise}) {
                Canvas->SelectFont(Font, Font.GetStyle());
                Canvas->SetBkMode(bkTransparent);
            }
            const int32_t Width = Extent(Whole, Text);
            Whole.MoveTo(3, 32);
            Whole.TextOutAtPen(Text.data(), static_cast<int32_t>(Text.size()));
            EXPECT_EQ(Whole.GetPenPos(), (TPoint{3 + Width, 32}));

            int32_t X = 3;
            for (char Ch : Text) {
                Bytewise.TextOutAt(X, 32, &Ch, 1, 0, nullptr);
                X += Extent(Bytewise, std::string(1, Ch));
            }
            EXPECT_EQ(X - 3, Width);
            EXPECT_FALSE(InkBounds(Whole.GetImage(), QRect(0, 0, 400, 48)).isEmpty());
            if ((Font.GetStyle() & (fsUnderline | fsStrikeOut)) == 0) {
                EXPECT_TRUE(Snapshot(Whole) == Snapshot(Bytewise));
            }
        }
    }
}

// Drawing leaves out the glyphs a face calls blank: Qt itself draws nothing
// for them, and the blank and the no-break space are among them.
TEST(QtCanvasTextTest, GlyphsLeftOutAsBlankDrawNothing) {
    const TFont Fonts[] = {MakeFont("Courier New", -11), MakeFont("Courier New", -11, fsBold),
                           MakeFont("MS Sans Serif", -11), MakeFont("Arial", -16, fsItalic),
                           MakeFont("Liberation Mono", -11)};
    for (const TFont& Font : Fonts) {
        SCOPED_TRACE(Font.GetName() + " " + std::to_string(Font.GetStyle()));
        const TQtFontFace& Face = TQtFontFace::Get(Font, Font.GetStyle());
        EXPECT_TRUE(Face.IsBlank(' '));
        EXPECT_TRUE(Face.IsBlank(0xA0));
        int Blanks = 0;
        for (int Ch = 0; Ch < 256; ++Ch) {
            const auto Byte = static_cast<uint8_t>(Ch);
            if (!Face.IsBlank(Byte))
                continue;
            ++Blanks;
            QImage Image(40, 40, QImage::Format_RGB32);
            Image.fill(Qt::white);
            QPainter Painter(&Image);
            Painter.setPen(Qt::black);
            Painter.scale(2, 2); // as on a device of twice the density
            const quint32 Glyph = Face.GetGlyph(Byte);
            const QPointF At(2, 14);
            QGlyphRun Run;
            Run.setRawFont(Face.GetRawFont(Face.GetRawFontIndex(Byte)));
            Run.setRawData(&Glyph, &At, 1);
            Painter.drawGlyphRun(QPointF(0, 0), Run);
            Painter.end();
            EXPECT_EQ(InkBounds(Image, Image.rect()), QRect()) << "byte " << Ch;
        }
        EXPECT_EQ(Blanks, 2); // white space only; control bytes draw a box
        EXPECT_FALSE(Face.IsBlank('\t'));
    }
    // Text with blanks draws the same glyphs at the same places as its words
    // drawn one by one.
    const TFont Font = MakeFont("Courier New", -11);
    TQtOffscreenCanvas Whole(200, 20);
    TQtOffscreenCanvas Pieces(200, 20);
    Whole.SelectFont(Font, 0);
    Pieces.SelectFont(Font, 0);
    Whole.SetBkMode(bkTransparent);
    Pieces.SetBkMode(bkTransparent);
    const std::string Text = "  <td> a\xA0"
                             "b  c </td>";
    Whole.TextOutAt(3, 14, Text.data(), static_cast<int32_t>(Text.size()), 0, nullptr);
    int32_t X = 3;
    for (const char Ch : Text) {
        if (Ch != ' ' && Ch != '\xA0')
            Pieces.TextOutAt(X, 14, &Ch, 1, 0, nullptr);
        X += Extent(Pieces, std::string(1, Ch));
    }
    EXPECT_EQ(Snapshot(Whole), Snapshot(Pieces));
    EXPECT_FALSE(InkBounds(Snapshot(Whole), QRect(0, 0, 200, 20)).isEmpty());
}

// The canvas offers its byte advances for line breaking: for real fonts in
// every style, the extent of any text is the sum of its bytes' advances, and
// selecting another font offers that font's table.
TEST(QtCanvasTextTest, ByteAdvancesSumToTheExtentOfAnyText) {
    const TFont Fonts[] = {
        MakeFont("Courier New", -11),
        MakeFont("MS Sans Serif", -11, fsBold),
        MakeFont("Arial", -16, fsItalic),
        MakeFont("Times New Roman", 20),
        MakeFont("Arial", -13, fsUnderline | fsStrikeOut | fsBold),
    };
    std::mt19937 Random(7);
    TQtCanvas Canvas;
    std::vector<TByteAdvances> Tables;
    for (const TFont& Font : Fonts) {
        SCOPED_TRACE(Font.GetName() + " style " + std::to_string(Font.GetStyle()));
        Canvas.SelectFont(Font, Font.GetStyle());
        TByteAdvances Advances{};
        ASSERT_TRUE(Canvas.GetByteAdvances(Advances));
        Tables.push_back(Advances);
        for (int Round = 0; Round < 200; ++Round) {
            std::string Text(Random() % 300, '\0');
            for (char& Ch : Text)
                Ch = static_cast<char>(Round % 2 == 0 ? 32 + Random() % 95 : Random() % 256);
            int64_t Sum = 0;
            for (const char Ch : Text)
                Sum += Advances[static_cast<uint8_t>(Ch)];
            ASSERT_EQ(Extent(Canvas, Text), Sum) << "round " << Round;
        }
    }
    EXPECT_NE(Tables[0], Tables[2]);
}

TEST(QtCanvasTextTest, TextSitsOnItsBaseline) {
    TQtOffscreenCanvas Canvas(60, 40);
    Canvas.SelectFont(MakeFont("Courier New", -11), 0);
    const TTextMetric M = Canvas.GetTextMetrics();
    Canvas.SetBkMode(bkTransparent);
    Canvas.TextOutAt(2, 20, "H", 1, 0, nullptr);
    Canvas.TextOutAt(20, 20, "g", 1, 0, nullptr);
    const QImage Image = Snapshot(Canvas);

    // Capitals stand on the baseline row, inside the ascent.
    const QRect H = InkBounds(Image, QRect(0, 0, 18, 40));
    ASSERT_FALSE(H.isEmpty());
    EXPECT_EQ(H.bottom(), 19);
    EXPECT_GE(H.top(), 20 - M.Ascent);
    EXPECT_GE(H.left(), 2);
    // Descenders go below it, inside the descent.
    const QRect G = InkBounds(Image, QRect(18, 0, 40, 40));
    ASSERT_FALSE(G.isEmpty());
    EXPECT_GT(G.bottom(), 19);
    EXPECT_LT(G.bottom(), 20 + M.Descent);
}

TEST(QtCanvasTextTest, BackgroundFillsEachCellOnlyWhenOpaque) {
    TQtOffscreenCanvas Canvas(200, 40);
    Canvas.SelectFont(MakeFont("Courier New", -11), 0);
    const TTextMetric M = Canvas.GetTextMetrics();
    const std::string Text = "ab  c";
    const int32_t Width = Extent(Canvas, Text);
    const QColor Red(255, 0, 0);
    Canvas.SetBkColor(clRed);
    Canvas.SetTextColor(clBlue);

    Canvas.TextOutAt(10, 20, Text.data(), 5, 0, nullptr); // opaque is the default mode
    Canvas.SetBkMode(bkTransparent);
    Canvas.TextOutAt(100, 20, Text.data(), 5, 0, nullptr);
    const QImage Image = Snapshot(Canvas);

    // Opaque: the cells, and nothing around them, take the background; the
    // blanks' cells too.
    const QRect Cells(10, 20 - M.Ascent, Width, M.Height);
    for (int Y = Cells.top() - 1; Y <= Cells.bottom() + 1; ++Y) {
        for (int X = Cells.left() - 1; X <= Cells.right() + 1; ++X) {
            const QColor Pixel = Image.pixelColor(X, Y);
            if (!Cells.contains(X, Y))
                EXPECT_EQ(Pixel, QColor(Qt::white)) << X << "," << Y;
            else
                EXPECT_NE(Pixel, QColor(Qt::white)) << X << "," << Y;
        }
    }
    const int32_t BlankX = 10 + Extent(Canvas, "ab") + 1;
    EXPECT_EQ(Image.pixelColor(BlankX, 20 - M.Ascent), Red);
    EXPECT_EQ(Image.pixelColor(BlankX, 20 + M.Descent - 1), Red);
    // Transparent: the same blank stays white, and the text is drawn.
    EXPECT_EQ(Image.pixelColor(BlankX + 90, 20 - 3), QColor(Qt::white));
    EXPECT_FALSE(InkBounds(Image, QRect(100, 0, 100, 40)).isEmpty());
}

TEST(QtCanvasTextTest, TextOutAtHonoursOpaqueAndClippedRectangles) {
    TQtOffscreenCanvas Canvas(200, 40);
    Canvas.SelectFont(MakeFont("Courier New", -11), 0);
    Canvas.SetBkMode(bkTransparent);
    Canvas.SetBkColor(clYellow);
    const TRect Rect{5, 5, 30, 30};
    Canvas.TextOutAt(8, 20, "WWWWWWWWWW", 10, etoOpaque | etoClipped, &Rect);
    Canvas.TextOutAt(8, 20, "x", 1, 0, nullptr); // the pen is not moved by TextOutAt
    EXPECT_EQ(Canvas.GetPenPos(), (TPoint{0, 0}));
    const QImage Image = Snapshot(Canvas);
    EXPECT_EQ(Image.pixelColor(5, 5), QColor(255, 255, 0));
    EXPECT_EQ(Image.pixelColor(29, 29), QColor(255, 255, 0));
    EXPECT_EQ(Image.pixelColor(30, 29), QColor(Qt::white));
    EXPECT_FALSE(InkBounds(Image, QRect(8, 0, 22, 40)).isEmpty());
    EXPECT_TRUE(InkBounds(Image, QRect(30, 0, 170, 40)).isEmpty());
}

// The accumulator that shares the extra pixels among blanks is the same as
// the headless canvas's, whose model the engine's tests rely on.
TEST(QtCanvasTextTest, JustificationDistributesLikeTheModel) {
    const std::pair<int32_t, int32_t> Settings[] = {{7, 3},  {10, 4}, {1, 5},  {0, 3},
                                                    {13, 1}, {5, 7},  {-4, 3}, {100, 9}};
    TQtOffscreenCanvas Canvas(4000, 30);
    THeadlessCanvas Model;
    Canvas.SelectFont(MakeFont("Courier New", -11), 0);
    const int32_t Blank = Extent(Canvas, " ");
    for (const auto& [Extra, Count] : Settings) {
        SCOPED_TRACE(std::to_string(Extra) + " over " + std::to_string(Count));
        Canvas.SetTextJustification(Extra, Count);
        Model.SetTextJustification(Extra, Count);
        Canvas.MoveTo(0, 20);
        int32_t Sum = 0;
        // Twice the count: the distribution runs on across outputs.
        for (int32_t I = 0; I < 2 * Count; ++I) {
            const int32_t Before = Canvas.GetPenPos().X;
            Canvas.TextOutAtPen(" ", 1);
            Model.TextOutAt(0, 0, " ", 1, 0, nullptr);
            EXPECT_EQ(Canvas.GetPenPos().X - Before - Blank, Model.GetRecords().back().JustifyExtra)
                << "blank " << I;
            if (I < Count)
                Sum += Canvas.GetPenPos().X - Before - Blank;
        }
        if (Extra >= 0) {
            EXPECT_EQ(Sum, Extra);
        }
        // Measuring ignores justification.
        EXPECT_EQ(Extent(Canvas, "a b"), 3 * Blank);
    }
    Canvas.SetTextJustification(0, 0);
    Canvas.MoveTo(0, 20);
    Canvas.TextOutAtPen("a b", 3);
    EXPECT_EQ(Canvas.GetPenPos().X, 3 * Blank);
}

TEST(QtCanvasTextTest, JustifiedGlyphsAndUnderlineMoveWithTheirBlanks) {
    TQtOffscreenCanvas Justified(120, 30);
    TQtOffscreenCanvas Placed(120, 30);
    for (TQtOffscreenCanvas* Canvas : {&Justified, &Placed}) {
        Canvas->SelectFont(MakeFont("Courier New", -11), 0);
        Canvas->SetBkMode(bkTransparent);
    }
    Justified.SetTextJustification(9, 2);
    Justified.TextOutAt(4, 20, "a b c", 5, 0, nullptr);
    // 9 over 2 blanks: 4 each, the odd pixel to the second (the accumulator
    // starts at half the remainder).
    const int32_t A = Extent(Placed, "a ");
    Placed.TextOutAt(4, 20, "a", 1, 0, nullptr);
    Placed.TextOutAt(4 + A + 4, 20, "b", 1, 0, nullptr);
    Placed.TextOutAt(4 + 2 * A + 9, 20, "c", 1, 0, nullptr);
    EXPECT_TRUE(Snapshot(Justified) == Snapshot(Placed));

    // An underline runs under the whole justified width and no further.
    TQtOffscreenCanvas Underlined(120, 30);
    Underlined.SelectFont(MakeFont("Courier New", -11), fsUnderline);
    Underlined.SetBkMode(bkTransparent);
    Underlined.SetTextJustification(9, 2);
    Underlined.MoveTo(4, 20);
    Underlined.TextOutAtPen("a b c", 5);
    const int32_t End = Underlined.GetPenPos().X;
    EXPECT_EQ(End, 4 + 5 * Extent(Underlined, " ") + 9);
    const QImage Image = Snapshot(Underlined);
    const int Row = 20 + Underlined.GetFace().GetUnderlineOffset();
    EXPECT_EQ(InkBounds(Image, QRect(0, Row, 120, 1)), QRect(4, Row, End - 4, 1));
}
