#include "KVSupport/TCustomKorvel.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/HighlightRun.h"
#include "KVSupport/TKorvelNavigator.h"

#include <algorithm>

namespace korvel {

TCustomKorvel::TCustomKorvel() : Paragraphs(std::make_unique<TParagraphsList>()) {
    Paragraphs->AddEmptyParagraph();
    Font.SetName("Arial");
}

TCustomKorvel::~TCustomKorvel() {
    // Detaching removes each navigator from the register; work on a copy.
    const std::vector<TKorvelNavigator*> Remaining = Navigators;
    for (TKorvelNavigator* Navigator : Remaining)
        Navigator->ControlDestroyed();
}

void TCustomKorvel::RegisterNavigator(TKorvelNavigator* Navigator) {
    Navigators.push_back(Navigator);
}

void TCustomKorvel::UnregisterNavigator(TKorvelNavigator* Navigator) {
    const auto Found = std::find(Navigators.rbegin(), Navigators.rend(), Navigator);
    if (Found != Navigators.rend())
        Navigators.erase(std::next(Found).base());
}

uint8_t TCustomKorvel::EffectiveStyle(uint8_t CodeState, uint8_t RunFlags) const {
    if ((RunFlags & hfAutomatic) != 0) {
        const bool SpecialUnderline = (RunFlags & 0x18) == 0x18;
        return RunFlags & (SpecialUnderline ? 0xA7 : 0x3F);
    }
    return CodeState ^ Font.GetStyle();
}

void TCustomKorvel::SelectStyleFont(TCanvas& Target, uint8_t Style) const {
    Target.SelectFont((Style & csAltFont) != 0 ? AltFont : Font, Style & fsAllStyles);
}

int32_t TCustomKorvel::MeasureText(const TCanvas& Target, const char* Text, int32_t Length) const {
    const int32_t Chunk = std::max(View.TextOutChunk, 1);
    int32_t Width = 0;
    TSize Size{};
    while (Length > 0) {
        const int32_t N = std::min(Length, Chunk);
        if (Target.GetTextExtent(Text, N, Size))
            Width += Size.cx;
        Text += N;
        Length -= N;
    }
    return Width;
}

} // namespace korvel
