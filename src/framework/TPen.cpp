#include "framework/TPen.h"

namespace korvel {

TPen::TPen(TColor Color, int32_t Width, TPenStyle Style)
    : Color(Color), Width(Width < 0 ? 0 : Width), Style(Style) {}

void TPen::Assign(const TPen& Source) {
    if (*this == Source)
        return;
    Color = Source.Color;
    Width = Source.Width;
    Style = Source.Style;
    Changed();
}

} // namespace korvel
