#pragma once

#include "framework/TFont.h"
#include "platform/TTextMetric.h"

#include <QFont>
#include <QRawFont>

#include <array>
#include <cstdint>
#include <vector>

namespace korvel {

// Everything a canvas needs of one font in one style, computed once and
// shared by every canvas of the process: the Qt font, its metrics, and for
// each of the 256 bytes its advance in whole pixels and the glyph that draws
// it. Measuring 8-bit text is a walk over the advance table, and drawing
// places each glyph at the position that walk gives, so what is measured is
// exactly what is drawn.
//
// Each byte is drawn as its Windows-1252 character from the font, or from
// the font Qt falls back to when the font lacks it; control characters (and
// the five bytes the code page leaves undefined) as the font's missing-glyph
// box. Every advance is at least one pixel, so widths counted in blanks never
// divide by zero.
//
// Faces live until the process ends and are used from the GUI thread only.
class TQtFontFace {
    struct TPrivate {};

public:
    // Faces are made by Get only (the tag is private).
    TQtFontFace(TPrivate, const QFont& Value);
    TQtFontFace(const TQtFontFace&) = delete;
    TQtFontFace& operator=(const TQtFontFace&) = delete;

    // The face of Font in Style (bits outside fsAllStyles ignored).
    static const TQtFontFace& Get(const TFont& Font, TFontStyles Style);

    const QFont& GetQFont() const { return Font; }
    // Height, ascent, descent, internal and external leading, average and
    // maximum character width (at least every advance of the table); no
    // overhang.
    const TTextMetric& GetMetrics() const { return Metrics; }

    int32_t GetAdvance(uint8_t Ch) const { return Advances[Ch]; }
    // The advances of all 256 bytes.
    const std::array<int32_t, 256>& GetAdvances() const { return Advances; }
    // The advance of Text[0 .. Length).
    int64_t Measure(const char* Text, int32_t Length) const {
        int64_t Sum = 0;
        const auto* Bytes = reinterpret_cast<const uint8_t*>(Text);
        for (int32_t I = 0; I < Length; ++I)
            Sum += Advances[Bytes[I]];
        return Sum;
    }

    // The glyph of a byte and the index of the raw font it comes from.
    quint32 GetGlyph(uint8_t Ch) const { return Glyphs[Ch]; }
    // Whether the byte's glyph leaves no ink (the blanks): drawing skips it.
    bool IsBlank(uint8_t Ch) const { return Blank[Ch]; }
    uint8_t GetRawFontIndex(uint8_t Ch) const { return RawFontOf[Ch]; }
    const QRawFont& GetRawFont(uint8_t Index) const { return RawFonts[Index]; }

    // Lines of underline and strike-out: top of the underline below the
    // baseline, top of the strike-out above it, and their thickness.
    int32_t GetUnderlineOffset() const { return UnderlineOffset; }
    int32_t GetStrikeOutOffset() const { return StrikeOutOffset; }
    int32_t GetLineThickness() const { return LineThickness; }

private:
    void ResolveGlyph(uint8_t Ch);
    uint8_t RawFontIndex(const QRawFont& Raw);

    QFont Font;
    TTextMetric Metrics;
    std::array<int32_t, 256> Advances{};
    std::array<quint32, 256> Glyphs{};
    std::array<uint8_t, 256> RawFontOf{};
    std::array<bool, 256> Blank{};
    // The font's own raw font first, then those Qt fell back to.
    std::vector<QRawFont> RawFonts;
    int32_t UnderlineOffset = 1;
    int32_t StrikeOutOffset = 3;
    int32_t LineThickness = 1;
};

} // namespace korvel
