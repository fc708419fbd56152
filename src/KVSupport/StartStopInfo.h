#pragma once

#include "KVSupport/TKeyInfo.h"

#include <cstdint>
#include <string_view>

namespace korvel {

// One start/stop key pair of a TStartStopKeyList. The record is plain bytes
// in a record array; the four texts it points to are owned by the list, which
// allocates them with the record and frees them in ClearKeys. Each text is
// zero-terminated; StartBuf and StartKey hold StartLen bytes, StopBuf and
// StopKey StopLen bytes. The attributes of the range come first (TKeyInfo).
struct StartStopInfo : TKeyInfo {
    char* StartBuf;   // start key as matched: upper-cased unless koMatchCase
    char* StopBuf;    // stop key as matched, likewise
    int16_t StartLen; // length of the start key
    int16_t StopLen;  // length of the stop key, 0 allowed
    char* StartKey;   // start key as given
    char* StopKey;    // stop key as given
    int32_t Extra1;   // kept and stored; nothing here interprets them
    int32_t Extra2;
    int32_t Extra3;
    int16_t SameStart; // first earlier record with equal Options and StartBuf, or -1
    bool StopAtParEnd; // the range also ends at the end of its paragraph
    // Derived by PrepareKeys: whole words are asked for and the first / last
    // byte of the key is a word character, so its neighbour must be a separator.
    bool StartWordTail;
    bool StartWordHead;
    bool StopWordTail;
    bool StopWordHead;

    // Records hold references to their texts: comparing them as attributes
    // alone (the base's comparison) would mislead.
    bool operator==(const StartStopInfo&) const = delete;

    std::string_view StartBufView() const { return {StartBuf, static_cast<size_t>(StartLen)}; }
    std::string_view StopBufView() const { return {StopBuf, static_cast<size_t>(StopLen)}; }
    std::string_view StartKeyView() const { return {StartKey, static_cast<size_t>(StartLen)}; }
    std::string_view StopKeyView() const { return {StopKey, static_cast<size_t>(StopLen)}; }
};

} // namespace korvel
