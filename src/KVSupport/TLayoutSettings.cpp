#include "KVSupport/TLayoutSettings.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/HighlightRun.h"

#include <algorithm>
#include <cstdint>

namespace korvel {

uint8_t TLayoutSettings::EffectiveStyle(uint8_t CodeState, uint8_t RunFlags) const {
    if ((RunFlags & hfAutomatic) != 0) {
        const bool SpecialUnderline = (RunFlags & 0x18) == 0x18;
        return RunFlags & (SpecialUnderline ? 0xA7 : 0x3F);
    }
    return CodeState ^ Font.GetStyle();
}

void TLayoutSettings::SelectStyleFont(TCanvas& Target, uint8_t Style) const {
    Target.SelectFont((Style & csAltFont) != 0 ? AltFont : Font, Style & fsAllStyles);
}

int32_t TLayoutSettings::MeasureText(const TCanvas& Target, const char* Text,
                                     int32_t Length) const {
    const int32_t Chunk = std::max(View.TextOutChunk, 1);
    // Summed wide: many chunks of a wide font can pass the 32-bit range.
    int64_t Width = 0;
    TSize Size{};
    while (Length > 0) {
        const int32_t N = std::min(Length, Chunk);
        if (Target.GetTextExtent(Text, N, Size))
            Width += Size.cx;
        Text += N;
        Length -= N;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(Width, INT32_MIN, INT32_MAX));
}

int32_t TLayoutSettings::TabStep() const {
    const int64_t Step = TabStops > 0 ? int64_t{TabStops} * View.SpaceWidth : -int64_t{TabStops};
    return static_cast<int32_t>(std::clamp<int64_t>(Step, 0, INT32_MAX));
}

} // namespace korvel
