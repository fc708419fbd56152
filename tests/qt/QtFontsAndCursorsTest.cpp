#include "QtTestSupport.h"

#include "platform/qt/TQtColors.h"
#include "platform/qt/TQtCursors.h"
#include "platform/qt/TQtFontFace.h"
#include "platform/qt/TQtFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <algorithm>

using namespace korvel;
using namespace korvel::qttest;

TEST(QtFontsTest, CourierNewIsLiberationMonoWithOneAdvanceForEveryByte) {
    for (const TFontStyles Style : {TFontStyles{0}, fsBold, TFontStyles(fsBold | fsItalic)}) {
        SCOPED_TRACE(int(Style));
        TQtOffscreenCanvas Canvas;
        Canvas.SelectFont(MakeFont("Courier New", -11), Style);
        EXPECT_EQ(QFontInfo(Canvas.GetFace().GetQFont()).family(),
                  QStringLiteral("Liberation Mono"));
        EXPECT_EQ(QFontInfo(Canvas.GetFace().GetQFont()).pixelSize(), 11);

        const TQtFontFace& Face = Canvas.GetFace();
        const int32_t Width = Face.GetAdvance('x');
        EXPECT_EQ(Width, 7); // 11 px x 1229/2048 em, rounded
        for (int Ch = 0; Ch < 256; ++Ch)
            EXPECT_EQ(Face.GetAdvance(static_cast<uint8_t>(Ch)), Width) << Ch;

        const TTextMetric M = Canvas.GetTextMetrics();
        EXPECT_EQ(M.Height, M.Ascent + M.Descent);
        EXPECT_GE(M.Height, 12);
        EXPECT_LE(M.Height, 14);
        EXPECT_EQ(M.InternalLeading, M.Height - 11);
        EXPECT_GT(M.Descent, 0);
        EXPECT_EQ(M.MaxCharWidth, Width);
        EXPECT_EQ(M.Overhang, 0);
        EXPECT_EQ(Extent(Canvas, std::string(100, 'W')), 100 * Width);
    }
}

TEST(QtFontsTest, WindowsFontNamesResolveToRealFaces) {
    // The framework's default font is a proportional sans face.
    TQtOffscreenCanvas Canvas;
    Canvas.SelectFont(MakeFont("MS Sans Serif", -11), 0);
    EXPECT_EQ(QFontInfo(Canvas.GetFace().GetQFont()).family(), QStringLiteral("Liberation Sans"));
    EXPECT_LT(Canvas.GetFace().GetAdvance('i'), Canvas.GetFace().GetAdvance('W'));

    // The dialog font is the platform's, at the size asked for.
    QFont Dialog;
    ApplyFontFamily(Dialog, "MS Shell Dlg 2");
    EXPECT_EQ(Dialog.families(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).families());
    Canvas.SelectFont(MakeFont("MS Shell Dlg 2", -11), 0);
    EXPECT_EQ(Canvas.GetFace().GetQFont().pixelSize(), 11);

    EXPECT_EQ(QFontInfo(QtFont(MakeFont("courier new", -13), 0)).family(),
              QStringLiteral("Liberation Mono"));
    EXPECT_EQ(QFontInfo(QtFont(MakeFont("Times New Roman", -13), 0)).family(),
              QStringLiteral("Liberation Serif"));

    // An unknown name still gives a usable font.
    Canvas.SelectFont(MakeFont("No Such Font Anywhere", -11), 0);
    EXPECT_GT(Canvas.GetTextMetrics().Height, 0);
    EXPECT_GT(Extent(Canvas, "abc"), 0);
}

TEST(QtFontsTest, HeightsFollowTheFrameworkConvention) {
    TQtOffscreenCanvas Canvas;
    // Positive: the cell height; the largest font whose cell fits.
    for (const int32_t Cell : {9, 12, 16, 25, 40}) {
        const TFont Font = MakeFont("Arial", Cell);
        Canvas.SelectFont(Font, 0);
        const int32_t Height = Canvas.GetTextMetrics().Height;
        EXPECT_LE(Height, Cell);
        EXPECT_GE(Height, Cell - 2) << Cell;
        QFont Larger = QtFont(Font, 0);
        Larger.setPixelSize(Larger.pixelSize() + 1);
        const QFontMetrics M(Larger);
        EXPECT_GT(M.ascent() + M.descent(), Cell);
    }
    // Negative: the character height; 0: the default of 11.
    EXPECT_EQ(QtFont(MakeFont("Arial", -20), 0).pixelSize(), 20);
    EXPECT_EQ(QtFont(MakeFont("Arial", 0), 0).pixelSize(), 11);
    EXPECT_EQ(QtFont(MakeFont("Arial", -1000000), 0).pixelSize(), 4096);
    const QFont Styled = QtFont(MakeFont("Arial", -12), fsBold | fsItalic | 0x80);
    EXPECT_TRUE(Styled.bold());
    EXPECT_TRUE(Styled.italic());
    EXPECT_FALSE(Styled.underline());
    EXPECT_FALSE(Styled.kerning());
}

TEST(QtFontsTest, FacesAreSharedByEveryCanvas) {
    TQtOffscreenCanvas A;
    TQtOffscreenCanvas B(10, 10, 2);
    const TFont Font = MakeFont("Courier New", -11);
    A.SelectFont(Font, fsBold);
    B.SelectFont(Font, fsBold);
    EXPECT_EQ(&A.GetFace(), &B.GetFace());
    EXPECT_EQ(&A.GetFace(), &TQtFontFace::Get(Font, fsBold | 0x10));
    B.SelectFont(Font, 0);
    EXPECT_NE(&A.GetFace(), &B.GetFace());
    // The colour of a font is not part of it: the text colour is the canvas's.
    TFont Red = Font;
    Red.SetColor(clRed);
    EXPECT_EQ(&TQtFontFace::Get(Red, 0), &B.GetFace());
}

TEST(QtColorsTest, ExplicitAndSystemColours) {
    EXPECT_EQ(QtColor(0x00332211), QColor(0x11, 0x22, 0x33)); // stored blue, green, red
    EXPECT_EQ(QtColor(clWindowText), QGuiApplication::palette().color(QPalette::Text));
    EXPECT_EQ(QtColor(clNone).alpha(), 0);
    EXPECT_EQ(QtColor(SystemColor(200)), QColor(Qt::black));
}

TEST(QtCursorsTest, NamedCursorsLoadFromTheShippedImages) {
    struct TCase {
        TCursor Id;
        QPoint HotSpot;
    };
    for (const TCase& C : {TCase{crKVRightArrow, QPoint(11, 0)}, TCase{crDragCopy, QPoint(0, 0)}}) {
        SCOPED_TRACE(C.Id);
        QPoint HotSpot;
        const QPixmap Image = QtCursorImage(C.Id, &HotSpot);
        ASSERT_FALSE(Image.isNull());
        EXPECT_EQ(Image.size(), QSize(32, 32));
        EXPECT_EQ(HotSpot, C.HotSpot);
        const QImage Pixels = Image.toImage();
        // The hot spot is the arrow's black tip; the corners are transparent.
        EXPECT_EQ(Pixels.pixelColor(HotSpot), QColor(Qt::black));
        EXPECT_EQ(Pixels.pixelColor(31, 31).alpha(), 0);
        const QCursor Cursor = QtCursor(C.Id);
        EXPECT_EQ(Cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(Cursor.hotSpot(), C.HotSpot);
    }
    // The right arrow points right: nothing of it lies right of its tip.
    const QImage Right = QtCursorImage(crKVRightArrow).toImage();
    for (int Y = 0; Y < 32; ++Y)
        for (int X = 12; X < 32; ++X)
            EXPECT_EQ(Right.pixelColor(X, Y).alpha(), 0) << X << "," << Y;
    // The copy cursor carries its plus in the lower right.
    EXPECT_EQ(QtCursorImage(crDragCopy).toImage().pixelColor(18, 24), QColor(Qt::black));
    EXPECT_TRUE(QtCursorImage(crIBeam).isNull());
}

TEST(QtCursorsTest, StandardAndUnknownIdentities) {
    EXPECT_EQ(QtCursor(crDefault).shape(), Qt::ArrowCursor);
    EXPECT_EQ(QtCursor(crArrow).shape(), Qt::ArrowCursor);
    EXPECT_EQ(QtCursor(crIBeam).shape(), Qt::IBeamCursor);
    EXPECT_EQ(QtCursor(crDrag).shape(), Qt::DragMoveCursor);
    EXPECT_EQ(QtCursor(crNoDrop).shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(QtCursor(crHandPoint).shape(), Qt::PointingHandCursor);
    // Highlight runs may carry any number; unknown ones are the default.
    for (const TCursor Id :
         {TCursor{1}, TCursor{-5}, TCursor{-23}, TCursor{30000}, TCursor{-32768}})
        EXPECT_EQ(QtCursor(Id).shape(), Qt::ArrowCursor) << Id;
}
