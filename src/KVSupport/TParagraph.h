#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/ParExtraInfo.h"
#include "KVSupport/TLineRecord.h"

#include <cstdint>
#include <string_view>

namespace korvel {

// Paragraph flags (TParagraph::Flags).
inline constexpr uint8_t pfExtra = 0x01;     // the slot refers to a ParExtraInfo; never cleared
inline constexpr uint8_t pfOwnText = 0x02;   // Text is an owned buffer (TextBuffer.h); else a
                                             // non-null Text points into the list's load
                                             // buffer number BufferSlot
inline constexpr uint8_t pfFormatted = 0x04; // display lines and runs are current
inline constexpr uint8_t pfScanned = 0x08;   // start/stop ranges scanned (highlighting)
inline constexpr uint8_t pfKeywords = 0x10;  // keywords applied (highlighting)
// Clearing these asks for a paragraph to be scanned, keyworded and formatted again.
inline constexpr uint8_t pfNeedsWork = pfFormatted | pfScanned | pfKeywords;

// Lengths below this fit the compact slot; 65535 and more need the extension.
inline constexpr int32_t CompactLengthLimit = 65535;

// The slot of a paragraph without extension: its length and the pixel width
// of its only display line.
struct TCompactSlot {
    uint16_t Length;
    uint16_t Width;
};

// Which member is live is told by pfExtra.
union TParagraphSlot {
    TCompactSlot Compact;
    ParExtraInfo* Extra;
};

// One paragraph: the element of TParagraphsList. The record is 32 bytes and
// trivially copyable, because the list keeps it in record-array blocks and
// moves it between slots by copying bytes. The record does not free what it
// points at by itself: the list that holds it owns its owned text buffer,
// its ParExtraInfo and its shared start run, and frees them with Release()
// (ClearText, the destructor, replacement). A copy of a record therefore
// shares those objects; exactly one slot may keep them after a move.
//
// Text holds ParLength() bytes followed by a 0 byte; it may be null when the
// length is 0. No paragraph byte is 0, 10 or 13 (a 10 inserted by replacement
// is the one exception: an ordinary character inside a paragraph).
//
// Every accessor below is O(1) and needs no list.
//
// In a TParagraphsList, StartOffset and FirstLine are read and written only
// through the list's accessors: the list shifts them lazily, so a record's
// own fields may lack a pending shift.
struct TParagraph {
    char* Text;
    int32_t StartOffset; // offset of the first character in the whole text (breaks count 2)
    int32_t FirstLine;   // index of the paragraph's first display line in the whole text
    uint8_t Flags;       // pf... bits
    int32_t BufferSlot;  // the load buffer holding a shared text (see HasSharedText)
    TParagraphSlot Slot; // compact length and width, or the extension (pfExtra)

    // An empty paragraph without text, flags or extension.
    static constexpr TParagraph Empty(int32_t StartOffset = 0, int32_t FirstLine = 0) {
        return {nullptr, StartOffset, FirstLine, 0, 0, {{0, 0}}};
    }

    // Whether Text lies in one of the list's load buffers, which counts the
    // paragraphs pointing into it (TParagraphsList::ReleaseParagraph).
    bool HasSharedText() const { return (Flags & pfOwnText) == 0 && Text != nullptr; }

    bool HasExtra() const { return (Flags & pfExtra) != 0; }
    // The extension, or null without one.
    ParExtraInfo* GetExtra() const { return HasExtra() ? Slot.Extra : nullptr; }

    // The character count.
    int32_t ParLength() const { return HasExtra() ? Slot.Extra->Length : Slot.Compact.Length; }
    // Stores the length: in the compact slot while there is no extension and
    // Length < 65535, else in the extension (attached if needed).
    void SetParLength(int32_t Length);
    // The text as bytes (empty, never null, for a null Text).
    std::string_view View() const {
        return Text != nullptr ? std::string_view(Text, static_cast<size_t>(ParLength()))
                               : std::string_view();
    }

    // The number of display lines: MoreLines + 1 with an extension, else 1.
    int32_t LineCountOf() const {
        return HasExtra() ? static_cast<int32_t>(Slot.Extra->MoreLines.size()) + 1 : 1;
    }

    // The number of highlight runs (0 without an extension).
    int32_t RunCount() const {
        return HasExtra() ? static_cast<int32_t>(Slot.Extra->Runs.size()) : 0;
    }
    // Resizes the runs (new ones are zero); attaches the extension when N > 0.
    // A paragraph without extension and N <= 0 is left as it is.
    void SetRunCount(int32_t N);

    // The CodeState at the paragraph's start (the byte of Line0; 0 without
    // an extension).
    uint8_t StartCodeState() const { return HasExtra() ? Slot.Extra->Line0.StartCodeState : 0; }
    // A non-zero state attaches the extension; 0 on a paragraph without one
    // changes nothing.
    void SetStartCodeState(uint8_t State);

    // The highlight state at the paragraph's start; DefaultRun() without an
    // extension. Its Offset field is a share count, not an offset.
    const HighlightRun* StartRun() const {
        return HasExtra() ? Slot.Extra->StartRun : &DefaultRun();
    }
    // Sets the start state. Null means the default. A run with hfAutomatic
    // (bit 7) set is stored, attaching the extension if needed: with Copy as
    // a new private copy (count 1), else shared (its count goes up by one; it
    // must then be another paragraph's StartRun). A run without that bit is
    // stored as the default, and only when an extension exists. The old
    // start run loses one user (and is freed at 0) after the new one is
    // taken, so passing the current start run is safe.
    void SetStartRun(const HighlightRun* Run, bool Copy);
    // The text or the highlight runs change from Offset on: the samples of
    // measured widths from there are dropped (see TLineSamples).
    void DropLineSamplesFrom(int32_t Offset) {
        if (ParExtraInfo* Extra = GetExtra())
            Extra->DropSamplesFrom(Offset);
    }

    // Display line 0: a copy of the extension's Line0, or the whole line
    // implied by the compact slot {0, Length, Width, Width, 0, Length, 0, 0}.
    TLineRecord GetLine0() const;
    // Without an extension, when Line.Stop equals the length, 0 <= Line.Width
    // <= 65535, Line.JustifyFrom >= the length and the code state is 0, only
    // the width goes into the compact slot (the other fields are implied);
    // otherwise the extension is attached and the whole record stored.
    void SetLine0(const TLineRecord& Line);

    // The extension, created first when there is none: colours -1, Length
    // from the compact slot, Line0 the whole line of the compact width,
    // default start run, no further lines and no runs. Sets pfExtra.
    ParExtraInfo& AttachExtra();

    // Gives the paragraph its own copy of its text (ParLength + 1 bytes, or
    // null when empty) unless it already owns it; sets pfOwnText. The load
    // buffer the text was in keeps counting the paragraph: for a record in
    // a list, TParagraphsList::MakeTextOwned does both.
    void MakeTextOwned();

    // Frees what the record owns (owned text, extension with its lines, runs
    // and start-run share) and leaves it an empty paragraph at the same
    // StartOffset and FirstLine. A shared text is only let go of: for a
    // record in a list, TParagraphsList::ReleaseParagraph also tells its load
    // buffer.
    void Release();
};

static_assert(sizeof(TParagraph) == 32, "a stride of 32 bytes gives 1024 records per block");

} // namespace korvel
