#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// The characters that end a word: one bit per 8-bit character code. LF and CR
// are always members, since a paragraph break always ends a word.
class TSeparatorSet {
public:
    // TAB, LF, CR, blank and $ % & , . / : ; < = >
    static constexpr std::string_view DefaultSeparators = "\t\n\r $%&,./:;<=>";

    TSeparatorSet() { SetSeparators(DefaultSeparators); }

    bool IsSeparator(uint8_t Ch) const { return (Bits[Ch >> 6] >> (Ch & 63)) & 1; }
    bool IsSeparator(char Ch) const { return IsSeparator(static_cast<uint8_t>(Ch)); }
    bool IsWordChar(char Ch) const { return !IsSeparator(Ch); }

    // Every member, in ascending code order.
    std::string GetSeparators() const;
    // Makes the set exactly the characters of Text together with LF and CR.
    void SetSeparators(std::string_view Text);

    bool operator==(const TSeparatorSet&) const = default;

private:
    void Include(uint8_t Ch) { Bits[Ch >> 6] |= uint64_t{1} << (Ch & 63); }

    uint64_t Bits[4] = {};
};

} // namespace korvel
