#pragma once

#include "framework/TObject.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace korvel {

// An indexable array of fixed-size records kept in blocks of BlockBytes bytes.
// Growing never moves a record, so a reference into a block stays valid while
// records are appended; access by index is one division and one lookup.
//
// Records are plain bytes to this class: RecordSize bytes are copied when a
// record is added, records lie Stride bytes apart and PerBlock of them share a
// block. Block contents are not initialised.
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

    // Keeps (N - 1) div PerBlock + 1 blocks (at least one), freeing or adding
    // blocks at the end. Records beyond the new capacity are lost; Count is
    // left alone (callers never go below it).
    void SetCapacity(int32_t N);
    // N < 0 counts as 0; grows the capacity when needed; never frees blocks.
    void SetCount(int32_t N);
    // Appends a copy of RecordSize bytes at Record; returns the new index.
    int32_t Add(const void* Record);

    // The record at Index; ERangeError "List index out of bounds" outside 0..Count-1.
    void* Items(int32_t Index);
    const void* Items(int32_t Index) const;

protected:
    // Stride is the record size rounded up as the derived class wishes;
    // PerBlock follows from it.
    TDynArray2(int32_t RecordSize, int32_t Stride);

    // Unchecked access for walks that have already validated their range.
    std::byte* ItemAt(int32_t Index) {
        return Blocks[static_cast<size_t>(Index / PerBlock)].get() + (Index % PerBlock) * Stride;
    }
    const std::byte* ItemAt(int32_t Index) const {
        return Blocks[static_cast<size_t>(Index / PerBlock)].get() + (Index % PerBlock) * Stride;
    }
    std::byte* BlockAt(int32_t Block) { return Blocks[static_cast<size_t>(Block)].get(); }

private:
    int16_t RecordSize;
    int16_t Stride;
    std::vector<std::unique_ptr<std::byte[]>> Blocks;
    int32_t Count = 0;
    int32_t Capacity = 0;
    int16_t PerBlock;
};

// A record array of one trivially copyable record type.
template <class TRecord>
class TDynArrayOf : public TDynArray2 {
    static_assert(std::is_trivially_copyable_v<TRecord>, "records are copied as bytes");
    static_assert(alignof(TRecord) <= alignof(std::max_align_t));

public:
    static constexpr int32_t RecordStride =
        static_cast<int32_t>((sizeof(TRecord) + alignof(TRecord) - 1) / alignof(TRecord) *
                             alignof(TRecord));

    TRecord& operator[](int32_t Index) { return *static_cast<TRecord*>(Items(Index)); }
    const TRecord& operator[](int32_t Index) const {
        return *static_cast<const TRecord*>(Items(Index));
    }
    int32_t Add(const TRecord& Record) { return TDynArray2::Add(&Record); }

protected:
    TDynArrayOf() : TDynArray2(static_cast<int32_t>(sizeof(TRecord)), RecordStride) {}
    explicit TDynArrayOf(int32_t Stride) : TDynArray2(static_cast<int32_t>(sizeof(TRecord)), Stride) {}

    TRecord& At(int32_t Index) { return *reinterpret_cast<TRecord*>(ItemAt(Index)); }
    const TRecord& At(int32_t Index) const {
        return *reinterpret_cast<const TRecord*>(ItemAt(Index));
    }
};

} // namespace korvel
