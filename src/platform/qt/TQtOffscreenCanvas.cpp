#include "platform/qt/TQtOffscreenCanvas.h"

#include <algorithm>
#include <cmath>

namespace korvel {

TQtOffscreenCanvas::TQtOffscreenCanvas(int32_t Width, int32_t Height, qreal DevicePixelRatio) {
    Ratio = std::max<qreal>(DevicePixelRatio, 1.0 / 16);
    this->Width = std::max(Width, 0);
    this->Height = std::max(Height, 0);
    Recreate();
}

TQtOffscreenCanvas::~TQtOffscreenCanvas() {
    SetPainter(nullptr);
    if (ImagePainter.isActive())
        ImagePainter.end();
}

void TQtOffscreenCanvas::SetSize(int32_t NewWidth, int32_t NewHeight) {
    NewWidth = std::max(NewWidth, 0);
    NewHeight = std::max(NewHeight, 0);
    if (NewWidth == Width && NewHeight == Height)
        return;
    Width = NewWidth;
    Height = NewHeight;
    Recreate();
}

void TQtOffscreenCanvas::SetDevicePixelRatio(qreal Value) {
    Value = std::max<qreal>(Value, 1.0 / 16);
    if (Value == Ratio)
        return;
    Ratio = Value;
    Recreate();
}

void TQtOffscreenCanvas::Recreate() {
    SetPainter(nullptr);
    if (ImagePainter.isActive())
        ImagePainter.end();
    Image = QImage();
    if (Width == 0 || Height == 0)
        return;
    const auto Physical = [this](int32_t Logical) {
        return static_cast<int>(std::min<double>(std::ceil(Logical * Ratio), 1 << 30));
    };
    // A size the machine cannot hold leaves a null image: the canvas then
    // measures but draws nothing, as without a painter.
    Image = QImage(Physical(Width), Physical(Height), QImage::Format_RGB32);
    if (Image.isNull())
        return;
    Image.setDevicePixelRatio(Ratio);
    Image.fill(Qt::white);
    if (ImagePainter.begin(&Image))
        SetPainter(&ImagePainter);
}

} // namespace korvel
