#pragma once

#include <cstdint>

namespace korvel {

// A mouse cursor by identity. The standard shapes carry the framework's
// numbers; highlight runs may carry any other number (a cursor an application
// registered), which a host shows as the default cursor unless it knows it.
using TCursor = int32_t;

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
// The control's own cursor resources: an arrow pointing right, shown in the
// line-selection margin, and the drag cursor with a plus, for copying drags.
inline constexpr TCursor crKvRightArrow = 1001;
inline constexpr TCursor crDragCopy = 1002;

} // namespace korvel
