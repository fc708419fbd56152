#pragma once

#include "framework/TLargeBuffer.h"
#include "framework/TObject.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace korvel {

// An indexable array of fixed-size records kept in blocks of BlockBytes bytes.
// Appending never moves a record, so a reference into a block stays valid
// while records are appended (until its slot is overwritten, records before
// it are inserted or deleted, or its block is freed).
//
// Records are plain bytes to this class: RecordSize bytes are copied when a
// record is added, records lie Stride bytes apart and PerBlock of them share a
// block. Block contents are not initialised: a record's bytes are defined
// only after it was added or written.
//
// The slots are numbered through the blocks (slot s in block s div PerBlock
// at byte (s mod PerBlock) * Stride). The unused ones lie in a gap among the
// records and in a tail after the last record: record k takes slot k before
// the gap and slot k + the gap's length after it. Inserting or deleting
// records moves the gap to the place first, which costs the records between
// its old and its new place, not the records behind the place; appending
// uses the tail. While records are only appended there is no gap, and record
// k lives in block k div PerBlock. The capacity grows by whole blocks put at
// the end (appending) or into the gap (inserting), and shrinks by whole
// blocks taken out of the tail and the gap; either moves at most one block's
// records.
//
// Invariants: 0 <= GapStart <= Count; Count + GapLength <= Capacity (the
// tail has the rest); a gap at the end takes the whole tail (GapStart = Count
// implies GapLength = Capacity - Count); Capacity = blocks * PerBlock, and at
// least PerBlock once a capacity was set; PerBlock * Stride <= BlockBytes.
//
// Access by index is one comparison with the gap and one shift and mask when
// PerBlock is a power of two (the paragraph list: 1024 records of 32 bytes),
// else one division.
//
// Blocks are carved out of larger allocations (slabs) of consecutive blocks,
// doubling with the array up to SlabBlocksMax blocks (2 MiB, one huge page:
// see TLargeBuffer), and handed out in address order. So the blocks of a
// large array lie together in memory even when other allocations (the text
// buffers of a load) are interleaved with its growth, and a walk over
// millions of records streams through few memory pages instead of touching a
// new region every 32 KB. Blocks taken out of the array are kept as spares
// and handed out again before any block that was never used (so regrowth
// goes to memory that is already mapped); a slab is freed when none of its
// blocks is in use and the array gives up capacity (SetCapacity,
// ReleaseReserveBlocks).
class TDynArray2 : public TPersistent {
public:
    static constexpr int32_t BlockBytes = 32768;

    TDynArray2(const TDynArray2&) = delete;
    TDynArray2& operator=(const TDynArray2&) = delete;
    ~TDynArray2() override = default;

    int32_t GetCount() const { return Count; }
    int32_t GetCapacity() const { return Capacity; }
    int32_t GetPerBlock() const { return PerBlock; }
    int32_t GetRecordSize() const { return RecordSize; }
    int32_t GetStride() const { return Stride; }
    int32_t GetBlockCount() const { return static_cast<int32_t>(Blocks.size()); }
    // The gap: the index of the first record behind it, and its length.
    int32_t GetGapStart() const { return GapStart; }
    int32_t GetGapLength() const { return GapLength; }

    // Keeps (N - 1) div PerBlock + 1 blocks (at least one, so N <= 1 keeps
    // one): new blocks go to the end, blocks given up come out of the tail
    // and then the gap. Records beyond the new capacity are lost, and Count
    // drops to the new capacity if it was above. A capacity beyond the 32-bit
    // range raises std::bad_alloc, as does a failed allocation; the array is
    // then unchanged.
    void SetCapacity(int32_t N);
    // N < 0 counts as 0; grows the capacity when needed; lowering the count
    // never frees blocks. New records are appended (uninitialised) without
    // moving any record; dropped ones are the last.
    void SetCount(int32_t N);
    // Appends a copy of RecordSize bytes at Record; returns the new index.
    int32_t Add(const void* Record);

    // The record at Index; ERangeError "List index out of bounds" outside
    // 0 .. Count - 1 (the array is unchanged).
    // Inline: the control reads records through it on every step.
    void* Items(int32_t Index) {
        if (Index < 0 || Index >= Count)
            ThrowIndexError();
        return ItemAt(Index);
    }
    const void* Items(int32_t Index) const {
        if (Index < 0 || Index >= Count)
            ThrowIndexError();
        return ItemAt(Index);
    }

protected:
    // PerBlock follows from Stride (BlockBytes div Stride).
    TDynArray2(int32_t RecordSize, int32_t Stride);

    // Unchecked access for walks that have already validated their range.
    std::byte* ItemAt(int32_t Index) { return SlotAt(SlotOf(Index)); }
    const std::byte* ItemAt(int32_t Index) const { return SlotAt(SlotOf(Index)); }
    std::byte* BlockAt(int32_t Block) { return Blocks[static_cast<size_t>(Block)]; }
    const std::byte* BlockAt(int32_t Block) const { return Blocks[static_cast<size_t>(Block)]; }

    // Makes the gap at least N slots long, putting blocks into it (may
    // allocate; std::bad_alloc leaves the array unchanged).
    void EnsureGap(int32_t N);
    // Opens N uninitialised slots at Index (0 .. Count): the records from
    // Index on then have indexes N higher. The gap is made long enough first
    // (EnsureGap: after it, nothing here allocates or fails).
    void InsertSlots(int32_t Index, int32_t N);
    // Removes the N slots from Index on (Index + N <= Count) without looking
    // at them (the caller has given up what their records owned): the records
    // behind them then have indexes N lower. Never allocates or fails.
    void DeleteSlots(int32_t Index, int32_t N);

    // SetCapacity, except that the memory of the blocks given up is kept
    // until ReleaseReserveBlocks and used again when the array grows. For an
    // array emptied only to be filled again (a text replaced by a load): the
    // new records then go to memory that is already mapped instead of fresh
    // pages.
    void ShrinkKeepingBlocks(int32_t N);
    // Frees every slab whose blocks are all unused.
    void ReleaseReserveBlocks();
    // Exchanges the records, blocks and slabs of two arrays of the same
    // record layout (ownership of the memory goes with them). Never fails.
    void SwapRecords(TDynArray2& Other) noexcept;

    // Appends one slot and returns it uninitialised; the caller fills it
    // before anything else can read it.
    std::byte* AddSlot() {
        if (GapStart == Count) { // the gap is at the end: the record takes its first slot
            if (GapLength == 0)
                AppendBlocks(1);
            std::byte* const Slot = SlotAt(Count);
            ++Count;
            ++GapStart;
            --GapLength;
            return Slot;
        }
        if (Count + GapLength == Capacity)
            AppendBlocks(1);
        std::byte* const Slot = SlotAt(Count + GapLength); // the tail's first slot
        ++Count;
        return Slot;
    }

    // Calls Visit(record bytes) for the records From .. To - 1 in order,
    // stepping by Stride inside a block and looking up a block only at block
    // boundaries. From < 0 counts as 0, To > Count as Count.
    template <class TVisit>
    void WalkRange(int32_t From, int32_t To, TVisit&& Visit) {
        From = std::max(From, 0);
        To = std::min(To, Count);
        if (From < GapStart)
            WalkSlots(From, std::min(To, GapStart), Visit);
        if (To > GapStart)
            WalkSlots(std::max(From, GapStart) + GapLength, To + GapLength, Visit);
    }
    template <class TVisit>
    void WalkRange(int32_t From, int32_t To, TVisit&& Visit) const {
        const_cast<TDynArray2*>(this)->WalkRange(
            From, To, [&Visit](std::byte* P) { Visit(static_cast<const std::byte*>(P)); });
    }

private:
    [[noreturn]] static void ThrowIndexError();

    // The most blocks one slab holds: 2 MiB.
    static constexpr int32_t SlabBlocksMax = 64;

    struct TSlab {
        TLargeBuffer Memory;
        int32_t BlockCount;
    };

    // The slot of record Index.
    int32_t SlotOf(int32_t Index) const { return Index < GapStart ? Index : Index + GapLength; }
    std::byte* SlotAt(int32_t Slot) const {
        return Blocks[BlockOfSlot(Slot)] + PlaceOfSlot(Slot) * Stride;
    }
    size_t BlockOfSlot(int32_t Slot) const {
        return static_cast<size_t>(BlockShift >= 0 ? Slot >> BlockShift : Slot / PerBlock);
    }
    int32_t PlaceOfSlot(int32_t Slot) const {
        return BlockShift >= 0 ? Slot & (PerBlock - 1) : Slot % PerBlock;
    }

    template <class TVisit>
    void WalkSlots(int32_t From, int32_t To, TVisit& Visit) {
        while (From < To) {
            const int32_t Place = PlaceOfSlot(From);
            const int32_t InBlock = std::min<int32_t>(PerBlock - Place, To - From);
            std::byte* P = Blocks[BlockOfSlot(From)] + Place * Stride;
            for (int32_t I = 0; I < InBlock; ++I, P += Stride)
                Visit(P);
            From += InBlock;
        }
    }

    // Moves the gap so that it starts before record Index.
    void MoveGap(int32_t Index);
    // A gap at the end takes the tail.
    void JoinTail() {
        if (GapStart == Count)
            GapLength = Capacity - Count;
    }
    // Copies N records' slots from slot From to slot To (the ranges may
    // overlap), a block piece at a time.
    void MoveSlots(int32_t To, int32_t From, int32_t N);
    // Puts N new blocks at the end / into the gap; takes N blocks (N *
    // PerBlock <= the gap's length) out of the gap.
    void AppendBlocks(int32_t N);
    void InsertBlocks(int32_t N);
    void RemoveBlocks(int32_t N);
    // Makes sure that Blocks can take N more entries and that N blocks are
    // free (spare or unused), without changing the array (may allocate).
    void PrepareBlocks(int32_t N);
    std::byte* TakeBlock();
    // Takes out blocks for N fewer, dropping records beyond the capacity.
    void DropCapacity(int32_t WantedBlocks);
    void FreeUnusedSlabs();

    int16_t RecordSize;
    int16_t Stride;
    std::vector<std::byte*> Blocks; // in slot order; each inside one of Slabs
    std::vector<TSlab> Slabs;       // own every block, in use or spare
    std::vector<std::byte*> Spare;  // blocks used before and given up, the lowest address last
    std::vector<std::byte*> Unused; // blocks of the slabs never used yet, the lowest address last
    int32_t Count = 0;
    int32_t Capacity = 0;
    int32_t GapStart = 0;
    int32_t GapLength = 0;
    int16_t PerBlock;
    int8_t BlockShift; // log2 PerBlock when PerBlock is a power of two, else -1
};

// A record array of one trivially copyable record type. The stride is the
// record size rounded up to the record's alignment unless the derived class
// asks for a wider one.
template <class TRecord>
class TDynArrayOf : public TDynArray2 {
    static_assert(std::is_trivially_copyable_v<TRecord>, "records are copied as bytes");
    static_assert(alignof(TRecord) <= alignof(std::max_align_t));

public:
    static constexpr int32_t RecordStride = static_cast<int32_t>(
        (sizeof(TRecord) + alignof(TRecord) - 1) / alignof(TRecord) * alignof(TRecord));

    // Checked access ("List index out of bounds").
    TRecord& operator[](int32_t Index) { return *static_cast<TRecord*>(Items(Index)); }
    const TRecord& operator[](int32_t Index) const {
        return *static_cast<const TRecord*>(Items(Index));
    }
    int32_t Add(const TRecord& Record) { return TDynArray2::Add(&Record); }

protected:
    TDynArrayOf() : TDynArray2(static_cast<int32_t>(sizeof(TRecord)), RecordStride) {}
    explicit TDynArrayOf(int32_t Stride)
        : TDynArray2(static_cast<int32_t>(sizeof(TRecord)), Stride) {}

    // Unchecked access.
    TRecord& At(int32_t Index) { return *reinterpret_cast<TRecord*>(ItemAt(Index)); }
    const TRecord& At(int32_t Index) const {
        return *reinterpret_cast<const TRecord*>(ItemAt(Index));
    }
    // Appends one uninitialised record; fill it before anything reads it.
    TRecord& AddRecord() { return *reinterpret_cast<TRecord*>(AddSlot()); }

    // Calls Visit(TRecord&) for the records From .. Count - 1 (ForEachFrom)
    // or From .. To - 1 (ForEachIn), block-wise.
    template <class TVisit>
    void ForEachIn(int32_t From, int32_t To, TVisit&& Visit) {
        WalkRange(From, To, [&Visit](std::byte* P) { Visit(*reinterpret_cast<TRecord*>(P)); });
    }
    template <class TVisit>
    void ForEachIn(int32_t From, int32_t To, TVisit&& Visit) const {
        WalkRange(From, To,
                  [&Visit](const std::byte* P) { Visit(*reinterpret_cast<const TRecord*>(P)); });
    }
    template <class TVisit>
    void ForEachFrom(int32_t From, TVisit&& Visit) {
        ForEachIn(From, GetCount(), Visit);
    }
    template <class TVisit>
    void ForEachFrom(int32_t From, TVisit&& Visit) const {
        ForEachIn(From, GetCount(), Visit);
    }
};

} // namespace korvel
