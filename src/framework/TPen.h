#pragma once

#include "framework/TColor.h"
#include "framework/TGraphicsObject.h"

#include <cstdint>

namespace korvel {

enum TPenStyle : uint8_t {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame
};

// A pen description: colour, width in pixels and line style. A value type
// like TFont (see TGraphicsObject for the OnChange handler).
class TPen : public TGraphicsObject {
public:
    TPen() = default;
    TPen(TColor Color, int32_t Width, TPenStyle Style);
    TPen(const TPen& Other) = default;
    // Assignment is Assign: the handler of this pen stays.
    TPen& operator=(const TPen& Source) {
        Assign(Source);
        return *this;
    }

    // Takes every attribute of Source; one OnChange when anything differed.
    void Assign(const TPen& Source);

    TColor GetColor() const { return Color; }
    void SetColor(TColor Value) { Update(Color, Value); }
    // 0 is the thinnest pen (one pixel). A negative width is stored as 0:
    // widths feed drawing loops that step by them, and a negative step never
    // ends.
    int32_t GetWidth() const { return Width; }
    void SetWidth(int32_t Value) { Update(Width, Value < 0 ? 0 : Value); }
    TPenStyle GetStyle() const { return Style; }
    void SetStyle(TPenStyle Value) { Update(Style, Value); }

    // Equal attributes; the handlers are not compared.
    friend bool operator==(const TPen& A, const TPen& B) {
        return A.Color == B.Color && A.Width == B.Width && A.Style == B.Style;
    }

private:
    TColor Color = clBlack;
    int32_t Width = 1;
    TPenStyle Style = psSolid;
};

} // namespace korvel
