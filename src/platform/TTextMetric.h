#pragma once

#include <cstdint>

namespace korvel {

// The metrics of the font selected into a canvas, in pixels.
struct TTextMetric {
    // Cell height: Ascent + Descent. Includes InternalLeading.
    int32_t Height = 0;
    // From the top of the cell to the baseline.
    int32_t Ascent = 0;
    // From the baseline to the bottom of the cell.
    int32_t Descent = 0;
    // Room for accents at the top of the cell, inside Height.
    int32_t InternalLeading = 0;
    // Recommended extra room between lines, outside Height.
    int32_t ExternalLeading = 0;
    int32_t AveCharWidth = 0;
    // Never 0: callers divide by it.
    int32_t MaxCharWidth = 1;
    // Extra width that a text extent reports beyond the advance of the text
    // (fonts whose bold or italic is synthesised); 0 for most fonts.
    int32_t Overhang = 0;
};

} // namespace korvel
