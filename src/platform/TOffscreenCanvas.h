#pragma once

#include "platform/TCanvas.h"

#include <cstdint>

namespace korvel {

// A canvas over an off-screen bitmap (the line bitmap in which a display line
// is composed before it is copied to the window). TCanvas is a virtual base so
// that an implementation can share one canvas class between window and bitmap.
class TOffscreenCanvas : public virtual TCanvas {
public:
    virtual int32_t GetWidth() const = 0;
    virtual int32_t GetHeight() const = 0;
    // Resizes the bitmap; negative extents are taken as 0. The pixels are
    // undefined afterwards; font, colours and pen stay.
    virtual void SetSize(int32_t Width, int32_t Height) = 0;

    void SetWidth(int32_t Width) { SetSize(Width, GetHeight()); }
    void SetHeight(int32_t Height) { SetSize(GetWidth(), Height); }
};

} // namespace korvel
