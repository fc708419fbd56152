#pragma once

#include "KVSupport/KorvelTypes.h"
#include "KVSupport/TDynArray2.h"
#include "KVSupport/TFormatCounters.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TPendingChange.h"
#include "KVSupport/TTextChange.h"
#include "framework/TLargeBuffer.h"
#include "framework/TObject.h"
#include "framework/TStream.h"
#include "platform/TClock.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// One end of a range to replace: paragraph Par, offset Offset in it (an
// offset past the paragraph's end stands between the two characters of its
// break), and the display line it is known to stand on (-1 = not known; a
// line that does not hold the offset is ignored).
struct TTextPoint {
    int32_t Par = 0;
    int32_t Offset = 0;
    int32_t Line = -1;
};

// The text of one control: an ordered list of paragraph records (TParagraph,
// 1024 per 32 KB block, never moved while the list grows at its end; the
// unused slots form a gap that follows the place of the last insertion or
// deletion, see TDynArray2).
//
// Text model: a sequence of single-byte paragraphs; a control keeps at least
// one (an empty text is one empty paragraph). Positions are 0-based 32-bit
// offsets in the whole text in which every paragraph break counts 2, whatever
// bytes it was loaded or is saved with, so
//   StartOffset(k+1) = StartOffset(k) + ParLength(k) + 2   and
//   TextLength = sum of the lengths + 2 * (count - 1).
// Once the pending change is laid out, FirstLine(k+1) = FirstLine(k) +
// LineCountOf(k) and LineCount is the sum of LineCountOf.
//
// Ownership: the list owns every paragraph's owned text, extension and start
// run share, and the load buffers the other texts point into; ClearText and
// the destructor free them. Structural code (replacement) may move records
// between slots with GetParagraph/PutParagraph or At(); a record's owned
// objects then belong to whichever slot keeps it. References to records are
// valid until the next structural change; re-fetch them by index.
//
// Load buffers: loading puts the texts of the paragraphs into large shared
// buffers, and so does a replacement that appends paragraphs at the end of
// the text or inserts many at once (see TRangeReplacer): no allocation per
// paragraph. Each buffer counts the paragraphs whose text lies in it and is
// freed when the last of them is released or given a text of its own, so
// text that is deleted (an undone paste, say) gives its memory back. New
// appended text goes into the append buffer, which grows geometrically from
// MinAppendBufferBytes to LoadBufferBytes per buffer and is reused from its
// start once no paragraph uses it.
//
// Offsets and first lines are shifted lazily (see GetStartOffset): the cost
// of an edit does not grow with the number of paragraphs after it.
//
// The list takes no locks: every operation runs on the control's thread.
class TParagraphsList : public TDynArrayOf<TParagraph> {
    friend class TParagraphLoader;
    friend class TRangeReplacer;
    friend struct TParagraphsListTestAccess; // tests corrupt or fake the totals through it

public:
    // Bytes read from the stream per call while loading.
    static constexpr int32_t LoadChunk = 65500;
    // The size of a load buffer (two huge pages): each holds up to
    // LoadBufferBytes - 1 characters and the 0 byte after the last.
    static constexpr int32_t LoadBufferBytes = 4 << 20;
    // The size of the first append buffer (see the class comment).
    static constexpr int32_t MinAppendBufferBytes = 4096;

    // Starts empty (count 0, LineCount 0); see AddEmptyParagraph. Progress
    // reports are timed by Clock.
    explicit TParagraphsList(const TClock& Clock);
    TParagraphsList();
    ~TParagraphsList() override;

    // --- Totals and settings ---

    // The length of the whole text (breaks count 2): the sum of the
    // paragraph lengths + 2 * (count - 1). Loading, replacement,
    // AddEmptyParagraph and ClearText keep it.
    int32_t GetTextLength() const { return TextLength; }
    // The display lines of the whole text: the sum of LineCountOf once the
    // pending change is laid out. Loading, replacement, AddEmptyParagraph and
    // ClearText keep it; whoever changes the display lines of a paragraph's
    // record (line breaking) reports the difference with AdjustLineCount.
    int32_t GetLineCount() const { return LineCount; }
    // Display lines were added to (Delta > 0) or removed from a paragraph's
    // record. The first lines of the paragraphs after it are left to the
    // caller (ShiftFirstLines), which lays out the pending change.
    void AdjustLineCount(int32_t Delta) { LineCount += Delta; }
    // Whether the format codes are interpreted (copy of the control's
    // setting). The start code states of the paragraphs follow a new value
    // when the text is loaded again: the control reloads a non-empty text
    // when it changes the setting.
    bool GetStaticFormat() const { return StaticFormat; }
    void SetStaticFormat(bool Value) { StaticFormat = Value; }

    // Set by every replacement, cleared by LoadText.
    bool GetTextChanged() const { return TextChanged; }
    void SetTextChanged(bool Value) { TextChanged = Value; }
    // The change not laid out yet.
    TPendingChange& GetPendingChange() { return Pending; }
    const TPendingChange& GetPendingChange() const { return Pending; }
    // How far formatting and highlighting have got.
    TFormatCounters& GetFormatCounters() { return Counters; }
    const TFormatCounters& GetFormatCounters() const { return Counters; }

    // --- Offsets and first lines ---

    // The offset of paragraph Index's first character in the whole text and
    // the index of its first display line. Every reader and writer goes
    // through these: the fields of a record in the list lack the deltas not
    // yet given to it (below). Index must lie in the list (not checked:
    // navigators read them on every step); each is O(1).
    //
    // Shifting is lazy. Every record holds its values without the base
    // deltas, and the records from the shift step on also without the
    // pending ones; these accessors add them. A shift from index From moves
    // the step to From and adds its deltas to the pending ones. Moving the
    // step takes the cheapest of three ways: bring the records between the
    // old and the new step up to date, or make the pending deltas part of
    // the base by giving them to the records before the old step (with the
    // opposite sign) or to those behind it. So repeated edits near one place
    // cost O(1) however many paragraphs follow, and an edit elsewhere costs
    // the records between the two places or the fewer records at either
    // end, whichever is less: after typing near the start, the first key in
    // the middle of a long text is as cheap as the next. Values are kept
    // modulo 2^32 (the stored value of a record may lie outside the 32-bit
    // range of the true one).
    int32_t GetStartOffset(int32_t Index) const {
        return Plus(At(Index).StartOffset, DeltaAt(Index, BaseOffsets, PendingOffsets));
    }
    void SetStartOffset(int32_t Index, int32_t Value) {
        At(Index).StartOffset = Plus(Value, 0u - DeltaAt(Index, BaseOffsets, PendingOffsets));
    }
    int32_t GetFirstLine(int32_t Index) const {
        return Plus(At(Index).FirstLine, DeltaAt(Index, BaseLines, PendingLines));
    }
    void SetFirstLine(int32_t Index, int32_t Value) {
        At(Index).FirstLine = Plus(Value, 0u - DeltaAt(Index, BaseLines, PendingLines));
    }

    // --- Loading, saving, clearing ---

    // Appends the paragraphs read from Stream's position to its end (callers
    // empty the list with ClearText first). The text is read in chunks of
    // LoadChunk bytes into load buffers (TParagraphLoader) that the
    // paragraphs point into: no allocation per paragraph. CR LF, LF CR, CR
    // and LF each end a paragraph; CR CR or LF LF end two. A 0 byte is replaced by
    // NullReplacement when that is not 0, else it ends the text and the
    // stream is left positioned at it. With DiscardTrailing each paragraph
    // loses its trailing blanks and tabs. With StaticFormat every paragraph
    // gets the code state reached at the end of the one before.
    // DetectedBreak is written only when a break is met: the kind of the last
    // break. Progress (sender: the list) is called at most every
    // ProgressInterval ms, checked at every 16th paragraph.
    // On exit, also when the stream or Progress raises, the list is whole:
    // the bytes consumed so far form its paragraphs (at least one), TextLength
    // and LineCount (= count) are true, TextChanged is false, the pending
    // change covers every paragraph, FormatFrontier = 0, FormatLast = the
    // last paragraph and ContextValidTo = -1. A text beyond the 32-bit range
    // raises Exception "Text too long" in that state.
    void LoadText(TStream& Stream, uint8_t NullReplacement, int32_t ProgressInterval,
                  const TNotifyEvent& Progress, TKorvelLineBreak& DetectedBreak,
                  bool DiscardTrailing);

    // Writes the paragraphs joined by LineBreak (no break after the last, no
    // terminating byte). With CompactCodes and StaticFormat, cancelling code
    // pairs are left out (FormatCodes.h CompactCodes; the paragraphs are not
    // changed); with DiscardTrailing, trailing blanks and tabs. Progress is
    // called whenever more than ProgressInterval ms passed since the last
    // call, and once more at the end. Stream errors propagate.
    void SaveText(TStream& Stream, bool CompactCodes, int32_t ProgressInterval,
                  const TNotifyEvent& Progress, TKorvelLineBreak LineBreak,
                  bool DiscardTrailing) const;

    // Replaces the text from Start to End (Start not after End) by NewText
    // (zero-terminated; null means empty; only read). A CR or CR LF in it
    // ends a paragraph, a lone LF stays a character. With CloseFormats and
    // StaticFormat, codes that switch the net toggles of the new and the
    // removed text back off follow the new text; with DiscardTrailing the new
    // paragraphs keep no trailing blanks and tabs. Returns what was done:
    // the range really taken, where the new text (with its closing codes)
    // lies, whether highlight runs lay in the range, and the changes of the
    // paragraph count (breaks inserted minus those removed), the display-line
    // count and TextLength. "Text too long" (the text or a paragraph buffer
    // beyond the 32-bit range) and "Internal Korvel error" (ends outside the
    // list or in the wrong order) are raised before anything changes.
    TTextChange ReplaceRange(const char* NewText, const TTextPoint& Start, const TTextPoint& End,
                             bool CloseFormats, bool DiscardTrailing);

    // Exchanges the whole text with Other's: the records with everything they
    // own, the load buffers, the totals, the pending change, the formatting
    // counters and the shift state. Both lists must have the same
    // StaticFormat. Never fails; so a text loaded into a list of its own
    // can take the place of the current one in a step that cannot fail.
    void SwapText(TParagraphsList& Other) noexcept;

    // Frees every text, extension and load buffer. The list is left empty
    // (count 0, capacity one block), TextLength = LineCount = 0, FormatLast = -1.
    // The memory of the record blocks is kept for a load that follows and
    // given back when that load ends.
    void ClearText();

    // Appends an empty paragraph after the last one (a control keeps one in an
    // empty text): TextLength grows by the break before it, if any, and
    // LineCount by its one display line. Returns its index.
    int32_t AddEmptyParagraph();

    // --- Change tracking ---

    // Records a pending change of the paragraphs FirstPara .. LastPara whose
    // first touched display line is LineInFirstPara within FirstPara; the
    // highlight contexts from FirstPara on are no longer current.
    void MarkChanged(int32_t FirstPara, int32_t LineInFirstPara, int32_t LastPara);
    // Clears pfFormatted everywhere; FormatFrontier = 0, FormatLast = the last paragraph.
    void MarkAllUnformatted();

    // Add the delta(s) to the offset and/or first line of every paragraph
    // from index From to the end: the shift step moves to From and the
    // deltas are added to the pending ones (see GetStartOffset). From >= count
    // does nothing; From < 0 counts as 0.
    void ShiftStartOffsets(int32_t From, int32_t Delta) { ShiftBoth(From, Delta, 0); }
    void ShiftFirstLines(int32_t From, int32_t Delta) { ShiftBoth(From, 0, Delta); }
    void ShiftBoth(int32_t From, int32_t OffsetDelta, int32_t LineDelta);

    // After structural changes: when Count + Count div 16 + 8 < Capacity the
    // capacity drops to Count + Count div 32 + 4 (rounded to blocks), so the
    // array shrinks only when clearly oversized.
    void ShrinkCapacityIfOversized();

    // --- Records ---

    // Copies record Index out / in ("List index out of bounds" outside the
    // list), its StartOffset and FirstLine being the paragraph's true values.
    // PutParagraph does not release what the overwritten record owned:
    // ownership travels with the bytes. The records reached through
    // operator[] hold those two fields unshifted behind the step: read and
    // write them through the accessors above.
    void GetParagraph(int32_t Index, TParagraph& Record) const;
    void PutParagraph(int32_t Index, const TParagraph& Record);

    // Calls Visit(TParagraph&) for the paragraphs From .. count - 1, block-wise.
    using TDynArrayOf<TParagraph>::ForEachFrom;

    // --- Inspection ---

    // The slots of the load buffers that shared paragraph texts point into
    // (TParagraph::HasSharedText). A slot whose buffer was freed is empty
    // (no bytes, no users) until a new buffer takes it.
    int32_t GetLoadBufferCount() const { return static_cast<int32_t>(LoadBuffers.size()); }
    std::span<const char> GetLoadBuffer(int32_t Index) const;
    // The number of paragraphs whose text lies in load buffer Index.
    int32_t GetLoadBufferUsers(int32_t Index) const;
    // The bytes of all load buffers held.
    int64_t GetLoadBufferBytes() const;

    // Gives paragraph Index its own copy of its text, if it has none yet, and
    // lets go of its load buffer.
    void MakeTextOwned(int32_t Index);

    const TClock& GetClock() const { return Clock; }

    // The first paragraph whose record holds its offset and first line
    // without the pending deltas (0 .. count).
    int32_t GetShiftStep() const { return ShiftStep; }

    // Checks the invariants of the list and its records: the record array's
    // gap and the shift step, offsets, lengths, texts and their 0 bytes, the
    // compact slot, line records, run order and start code states (and, with
    // CheckLines, first lines and LineCount).
    // Returns a description of the first violation, empty when all hold.
    // Also checks that each load buffer counts exactly the paragraphs whose
    // text lies in it and that no buffer is held without users.
    std::string FindInconsistency(bool CheckLines = true) const;

protected:
    // The raw count and capacity change no ownership; only structural code of
    // the list itself may use them.
    using TDynArray2::SetCapacity;
    using TDynArray2::SetCount;

private:
    static int32_t Plus(int32_t Value, uint32_t Delta) {
        return static_cast<int32_t>(static_cast<uint32_t>(Value) + Delta);
    }
    // What the stored value of record Index lacks, given the base and the
    // pending delta of that value.
    uint32_t DeltaAt(int32_t Index, uint32_t Base, uint32_t Pending) const {
        return Index >= ShiftStep ? Base + Pending : Base;
    }
    // Adds deltas to a record's stored values (for ForEachIn).
    static auto AddDeltas(uint32_t OffsetDelta, uint32_t LineDelta) {
        return [OffsetDelta, LineDelta](TParagraph& Par) {
            Par.StartOffset = Plus(Par.StartOffset, OffsetDelta);
            Par.FirstLine = Plus(Par.FirstLine, LineDelta);
        };
    }

    // Moves the shift step to Index: brings the records in between up to
    // date, or, when either end holds fewer records, gives those the pending
    // deltas so that they become base deltas, which leaves nothing pending.
    void MoveShiftStep(int32_t Index);
    // Brings every record up to date: no delta is left, base or pending.
    void SettleShifts();
    // For replacement: the OldCount records from First (already released)
    // make room for NewCount uninitialised ones, the records behind them
    // keeping their offsets and first lines. The shift step ends up just
    // after the new ones. The gap must already be long enough (EnsureGap).
    void ReplaceSlots(int32_t First, int32_t OldCount, int32_t NewCount);

    void ReleaseAll();
    void ResetAfterLoad();
    // FindInconsistency's part for the load buffers, given how many
    // paragraphs point into each.
    std::string FindBufferInconsistency(const std::vector<int32_t>& Users) const;

    // --- Load buffers ---

    // A load buffer and the number of paragraphs whose text lies in it.
    struct TLoadBuffer {
        TLargeBuffer Memory;
        int32_t Users = 0;
    };
    // Room for one more load buffer, so that AdoptLoadBuffer cannot fail.
    void ReserveLoadBufferSlot();
    // Takes Memory as a load buffer without users, in a free slot or a new
    // one, and returns its slot. Needs ReserveLoadBufferSlot first.
    int32_t AdoptLoadBuffer(TLargeBuffer&& Memory) noexcept;
    // A paragraph's text was placed in / taken out of load buffer Slot. When
    // the last user goes, the buffer is freed; the append buffer is kept and
    // filled from its start again.
    void AddBufferUser(int32_t Slot) noexcept { ++LoadBuffers[static_cast<size_t>(Slot)].Users; }
    void DropBufferUser(int32_t Slot) noexcept;
    // Frees the buffers no paragraph uses (other than the append buffer).
    void DropUnusedBuffers() noexcept;
    // Room for a text of Length bytes and its 0 byte in the append buffer,
    // which is replaced by a new one when it is too full: the new one holds
    // at least the text and grows with the buffers before it, or at once
    // up to LoadBufferBytes when Ahead (the bytes still to be placed by the
    // same replacement, this text included) asks for that. The place counts
    // as a user of the buffer (a record pointing there is released with
    // ReleaseParagraph). std::bad_alloc leaves everything as it was.
    struct TPlacedText {
        char* Text;
        int32_t Slot;
    };
    TPlacedText PlaceText(int32_t Length, int64_t Ahead);
    // The memory of a new append buffer of Size bytes (see PlaceText).
    static TLargeBuffer NewAppendBuffer(int64_t Size, int64_t Ahead);
    // Releases a record (TParagraph::Release) and tells the load buffer
    // its shared text lies in, if any.
    void ReleaseParagraph(TParagraph& Par) noexcept;

    const TClock& Clock;
    std::vector<TLoadBuffer> LoadBuffers;
    std::vector<int32_t> FreeBufferSlots; // capacity kept >= LoadBuffers.size()
    int32_t AppendSlot = -1;              // the append buffer, -1 when there is none
    int64_t AppendUsed = 0;               // the bytes of it that paragraphs took
    int64_t AppendGrowth = 0;             // the size of the last append buffer made

    // Scratch arrays of TRangeReplacer, kept between replacements so that a
    // small one allocates nothing for them (see ReleaseReplaceScratch).
    std::vector<std::string_view> ReplacePieces;
    std::vector<TParagraph> ReplaceRecords;
    // Empties them, giving back the memory of a large replacement.
    void ReleaseReplaceScratch() noexcept;
    bool StaticFormat = false;
    int32_t TextLength = 0;
    int32_t LineCount = 0;
    bool TextChanged = false;
    TPendingChange Pending;
    TFormatCounters Counters;
    uint32_t BaseOffsets = 0; // what every record lacks
    uint32_t BaseLines = 0;
    int32_t ShiftStep = 0;       // the first record lacking the pending deltas
    uint32_t PendingOffsets = 0; // what the records from ShiftStep on lack besides
    uint32_t PendingLines = 0;
};

} // namespace korvel
