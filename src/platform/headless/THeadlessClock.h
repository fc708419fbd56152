#pragma once

#include "platform/TClock.h"

namespace korvel {

// A clock that stands still until a test moves it, or, with an automatic
// step, moves by that step every time it is read (so that code waiting for
// time to pass, such as an animation or a time slice, ends without a test
// driving it).
class THeadlessClock : public TClock {
public:
    uint32_t GetTickCount() const override {
        const uint32_t Now = Ticks;
        Ticks += AutoStep;
        return Now;
    }
    void Advance(uint32_t Milliseconds) { Ticks += Milliseconds; }
    void Set(uint32_t Milliseconds) { Ticks = Milliseconds; }
    void SetAutoStep(uint32_t Milliseconds) { AutoStep = Milliseconds; }
    uint32_t GetAutoStep() const { return AutoStep; }

private:
    mutable uint32_t Ticks = 0;
    uint32_t AutoStep = 0;
};

} // namespace korvel
