#include "QtTestSupport.h"

#include "framework/TPen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::qttest;

namespace {

// The pixels of Image that are not white, as "x,y" strings in row order.
std::vector<std::string> Drawn(const QImage& Image) {
    std::vector<std::string> Pixels;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X)
            if (Image.pixel(X, Y) != qRgb(255, 255, 255))
                Pixels.push_back(std::to_string(X) + "," + std::to_string(Y));
    return Pixels;
}

std::vector<std::string> LinePixels(const TPen& Pen, TPoint From, TPoint To) {
    TQtOffscreenCanvas Canvas(40, 40);
    Canvas.SetPen(Pen);
    Canvas.MoveTo(From.X, From.Y);
    Canvas.LineTo(To.X, To.Y);
    EXPECT_EQ(Canvas.GetPenPos(), To);
    return Drawn(Snapshot(Canvas));
}

} // namespace

TEST(QtCanvasDrawingTest, LinesLeaveOutTheirEndPointInEveryDirection) {
    const TPen Thin(clBlack, 1, psSolid);
    struct TCase {
        TPoint To;
        std::vector<std::string> Pixels;
    };
    const TCase Cases[] = {
        {{24, 20}, {"20,20", "21,20", "22,20", "23,20"}},
        {{16, 20}, {"17,20", "18,20", "19,20", "20,20"}},
        {{20, 23}, {"20,20", "20,21", "20,22"}},
        {{20, 17}, {"20,18", "20,19", "20,20"}},
        {{23, 23}, {"20,20", "21,21", "22,22"}},
        {{17, 17}, {"18,18", "19,19", "20,20"}},
        {{22, 16}, {"22,17", "21,18", "21,19", "20,20"}},
        {{20, 20}, {}},
    };
    for (const TCase& C : Cases)
        EXPECT_EQ(LinePixels(Thin, {20, 20}, C.To), C.Pixels) << C.To;
    // Width 0 is the thinnest pen as well.
    EXPECT_EQ(LinePixels(TPen(clBlack, 0, psSolid), {20, 20}, {23, 20}),
              (std::vector<std::string>{"20,20", "21,20", "22,20"}));
}

TEST(QtCanvasDrawingTest, PenStylesAndWidths) {
    // Dots are three pixels on, three off, counted from the start point.
    EXPECT_EQ(LinePixels(TPen(clBlack, 1, psDot), {2, 5}, {14, 5}),
              (std::vector<std::string>{"2,5", "3,5", "4,5", "8,5", "9,5", "10,5"}));
    std::vector<std::string> Dash = LinePixels(TPen(clBlack, 1, psDash), {0, 5}, {30, 5});
    EXPECT_EQ(Dash.size(), 18u + 6u);
    EXPECT_EQ(Dash[17], "17,5");
    EXPECT_EQ(Dash[18], "24,5");
    // The clear pen draws nothing but still moves.
    EXPECT_TRUE(LinePixels(TPen(clBlack, 1, psClear), {2, 5}, {14, 5}).empty());
    // A wide pen is solid whatever its style, centred on the line, with the
    // end point excluded.
    EXPECT_EQ(
        LinePixels(TPen(clBlack, 3, psDot), {2, 5}, {5, 5}),
        (std::vector<std::string>{"2,4", "3,4", "4,4", "2,5", "3,5", "4,5", "2,6", "3,6", "4,6"}));
    EXPECT_EQ(LinePixels(TPen(clBlack, 2, psSolid), {7, 9}, {7, 6}),
              (std::vector<std::string>{"6,7", "7,7", "6,8", "7,8", "6,9", "7,9"}));

    // The line takes the pen's colour.
    TQtOffscreenCanvas Canvas(10, 10);
    Canvas.SetPen(TPen(clRed, 1, psSolid));
    Canvas.MoveTo(0, 0);
    Canvas.LineTo(5, 0);
    EXPECT_EQ(Canvas.GetImage().pixelColor(0, 0), QColor(255, 0, 0));
}

TEST(QtCanvasDrawingTest, TextAndLinesShareThePen) {
    TQtOffscreenCanvas Canvas(100, 30);
    Canvas.SelectFont(MakeFont("Courier New", -11), 0);
    Canvas.SetPen(TPen(clRed, 1, psSolid));
    Canvas.MoveTo(2, 20);
    Canvas.TextOutAtPen("ab", 2);
    const int32_t X = 2 + Extent(Canvas, "ab");
    EXPECT_EQ(Canvas.GetPenPos(), (TPoint{X, 20}));
    Canvas.LineTo(X + 10, 25);
    Canvas.TextOutAtPen("c", 1);
    EXPECT_EQ(Canvas.GetPenPos(), (TPoint{X + 10 + Extent(Canvas, "c"), 25}));
    EXPECT_EQ(Canvas.GetImage().pixelColor(X, 20), QColor(255, 0, 0));
}

TEST(QtCanvasDrawingTest, FillAndInvertRectangles) {
    TQtOffscreenCanvas Canvas(30, 20);
    Canvas.FillRect({0, 0, 10, 20}, 0x336699); // BGR: red 0x99, green 0x66, blue 0x33
    Canvas.FillRect({10, 0, 20, 20}, clWindowText);
    Canvas.FillRect({20, 0, 30, 20}, clNone); // no colour: nothing drawn
    Canvas.FillRect({5, 5, 4, 30}, clBlack);  // inverted: nothing drawn
    const QImage Before = Snapshot(Canvas);
    EXPECT_EQ(Before.pixelColor(0, 0), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(Before.pixelColor(25, 0), QColor(Qt::white));
    EXPECT_EQ(Before.pixelColor(5, 10), QColor(0x99, 0x66, 0x33));

    const TRect Band{5, 2, 25, 8};
    Canvas.InvertRect(Band);
    const QImage After = Snapshot(Canvas);
    for (int Y = 0; Y < 20; ++Y) {
        for (int X = 0; X < 30; ++X) {
            const QRgb Old = Before.pixel(X, Y);
            const QRgb Expected = (X >= 5 && X < 25 && Y >= 2 && Y < 8)
                                      ? qRgb(255 - qRed(Old), 255 - qGreen(Old), 255 - qBlue(Old))
                                      : Old;
            ASSERT_EQ(After.pixel(X, Y), Expected) << X << "," << Y;
        }
    }
    Canvas.InvertRect(Band);
    EXPECT_TRUE(Snapshot(Canvas) == Before);
}

// The line bitmap is composed in logical pixels and copied pixel for pixel
// to a surface of the same device pixel ratio.
TEST(QtCanvasDrawingTest, CopyFromCopiesPhysicalPixelsAtEveryRatio) {
    for (const qreal Ratio : {1.0, 2.0}) {
        SCOPED_TRACE(Ratio);
        TQtOffscreenCanvas Source(40, 12, Ratio);
        EXPECT_EQ(Source.GetImage().size(), QSize(40, 12) * Ratio);
        EXPECT_EQ(Source.GetWidth(), 40);
        Source.FillRect({0, 0, 40, 12}, clWhite);
        Source.FillRect({3, 2, 4, 3}, clRed); // one logical pixel
        Source.SelectFont(MakeFont("Courier New", -11), 0);
        Source.SetBkMode(bkTransparent);
        Source.TextOutAt(6, 10, "Ky", 2, 0, nullptr);
        Source.SetPen(TPen(clBlue, 1, psSolid));
        Source.MoveTo(0, 11);
        Source.LineTo(40, 11);
        const QImage& From = Source.GetImage();
        // One logical pixel is Ratio x Ratio physical ones.
        EXPECT_EQ(From.pixelColor(int(3 * Ratio), int(2 * Ratio)), QColor(255, 0, 0));
        EXPECT_EQ(From.pixelColor(int(4 * Ratio) - 1, int(3 * Ratio) - 1), QColor(255, 0, 0));
        EXPECT_EQ(From.pixelColor(int(4 * Ratio), int(2 * Ratio)), QColor(Qt::white));

        TQtOffscreenCanvas Window(60, 30, Ratio);
        Window.FillRect({0, 0, 60, 30}, clGreen);
        const TRect Dest{10, 5, 40, 15};
        Window.CopyFrom(Dest, Source, {2, 1});
        const QImage To = Snapshot(Window);
        const int R = static_cast<int>(Ratio);
        for (int Y = 0; Y < 30 * R; ++Y) {
            for (int X = 0; X < 60 * R; ++X) {
                const bool Inside = X >= 10 * R && X < 40 * R && Y >= 5 * R && Y < 15 * R;
                const QRgb Expected =
                    Inside ? From.pixel(X - 10 * R + 2 * R, Y - 5 * R + 1 * R) : qRgb(0, 128, 0);
                ASSERT_EQ(To.pixel(X, Y), Expected) << X << "," << Y;
            }
        }
    }
}

TEST(QtCanvasDrawingTest, ResizingAndEmptyBitmapsAreSafe) {
    TQtOffscreenCanvas Canvas;
    EXPECT_TRUE(Canvas.GetImage().isNull());
    Canvas.SelectFont(MakeFont("Courier New", -11), 0);
    // Without pixels the canvas still measures and moves its pen.
    Canvas.TextOutAtPen("abc", 3);
    EXPECT_EQ(Canvas.GetPenPos().X, Extent(Canvas, "abc"));
    Canvas.FillRect({0, 0, 5, 5}, clRed);
    Canvas.LineTo(10, 10);

    Canvas.SetSize(-5, 7);
    EXPECT_EQ(Canvas.GetWidth(), 0);
    EXPECT_EQ(Canvas.GetHeight(), 7);
    Canvas.SetWidth(16);
    EXPECT_EQ(Canvas.GetImage().size(), QSize(16, 7));
    // Font, colours and pen survive a resize.
    Canvas.SetTextColor(clRed);
    Canvas.SetDevicePixelRatio(2);
    EXPECT_EQ(Canvas.GetImage().size(), QSize(32, 14));
    EXPECT_EQ(Canvas.GetTextColor(), clRed);
    EXPECT_EQ(Canvas.GetFont().GetName(), "Courier New");

    // Failing measurements.
    TSize Size{7, 7};
    EXPECT_FALSE(Canvas.GetTextExtent("a", -1, Size));
    EXPECT_EQ(Size, (TSize{0, 0}));
    EXPECT_FALSE(Canvas.GetTextExtent(nullptr, 2, Size));
    EXPECT_TRUE(Canvas.GetTextExtent(nullptr, 0, Size));
    EXPECT_EQ(Size, (TSize{0, Canvas.GetTextMetrics().Height}));
}
