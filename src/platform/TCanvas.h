#pragma once

#include "framework/TColor.h"
#include "framework/TFont.h"
#include "framework/TPen.h"
#include "platform/TTextMetric.h"
#include "platform/Types.h"

#include <array>
#include <cstdint>

namespace korvel {

class TOffscreenCanvas;
class TPicture;

// The advance in pixels of each of the 256 bytes in one font and style.
using TByteAdvances = std::array<int32_t, 256>;

// Background of text output: left alone, or filled with the background colour
// behind each character cell.
enum TBkMode : uint8_t { bkTransparent, bkOpaque };

// Options of TextOutAt (a set of bits).
inline constexpr uint8_t etoOpaque = 1; // fill the given rectangle with the background colour first
inline constexpr uint8_t etoClipped = 2; // draw nothing outside the given rectangle

// A drawing surface: the window's client area or an off-screen bitmap.
//
// Text is 8-bit in the system code page; an implementation converts it where
// its toolkit needs Unicode. Every length is a byte count and every width an
// integer number of pixels. Text is positioned by its baseline: the y of a text
// output is the baseline, x the left edge of the first character cell.
//
// A canvas starts with the default TFont in its own style, text colour black,
// background colour white, opaque background mode, the default TPen, the pen
// position (0, 0) and no justification.
class TCanvas {
public:
    TCanvas() = default;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    virtual ~TCanvas() = default;

    // --- Font and measuring ---

    // Selects Font, but in the style Style (its bits outside fsAllStyles are
    // ignored) instead of the font's own. The font's colour is not taken: the
    // text colour is SetTextColor's.
    virtual void SelectFont(const TFont& Font, TFontStyles Style) = 0;
    // The font selected last, with the style it was selected in.
    virtual const TFont& GetFont() const = 0;
    // Metrics of the selected font.
    virtual TTextMetric GetTextMetrics() const = 0;
    // Width and height of Text[0 .. Length) in the selected font: the advance of
    // the bytes plus the font's overhang when Length > 0, and the cell height.
    // Justification does not change it. Returns false when the measurement
    // failed (also for a negative Length or null Text); Size is then {0, 0}.
    // Callers must be prepared for a failure.
    virtual bool GetTextExtent(const char* Text, int32_t Length, TSize& Size) const = 0;
    // Offers the advance of every byte in the selected font, for callers
    // that measure a lot of text: only when measuring any run of bytes
    // always succeeds and gives exactly the sum of their advances (no
    // overhang, no kerning, no advance below 0). Then Advances is filled and
    // true returned; it holds until another font is selected. The default
    // offers nothing and leaves Advances as it was.
    virtual bool GetByteAdvances(TByteAdvances& Advances) const {
        (void)Advances;
        return false;
    }

    // --- Text output ---

    // Draws Text[0 .. Length) with its baseline at the pen position and moves
    // the pen right by the advance (justification included).
    virtual void TextOutAtPen(const char* Text, int32_t Length) = 0;
    // Draws Text[0 .. Length) with its baseline at (X, Y); the pen stays.
    // Options (etoOpaque, etoClipped) refer to Rect, which may be null when no
    // option is given.
    virtual void TextOutAt(int32_t X, int32_t Y, const char* Text, int32_t Length, uint8_t Options,
                           const TRect* Rect) = 0;
    // Widens every blank (byte 32) of the following text outputs so that
    // BreakCount blanks share BreakExtra pixels as equally as integers allow:
    // each blank gets BreakExtra div BreakCount, and the remainder is handed out
    // one pixel at a time by an accumulator that starts at half of it (a blank
    // gets the extra pixel when the accumulator reaches BreakCount). The
    // distribution runs on across outputs until the next call; a BreakCount of
    // 0 or less ends justification.
    virtual void SetTextJustification(int32_t BreakExtra, int32_t BreakCount) = 0;

    // --- Colours ---

    virtual void SetTextColor(TColor Color) = 0;
    virtual TColor GetTextColor() const = 0;
    virtual void SetBkColor(TColor Color) = 0;
    virtual TColor GetBkColor() const = 0;
    virtual void SetBkMode(TBkMode Mode) = 0;
    virtual TBkMode GetBkMode() const = 0;

    // --- Lines ---

    virtual void SetPen(const TPen& Pen) = 0;
    virtual const TPen& GetPen() const = 0;
    virtual void MoveTo(int32_t X, int32_t Y) = 0;
    // Draws a line with the pen from the pen position to (X, Y), that end
    // point excluded, and moves the pen there.
    virtual void LineTo(int32_t X, int32_t Y) = 0;
    // The pen position shared by lines and TextOutAtPen.
    virtual TPoint GetPenPos() const = 0;

    // --- Areas ---

    virtual void FillRect(const TRect& Rect, TColor Color) = 0;
    // Inverts every pixel of Rect.
    virtual void InvertRect(const TRect& Rect) = 0;
    // Copies the pixels of Source from SourceOrigin on, Dest's size, into Dest.
    virtual void CopyFrom(const TRect& Dest, const TOffscreenCanvas& Source,
                          TPoint SourceOrigin) = 0;
    // Copies the pixels of Picture from SourceOrigin on, Dest's size, into
    // Dest (one tile of a tiled picture). The part of Dest whose source lies
    // outside the picture is left as it is.
    virtual void DrawPicture(const TRect& Dest, const TPicture& Picture, TPoint SourceOrigin) = 0;
};

} // namespace korvel
