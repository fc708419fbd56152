#pragma once

#include "KVSupport/TKeyInfo.h"

#include <cstdint>
#include <string>

namespace korvel {

// One keyword: its attributes, its text and the working forms derived from it.
struct TKeyInfoLen : TKeyInfo {
    std::string Key;   // as written
    std::string UpKey; // Key upper-cased by the list's rule, or Key with koMatchCase
    int32_t KeyLen = 0;
    // Kept, copied and stored with the record; nothing here interprets them.
    int32_t Extra1 = 0;
    int32_t Extra2 = 0;
    int32_t Extra3 = 0;

    bool operator==(const TKeyInfoLen&) const = default;
};

} // namespace korvel
