#pragma once

#include "KVSupport/TLineRecord.h"
#include "framework/TFont.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace korvel {

struct TLayoutSettings;

// What the widths along a display line were measured with: the two fonts
// (each style of them), the tab step and whether format codes count as
// codes. Samples taken under one key are worth nothing under another.
struct TMeasureKey {
    TFont Font;
    TFont AltFont;
    int32_t TabStep = 0;
    bool StaticFormat = false;

    static TMeasureKey Of(const TLayoutSettings& Layout, bool StaticFormat);
    friend bool operator==(const TMeasureKey&, const TMeasureKey&) = default;
};

// One point of a long display line where measuring can resume instead of
// starting at the line's start: the offset of a byte that ends a word (the
// scan is about to read the gap there), the x reached there from the line's
// start, the code state in force and the breaker's count of blanks that
// justification could widen. The highlight run in force is not stored: it
// is looked up again in the paragraph's runs.
struct TLineSample {
    int32_t Offset = 0;
    uint8_t CodeState = 0;
    int64_t X = 0;
    int32_t LineBlanks = 0;
    int32_t JustifyCandidate = 0;
};

// Samples along one display line of a paragraph, taken by line breaking
// about every TLayoutSettings::SampleStep bytes while it measures a long
// line, so that an edit near the end of a line of many megabytes, the x of
// the caret in it and the painting of its visible part do not measure the
// whole line again.
//
// Samples exist only where measuring is exact sums: they are taken only
// while every font of the line offers its byte advances, so x at a sample
// is the same whether the line was walked from its start or resumed there.
// A sample depends on the text and the highlight runs before its offset:
// whoever changes either drops the samples from the first changed offset on
// (TParagraph::DropLineSamplesFrom). Samples belong to the line starting at
// LineStart in the state LineStartState, measured under Key.
class TLineSamples {
public:
    TLineSamples(int32_t LineStart, uint8_t LineStartState, TMeasureKey Key)
        : LineStart(LineStart), LineStartState(LineStartState), Key(std::move(Key)) {}

    // Whether the samples belong to a line starting at Start in State,
    // measured under Current.
    bool Fits(int32_t Start, uint8_t State, const TMeasureKey& Current) const {
        return Start == LineStart && State == LineStartState && Current == Key;
    }
    // Samples (a paragraph's, or null) when x along Line, as it is laid out
    // and measured now, may be taken from them: they fit it, the layout has
    // a canvas, and no blank of the line is widened by justification. Null
    // otherwise.
    static const TLineSamples* ForLine(const TLineSamples* Samples, const TLineRecord& Line,
                                       const TLayoutSettings& Layout, bool StaticFormat);

    // The last sample at or before Offset, null when there is none.
    const TLineSample* AtOrBefore(int32_t Offset) const;
    // The last sample whose x lies at or before X, null when there is none.
    const TLineSample* AtOrBeforeX(int64_t X) const;
    // Keeps only the samples before Offset.
    void DropFrom(int32_t Offset);
    // Keeps only the samples up to and including the given one.
    void DropAfter(const TLineSample* Last);

    // The offset of the last sample, the line's start when there is none.
    int32_t LastOffset() const { return Samples.empty() ? LineStart : Samples.back().Offset; }
    void Add(const TLineSample& Sample) { Samples.push_back(Sample); }
    bool IsEmpty() const { return Samples.empty(); }
    int32_t Count() const { return static_cast<int32_t>(Samples.size()); }

private:
    int32_t LineStart;
    uint8_t LineStartState;
    TMeasureKey Key;
    std::vector<TLineSample> Samples; // ascending by Offset and by X
};

} // namespace korvel
