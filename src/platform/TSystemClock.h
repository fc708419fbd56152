#pragma once

#include "platform/TClock.h"

namespace korvel {

// The tick count of the machine's monotonic clock.
class TSystemClock : public TClock {
public:
    uint32_t GetTickCount() const override;

    // The one instance used where no other clock is given.
    static TSystemClock& Instance();
};

} // namespace korvel
