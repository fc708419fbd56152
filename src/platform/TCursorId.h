#pragma once

#include <cstdint>

namespace korvel {

// The identity of a mouse cursor, as the control asks for one. The standard
// shapes keep the framework's numbers (highlight runs and keyword lists store
// them as signed 16-bit values); the control's own two cursor resources have
// numbers of ours above them. A number that none of these names is shown as
// the default cursor.
using TCursor = int16_t;

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// The cursor resource "KVRIGHTARROW": an arrow pointing right, shown in the
// line-selection margin.
inline constexpr TCursor crKVRightArrow = 30001;
// The cursor resource "DRAGCOPY": the drag cursor with a small plus, shown
// while a drag copies instead of moving.
inline constexpr TCursor crDragCopy = 30002;

} // namespace korvel
