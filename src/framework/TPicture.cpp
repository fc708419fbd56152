#include "framework/TPicture.h"

#include <algorithm>

namespace korvel {

namespace {

constexpr TColor PixelMask = 0x00FFFFFF;

} // namespace

TPicture::TPicture(int32_t Width, int32_t Height, TColor Fill) {
    SetSize(Width, Height, Fill);
}

void TPicture::Assign(const TPicture& Source) {
    if (*this == Source)
        return;
    Width = Source.Width;
    Height = Source.Height;
    Pixels = Source.Pixels;
    Changed();
}

void TPicture::SetSize(int32_t NewWidth, int32_t NewHeight, TColor Fill) {
    NewWidth = std::max(NewWidth, 0);
    NewHeight = std::max(NewHeight, 0);
    std::vector<TColor> NewPixels(static_cast<size_t>(NewWidth) * static_cast<size_t>(NewHeight),
                                  Fill & PixelMask);
    Pixels.swap(NewPixels);
    Width = NewWidth;
    Height = NewHeight;
    Changed();
}

TColor TPicture::GetPixel(int32_t X, int32_t Y) const {
    if (X < 0 || Y < 0 || X >= Width || Y >= Height)
        return clBlack;
    return Pixels[static_cast<size_t>(Y) * static_cast<size_t>(Width) + static_cast<size_t>(X)];
}

void TPicture::SetPixel(int32_t X, int32_t Y, TColor Color) {
    if (X < 0 || Y < 0 || X >= Width || Y >= Height)
        return;
    TColor& Pixel =
        Pixels[static_cast<size_t>(Y) * static_cast<size_t>(Width) + static_cast<size_t>(X)];
    Update(Pixel, Color & PixelMask);
}

const TColor* TPicture::GetScanLine(int32_t Y) const {
    if (Y < 0 || Y >= Height || Width == 0)
        return nullptr;
    return Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width);
}

} // namespace korvel
