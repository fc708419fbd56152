#include "KVSupport/TParagraphLoader.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/TParagraphsList.h"
#include "framework/ByteScan.h"
#include "framework/Exceptions.h"
#include "framework/TStream.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace korvel {

namespace {

// The bytes that end or change a paragraph: 0, 10 and 13, and with Codes
// the five format codes (1..4 and 21).
const char* FindStop(const char* P, const char* End, bool Codes) {
    return Codes ? FindFirstMatch<5, '\n', '\r', 21>(P, End)
                 : FindFirstMatch<0, '\n', '\r', '\0'>(P, End);
}

} // namespace

TParagraphLoader::TParagraphLoader(TParagraphsList& List, TStream& Stream, uint8_t NullReplacement,
                                   int32_t ProgressInterval, const TNotifyEvent& Progress,
                                   TKorvelLineBreak& DetectedBreak, bool DiscardTrailing)
    : List(List), Stream(Stream), Progress(Progress), DetectedBreak(DetectedBreak),
      NullReplacement(NullReplacement), DiscardTrailing(DiscardTrailing), Codes(List.StaticFormat),
      Interval(static_cast<uint32_t>(std::max(ProgressInterval, 0))) {}

void TParagraphLoader::Run() {
    // Appending to paragraphs already there: a break separates them.
    if (List.GetCount() > 0) {
        if (List.TextLength > INT32_MAX - 2)
            throw Exception(STextTooLong);
        List.TextLength += 2;
        BreakPending = true;
    }
    try {
        if (Progress)
            Deadline = List.Clock.GetTickCount() + Interval;
        StartPosition = Stream.GetPosition();
        Remaining = std::max<int64_t>(Stream.GetSize() - StartPosition, 0);
        FirstParInBuf = List.GetCount();
        if (Remaining > 0) {
            Cap = std::min<int64_t>(TParagraphsList::LoadBufferBytes - 1, Remaining);
            List.ReserveLoadBufferSlot();
            BufSlot = List.AdoptLoadBuffer(TLargeBuffer(static_cast<size_t>(Cap + 1)));
            Buf = List.LoadBuffers[static_cast<size_t>(BufSlot)].Memory.Chars();
            ReadMore(std::min<int64_t>(TParagraphsList::LoadChunk, Cap));
        }
        Scan();
        AppendLast(false);
    } catch (...) {
        FinishAfterError();
        throw;
    }
}

void TParagraphLoader::Scan() {
    if (Buf == nullptr) // an empty stream: one empty paragraph follows
        return;
    for (;;) {
        Pos = FindStop(Buf + Pos, Buf + Filled, Codes) - Buf;
        if (Pos == Filled) {
            if (ReadTotal == Remaining)
                return;
            NextChunk();
            continue;
        }
        const auto Ch = static_cast<uint8_t>(Buf[Pos]);
        if (Ch == 10 || Ch == 13) {
            const uint8_t Other = Ch == 10 ? 13 : 10; // completes a two-byte break
            if (Pos == ParStart && PrevBreak == Other) {
                // The second byte of CR LF or LF CR belongs to no paragraph.
                DetectedBreak = Ch == 10 ? kbCRLF : kbLFCR;
                Buf[Pos] = 0;
                ParStart = ++Pos;
                PrevBreak = 0;
            } else {
                DetectedBreak = Ch == 10 ? kbLF : kbCR;
                PrevBreak = Ch;
                EndParagraph(Pos, true);
                ParStart = ++Pos;
                ParState = Running;
                // Take the second byte of CR LF or LF CR at once when it is
                // already here (the case above handles it after a refill).
                if (Pos < Filled && static_cast<uint8_t>(Buf[Pos]) == Other) {
                    DetectedBreak = Ch == 13 ? kbCRLF : kbLFCR;
                    Buf[Pos] = 0;
                    ParStart = ++Pos;
                    PrevBreak = 0;
                }
                if (Progress && List.GetCount() % 16 == 0)
                    ReportProgress();
            }
        } else if (Ch == 0) {
            // Without a replacement a 0 byte ends the text; the stream stays at it.
            Stream.Seek(StartPosition + ReadTotal - (Filled - Pos), TSeekOrigin::soBeginning);
            return;
        } else {
            Running = ToggleCode(Running, Ch);
            ++Pos;
        }
    }
}

void TParagraphLoader::NextChunk() {
    if (Filled < Cap)
        ReadMore(
            std::min({int64_t{TParagraphsList::LoadChunk}, Cap - Filled, Remaining - ReadTotal}));
    else
        SwitchBuffer();
}

void TParagraphLoader::SwitchBuffer() {
    const int64_t Kept = ParStart;      // bytes of the complete paragraphs
    const int64_t Partial = Pos - Kept; // bytes of the paragraph going on
    const int64_t Room =
        std::min({std::max<int64_t>(TParagraphsList::LoadBufferBytes - 1 - Partial, Partial),
                  Remaining - ReadTotal, int64_t{INT32_MAX} - Partial});
    if (Room <= 0) // the paragraph alone leaves the 32-bit range
        throw Exception(STextTooLong);

    // Allocate first: an exception leaves the scan state as it was.
    const int64_t NewSize = Partial + Room + 1;
    TLargeBuffer Fresh(static_cast<size_t>(NewSize));
    auto& Buffers = List.LoadBuffers;
    List.ReserveLoadBufferSlot();
    std::memcpy(Fresh.Chars(), Buf + Kept, static_cast<size_t>(Partial));

    const bool Referenced = FirstParInBuf < List.GetCount();
    if (!Referenced) {
        Buffers[static_cast<size_t>(BufSlot)].Memory = std::move(Fresh);
    } else {
        if (Kept < Cap - Cap / 8) {
            TLargeBuffer& Old = Buffers[static_cast<size_t>(BufSlot)].Memory;
            Old.Shrink(static_cast<size_t>(Kept + 1)); // the partial bytes are copied already
            char* const Now = Old.Chars();
            Now[Kept] = 0;
            if (const char* const Was = Buf; Now != Was)
                List.ForEachFrom(FirstParInBuf,
                                 [Now, Was](TParagraph& P) { P.Text = Now + (P.Text - Was); });
        }
        BufSlot = List.AdoptLoadBuffer(std::move(Fresh));
    }
    Buf = Buffers[static_cast<size_t>(BufSlot)].Memory.Chars();
    Cap = Partial + Room;
    Filled = Pos = Partial;
    ParStart = 0;
    FirstParInBuf = List.GetCount();
    ReadMore(std::min<int64_t>(TParagraphsList::LoadChunk, Room));
}

void TParagraphLoader::ReadMore(int64_t Bytes) {
    char* const Chunk = Buf + Filled;
    Stream.ReadBuffer(Chunk, Bytes);
    if (NullReplacement != 0) {
        char* const End = Chunk + Bytes;
        for (char* P = Chunk;
             (P = static_cast<char*>(std::memchr(P, 0, static_cast<size_t>(End - P)))) != nullptr;)
            *P++ = static_cast<char>(NullReplacement);
    }
    Filled += Bytes;
    ReadTotal += Bytes;
}

// Appends the paragraph from ParStart to End. Everything that can fail comes
// before the record is appended, so a failure leaves the list as it was.
void TParagraphLoader::EndParagraph(int64_t End, bool Break) {
    char* const Text = Buf != nullptr ? Buf + ParStart : nullptr;
    int64_t Length = End - ParStart;
    if (DiscardTrailing)
        while (Length > 0 && (Text[Length - 1] == ' ' || Text[Length - 1] == '\t'))
            --Length;
    const int64_t NewTextLength = int64_t{List.TextLength} + Length + (Break ? 2 : 0);
    if (NewTextLength > INT32_MAX)
        throw Exception(STextTooLong);
    const auto N = static_cast<int32_t>(Length);

    std::unique_ptr<ParExtraInfo> Extra;
    if (N >= CompactLengthLimit || ParState != 0) {
        Extra = std::make_unique<ParExtraInfo>(N, 0);
        Extra->Line0.StartCodeState = ParState;
    }
    const int32_t Index = List.GetCount();
    TParagraph& Par = List.AddRecord();
    Par = TParagraph::Empty(List.TextLength, Index);
    if (Text != nullptr) {
        Text[N] = 0;
        Par.Text = Text;
        Par.BufferSlot = BufSlot;
        List.AddBufferUser(BufSlot);
    }
    if (Extra) {
        Par.Slot.Extra = Extra.release();
        Par.Flags = pfExtra;
    } else {
        Par.Slot.Compact.Length = static_cast<uint16_t>(N);
    }
    List.TextLength = static_cast<int32_t>(NewTextLength);
    BreakPending = Break;
}

// The last paragraph: the bytes from ParStart to the scan position. After an
// error that paragraph may be too long to keep; it is then kept empty.
void TParagraphLoader::AppendLast(bool DropTooLong) {
    if (DropTooLong && int64_t{List.TextLength} + (Pos - ParStart) > INT32_MAX)
        Pos = ParStart;
    EndParagraph(Pos, false);
}

void TParagraphLoader::FinishAfterError() {
    try {
        AppendLast(true);
    } catch (...) {
        // Not even the last paragraph could be appended: the text then ends
        // with the paragraph before, without the break counted after it.
        if (BreakPending)
            List.TextLength -= 2;
    }
}

void TParagraphLoader::ReportProgress() {
    const uint32_t Now = List.Clock.GetTickCount();
    if (static_cast<int32_t>(Now - Deadline) > 0) { // wrap-safe "Now is past Deadline"
        Deadline = Now + Interval;
        Progress(&List);
    }
}

} // namespace korvel
