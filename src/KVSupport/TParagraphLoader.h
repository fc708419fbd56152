#pragma once

#include "KVSupport/KorvelTypes.h"
#include "framework/TObject.h"

#include <cstdint>

namespace korvel {

class TParagraphsList;
class TStream;

// One run of TParagraphsList::LoadText: reads the stream chunk by chunk into
// load buffers and appends one record per paragraph, the record's Text
// pointing into the buffer (the 0 terminator is written over the break byte
// or the first trimmed blank).
//
// Buffers: each holds up to LoadBufferBytes - 1 characters (fewer when less
// of the stream remains) and is large memory (TLargeBuffer: huge pages where
// the system has them), filled one LoadChunk at a time so that the scan
// reads what was just copied while it is in the cache: every byte of the
// buffer is written once by the copy and touched again only in the cache.
// When the scan reaches the end of a full buffer with data left, the
// complete paragraphs (K bytes) stay and the partial one (M bytes) moves to a
// new buffer with room for LoadBufferBytes - 1 characters, or for 2 M when
// that is more: very long paragraphs load in linear time. The old buffer is
// dropped when no paragraph points into it, or cut down to K + 1 bytes when
// more than an eighth of it would be wasted (a mapped buffer gives its pages
// back in place; a small heap buffer is copied and the texts pointing into it
// move along).
class TParagraphLoader {
public:
    TParagraphLoader(TParagraphsList& List, TStream& Stream, uint8_t NullReplacement,
                     int32_t ProgressInterval, const TNotifyEvent& Progress,
                     TKorvelLineBreak& DetectedBreak, bool DiscardTrailing);

    // Loads; on an exception the bytes consumed so far still form whole
    // paragraphs (at least one) before it propagates.
    void Run();

private:
    void Scan();
    void NextChunk();
    void SwitchBuffer();
    void ReadMore(int64_t Bytes);
    void EndParagraph(int64_t End, bool Break);
    void AppendLast(bool DropTooLong);
    void FinishAfterError();
    void ReportProgress();

    TParagraphsList& List;
    TStream& Stream;
    const TNotifyEvent& Progress;
    TKorvelLineBreak& DetectedBreak;
    const uint8_t NullReplacement;
    const bool DiscardTrailing;
    const bool Codes; // StaticFormat: the five codes toggle Running
    const uint32_t Interval;
    uint32_t Deadline = 0;

    int64_t StartPosition = 0;
    int64_t Remaining = 0; // stream bytes from StartPosition to its end
    int64_t ReadTotal = 0; // bytes read so far

    char* Buf = nullptr;       // the current load buffer (Cap + 1 bytes)
    int32_t BufSlot = 0;       // its slot among the list's load buffers
    int32_t FirstParInBuf = 0; // first paragraph whose text lies in it
    int64_t Cap = 0;           // characters it holds
    int64_t Filled = 0;        // bytes read into it
    int64_t Pos = 0;           // scan position
    int64_t ParStart = 0;      // first byte of the current paragraph

    uint8_t PrevBreak = 0;     // the break byte just ended on, 0 when none
    uint8_t Running = 0;       // CodeState at Pos
    uint8_t ParState = 0;      // CodeState at the current paragraph's start
    bool BreakPending = false; // TextLength counts a break after the last record
};

} // namespace korvel
