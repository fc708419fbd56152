#pragma once

#include "KVSupport/TKeyInfoLen.h"
#include "KVSupport/UpperCaseRules.h"
#include "framework/TStrings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

class TValueReader;
class TValueWriter;

// The keywords that automatic highlighting looks for, in the order in which
// they are tried. As a string list its items are the keyword texts; behind
// each item is a full keyword record. The derived values (UpKey, KeyLen,
// MaxKeyLen, AnyCaseless) are current whenever no update bracket is open.
class TKeywordList : public TStrings {
public:
    // The name under which a form description stores the list.
    static constexpr const char* StreamPropertyName = "Strings";

    std::string Get(int32_t Index) const override;
    int32_t GetCount() const override { return static_cast<int32_t>(Records.size()); }
    // Changes the keyword text of item Index; its other fields stay.
    void Put(int32_t Index, const std::string& S) override;
    // A plain keyword: no options, style or context, no colours.
    void Insert(int32_t Index, const std::string& S) override;
    void Delete(int32_t Index) override;
    void Clear() override;
    // From another keyword list the records are copied whole; from any other
    // string list each string becomes a plain keyword.
    void Assign(const TStrings& Source) override;

    // Appends a keyword with all its fields set; returns its index. Bit 7 of
    // Options is not kept.
    int32_t AddKeyword(const std::string& Key, TColor TextColor, TColor BackColor, int16_t Cursor,
                       int32_t Context, uint8_t Style, uint8_t Options);

    // The attributes of keyword Index, as one block. ERangeError outside the list.
    const TKeyInfo& GetKeyInfo(int32_t Index) const { return Record(Index); }
    // The whole record of keyword Index. ERangeError outside the list.
    const TKeyInfoLen& GetKeyRecord(int32_t Index) const { return Record(Index); }

    TkvUpperCase GetCaseRule() const { return CaseRule; }
    // Stores a different rule and rebuilds the upper-cased keys.
    void SetCaseRule(TkvUpperCase Rule);
    int32_t GetMaxKeyLen() const { return MaxKeyLen; }
    bool GetAnyCaseless() const { return AnyCaseless; }
    bool GetUpdating() const { return Updating; }
    // Counts every change of the records and every rebuild, so that a
    // compiled copy of the list can tell that it is out of date.
    uint32_t GetChangeCount() const { return ChangeCount; }

    // Recomputes KeyLen and UpKey of every record, MaxKeyLen and AnyCaseless.
    void RebuildKeywords();

    // Whether a form description stores the list (only when it has records).
    bool HasData() const { return !Records.empty(); }
    // Replaces the content by a stored list. On malformed input the reader's
    // EReadError propagates; the list then holds the items read so far (the
    // last possibly incomplete), with its derived values current.
    void ReadStrings(TValueReader& Reader);
    void WriteStrings(TValueWriter& Writer) const;

protected:
    void SetUpdateState(bool Updating) override;

private:
    const TKeyInfoLen& Record(int32_t Index) const;
    void CheckIndex(int32_t Index, int32_t Limit) const;
    // Brings the derived values up to date unless an update bracket is open.
    void Changed();

    std::vector<TKeyInfoLen> Records;
    bool Updating = false;
    TkvUpperCase CaseRule = kvuAscii;
    int32_t MaxKeyLen = 0;
    bool AnyCaseless = false;
    uint32_t ChangeCount = 0;
};

} // namespace korvel
