#pragma once

#include "framework/TFont.h"
#include "platform/TCanvas.h"
#include "platform/qt/TQtOffscreenCanvas.h"

#include <QImage>
#include <QRect>
#include <QRgb>

#include <string>

namespace korvel::qttest {

inline TFont MakeFont(const char* Name, int32_t Height, TFontStyles Style = 0) {
    TFont Font;
    Font.SetName(Name);
    Font.SetHeight(Height);
    Font.SetStyle(Style);
    return Font;
}

inline int32_t Extent(const TCanvas& Canvas, const std::string& Text) {
    TSize Size;
    if (!Canvas.GetTextExtent(Text.data(), static_cast<int32_t>(Text.size()), Size))
        return -1;
    return Size.cx;
}

inline bool IsInk(QRgb Pixel) {
    return qGray(Pixel) < 128;
}

// The smallest rectangle holding every dark pixel of Image inside Area (an
// empty rectangle when there is none).
inline QRect InkBounds(const QImage& Image, QRect Area) {
    Area &= Image.rect();
    QRect Bounds;
    for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
        for (int X = Area.left(); X <= Area.right(); ++X)
            if (IsInk(Image.pixel(X, Y)))
                Bounds |= QRect(X, Y, 1, 1);
    return Bounds;
}

inline QImage Snapshot(const TQtOffscreenCanvas& Canvas) {
    return Canvas.GetImage().copy();
}

} // namespace korvel::qttest
