#include "KVSupport/TLineSamples.h"

#include "KVSupport/TLayoutSettings.h"

#include <algorithm>

namespace korvel {

TMeasureKey TMeasureKey::Of(const TLayoutSettings& Layout, bool StaticFormat) {
    return {Layout.Font, Layout.AltFont, Layout.TabStep(), StaticFormat};
}

const TLineSamples* TLineSamples::ForLine(const TLineSamples* Samples, const TLineRecord& Line,
                                          const TLayoutSettings& Layout, bool StaticFormat) {
    if (Samples == nullptr || Samples->IsEmpty() || Line.Gaps > 0 || Layout.Canvas == nullptr ||
        !Samples->Fits(Line.Start, Line.StartCodeState, TMeasureKey::Of(Layout, StaticFormat)))
        return nullptr;
    return Samples;
}

const TLineSample* TLineSamples::AtOrBefore(int32_t Offset) const {
    const auto After = std::upper_bound(
        Samples.begin(), Samples.end(), Offset,
        [](int32_t Value, const TLineSample& Sample) { return Value < Sample.Offset; });
    return After == Samples.begin() ? nullptr : &*(After - 1);
}

const TLineSample* TLineSamples::AtOrBeforeX(int64_t X) const {
    const auto After =
        std::upper_bound(Samples.begin(), Samples.end(), X,
                         [](int64_t Value, const TLineSample& Sample) { return Value < Sample.X; });
    return After == Samples.begin() ? nullptr : &*(After - 1);
}

void TLineSamples::DropFrom(int32_t Offset) {
    const auto From = std::lower_bound(
        Samples.begin(), Samples.end(), Offset,
        [](const TLineSample& Sample, int32_t Value) { return Sample.Offset < Value; });
    Samples.erase(From, Samples.end());
}

void TLineSamples::DropAfter(const TLineSample* Last) {
    Samples.resize(Last == nullptr ? 0 : static_cast<size_t>(Last - Samples.data()) + 1);
}

} // namespace korvel
