// The painter on the Qt canvases: real fonts, real pixels.

#include "QtTestSupport.h"

#include "KVSupport/TCustomKorvel.h"
#include "Korvel/TKorvelPainter.h"
#include "framework/TMemoryStream.h"
#include "framework/TPen.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::qttest;

TEST(QtPainterTest, SelectedTextOnItsBandAndTheEndMark) {
    TCustomKorvel Control;
    Control.GetFont() = MakeFont("Courier New", -13);
    Control.GetFont().SetColor(clBlack);
    TQtOffscreenCanvas Window(200, 60);
    TQtOffscreenCanvas Bitmap(200, 1);
    Control.SetCanvas(&Bitmap);

    // The view's metrics of the font, as the control measures them.
    Bitmap.SelectFont(Control.GetFont(), 0);
    const TTextMetric M = Bitmap.GetTextMetrics();
    TViewMetrics& View = Control.GetView();
    View.LineHeightPx = M.Height + 1;
    View.BaselineY = View.LineHeightPx - M.Descent - (View.LineHeightPx - M.Height + 1) / 2;
    View.SpaceWidth = Extent(Bitmap, " ");
    View.TextOutChunk = 16384 / M.MaxCharWidth;
    View.TextWidth = 200;
    View.ClientHeight = 60;

    TMemoryStream Stream{std::string_view("hello world")};
    TKorvelLineBreak Break = kbCRLF;
    Control.GetParagraphsList().ClearText();
    Control.GetParagraphsList().LoadText(Stream, 0, 300, nullptr, Break, false);

    TPaintSettings Settings;
    Settings.Color = clWhite;
    Settings.SelBackColor = clNavy;
    Settings.SelTextColor = clYellow;
    Settings.Options = OptionBit(kvoWindowsSelColors);
    const TPen Mark(clRed, 1, psSolid);
    Settings.EndOfTextMark = &Mark;
    TKorvelPainter Painter(Control, Settings);
    TPaintRequest Request;
    Request.Window = &Window;
    Request.Update = {0, 0, 200, 60};
    Request.LineBitmap = &Bitmap;
    Request.Selection = {6, 11, false, 0, 0, true};
    ASSERT_TRUE(Painter.Paint(Request));
    EXPECT_EQ(Bitmap.GetHeight(), View.LineHeightPx);

    const QImage Image = Snapshot(Window);
    const int32_t BandLeft = 8 + Extent(Bitmap, "hello ");
    const int32_t BandRight = 8 + Extent(Bitmap, "hello world");
    // Inside the band: navy and yellow (and their blends at glyph edges),
    // never black; outside it: black ink on white, never navy or yellow.
    int BandNavy = 0, BandYellow = 0, BandBlack = 0, OutsideColoured = 0, OutsideInk = 0;
    for (int Y = 0; Y < View.LineHeightPx; ++Y) {
        for (int X = 0; X < 200; ++X) {
            const QRgb P = Image.pixel(X, Y);
            const bool Black = qRed(P) < 40 && qGreen(P) < 40 && qBlue(P) < 40;
            const bool Yellow = qRed(P) > 200 && qGreen(P) > 200 && qBlue(P) < 60;
            const bool Navy = P == qRgb(0, 0, 128);
            if (X >= BandLeft && X < BandRight) {
                BandNavy += Navy;
                BandYellow += Yellow;
                BandBlack += Black;
            } else {
                OutsideColoured += Navy || Yellow;
                OutsideInk += IsInk(P);
            }
        }
    }
    EXPECT_GT(BandNavy, (BandRight - BandLeft) * View.LineHeightPx / 2);
    EXPECT_GT(BandYellow, 10);
    EXPECT_EQ(BandBlack, 0);
    EXPECT_EQ(OutsideColoured, 0);
    EXPECT_GT(OutsideInk, 10); // "hello", unselected
    // Below the line: the background, and the end mark under the text.
    EXPECT_EQ(Image.pixel(100, View.LineHeightPx + 5), qRgb(255, 255, 255));
    EXPECT_EQ(Image.pixel(100, View.LineHeightPx), qRgb(255, 0, 0));
}
