#include "platform/TSystemClock.h"

#include <chrono>

namespace korvel {

uint32_t TSystemClock::GetTickCount() const {
    const auto Now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Now).count());
}

TSystemClock& TSystemClock::Instance() {
    static TSystemClock Clock;
    return Clock;
}

} // namespace korvel
