#pragma once

#include <cstdint>

namespace korvel {

// Bits of the Options byte of keyword and start/stop records.
inline constexpr uint8_t koMatchCase = 0x01;  // compare unchanged, not upper-cased
inline constexpr uint8_t koWholeWords = 0x02; // match only between separators
// Marks the current item layout in a stored list; never kept in a record.
inline constexpr uint8_t koLayoutMarker = 0x80;
inline constexpr uint8_t koKeptOptions = 0x7F;

} // namespace korvel
