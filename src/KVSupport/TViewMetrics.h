#pragma once

#include <cstdint>

namespace korvel {

// The pixel metrics of a control's view that layout, navigators and painting
// read. They are measured from the fonts when the control gets a window;
// until then they hold the values a control starts with.
struct TViewMetrics {
    int32_t LineHeightPx = 14;   // height of every display line
    int32_t BaselineY = 11;      // top of a line box to the text baseline
    int32_t UnderlineY = 11;     // top of a line box to the special underline's middle
    int32_t ZigzagHeight = 2;    // amplitude of the special underline's zigzag
    int32_t SpaceWidth = 1;      // width of one blank in the control font; unit of TabStops
    int32_t BlankWidth = 1;      // width of a blank in the font last selected by line breaking
    int32_t Overhang = 0;        // extra width a measured run reports beyond its advance
    int32_t TextOutChunk = 4096; // most characters passed to one measuring or drawing call
    int32_t TextWidth = 100;     // width of the text area: the client width
    int32_t ClientHeight = 60;   // height of the client area
    int32_t TopPixel = 0;        // vertical scroll offset
    int32_t LeftPixel = 0;       // horizontal scroll offset
    int32_t MaxLineWidth = 0;    // widest display line known (without word wrap)
    int32_t WidestPara = -1;     // its paragraph, -1 when unknown
};

} // namespace korvel
