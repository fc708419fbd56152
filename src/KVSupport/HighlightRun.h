#pragma once

#include "framework/TColor.h"

#include <cstdint>
#include <vector>

namespace korvel {

// Bits of HighlightRun::Flags besides the style bits 0..5.
inline constexpr uint8_t hfStyleMask = 0x3F;
inline constexpr uint8_t hfStackValid = 0x40; // Depth and Stack are meaningful
inline constexpr uint8_t hfAutomatic = 0x80;  // automatic formatting is active
inline constexpr uint8_t hfKeyState = 0xC0;   // added to a keyword's or start key's Style

inline constexpr int32_t HighlightStackSize = 16; // at most 16 open highlights

// The state of automatic highlighting from Offset on, up to the next run of
// the paragraph. A paragraph's runs are kept in ascending order of Offset, at
// most one per offset.
//
// In a paragraph's StartRun (the state in force at its start) Offset is not
// an offset: it counts the paragraphs sharing that record (see
// NewSharedRun). Readers of a state never look at Offset for that reason.
struct HighlightRun {
    int32_t Offset;
    uint8_t Flags; // style bits 0..5, hfStackValid, hfAutomatic
    int8_t Depth;  // index of the top Stack entry, -1 when empty; counts as -1
                   // unless Flags has both hfStackValid and hfAutomatic
    TColor BackColor;
    TColor TextColor;
    int32_t Context;                   // context number, 0 = none
    int16_t Cursor;                    // mouse cursor shape
    int16_t Stack[HighlightStackSize]; // open highlights, innermost at Depth: a
                                       // keyword index (>= 0) or a start/stop
                                       // record index - 32768 (< 0)
    uint8_t TokenLen;                  // length of the token that opened this state
    uint8_t CloseLen;                  // length of the token that closes it (see the passes)
};

// A paragraph's highlight runs.
using TDynInfoArray = std::vector<HighlightRun>;

// The start state of a paragraph that has none of its own: all zero, both
// colours -1. It is one shared object: never counted, never freed.
const HighlightRun& DefaultRun();

inline bool IsDefaultRun(const HighlightRun* Run) {
    return Run == &DefaultRun();
}

// Reference-counted start runs. A paragraph's StartRun is either the default
// run or a heap copy whose Offset holds the number of paragraphs sharing it.
//
// A new heap copy of Source with a count of 1 (Source's Offset is ignored).
const HighlightRun* NewSharedRun(const HighlightRun& Source);
// One more user of Run, which must be the default run or a run obtained from
// NewSharedRun (a paragraph's StartRun); returns Run.
const HighlightRun* ShareRun(const HighlightRun* Run);
// One user fewer; the copy is freed when the last one goes. Null and the
// default run are ignored.
void ReleaseSharedRun(const HighlightRun* Run);
// The number of users of a shared run; 0 for the default run.
int32_t SharedRunCount(const HighlightRun* Run);

} // namespace korvel
