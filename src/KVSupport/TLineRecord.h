#pragma once

#include <cstdint>

namespace korvel {

// One display line of a paragraph, filled by line breaking. Offsets are
// inside the paragraph. Line 0 is kept in the paragraph's ParExtraInfo (or is
// implied by its compact slot), lines 1 .. n-1 in the extension's MoreLines.
//
// Invariants of a paragraph's lines: Start(0) = 0; Start(k+1) = Stop(k);
// Stop(n-1) = the paragraph length; Width <= FullWidth; n >= 1 (an empty
// paragraph has one empty line).
struct TLineRecord {
    int32_t Start;          // offset of the line's first byte
    int32_t Stop;           // offset just after its last byte (blanks, tabs and codes hanging
                            // at a wrapped line's end included); the next line's Start
    int32_t Width;          // pixels, without the blanks and tabs hanging at the end
    int32_t FullWidth;      // pixels, with them
    int32_t Gaps;           // blanks that justification widens (after the last tab, not
                            // hanging); 0 on a paragraph's last line and on split words
    int32_t JustifyFrom;    // offset from which blanks are widened; Stop when not justified
    uint8_t StartCodeState; // CodeState at Start
    int32_t StartRunIndex;  // number of the paragraph's highlight runs starting before Start

    // The one line of an unwrapped paragraph of Length bytes and the given
    // pixel width: what a paragraph without extension implies.
    static constexpr TLineRecord Whole(int32_t Length, int32_t Width) {
        return {0, Length, Width, Width, 0, Length, 0, 0};
    }

    friend constexpr bool operator==(const TLineRecord&, const TLineRecord&) = default;
};

} // namespace korvel
