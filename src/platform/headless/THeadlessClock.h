#pragma once

#include "platform/TClock.h"

namespace korvel {

// A clock that stands still until a test moves it.
class THeadlessClock : public TClock {
public:
    uint32_t GetTickCount() const override { return Ticks; }
    void Advance(uint32_t Milliseconds) { Ticks += Milliseconds; }
    void Set(uint32_t Milliseconds) { Ticks = Milliseconds; }

private:
    uint32_t Ticks = 0;
};

} // namespace korvel
