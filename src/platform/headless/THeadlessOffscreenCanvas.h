#pragma once

#include "platform/TOffscreenCanvas.h"
#include "platform/headless/THeadlessCanvas.h"

#include <algorithm>
#include <cstdint>

namespace korvel {

// An off-screen bitmap without pixels: a recording canvas with a size.
class THeadlessOffscreenCanvas final : public TOffscreenCanvas, public THeadlessCanvas {
public:
    THeadlessOffscreenCanvas() = default;
    THeadlessOffscreenCanvas(int32_t Width, int32_t Height) { SetSize(Width, Height); }

    int32_t GetWidth() const override { return Width; }
    int32_t GetHeight() const override { return Height; }
    void SetSize(int32_t NewWidth, int32_t NewHeight) override {
        Width = std::max(NewWidth, 0);
        Height = std::max(NewHeight, 0);
    }

private:
    int32_t Width = 0;
    int32_t Height = 0;
};

} // namespace korvel
