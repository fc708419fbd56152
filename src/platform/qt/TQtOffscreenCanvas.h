#pragma once

#include "platform/TOffscreenCanvas.h"
#include "platform/qt/TQtCanvas.h"

#include <QImage>
#include <QPainter>

#include <cstdint>

namespace korvel {

// An off-screen bitmap over a QImage, aware of the device pixel ratio: sizes
// and coordinates of the canvas are logical pixels, the image holds
// ceil(logical x ratio) physical pixels, and everything drawn is scaled by
// the ratio. Copying it to a canvas of the same ratio copies pixel for pixel.
// A new or resized image is white.
class TQtOffscreenCanvas final : public TOffscreenCanvas, public TQtCanvas {
public:
    explicit TQtOffscreenCanvas(int32_t Width = 0, int32_t Height = 0,
                                qreal DevicePixelRatio = 1.0);
    ~TQtOffscreenCanvas() override;

    int32_t GetWidth() const override { return Width; }
    int32_t GetHeight() const override { return Height; }
    void SetSize(int32_t NewWidth, int32_t NewHeight) override;

    // The ratio of physical to logical pixels (that of the window the bitmap
    // is copied to); values below 1/16 count as 1/16. Changing it re-creates
    // the image.
    qreal GetDevicePixelRatio() const { return Ratio; }
    void SetDevicePixelRatio(qreal Value);

    // The pixels. A copy of the image shares them while drawing goes on;
    // take QImage::copy() to keep a state.
    const QImage& GetImage() const { return Image; }

private:
    void Recreate();

    int32_t Width = 0;
    int32_t Height = 0;
    qreal Ratio = 1.0;
    QImage Image;
    // Declared after Image: it ends painting before the image goes.
    QPainter ImagePainter;
};

} // namespace korvel
