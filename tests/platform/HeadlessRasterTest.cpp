#include "framework/TPicture.h"
#include "platform/headless/THeadlessCanvas.h"
#include "platform/headless/THeadlessOffscreenCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace korvel;

namespace {

TPicture Numbered(int32_t Width, int32_t Height) {
    TPicture Picture(Width, Height);
    for (int32_t Y = 0; Y < Height; ++Y)
        for (int32_t X = 0; X < Width; ++X)
            Picture.SetPixel(X, Y, 0x010101 * (1 + X + Width * Y));
    return Picture;
}

// The raster as rows of characters: '.' white, then one letter per colour
// as listed in Legend (its position + 'a'), '?' for any other.
std::string Rows(const THeadlessCanvas& Canvas, const std::vector<TColor>& Legend) {
    std::string Out;
    for (int32_t Y = 0; Y < Canvas.GetRasterHeight(); ++Y) {
        for (int32_t X = 0; X < Canvas.GetRasterWidth(); ++X) {
            const TColor Pixel = Canvas.GetPixel(X, Y);
            const auto Found = std::find(Legend.begin(), Legend.end(), Pixel);
            Out += Pixel == clWhite        ? '.'
                   : Found != Legend.end() ? static_cast<char>('a' + (Found - Legend.begin()))
                                           : '?';
        }
        Out += '\n';
    }
    return Out;
}

} // namespace

TEST(HeadlessRasterTest, RectanglesPicturesAndCopies) {
    THeadlessOffscreenCanvas Canvas(10, 4);
    EXPECT_EQ(Canvas.GetPixel(0, 0), clNone); // no raster yet
    Canvas.EnableRaster();
    Canvas.FillRect({2, 1, 5, 3}, clRed);
    Canvas.FillRect({-5, -5, 1, 1}, clRed);
    Canvas.InvertRect({4, 0, 6, 2});
    const TPicture Picture = Numbered(3, 2);
    // The source runs out of the picture after two columns.
    Canvas.DrawPicture({6, 2, 9, 4}, Picture, {1, 0});
    // Inverted: white turns black, red cyan; '?' is the picture.
    EXPECT_EQ(Rows(Canvas, {clRed, clBlack, 0x00FFFF00}), "a...bb....\n"
                                                          "..aacb....\n"
                                                          "..aaa.??..\n"
                                                          "......??..\n");
    EXPECT_EQ(Canvas.GetPixel(6, 2), Picture.GetPixel(1, 0));
    EXPECT_EQ(Canvas.GetPixel(7, 3), Picture.GetPixel(2, 1));
    EXPECT_EQ(Canvas.GetPixel(8, 2), clWhite);
    const TCanvasRecord Tile = Canvas.GetRecords().back();
    EXPECT_EQ(Tile.Op, coDrawPicture);
    EXPECT_EQ(Tile.Picture, &Picture);
    EXPECT_EQ(Tile.Rect, (TRect{6, 2, 9, 4}));
    EXPECT_EQ(Tile.SourceOrigin, (TPoint{1, 0}));

    // A copy takes the source's pixels; what lies outside the source stays.
    THeadlessOffscreenCanvas Window(6, 3);
    Window.EnableRaster();
    Window.CopyFrom({0, 0, 6, 2}, Canvas, {1, 1});
    EXPECT_EQ(Rows(Window, {clRed, 0x00FFFF00, clBlack}), ".aabc.\n"
                                                          ".aaa.?\n"
                                                          "......\n");
    Window.CopyFrom({0, 2, 6, 3}, Canvas, {8, 3}); // two pixels inside the source
    EXPECT_EQ(Window.GetPixel(0, 2), clWhite);
    EXPECT_EQ(Window.GetPixel(2, 2), clWhite);

    // Resizing keeps a raster of the new size, white again.
    Canvas.SetSize(3, 1);
    EXPECT_EQ(Rows(Canvas, {}), "...\n");
    Canvas.SetSize(0, 5);
    EXPECT_FALSE(Canvas.HasRaster());
}

TEST(HeadlessRasterTest, TextCellsBoxesAndLines) {
    // "Courier New" -11: 6 pixels a byte, ascent 9 with 1 of leading,
    // descent 3: a box spans the 8 rows above the baseline.
    TFont Font;
    Font.SetName("Courier New");
    Font.SetHeight(-11);
    THeadlessOffscreenCanvas Canvas(24, 13);
    Canvas.EnableRaster();
    Canvas.SelectFont(Font, fsUnderline);
    Canvas.SetTextColor(clBlue);
    Canvas.SetBkColor(clYellow);
    Canvas.SetTextJustification(2, 1);
    Canvas.TextOutAt(1, 9, "a b", 3, 0, nullptr);
    // The cell (rows 0 to 11) of 6 + 8 + 6 pixels, the blank widened by
    // the justification; the underline on row 10.
    EXPECT_EQ(Rows(Canvas, {clBlue, clYellow}), ".bbbbbbbbbbbbbbbbbbbb...\n"
                                                ".aaaaabbbbbbbbbaaaaab...\n"
                                                ".aaaaabbbbbbbbbaaaaab...\n"
                                                ".aaaaabbbbbbbbbaaaaab...\n"
                                                ".aaaaabbbbbbbbbaaaaab...\n"
                                                ".aaaaabbbbbbbbbaaaaab...\n"
                                                ".aaaaabbbbbbbbbaaaaab...\n"
                                                ".aaaaabbbbbbbbbaaaaab...\n"
                                                ".aaaaabbbbbbbbbaaaaab...\n"
                                                ".bbbbbbbbbbbbbbbbbbbb...\n"
                                                ".aaaaaaaaaaaaaaaaaaaa...\n"
                                                ".bbbbbbbbbbbbbbbbbbbb...\n"
                                                "........................\n");

    // Transparent text leaves the background; a clipped one stays inside
    // its rectangle.
    Canvas.SetRasterSize(24, 13);
    Canvas.SelectFont(Font, 0);
    Canvas.SetBkMode(bkTransparent);
    const TRect Clip{0, 0, 8, 13};
    Canvas.TextOutAt(0, 9, "xx", 2, etoClipped, &Clip);
    EXPECT_EQ(Canvas.GetPixel(4, 5), clBlue);
    EXPECT_EQ(Canvas.GetPixel(5, 5), clWhite); // between the boxes
    EXPECT_EQ(Canvas.GetPixel(6, 5), clBlue);
    EXPECT_EQ(Canvas.GetPixel(8, 5), clWhite); // clipped

    // Lines leave out their end point; wide pens are squares; far end
    // points cost nothing; psClear draws nothing.
    Canvas.SetRasterSize(8, 5);
    Canvas.SetPen(TPen(clRed, 1, psSolid));
    Canvas.MoveTo(0, 0);
    Canvas.LineTo(4, 0);
    Canvas.LineTo(4, 1'000'000'000);
    Canvas.SetPen(TPen(clGreen, 3, psSolid));
    Canvas.MoveTo(6, 3);
    Canvas.LineTo(7, 3);
    Canvas.SetPen(TPen(clGreen, 1, psClear));
    Canvas.MoveTo(0, 4);
    Canvas.LineTo(3, 4);
    EXPECT_EQ(Rows(Canvas, {clRed, clGreen}), "aaaaa...\n"
                                              "....a...\n"
                                              "....abbb\n"
                                              "....abbb\n"
                                              "....abbb\n");
}
