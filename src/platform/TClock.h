#pragma once

#include <cstdint>

namespace korvel {

// The millisecond tick count that progress reports and time slices are timed
// by. It wraps around like any 32-bit tick count; callers compare differences.
class TClock {
public:
    virtual ~TClock() = default;
    virtual uint32_t GetTickCount() const = 0;
};

} // namespace korvel
