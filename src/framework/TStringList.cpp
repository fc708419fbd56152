#include "framework/TStringList.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"

#include <algorithm>

namespace korvel {

std::string TStringList::Get(int32_t Index) const {
    CheckIndex(Index, GetCount() - 1);
    return Items[static_cast<size_t>(Index)];
}

void TStringList::Put(int32_t Index, const std::string& S) {
    if (Sorted)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(Index, GetCount() - 1);
    Items[static_cast<size_t>(Index)] = S;
}

void TStringList::Insert(int32_t Index, const std::string& S) {
    if (Sorted)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(Index, GetCount());
    Items.insert(Items.begin() + Index, S);
}

void TStringList::Delete(int32_t Index) {
    CheckIndex(Index, GetCount() - 1);
    Items.erase(Items.begin() + Index);
}

int32_t TStringList::Add(const std::string& S) {
    if (!Sorted) {
        Items.push_back(S);
        return GetCount() - 1;
    }
    int32_t Index = 0;
    if (Find(S, Index)) {
        if (Duplicates == dupIgnore)
            return Index;
        if (Duplicates == dupError)
            throw EStringListError("String list does not allow duplicates");
    }
    Items.insert(Items.begin() + Index, S);
    return Index;
}

int32_t TStringList::IndexOf(const std::string& S) const {
    if (!Sorted) {
        for (int32_t i = 0; i < GetCount(); ++i)
            if (CompareStrings(Items[static_cast<size_t>(i)], S) == 0)
                return i;
        return -1;
    }
    int32_t Index = 0;
    return Find(S, Index) ? Index : -1;
}

bool TStringList::Find(const std::string& S, int32_t& Index) const {
    // Leftmost match, so that with dupAccept the first of equal strings is found.
    int32_t Low = 0;
    int32_t High = GetCount();
    while (Low < High) {
        const int32_t Mid = Low + (High - Low) / 2;
        if (CompareStrings(Items[static_cast<size_t>(Mid)], S) < 0)
            Low = Mid + 1;
        else
            High = Mid;
    }
    Index = Low;
    return Low < GetCount() && CompareStrings(Items[static_cast<size_t>(Low)], S) == 0;
}

void TStringList::Sort() {
    std::stable_sort(
        Items.begin(), Items.end(),
        [this](const std::string& A, const std::string& B) { return CompareStrings(A, B) < 0; });
}

void TStringList::SetSorted(bool Value) {
    if (Value && !Sorted)
        Sort();
    Sorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (Value == CaseSensitive)
        return;
    CaseSensitive = Value;
    if (Sorted)
        Sort();
}

int TStringList::CompareStrings(const std::string& A, const std::string& B) const {
    if (!CaseSensitive)
        return AnsiCompareText(A, B);
    const int Result = A.compare(B);
    return Result < 0 ? -1 : (Result > 0 ? 1 : 0);
}

void TStringList::CheckIndex(int32_t Index, int32_t Limit) const {
    if (Index < 0 || Index > Limit)
        throw ERangeError(SListIndexError);
}

} // namespace korvel
