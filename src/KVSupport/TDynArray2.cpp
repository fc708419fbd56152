#include "KVSupport/TDynArray2.h"

#include "framework/Exceptions.h"

#include <bit>
#include <climits>
#include <cstring>
#include <new>

namespace korvel {

TDynArray2::TDynArray2(int32_t RecordSize, int32_t Stride)
    : RecordSize(static_cast<int16_t>(RecordSize)), Stride(static_cast<int16_t>(Stride)),
      PerBlock(static_cast<int16_t>(BlockBytes / Stride)) {
    const auto Per = static_cast<uint32_t>(PerBlock);
    BlockShift = std::has_single_bit(Per) ? static_cast<int8_t>(std::countr_zero(Per)) : -1;
}

void TDynArray2::SetCapacity(int32_t N) {
    const int32_t Needed = (N - 1) / PerBlock + 1; // truncates toward zero: N <= 1 keeps one block
    const int32_t Wanted = Needed < 1 ? 1 : Needed;
    if (Wanted > INT32_MAX / PerBlock) // Capacity must stay a 32-bit count
        throw std::bad_alloc();
    const auto WantedBlocks = static_cast<size_t>(Wanted);
    if (Blocks.size() > WantedBlocks) {
        DropBlocks(WantedBlocks, false);
    } else {
        while (Blocks.size() < WantedBlocks) // block contents are left uninitialised
            AddBlock();
    }
    Capacity = static_cast<int32_t>(Blocks.size()) * PerBlock;
    if (Count > Capacity) // the records beyond are gone; never index past the blocks
        Count = Capacity;
}

void TDynArray2::ShrinkKeepingBlocks(int32_t N) {
    const int32_t Needed = (N - 1) / PerBlock + 1;
    const auto WantedBlocks = static_cast<size_t>(Needed < 1 ? 1 : Needed);
    if (Blocks.size() <= WantedBlocks) {
        SetCapacity(N);
        return;
    }
    DropBlocks(WantedBlocks, true);
    Capacity = static_cast<int32_t>(Blocks.size()) * PerBlock;
    if (Count > Capacity)
        Count = Capacity;
}

void TDynArray2::DropBlocks(size_t WantedBlocks, bool Keep) {
    Blocks.resize(WantedBlocks);
    while (static_cast<size_t>(Slabs.back().FirstBlock) >= WantedBlocks) {
        // No block of this slab is in use any more.
        if (Keep)
            Reserve.push_back(std::move(Slabs.back()));
        Slabs.pop_back();
    }
}

void TDynArray2::AddBlock() {
    const auto Next = static_cast<int32_t>(Blocks.size());
    if (Slabs.empty() || Slabs.back().FirstBlock + Slabs.back().BlockCount == Next) {
        if (!Reserve.empty()) {
            Slabs.push_back(std::move(Reserve.back()));
            Reserve.pop_back();
            Slabs.back().FirstBlock = Next;
        } else {
            // A new slab as large as the array so far (at least one block, at
            // most SlabBlocksMax), so that the memory reserved never exceeds
            // what is in use by more than a factor of two or one slab.
            const int32_t Size = std::clamp(Next, 1, SlabBlocksMax);
            Slabs.push_back({std::make_unique_for_overwrite<std::byte[]>(
                                 static_cast<size_t>(Size) * static_cast<size_t>(BlockBytes)),
                             Next, Size});
        }
    }
    const TSlab& Slab = Slabs.back();
    Blocks.push_back(Slab.Bytes.get() +
                     static_cast<ptrdiff_t>(Next - Slab.FirstBlock) * BlockBytes);
}

void TDynArray2::SetCount(int32_t N) {
    if (N < 0)
        N = 0;
    if (N == Count)
        return;
    if (N > Capacity)
        SetCapacity(N);
    Count = N;
}

int32_t TDynArray2::Add(const void* Record) {
    std::memcpy(AddSlot(), Record, static_cast<size_t>(RecordSize));
    return Count - 1;
}

void* TDynArray2::Items(int32_t Index) {
    if (Index < 0 || Index >= Count)
        throw ERangeError(SListIndexError);
    return ItemAt(Index);
}

const void* TDynArray2::Items(int32_t Index) const {
    if (Index < 0 || Index >= Count)
        throw ERangeError(SListIndexError);
    return ItemAt(Index);
}

} // namespace korvel
