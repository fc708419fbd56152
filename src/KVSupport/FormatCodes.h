#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The embedded format codes. While a control's StaticFormat is on, five byte
// values inside paragraph text are zero-width toggles of a one-byte state
// (CodeState); the text after a code shows the toggled style up to the next
// code of the same value. While StaticFormat is off they are ordinary bytes,
// and so is every other byte below 26 (tab, a stray 10, ...).
namespace korvel {

// The code bytes.
inline constexpr uint8_t fcItalic = 0x01;
inline constexpr uint8_t fcBold = 0x02;
inline constexpr uint8_t fcHighlight = 0x03; // text in HighlightColor on HighlightBackgnd
inline constexpr uint8_t fcAltFont = 0x04;
inline constexpr uint8_t fcUnderline = 0x15;

// The CodeState bits they toggle. Bits 0..3 follow the font style set (bold,
// italic, underline, strike-out; no code toggles strike-out), so the style
// shown is CodeState XOR the font's own style.
inline constexpr uint8_t csBold = 0x01;
inline constexpr uint8_t csItalic = 0x02;
inline constexpr uint8_t csUnderline = 0x04;
inline constexpr uint8_t csStrikeOut = 0x08;
inline constexpr uint8_t csHighlight = 0x10;
inline constexpr uint8_t csAltFont = 0x20;

// The CodeState bit a byte toggles, 0 for a byte that is not a code.
constexpr uint8_t CodeBit(uint8_t Ch) {
    switch (Ch) {
    case fcItalic:
        return csItalic;
    case fcBold:
        return csBold;
    case fcUnderline:
        return csUnderline;
    case fcHighlight:
        return csHighlight;
    case fcAltFont:
        return csAltFont;
    default:
        return 0;
    }
}

constexpr bool IsFormatCode(uint8_t Ch) {
    return CodeBit(Ch) != 0;
}

// State with the bit of Ch toggled; any byte that is not a code leaves it.
constexpr uint8_t ToggleCode(uint8_t State, uint8_t Ch) {
    return State ^ CodeBit(Ch);
}

// The state after every code of Text has been applied to State.
uint8_t ToggleCodes(uint8_t State, std::string_view Text);

// Text without any of the five code bytes, all other bytes kept in order.
std::string StripCodes(std::string_view Text);

// The codes that switch every set bit of State back off, in the order
// underline, italic, bold, highlight, alternate font (0 to 5 bytes). Appended
// after inserted text so that the text behind it keeps its formatting.
std::string ClosingCodes(uint8_t State);

// Removes cancelling code pairs: two equal codes with only codes between them
// toggle the same bit twice, so both go. Within each run of consecutive codes
// the result keeps, for every code value that occurs an odd number of times,
// only its last occurrence, in the original order; other bytes stay. The
// formatting of every non-code byte is unchanged. Returns Text itself when
// nothing cancels, otherwise a view of the compacted copy held in Scratch.
std::string_view CompactCodes(std::string_view Text, std::string& Scratch);

} // namespace korvel
