#include "KVSupport/HighlightState.h"

#include <algorithm>

namespace korvel {

bool SameState(const HighlightRun& A, const HighlightRun& B) {
    if ((A.Flags & hfKeyState) != (B.Flags & hfKeyState))
        return false;
    if ((A.Flags & hfAutomatic) == 0)
        return true;
    if (A.Depth != B.Depth || A.Context != B.Context)
        return false;
    const int32_t Depth = std::min<int32_t>(A.Depth, MaxPushDepth);
    if (Depth < 0)
        return true;
    return std::equal(A.Stack, A.Stack + Depth + 1, B.Stack);
}

bool StartKeysAllowed(const HighlightRun& State) {
    const int32_t Depth = StateDepth(State);
    return Depth < 0 || TopEntry(State) >= -1;
}

HighlightRun PushedState(const HighlightRun& Base, const TKeyInfo& Key, int16_t Entry,
                         int32_t TokenLen, int32_t CloseLen) {
    HighlightRun State = Base;
    const int32_t Depth = StateDepth(Base) + 1;
    if (Depth > MaxPushDepth)
        return State; // the stack is full: nothing more can be opened
    State.Flags = static_cast<uint8_t>((Key.Style & hfStyleMask) | hfKeyState);
    State.Depth = static_cast<int8_t>(Depth);
    State.Stack[Depth] = Entry;
    State.Cursor = Key.Cursor;
    State.BackColor = Key.BackColor;
    State.TextColor = Key.TextColor;
    State.Context = Key.Context;
    State.TokenLen = TokenLength(TokenLen);
    State.CloseLen = TokenLength(CloseLen);
    return State;
}

} // namespace korvel
