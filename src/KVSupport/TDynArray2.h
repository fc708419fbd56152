#pragma once

#include "framework/TObject.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace korvel {

// An indexable array of fixed-size records kept in blocks of BlockBytes bytes.
// Growing never moves a record, so a reference into a block stays valid while
// records are appended (until its slot is overwritten or its block freed).
//
// Records are plain bytes to this class: RecordSize bytes are copied when a
// record is added, records lie Stride bytes apart and PerBlock of them share a
// block; record k lives in block k div PerBlock at byte (k mod PerBlock) *
// Stride. Block contents are not initialised: a record's bytes are defined
// only after it was added or written.
//
// Invariants: 0 <= Count <= Capacity; Capacity = blocks * PerBlock, and at
// least PerBlock once a capacity was set; PerBlock * Stride <= BlockBytes.
//
// Access by index is one shift and mask when PerBlock is a power of two (the
// paragraph list: 1024 records of 32 bytes), else one division.
//
// Blocks are carved out of larger allocations (slabs) of consecutive blocks,
// doubling with the array up to SlabBlocksMax blocks, and handed out in order.
// So the blocks of a large array lie together in memory even when other
// allocations (the text buffers of a load) are interleaved with its growth,
// and a walk over millions of records streams through few memory pages
// instead of touching a new region every 32 KB. The memory of a slab's blocks
// not yet handed out is reserved, not touched.
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

    // Keeps (N - 1) div PerBlock + 1 blocks (at least one, so N <= 1 keeps
    // one), freeing or adding blocks at the end. Records beyond the new
    // capacity are lost, and Count drops to the new capacity if it was above.
    // A capacity beyond the 32-bit range raises std::bad_alloc.
    void SetCapacity(int32_t N);
    // N < 0 counts as 0; grows the capacity when needed; lowering the count
    // never frees blocks.
    void SetCount(int32_t N);
    // Appends a copy of RecordSize bytes at Record; returns the new index.
    int32_t Add(const void* Record);

    // The record at Index; ERangeError "List index out of bounds" outside
    // 0 .. Count - 1 (the array is unchanged).
    void* Items(int32_t Index);
    const void* Items(int32_t Index) const;

protected:
    // PerBlock follows from Stride (BlockBytes div Stride).
    TDynArray2(int32_t RecordSize, int32_t Stride);

    // Unchecked access for walks that have already validated their range.
    std::byte* ItemAt(int32_t Index) { return Blocks[BlockOf(Index)] + SlotOf(Index) * Stride; }
    const std::byte* ItemAt(int32_t Index) const {
        return Blocks[BlockOf(Index)] + SlotOf(Index) * Stride;
    }
    std::byte* BlockAt(int32_t Block) { return Blocks[static_cast<size_t>(Block)]; }
    const std::byte* BlockAt(int32_t Block) const { return Blocks[static_cast<size_t>(Block)]; }

    // SetCapacity, except that the memory of the blocks given up is kept in
    // reserve and used again when the array grows, until
    // ReleaseReserveBlocks. For an array emptied only to be filled again
    // (a text replaced by a load): the new records then go to memory that is
    // already mapped instead of fresh pages.
    void ShrinkKeepingBlocks(int32_t N);
    void ReleaseReserveBlocks() { Reserve.clear(); }

    // Appends one slot and returns it uninitialised; the caller fills it
    // before anything else can read it.
    std::byte* AddSlot() {
        if (Count == Capacity)
            SetCapacity(Count + 1);
        return ItemAt(Count++);
    }

    // Calls Visit(record bytes) for the records From .. Count - 1 in order,
    // stepping by Stride inside a block and looking up a block only at block
    // boundaries. From < 0 counts as 0.
    template <class TVisit>
    void WalkFrom(int32_t From, TVisit&& Visit) {
        int32_t Index = From < 0 ? 0 : From;
        while (Index < Count) {
            const int32_t Slot = SlotOf(Index);
            const int32_t InBlock = std::min<int32_t>(PerBlock - Slot, Count - Index);
            std::byte* P = Blocks[BlockOf(Index)] + Slot * Stride;
            for (int32_t I = 0; I < InBlock; ++I, P += Stride)
                Visit(P);
            Index += InBlock;
        }
    }
    template <class TVisit>
    void WalkFrom(int32_t From, TVisit&& Visit) const {
        const_cast<TDynArray2*>(this)->WalkFrom(
            From, [&Visit](std::byte* P) { Visit(static_cast<const std::byte*>(P)); });
    }

private:
    // The most blocks one slab holds: 2 MB.
    static constexpr int32_t SlabBlocksMax = 64;

    // Consecutive blocks FirstBlock .. FirstBlock + BlockCount - 1 in one allocation.
    struct TSlab {
        std::unique_ptr<std::byte[]> Bytes;
        int32_t FirstBlock;
        int32_t BlockCount;
    };

    // Drops the blocks from WantedBlocks on; their slabs go to Reserve when
    // Keep, else they are freed.
    void DropBlocks(size_t WantedBlocks, bool Keep);
    // Appends one block to Blocks, from the last slab while it has room,
    // else from a new slab (taken from Reserve when it holds one).
    void AddBlock();

    size_t BlockOf(int32_t Index) const {
        return static_cast<size_t>(BlockShift >= 0 ? Index >> BlockShift : Index / PerBlock);
    }
    int32_t SlotOf(int32_t Index) const {
        return BlockShift >= 0 ? Index & (PerBlock - 1) : Index % PerBlock;
    }

    int16_t RecordSize;
    int16_t Stride;
    std::vector<std::byte*> Blocks; // block k's bytes, inside one of Slabs
    std::vector<TSlab> Slabs;       // in block order; own the blocks
    std::vector<TSlab> Reserve;     // slabs given up by ShrinkKeepingBlocks
    int32_t Count = 0;
    int32_t Capacity = 0;
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

    // Calls Visit(TRecord&) for the records From .. Count - 1, block-wise.
    template <class TVisit>
    void ForEachFrom(int32_t From, TVisit&& Visit) {
        WalkFrom(From, [&Visit](std::byte* P) { Visit(*reinterpret_cast<TRecord*>(P)); });
    }
    template <class TVisit>
    void ForEachFrom(int32_t From, TVisit&& Visit) const {
        WalkFrom(From,
                 [&Visit](const std::byte* P) { Visit(*reinterpret_cast<const TRecord*>(P)); });
    }
};

} // namespace korvel
