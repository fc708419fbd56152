#pragma once

#include "KVSupport/TParagraphsList.h"
#include "framework/TMemoryStream.h"
#include "platform/TClock.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// Reaches a list's total that no operation of the list leaves wrong, so that
// tests can fake huge paragraphs or break the total on purpose.
struct TParagraphsListTestAccess {
    static int32_t& TextLength(TParagraphsList& List) { return List.TextLength; }
};

} // namespace korvel

namespace korvel::test {

inline std::vector<std::string> Texts(const TParagraphsList& List) {
    std::vector<std::string> Result;
    for (int32_t I = 0; I < List.GetCount(); ++I)
        Result.emplace_back(List[I].View());
    return Result;
}

struct TLoadOptions {
    uint8_t NullReplacement = 0;
    bool DiscardTrailing = false;
};

// Loads Bytes into List (appending) and returns the detected break, kbCRLF
// when none was met.
inline TKorvelLineBreak Load(TParagraphsList& List, std::string_view Bytes,
                             TLoadOptions Options = {}) {
    TMemoryStream Stream(Bytes);
    TKorvelLineBreak Detected = kbCRLF;
    List.LoadText(Stream, Options.NullReplacement, 0, nullptr, Detected, Options.DiscardTrailing);
    return Detected;
}

// Loads Bytes with a progress notification called at most every Interval ms.
inline void LoadWithProgress(TParagraphsList& List, std::string_view Bytes, int32_t Interval,
                             const TNotifyEvent& Progress) {
    TMemoryStream Stream(Bytes);
    TKorvelLineBreak Detected = kbCRLF;
    List.LoadText(Stream, 0, Interval, Progress, Detected, false);
}

inline std::string Repeat(std::string_view Piece, int Times) {
    std::string Result;
    for (int I = 0; I < Times; ++I)
        Result += Piece;
    return Result;
}

inline std::string Save(const TParagraphsList& List, TKorvelLineBreak Break,
                        bool CompactCodes = false, bool DiscardTrailing = false) {
    TMemoryStream Stream;
    List.SaveText(Stream, CompactCodes, 0, nullptr, Break, DiscardTrailing);
    return Stream.DataString();
}

// Every invariant of the list holds.
#define EXPECT_CONSISTENT(List) EXPECT_EQ((List).FindInconsistency(), "")

// A clock that moves Step milliseconds every time it is read.
class TSteppingClock : public TClock {
public:
    explicit TSteppingClock(uint32_t Start = 0, uint32_t Step = 1) : Now(Start), Step(Step) {}
    uint32_t GetTickCount() const override {
        ++Reads;
        return Now += Step;
    }
    mutable int Reads = 0;

private:
    mutable uint32_t Now;
    uint32_t Step;
};

// A memory stream that delivers or accepts only Limit bytes; past that Read
// and Write give up, which ReadBuffer / WriteBuffer turn into stream errors.
class TLimitedStream : public TMemoryStream {
public:
    TLimitedStream(std::string_view Bytes, int64_t Limit) : TMemoryStream(Bytes), Limit(Limit) {}
    int64_t Read(void* Buffer, int64_t Count) override {
        const int64_t N = std::min(Count, Limit - Done);
        const int64_t Got = TMemoryStream::Read(Buffer, std::max<int64_t>(N, 0));
        Done += Got;
        return Got;
    }
    int64_t Write(const void* Buffer, int64_t Count) override {
        const int64_t N = std::min(Count, Limit - Done);
        const int64_t Put = TMemoryStream::Write(Buffer, std::max<int64_t>(N, 0));
        Done += Put;
        return Put;
    }

private:
    int64_t Limit;
    int64_t Done = 0;
};

} // namespace korvel::test
