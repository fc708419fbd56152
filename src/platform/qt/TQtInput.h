#pragma once

#include "framework/ControlTypes.h"

#include <Qt>

#include <cstdint>
#include <string>

class QKeyEvent;
class QString;

namespace korvel {

// Translation of Qt's input vocabulary into the control's: virtual-key codes,
// shift states and the 8-bit characters of WM_CHAR. Kept apart from the
// widget so that the tables can be checked without a window.

// The virtual-key code of a Qt key (0 when the key has none). Letters and
// digits are their upper-case ASCII codes, the keypad's digits and operators
// their own codes when Modifiers hold Qt::KeypadModifier, and the punctuation
// keys the codes of the US layout's keys that carry them, shifted or not.
uint16_t VirtualKeyOf(int Key, Qt::KeyboardModifiers Modifiers);

// The modifier keys and mouse buttons as a shift state.
TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons = Qt::NoButton);

// Whether a key press is a system key (Alt held without Ctrl, or F10), which
// arrives as WM_SYSKEYDOWN / WM_SYSKEYUP.
bool IsSystemKey(int Key, Qt::KeyboardModifiers Modifiers);

// The bytes a key press types, one WM_CHAR each, as the window system
// produces them from the key: the text of the key in Windows-1252 (characters
// outside it as numeric character references "&#NNNN;", each byte typed), or
// the control characters of Enter (13, Ctrl: 10), Backspace (8, Ctrl: 127),
// Tab (9), Escape (27), Ctrl+Space (32) and Ctrl+letter (1 to 26). Alt
// without Ctrl types nothing (its characters are menu access keys), nor does
// Ctrl with any other key.
std::string CharsOfKey(int Key, Qt::KeyboardModifiers Modifiers, const QString& Text);

// Text committed by an input method, as the bytes to type.
std::string CharsOfText(const QString& Text);

} // namespace korvel
