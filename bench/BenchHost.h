#pragma once

#include "platform/headless/THeadlessHost.h"
#include "platform/headless/THeadlessOffscreenCanvas.h"

#include <memory>

namespace bench {

// A headless window whose line bitmaps offer their byte advances, as the Qt
// window's canvas does for its fonts, or measure by extents only.
class TAdvancesHost : public korvel::THeadlessHost {
public:
    TAdvancesHost(korvel::TSize Size, bool OfferAdvances)
        : THeadlessHost(Size), Offer(OfferAdvances) {}

    std::unique_ptr<korvel::TOffscreenCanvas> CreateOffscreenCanvas(int32_t Width,
                                                                    int32_t Height) override {
        auto Canvas = std::make_unique<korvel::THeadlessOffscreenCanvas>(Width, Height);
        Canvas->SetOfferByteAdvances(Offer);
        return Canvas;
    }

private:
    bool Offer;
};

} // namespace bench
