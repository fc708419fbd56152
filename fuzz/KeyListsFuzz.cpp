// Feeds arbitrary bytes to the stored-form readers of the keyword list and the
// start/stop key list. Reading must either succeed or raise the engine's
// exception; either way the lists stay consistent, and whatever was read
// survives a write and a second read unchanged.

#include "KVSupport/TKeywordList.h"
#include "KVSupport/TSeparatorSet.h"
#include "KVSupport/TStartStopKeyList.h"
#include "framework/Exceptions.h"
#include "framework/TMemoryStream.h"
#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace korvel;

namespace {

void Check(bool Condition) {
    if (!Condition)
        std::abort();
}

template <class TList, class TRead, class TWrite>
void ReadAndRoundTrip(TList& List, std::string_view Bytes, TRead Read, TWrite Write) {
    TMemoryStream Input(Bytes);
    TValueReader Reader(Input);
    try {
        Read(List, Reader);
    } catch (const Exception&) {
        // Malformed input: the list keeps what was read before the fault.
    }
    TMemoryStream First;
    TValueWriter FirstWriter(First);
    Write(List, FirstWriter);
    TList Again;
    First.SetPosition(0);
    TValueReader AgainReader(First);
    Read(Again, AgainReader); // what we wrote must always read back
    TMemoryStream Second;
    TValueWriter SecondWriter(Second);
    Write(Again, SecondWriter);
    Check(First.DataString() == Second.DataString());
}

void CheckKeywords(const TKeywordList& List) {
    int32_t MaxKeyLen = 0;
    bool AnyCaseless = false;
    for (int32_t i = 0; i < List.GetCount(); ++i) {
        const TKeyInfoLen& Record = List.GetKeyRecord(i);
        Check(Record.KeyLen == static_cast<int32_t>(Record.Key.size()));
        Check(Record.UpKey.size() == Record.Key.size());
        Check((Record.Options & koLayoutMarker) == 0);
        MaxKeyLen = std::max(MaxKeyLen, Record.KeyLen);
        AnyCaseless = AnyCaseless || (Record.Options & koMatchCase) == 0;
    }
    Check(!List.GetUpdating() && List.GetUpdateCount() == 0);
    Check(List.GetMaxKeyLen() == MaxKeyLen && List.GetAnyCaseless() == AnyCaseless);
}

void CheckKeys(const TStartStopKeyList& List) {
    for (int32_t i = 0; i < List.GetCount(); ++i) {
        const StartStopInfo& Record = List[i];
        Check(Record.StartLen >= 0 && Record.StartLen <= List.GetMaxStartLen());
        Check(Record.StopLen >= 0 && Record.StopLen <= List.GetMaxStopLen());
        Check(Record.StartBuf[Record.StartLen] == '\0' && Record.StopKey[Record.StopLen] == '\0');
        Check(Record.SameStart >= -1 && Record.SameStart < i);
    }
}

// Stored forms of small lists, so that mutated inputs reach deep into items.
std::string SampleKeywords() {
    TKeywordList List;
    List.AddKeyword("begin", clRed, clNone, -2, 7, 0x21, koWholeWords);
    List.AddKeyword("\xE9t\xE9", 0x123456, clYellow, 300, -100000, 0x03, koMatchCase);
    List.Add(std::string(260, 'k'));
    TMemoryStream Stream;
    TValueWriter Writer(Stream);
    List.WriteStrings(Writer);
    return Stream.DataString();
}

std::string SampleKeys() {
    TStartStopKeyList List;
    List.AddKey("/*", "*/", false, clNone, clGreen, 1, 2, 0x04, 0);
    List.AddKey("if", "", true, 0x10000, clNone, -1, 0, 0x01, koWholeWords | koMatchCase);
    TMemoryStream Stream;
    TValueWriter Writer(Stream);
    List.WriteKeys(Writer);
    return Stream.DataString();
}

// Sample with a few bytes of Input patched in at a place Input chooses, and
// cut short when Input asks for it.
std::string Mutated(std::string Sample, std::string_view Input) {
    if (Input.size() < 4)
        return Sample;
    const auto Byte = [&](size_t i) { return static_cast<uint8_t>(Input[i]); };
    const size_t At = (Byte(0) | Byte(1) << 8) % Sample.size();
    const size_t Length = std::min<size_t>(Byte(2) % 8, Input.size() - 4);
    Sample.replace(At, std::min(Length, Sample.size() - At), Input.substr(4, Length));
    if (Byte(3) < 64)
        Sample.resize(Byte(3) * Sample.size() / 64);
    return Sample;
}

void ReadAll(std::string_view Bytes) {
    TKeywordList Keywords;
    Keywords.Add("before");
    ReadAndRoundTrip(
        Keywords, Bytes, [](TKeywordList& L, TValueReader& R) { L.ReadStrings(R); },
        [](const TKeywordList& L, TValueWriter& W) { L.WriteStrings(W); });
    CheckKeywords(Keywords);
    Keywords.SetCaseRule(kvuAnsi);
    CheckKeywords(Keywords);

    TStartStopKeyList Keys;
    Keys.AddKey("before", "", true, clNone, clNone, 0, 0, 0, 0);
    ReadAndRoundTrip(
        Keys, Bytes, [](TStartStopKeyList& L, TValueReader& R) { L.ReadKeys(R); },
        [](const TStartStopKeyList& L, TValueWriter& W) { L.WriteKeys(W); });
    CheckKeys(Keys);
    Keys.SetCaseRule(kvuAnsi);
    Keys.PrepareKeys(TSeparatorSet());
    CheckKeys(Keys);

    // The generic skipping of values over the same bytes.
    TMemoryStream Stream(Bytes);
    TValueReader Reader(Stream);
    try {
        while (Stream.GetPosition() < Stream.GetSize())
            Reader.SkipValue();
    } catch (const Exception&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const std::string Keywords = SampleKeywords();
    static const std::string Keys = SampleKeys();
    const std::string_view Input(reinterpret_cast<const char*>(Data), Size);
    ReadAll(Input);
    ReadAll(Mutated(Keywords, Input));
    ReadAll(Mutated(Keys, Input));
    return 0;
}
