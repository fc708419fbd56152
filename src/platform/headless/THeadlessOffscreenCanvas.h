#pragma once

#include "platform/TOffscreenCanvas.h"
#include "platform/headless/THeadlessCanvas.h"

#include <algorithm>
#include <cstdint>

namespace korvel {

// An off-screen bitmap: a recording canvas with a size, and pixels once
// EnableRaster is called (see THeadlessCanvas::SetRasterSize).
class THeadlessOffscreenCanvas final : public TOffscreenCanvas, public THeadlessCanvas {
public:
    THeadlessOffscreenCanvas() = default;
    THeadlessOffscreenCanvas(int32_t Width, int32_t Height) { SetSize(Width, Height); }

    int32_t GetWidth() const override { return Width; }
    int32_t GetHeight() const override { return Height; }
    // With a raster the pixels become white.
    void SetSize(int32_t NewWidth, int32_t NewHeight) override {
        Width = std::max(NewWidth, 0);
        Height = std::max(NewHeight, 0);
        if (RasterFollowsSize)
            SetRasterSize(Width, Height);
    }

    // Gives the bitmap a raster of its size, kept at its size from now on.
    void EnableRaster() {
        RasterFollowsSize = true;
        SetRasterSize(Width, Height);
    }

private:
    int32_t Width = 0;
    int32_t Height = 0;
    bool RasterFollowsSize = false;
};

} // namespace korvel
