#pragma once

#include <cstdint>

namespace korvel {

// A colour as the framework stores it: 0x00BBGGRR for an explicit colour; a
// value with the high bit set names a system colour (its low byte is the index).
using TColor = int32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr TColor SystemColor(int32_t Index) {
    return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(Index));
}
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowText = SystemColor(8);

// Paragraph and highlight colours treat both -1 and clNone as "no colour".
inline constexpr bool IsNoColor(TColor Color) {
    return Color == -1 || Color == clNone;
}

} // namespace korvel
