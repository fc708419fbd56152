#include "KVSupport/TStartStopKeyList.h"

#include "KVSupport/TSeparatorSet.h"
#include "framework/Exceptions.h"
#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

#include <cstring>
#include <string>

namespace korvel {

namespace {

// Copies Text into Buffer followed by a zero byte; returns the byte after it.
char* PlaceText(char* Buffer, std::string_view Text) {
    std::memcpy(Buffer, Text.data(), Text.size());
    Buffer[Text.size()] = '\0';
    return Buffer + Text.size() + 1;
}

} // namespace

int16_t TStartStopKeyList::FindSameStart(int32_t Before, uint8_t Options,
                                         std::string_view StartBuf) const {
    for (int32_t i = 0; i < Before; ++i) {
        const StartStopInfo& Other = At(i);
        if (Other.Options == Options && Other.StartBufView() == StartBuf)
            return static_cast<int16_t>(i);
    }
    return -1;
}

int32_t TStartStopKeyList::AddKey(std::string_view StartKey, std::string_view StopKey,
                                  bool StopAtParEnd, TColor TextColor, TColor BackColor,
                                  int16_t Cursor, int32_t Context, uint8_t Style, uint8_t Options) {
    if (StartKey.size() > MaxKeyLength || StopKey.size() > MaxKeyLength)
        throw Exception(STextTooLong);
    if (GetCount() >= MaxKeys)
        throw ERangeError(SListIndexError);
    Options &= koKeptOptions;

    StartStopInfo Record{};
    static_cast<TKeyInfo&>(Record) = {Options, Style, Context, Cursor, BackColor, TextColor};
    Record.StartLen = static_cast<int16_t>(StartKey.size());
    Record.StopLen = static_cast<int16_t>(StopKey.size());
    Record.StopAtParEnd = StopAtParEnd;
    if (Record.StartLen > MaxStartLen)
        MaxStartLen = Record.StartLen;
    if (Record.StopLen > MaxStopLen)
        MaxStopLen = Record.StopLen;
    if (StopAtParEnd && MaxStopLen < 2)
        MaxStopLen = 2;

    auto Text = std::make_unique<char[]>(2 * (StartKey.size() + StopKey.size() + 2));
    Record.StartBuf = Text.get();
    Record.StopBuf = PlaceText(Record.StartBuf, StartKey);
    Record.StartKey = PlaceText(Record.StopBuf, StopKey);
    Record.StopKey = PlaceText(Record.StartKey, StartKey);
    PlaceText(Record.StopKey, StopKey);
    if ((Options & koMatchCase) == 0) {
        const TUpperCaseRoutine Routine = UpperCaseRoutine(CaseRule);
        UpperCaseBuffer(Routine, Record.StartBuf, StartKey.size());
        UpperCaseBuffer(Routine, Record.StopBuf, StopKey.size());
    }
    Record.SameStart = FindSameStart(GetCount(), Options, Record.StartBufView());

    Texts.push_back(std::move(Text));
    int32_t Index;
    try {
        Index = Add(Record);
    } catch (...) {
        Texts.pop_back();
        throw;
    }
    Prepared = false;
    return Index;
}

void TStartStopKeyList::ClearKeys() {
    SetCount(0);
    Texts.clear();
    SetCapacity(2);
}

void TStartStopKeyList::SetCaseRule(TkvUpperCase Rule) {
    if (Rule == CaseRule)
        return;
    CaseRule = Rule;
    const TUpperCaseRoutine Routine = UpperCaseRoutine(CaseRule);
    for (int32_t i = 0; i < GetCount(); ++i) {
        StartStopInfo& Record = At(i);
        if ((Record.Options & koMatchCase) != 0)
            continue;
        PlaceText(Record.StartBuf, Record.StartKeyView());
        UpperCaseBuffer(Routine, Record.StartBuf, static_cast<size_t>(Record.StartLen));
        PlaceText(Record.StopBuf, Record.StopKeyView());
        UpperCaseBuffer(Routine, Record.StopBuf, static_cast<size_t>(Record.StopLen));
    }
    // Keys equal under one rule may differ under another, and the first or
    // last byte of a key may change its word-character class.
    for (int32_t i = 0; i < GetCount(); ++i)
        At(i).SameStart = FindSameStart(i, At(i).Options, At(i).StartBufView());
    Prepared = false;
}

void TStartStopKeyList::PrepareKeys(const TSeparatorSet& Separators) {
    for (int32_t i = 0; i < GetCount(); ++i) {
        StartStopInfo& Record = At(i);
        const bool Whole = (Record.Options & koWholeWords) != 0;
        const bool Start = Whole && Record.StartLen > 0;
        const bool Stop = Whole && Record.StopLen > 0;
        Record.StartWordHead = Start && Separators.IsWordChar(Record.StartBuf[0]);
        Record.StartWordTail = Start && Separators.IsWordChar(Record.StartBuf[Record.StartLen - 1]);
        Record.StopWordHead = Stop && Separators.IsWordChar(Record.StopBuf[0]);
        Record.StopWordTail = Stop && Separators.IsWordChar(Record.StopBuf[Record.StopLen - 1]);
    }
    Prepared = true;
}

void TStartStopKeyList::ReadKeys(TValueReader& Reader) {
    Reader.ReadListBegin();
    ClearKeys();
    while (!Reader.EndOfList()) {
        const std::string StartKey = Reader.ReadString();
        const std::string StopKey = Reader.ReadString();
        TKeyInfo Info;
        const int32_t Options = ReadKeyInfo(Reader, Info);
        bool HasExtras = false;
        int32_t Extras[3] = {};
        if (IsIntegerValue(Reader.NextValue())) { // an older layout with two extras
            Extras[0] = Reader.ReadInteger();
            Extras[1] = Reader.ReadInteger();
            HasExtras = true;
        }
        const bool StopAtParEnd = Reader.ReadBoolean();
        if ((Options & koLayoutMarker) != 0) {
            for (auto& Extra : Extras)
                Extra = Reader.ReadInteger();
            HasExtras = true;
        }
        // Report limits as a malformed stream, as the reader does.
        if (StartKey.size() > MaxKeyLength || StopKey.size() > MaxKeyLength)
            throw EReadError("Invalid form value: a start/stop key is longer than " +
                             std::to_string(MaxKeyLength) + " bytes");
        if (GetCount() >= MaxKeys)
            throw EReadError("Invalid form value: more than " + std::to_string(MaxKeys) +
                             " start/stop keys");
        const int32_t Index =
            AddKey(StartKey, StopKey, StopAtParEnd, Info.TextColor, Info.BackColor, Info.Cursor,
                   Info.Context, Info.Style, Info.Options);
        if (HasExtras) {
            StartStopInfo& Record = At(Index);
            Record.Extra1 = Extras[0];
            Record.Extra2 = Extras[1];
            Record.Extra3 = Extras[2];
        }
    }
    Reader.ReadListEnd();
    Prepared = false;
}

void TStartStopKeyList::WriteKeys(TValueWriter& Writer) const {
    Writer.WriteListBegin();
    for (int32_t i = 0; i < GetCount(); ++i) {
        const StartStopInfo& Record = At(i);
        Writer.WriteString(Record.StartBufView());
        Writer.WriteString(Record.StopBufView());
        WriteKeyInfo(Writer, Record);
        Writer.WriteBoolean(Record.StopAtParEnd);
        Writer.WriteInteger(Record.Extra1);
        Writer.WriteInteger(Record.Extra2);
        Writer.WriteInteger(Record.Extra3);
    }
    Writer.WriteListEnd();
}

} // namespace korvel
