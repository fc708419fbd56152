#pragma once

#include <cstdint>

// Enumerations of the framework's controls that the editor publishes.
namespace korvel {

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

enum TBorderStyle : uint8_t { bsNone, bsSingle };

} // namespace korvel
