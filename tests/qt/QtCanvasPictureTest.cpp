#include "QtTestSupport.h"

#include "framework/TPicture.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::qttest;

namespace {

TPicture Numbered(int32_t Width, int32_t Height) {
    TPicture Picture(Width, Height);
    for (int32_t Y = 0; Y < Height; ++Y)
        for (int32_t X = 0; X < Width; ++X)
            Picture.SetPixel(X, Y, 0x102030 * (1 + X + Width * Y) & 0xFFFFFF);
    return Picture;
}

QRgb Rgb(TColor Color) {
    return qRgb(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
}

} // namespace

TEST(QtCanvasPictureTest, TilesAreCopiedPixelForPixel) {
    const TPicture Picture = Numbered(3, 2);
    TQtOffscreenCanvas Canvas(10, 4);
    Canvas.DrawPicture({1, 1, 4, 3}, Picture, {0, 0});
    // From column 1 on: two columns lie inside the picture, the rest of the
    // rectangle is left alone.
    Canvas.DrawPicture({6, 0, 10, 2}, Picture, {1, 0});
    const QImage Image = Snapshot(Canvas);
    for (int32_t Y = 0; Y < 2; ++Y)
        for (int32_t X = 0; X < 3; ++X)
            EXPECT_EQ(Image.pixel(1 + X, 1 + Y), Rgb(Picture.GetPixel(X, Y))) << X << "," << Y;
    EXPECT_EQ(Image.pixel(6, 0), Rgb(Picture.GetPixel(1, 0)));
    EXPECT_EQ(Image.pixel(7, 1), Rgb(Picture.GetPixel(2, 1)));
    EXPECT_EQ(Image.pixel(8, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Image.pixel(4, 1), qRgb(255, 255, 255));

    // Picture pixels are logical: at twice the pixel ratio each covers 2 x 2.
    TQtOffscreenCanvas Sharp(4, 2, 2.0);
    Sharp.DrawPicture({0, 0, 2, 1}, Picture, {1, 1});
    const QImage Physical = Snapshot(Sharp);
    for (int Y = 0; Y < 2; ++Y) {
        for (int X = 0; X < 4; ++X)
            EXPECT_EQ(Physical.pixel(X, Y), Rgb(Picture.GetPixel(1 + X / 2, 1))) << X << "," << Y;
        EXPECT_EQ(Physical.pixel(4, Y), qRgb(255, 255, 255));
    }
}
