#pragma once

#include "framework/TStrings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

enum TDuplicates { dupIgnore, dupAccept, dupError };

// A string list with its own storage. While Sorted it keeps its strings in
// ascending order (without regard to case unless CaseSensitive) and treats an
// added duplicate by Duplicates.
class TStringList : public TStrings {
public:
    std::string Get(int32_t Index) const override;
    int32_t GetCount() const override { return static_cast<int32_t>(Items.size()); }
    void Put(int32_t Index, const std::string& S) override;
    void Insert(int32_t Index, const std::string& S) override;
    void Delete(int32_t Index) override;
    void Clear() override { Items.clear(); }
    int32_t Add(const std::string& S) override;
    int32_t IndexOf(const std::string& S) const override;

    // Binary search of a sorted list: true when S is present; Index receives
    // its index, or the index where it would be inserted.
    bool Find(const std::string& S, int32_t& Index) const;
    void Sort();

    bool GetSorted() const { return Sorted; }
    void SetSorted(bool Value);
    bool GetCaseSensitive() const { return CaseSensitive; }
    void SetCaseSensitive(bool Value);
    TDuplicates GetDuplicates() const { return Duplicates; }
    void SetDuplicates(TDuplicates Value) { Duplicates = Value; }

private:
    int CompareStrings(const std::string& A, const std::string& B) const;
    void CheckIndex(int32_t Index, int32_t Limit) const;

    std::vector<std::string> Items;
    bool Sorted = false;
    bool CaseSensitive = false;
    TDuplicates Duplicates = dupIgnore;
};

} // namespace korvel
