#pragma once

#include "framework/TStringList.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quolt {

// The set of tag names a clean works on: a sorted string list that compares
// without regard to letter case (by the code page) and silently ignores an
// added duplicate.
//
// The cleaner asks once per tag, which on large pages is millions of times,
// so beside the list the set keeps an index that answers without copying the
// key or case-folding both sides at every comparison: which bytes may begin a
// name (most unlisted names are refused at their first byte), the short names
// upper-cased and packed into integers, and the longer ones upper-cased in
// the list's order. Its answers are exactly the list's.
class TTagNameSet {
public:
    TTagNameSet();

    // Adds Name unless it is empty or the set already holds it in any letter case.
    void Add(std::string_view Name);
    // True when the set holds Name, compared without regard to letter case.
    bool Contains(std::string_view Name) const;

    int32_t GetCount() const { return Names.GetCount(); }
    // The names as first written, in the list's sorted order.
    const korvel::TStringList& GetNames() const { return Names; }
    // Length of the longest name (0 for an empty set): a longer key cannot match.
    size_t GetMaxLength() const { return MaxLength; }

private:
    // A name of up to eight bytes: its upper-cased bytes in one integer.
    struct TPackedName {
        uint64_t Length;
        uint64_t Bytes;
        auto operator<=>(const TPackedName&) const = default;
    };
    static constexpr size_t MaxPackedLength = 8;
    TPackedName Pack(std::string_view Name) const;
    bool ContainsLong(std::string_view Name) const;

    korvel::TStringList Names;
    std::vector<TPackedName> ShortNames; // sorted
    std::vector<std::string> LongNames;  // upper-cased, sorted as the list sorts
    std::array<bool, 256> CanStart{};    // by byte: some name begins with it, in any case
    std::array<uint8_t, 256> Upper{};    // the code page's upper-casing, at hand
    size_t MinLength = SIZE_MAX;
    size_t MaxLength = 0;
};

} // namespace quolt
