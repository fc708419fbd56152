#include "Quolt_fm_Main/TTagNameSet.h"

#include "framework/CodePage.h"

#include <algorithm>

namespace quolt {

namespace {

// Orders the key against an upper-cased name exactly as the list's own
// case-insensitive comparison does: upper-cased bytes first, length second.
int CompareUpperKey(std::string_view Key, const std::string& UpperName,
                    const std::array<uint8_t, 256>& Upper) {
    const size_t N = std::min(Key.size(), UpperName.size());
    for (size_t i = 0; i < N; ++i) {
        const int a = Upper[static_cast<uint8_t>(Key[i])];
        const int b = static_cast<uint8_t>(UpperName[i]);
        if (a != b)
            return a - b;
    }
    return Key.size() < UpperName.size() ? -1 : (Key.size() > UpperName.size() ? 1 : 0);
}

} // namespace

TTagNameSet::TTagNameSet() {
    Names.SetSorted(true);
    Names.SetCaseSensitive(false);
    Names.SetDuplicates(korvel::dupIgnore);
    for (int Ch = 0; Ch < 256; ++Ch)
        Upper[static_cast<size_t>(Ch)] = korvel::AnsiUpperChar(static_cast<uint8_t>(Ch));
}

TTagNameSet::TPackedName TTagNameSet::Pack(std::string_view Name) const {
    uint64_t Bytes = 0;
    for (size_t i = 0; i < Name.size(); ++i)
        Bytes |= static_cast<uint64_t>(Upper[static_cast<uint8_t>(Name[i])]) << (8 * i);
    return {Name.size(), Bytes};
}

void TTagNameSet::Add(std::string_view Name) {
    if (Name.empty())
        return; // no tag has an empty name
    const int32_t CountBefore = Names.GetCount();
    Names.Add(std::string(Name));
    if (Names.GetCount() == CountBefore)
        return; // a duplicate, ignored by the list
    if (Name.size() <= MaxPackedLength) {
        const TPackedName Packed = Pack(Name);
        ShortNames.insert(std::lower_bound(ShortNames.begin(), ShortNames.end(), Packed), Packed);
    } else {
        std::string UpperName = korvel::AnsiUpperCase(Name);
        LongNames.insert(std::lower_bound(LongNames.begin(), LongNames.end(), UpperName),
                         std::move(UpperName));
    }
    const uint8_t First = Upper[static_cast<uint8_t>(Name[0])];
    for (int Ch = 0; Ch < 256; ++Ch)
        if (Upper[static_cast<size_t>(Ch)] == First)
            CanStart[static_cast<size_t>(Ch)] = true;
    MinLength = std::min(MinLength, Name.size());
    MaxLength = std::max(MaxLength, Name.size());
}

bool TTagNameSet::Contains(std::string_view Name) const {
    if (Name.size() < MinLength || Name.size() > MaxLength ||
        !CanStart[static_cast<uint8_t>(Name[0])])
        return false;
    if (Name.size() > MaxPackedLength)
        return ContainsLong(Name);
    return std::binary_search(ShortNames.begin(), ShortNames.end(), Pack(Name));
}

bool TTagNameSet::ContainsLong(std::string_view Name) const {
    size_t Low = 0;
    size_t High = LongNames.size();
    while (Low < High) {
        const size_t Mid = Low + (High - Low) / 2;
        const int Order = CompareUpperKey(Name, LongNames[Mid], Upper);
        if (Order == 0)
            return true;
        if (Order > 0)
            Low = Mid + 1;
        else
            High = Mid;
    }
    return false;
}

} // namespace quolt
