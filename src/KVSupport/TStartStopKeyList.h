#pragma once

#include "KVSupport/StartStopInfo.h"
#include "KVSupport/TDynArray2.h"
#include "KVSupport/UpperCaseRules.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace korvel {

class TSeparatorSet;
class TValueReader;
class TValueWriter;

// The start/stop key pairs of automatic highlighting, in the order in which
// the scanner tries them. Records live in a record array (read them with
// operator[] or Items); the texts they point to belong to this list.
class TStartStopKeyList : public TDynArrayOf<StartStopInfo> {
public:
    // The name under which a form description stores the list.
    static constexpr const char* StreamPropertyName = "Keys";
    static constexpr int32_t KeyStride = (sizeof(StartStopInfo) + 15) / 16 * 16;
    // Stack entries of the highlighter name a record as its index - 32768 in
    // 16 bits, and SameStart is 16 bits: so at most 32768 records.
    static constexpr int32_t MaxKeys = 32768;
    // StartLen and StopLen are 16 bits.
    static constexpr int32_t MaxKeyLength = 32767;

    TStartStopKeyList() : TDynArrayOf(KeyStride) {}
    ~TStartStopKeyList() override = default;

    // Appends a key pair and returns its index. The working buffers are
    // upper-cased by the list's rule unless Options has koMatchCase; bit 7 of
    // Options is not kept. Raises "Text too long" for a key longer than
    // MaxKeyLength and ERangeError when the list already holds MaxKeys records.
    int32_t AddKey(std::string_view StartKey, std::string_view StopKey, bool StopAtParEnd,
                   TColor TextColor, TColor BackColor, int16_t Cursor, int32_t Context,
                   uint8_t Style, uint8_t Options);
    // Frees every record's texts and empties the array down to one block.
    // MaxStartLen and MaxStopLen stay.
    void ClearKeys();

    TkvUpperCase GetCaseRule() const { return CaseRule; }
    // Stores a different rule and rebuilds the working buffers of the records
    // without koMatchCase from their keys.
    void SetCaseRule(TkvUpperCase Rule);

    // Computes the word flags of every record against Separators.
    void PrepareKeys(const TSeparatorSet& Separators);
    // Whether the word flags are current; cleared whenever they may not be
    // (adding, reading, a new case rule; the control clears it when its
    // separators change).
    bool GetPrepared() const { return Prepared; }
    void SetPrepared(bool Value) { Prepared = Value; }

    // The longest start and stop keys ever added; they never shrink.
    int16_t GetMaxStartLen() const { return MaxStartLen; }
    int16_t GetMaxStopLen() const { return MaxStopLen; }

    // Whether a form description stores the list (only when it has records).
    bool HasData() const { return GetCount() > 0; }
    // Replaces the content by a stored list. On malformed input the reader's
    // EReadError propagates; the list then holds the items read before it.
    void ReadKeys(TValueReader& Reader);
    void WriteKeys(TValueWriter& Writer) const;

private:
    // Records are added and removed only with their texts.
    using TDynArray2::SetCapacity;
    using TDynArray2::SetCount;
    using TDynArrayOf::Add;

    int16_t FindSameStart(int32_t Before, uint8_t Options, std::string_view StartBuf) const;

    // Texts[i] holds the four zero-terminated texts of record i.
    std::vector<std::unique_ptr<char[]>> Texts;
    TkvUpperCase CaseRule = kvuAscii;
    int16_t MaxStartLen = 0;
    int16_t MaxStopLen = 0;
    bool Prepared = false;
};

} // namespace korvel
