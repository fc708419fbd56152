#pragma once

#include <cstdint>
#include <string_view>

// Small enumerations shared by the text store and the control.
namespace korvel {

// The paragraph break written when text is saved, and the kind detected when
// it is loaded.
enum TKorvelLineBreak : uint8_t {
    kbCRLF, // bytes 13 10
    kbLFCR, // bytes 10 13
    kbCR,   // byte 13
    kbLF,   // byte 10
};

// The bytes of a break. A value outside the enumeration writes CR LF, so a
// corrupt setting can never index outside the table.
constexpr std::string_view LineBreakBytes(TKorvelLineBreak Break) {
    switch (Break) {
    case kbLFCR:
        return "\n\r";
    case kbCR:
        return "\r";
    case kbLF:
        return "\n";
    default:
        return "\r\n";
    }
}

// The control's options; bit n of TKorvelOptions stands for the option of ordinal n.
enum TKorvelOption : uint8_t {
    kvoKeepColumnPos,
    kvoPutExtraSpaces,
    kvoWrapCaret,
    kvoInsertKeyActive,
    kvoWideOverwriteCaret,
    kvoLargeWordSelect,
    kvoAutoScrollBars,
    kvoNoDragnDrop,
    kvoAutoIndent,
    kvoBackIndent,
    kvoWindowsSelColors,
    kvoFullLineSelect,
    kvoDiscardTrailingSpaces,
    kvoNoFineScroll,
    kvoNoLineSelection,
    kvoNoDefaultPopup,
    kvoBlockSelection,
    kvoAutoLineBreak,
    kvoPlainClipboard,
    kvoPersistentBlocks,
    kvoNoOverwriteBlocks,
    kvoSmartTabs,
};

using TKorvelOptions = uint32_t;

constexpr TKorvelOptions OptionBit(TKorvelOption Option) {
    return TKorvelOptions{1} << Option;
}

inline constexpr TKorvelOptions DefaultKorvelOptions =
    OptionBit(kvoWrapCaret) | OptionBit(kvoInsertKeyActive) | OptionBit(kvoWideOverwriteCaret) |
    OptionBit(kvoAutoScrollBars);

// When paragraphs are formatted into display lines: all at once, when the
// view needs them, or in background time slices.
enum TkvUpdateMode : uint8_t { umImmediate, umOnNeed, umBackground };

// Characters shown with glyphs when ShowNonPrintChars holds them (a set: bit
// n stands for the value of ordinal n).
enum TkvNonPrintChar : uint8_t { kvNPSpace, kvNPTab, kvNPReturn };
using TkvNonPrintChars = uint8_t;

} // namespace korvel
