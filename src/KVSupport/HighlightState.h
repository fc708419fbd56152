#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/TKeyInfo.h"

#include <algorithm>
#include <cstdint>

// Reading and building highlight states (HighlightRun). A state opened by a
// keyword or a start key has Flags = Style | hfKeyState and pushes one entry
// on its Stack: the keyword's index (>= 0) or the start/stop record's index
// - 32768 (< 0). At most HighlightStackSize highlights are open at once.
namespace korvel {

// The deepest Depth a new highlight may be pushed onto: a keyword or start
// key applies only where the current depth is below this.
inline constexpr int32_t MaxPushDepth = HighlightStackSize - 1;

// Stack entries are 16 bits: keyword indexes and start/stop record indexes
// must stay below this to be pushed.
inline constexpr int32_t MaxStackIndex = 32768;

// The stack entry of start/stop record Index, and back.
constexpr int16_t StartStopEntry(int32_t Index) {
    return static_cast<int16_t>(Index - MaxStackIndex);
}
constexpr int32_t StartStopIndex(int16_t Entry) {
    return int32_t{Entry} + MaxStackIndex;
}

// The index of the top Stack entry, -1 when nothing is open. Depth is only
// meaningful while both hfStackValid and hfAutomatic are set; a state
// without them has nothing open.
inline int32_t StateDepth(const HighlightRun& State) {
    return (State.Flags & hfKeyState) == hfKeyState ? State.Depth : -1;
}

// The innermost open highlight; only meaningful when StateDepth >= 0.
inline int16_t TopEntry(const HighlightRun& State) {
    return State.Stack[StateDepth(State)];
}

// Automatic formatting without a stack entry (hfAutomatic with a Depth byte
// of -1): only a highlighter component makes such runs, and the start/stop
// pass neither scans nor deletes them.
inline bool IsForeignAutomatic(const HighlightRun& State) {
    return (State.Flags & hfAutomatic) != 0 && State.Depth == -1;
}

// Convergence test: the same stack-relevant part. hfStackValid and
// hfAutomatic agree and, with hfAutomatic, Depth, Context and the open
// entries agree. Style, colours, cursor and token lengths do not count.
bool SameState(const HighlightRun& A, const HighlightRun& B);

// Start keys may open a range unless the innermost open highlight has a
// stack entry below -1: a start/stop range, whose stop key is looked for
// instead. An entry of -1 or more counts as a keyword's.
bool StartKeysAllowed(const HighlightRun& State);

// Keywords may match unless automatic formatting with a context number is in
// force (a keyword or a range that reports contexts).
inline bool KeywordsAllowed(const HighlightRun& State) {
    return (State.Flags & hfAutomatic) == 0 || State.Context == 0;
}

// A token length as kept in TokenLen and CloseLen (8 bits): longer tokens
// count as 255. Re-highlighting after an edit derives the true length from
// the lists where it matters (THighlightEngine).
inline uint8_t TokenLength(int32_t Length) {
    return static_cast<uint8_t>(std::clamp(Length, 0, 255));
}

// The state of a highlight opened on top of Base: Key's style (with
// hfKeyState), colours, cursor and context, one more stack entry Entry and
// the two token lengths. Base must have a depth below MaxPushDepth.
HighlightRun PushedState(const HighlightRun& Base, const TKeyInfo& Key, int16_t Entry,
                         int32_t TokenLen, int32_t CloseLen);

} // namespace korvel
