#pragma once

#include <cstdint>

// Enumerations of the framework's controls that the editor publishes.
namespace korvel {

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

enum TBorderStyle : uint8_t { bsNone, bsSingle };

} // namespace korvel

namespace korvel {

// The modifier keys and mouse buttons held during an input event (a set: the
// constants are its bits).
using TShiftState = uint8_t;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;
// The three modifier keys, without the buttons.
inline constexpr TShiftState ssModifiers = ssShift | ssAlt | ssCtrl;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// What a component is busy with (a set: the constants are its bits). While
// it is read from a form description, setters only store and replacements
// record no undo; there is no designer here, so csDesigning is never set by
// this program, but the control honours it like any other state.
using TComponentState = uint8_t;
inline constexpr TComponentState csLoading = 0x01;
inline constexpr TComponentState csReading = 0x02;
inline constexpr TComponentState csDesigning = 0x04;
inline constexpr TComponentState csDestroying = 0x08;

} // namespace korvel
