#include "KVSupport/TKeywordList.h"

#include "framework/Exceptions.h"
#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

#include <algorithm>

namespace korvel {

void TKeywordList::CheckIndex(int32_t Index, int32_t Limit) const {
    if (Index < 0 || Index >= Limit)
        throw ERangeError(SListIndexError);
}

const TKeyInfoLen& TKeywordList::Record(int32_t Index) const {
    CheckIndex(Index, GetCount());
    return Records[static_cast<size_t>(Index)];
}

void TKeywordList::Changed() {
    ++ChangeCount;
    if (!Updating)
        RebuildKeywords();
}

std::string TKeywordList::Get(int32_t Index) const {
    return Record(Index).Key;
}

void TKeywordList::Put(int32_t Index, const std::string& S) {
    CheckIndex(Index, GetCount());
    Records[static_cast<size_t>(Index)].Key = S;
    Changed();
}

void TKeywordList::Insert(int32_t Index, const std::string& S) {
    CheckIndex(Index, GetCount() + 1);
    TKeyInfoLen Record;
    Record.Key = S;
    Records.insert(Records.begin() + Index, std::move(Record));
    Changed();
}

void TKeywordList::Delete(int32_t Index) {
    CheckIndex(Index, GetCount());
    Records.erase(Records.begin() + Index);
    Changed();
}

void TKeywordList::Clear() {
    Records.clear();
    Changed();
}

void TKeywordList::Assign(const TStrings& Source) {
    const auto* Keywords = dynamic_cast<const TKeywordList*>(&Source);
    if (Keywords == nullptr) {
        TStrings::Assign(Source);
        return;
    }
    if (Keywords == this)
        return;
    BeginUpdate();
    try {
        Clear();
        Records = Keywords->Records;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int32_t TKeywordList::AddKeyword(const std::string& Key, TColor TextColor, TColor BackColor,
                                 int16_t Cursor, int32_t Context, uint8_t Style, uint8_t Options) {
    TKeyInfoLen Record;
    static_cast<TKeyInfo&>(Record) = {static_cast<uint8_t>(Options & koKeptOptions),
                                      Style,
                                      Context,
                                      Cursor,
                                      BackColor,
                                      TextColor};
    Record.Key = Key;
    Records.push_back(std::move(Record));
    Changed();
    return GetCount() - 1;
}

void TKeywordList::SetCaseRule(TkvUpperCase Rule) {
    if (Rule == CaseRule)
        return;
    CaseRule = Rule;
    Changed();
}

void TKeywordList::SetUpdateState(bool Value) {
    Updating = Value;
    if (!Updating)
        RebuildKeywords();
}

void TKeywordList::RebuildKeywords() {
    ++ChangeCount;
    AnyCaseless = false;
    MaxKeyLen = 0;
    const TUpperCaseRoutine Routine = UpperCaseRoutine(CaseRule);
    for (auto& Record : Records) {
        Record.KeyLen = static_cast<int32_t>(Record.Key.size());
        MaxKeyLen = std::max(MaxKeyLen, Record.KeyLen);
        Record.UpKey = Record.Key;
        if ((Record.Options & koMatchCase) == 0) {
            AnyCaseless = true;
            UpperCaseBuffer(Routine, Record.UpKey.data(), Record.UpKey.size());
        }
    }
}

void TKeywordList::ReadStrings(TValueReader& Reader) {
    Reader.ReadListBegin();
    BeginUpdate();
    try {
        Clear();
        while (!Reader.EndOfList()) {
            // The record joins the list before its fields are read, so a
            // malformed item leaves it behind, partly filled.
            TKeyInfoLen& Record = Records.emplace_back();
            Record.Key = Reader.ReadString();
            const int32_t Options = ReadKeyInfo(Reader, Record);
            if ((Options & koLayoutMarker) != 0) {
                Record.Extra1 = Reader.ReadInteger();
                Record.Extra2 = Reader.ReadInteger();
                Record.Extra3 = Reader.ReadInteger();
            } else if (IsIntegerValue(Reader.NextValue())) {
                // An older layout that kept two extras.
                Record.Extra1 = Reader.ReadInteger();
                Record.Extra2 = Reader.ReadInteger();
            }
        }
        Reader.ReadListEnd();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TKeywordList::WriteStrings(TValueWriter& Writer) const {
    Writer.WriteListBegin();
    for (const auto& Record : Records) {
        Writer.WriteString(Record.Key);
        WriteKeyInfo(Writer, Record);
        Writer.WriteInteger(Record.Extra1);
        Writer.WriteInteger(Record.Extra2);
        Writer.WriteInteger(Record.Extra3);
    }
    Writer.WriteListEnd();
}

} // namespace korvel
