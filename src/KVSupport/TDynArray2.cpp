#include "KVSupport/TDynArray2.h"

#include "framework/Exceptions.h"

#include <bit>
#include <climits>
#include <cstring>
#include <functional>
#include <new>
#include <utility>

namespace korvel {

namespace {

// Room for More further elements, growing geometrically so that repeated
// small reservations stay amortised O(1).
template <class TVector>
void ReserveFor(TVector& Vector, size_t More) {
    if (Vector.capacity() - Vector.size() < More)
        Vector.reserve(std::max(Vector.size() + More, 2 * Vector.capacity()));
}

} // namespace

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
    const auto Have = static_cast<int32_t>(Blocks.size());
    if (Wanted > Have) {
        AppendBlocks(Wanted - Have);
    } else if (Wanted < Have) {
        DropCapacity(Wanted);
        FreeUnusedSlabs();
    }
}

void TDynArray2::ShrinkKeepingBlocks(int32_t N) {
    const int32_t Needed = (N - 1) / PerBlock + 1;
    const int32_t Wanted = Needed < 1 ? 1 : Needed;
    if (Wanted >= static_cast<int32_t>(Blocks.size()))
        SetCapacity(N);
    else
        DropCapacity(Wanted);
}

void TDynArray2::ReleaseReserveBlocks() {
    FreeUnusedSlabs();
}

// The records beyond the new capacity are the last ones. Then whole blocks
// of the tail go, and the rest out of the gap; when the gap alone is too
// short (the free slots are split between it and a partly used last block),
// it first moves to the end to take the tail.
void TDynArray2::DropCapacity(int32_t WantedBlocks) {
    if (Count > WantedBlocks * PerBlock) // the records beyond are gone; never index past the blocks
        SetCount(WantedBlocks * PerBlock);
    const auto Have = static_cast<int32_t>(Blocks.size());
    const int32_t Used = Count + GapLength; // the slots up to the last record
    const int32_t TailBlocks = Have - (Used + PerBlock - 1) / PerBlock;
    const int32_t FromTail = std::min(Have - WantedBlocks, TailBlocks);
    for (int32_t B = 0; B < FromTail; ++B) {
        Spare.push_back(Blocks.back()); // within the capacity PrepareBlocks reserved
        Blocks.pop_back();
    }
    Capacity -= FromTail * PerBlock;
    JoinTail();
    const int32_t FromGap = Have - WantedBlocks - FromTail;
    if (FromGap * PerBlock > GapLength)
        MoveGap(Count);
    RemoveBlocks(FromGap);
    // The lowest addresses are handed out first, so that regrowth fills the
    // slabs in order.
    std::sort(Spare.begin(), Spare.end(), std::greater<>());
}

void TDynArray2::SetCount(int32_t N) {
    if (N < 0)
        N = 0;
    if (N == Count)
        return;
    if (N > Count) {
        // Into the gap at the end, or into the tail.
        const int32_t Room = Capacity - (GapStart == Count ? Count : Count + GapLength);
        if (N - Count > Room)
            AppendBlocks((N - Count - Room - 1) / PerBlock + 1);
        if (GapStart == Count)
            GapStart = N;
    } else if (N < GapStart) {
        GapStart = N; // everything after the records kept is unused
    }
    // Records dropped behind the gap join the tail.
    Count = N;
    JoinTail();
}

int32_t TDynArray2::Add(const void* Record) {
    std::memcpy(AddSlot(), Record, static_cast<size_t>(RecordSize));
    return Count - 1;
}

void TDynArray2::ThrowIndexError() {
    throw ERangeError(SListIndexError);
}

void TDynArray2::EnsureGap(int32_t N) {
    if (GapLength >= N)
        return;
    const int64_t Blocks = (int64_t{N} - GapLength - 1) / PerBlock + 1;
    if (Blocks > (INT32_MAX - int64_t{Capacity}) / PerBlock)
        throw std::bad_alloc();
    InsertBlocks(static_cast<int32_t>(Blocks));
}

void TDynArray2::InsertSlots(int32_t Index, int32_t N) {
    if (N <= 0)
        return;
    EnsureGap(N);
    MoveGap(Index);
    GapStart += N;
    GapLength -= N;
    Count += N;
    JoinTail();
}

// The slots removed join the gap: it first moves next to them (or over
// them, when it lies among them). The last records join the tail instead
// when the gap lies before them.
void TDynArray2::DeleteSlots(int32_t Index, int32_t N) {
    if (N <= 0)
        return;
    if (Index + N == Count && GapStart <= Index) {
        Count -= N;
        JoinTail();
        return;
    }
    if (GapStart < Index)
        MoveGap(Index);
    else if (GapStart > Index + N)
        MoveGap(Index + N);
    GapStart = Index;
    GapLength += N;
    Count -= N;
    JoinTail();
}

void TDynArray2::MoveGap(int32_t Index) {
    if (GapLength > 0) {
        if (Index < GapStart)
            MoveSlots(Index + GapLength, Index, GapStart - Index);
        else if (Index > GapStart)
            MoveSlots(GapStart, GapStart + GapLength, Index - GapStart);
    }
    GapStart = Index;
    JoinTail();
}

void TDynArray2::MoveSlots(int32_t To, int32_t From, int32_t N) {
    const auto Copy = [this](int32_t Target, int32_t Source, int32_t Slots) {
        std::memmove(SlotAt(Target), SlotAt(Source), static_cast<size_t>(Slots) * Stride);
    };
    if (To < From) {
        // Downwards: from the first slot up, so that nothing is overwritten
        // before it was copied.
        while (N > 0) {
            const int32_t Piece =
                std::min({N, PerBlock - PlaceOfSlot(From), PerBlock - PlaceOfSlot(To)});
            Copy(To, From, Piece);
            To += Piece;
            From += Piece;
            N -= Piece;
        }
    } else if (To > From) {
        // Upwards: from the last slot down.
        int32_t FromEnd = From + N;
        int32_t ToEnd = To + N;
        while (N > 0) {
            const int32_t Piece =
                std::min({N, PlaceOfSlot(FromEnd - 1) + 1, PlaceOfSlot(ToEnd - 1) + 1});
            FromEnd -= Piece;
            ToEnd -= Piece;
            Copy(ToEnd, FromEnd, Piece);
            N -= Piece;
        }
    }
}

void TDynArray2::AppendBlocks(int32_t N) {
    PrepareBlocks(N); // the only step that can fail
    for (int32_t B = 0; B < N; ++B)
        Blocks.push_back(TakeBlock());
    Capacity += N * PerBlock;
    JoinTail();
}

// New blocks go in at the gap's start when that is a block boundary. When it
// lies inside a block, they go in after that block, and the slots behind the
// gap in that block move to the same places in the last new block, so that
// every other record keeps its place.
void TDynArray2::InsertBlocks(int32_t N) {
    PrepareBlocks(N); // the only step that can fail
    const int32_t GapEnd = GapStart + GapLength;
    const size_t Block = BlockOfSlot(GapStart);
    const int32_t Place = PlaceOfSlot(GapStart);
    const size_t At = Place == 0 ? Block : Block + 1;
    Blocks.insert(Blocks.begin() + static_cast<ptrdiff_t>(At), static_cast<size_t>(N), nullptr);
    for (size_t I = At; I < At + static_cast<size_t>(N); ++I)
        Blocks[I] = TakeBlock();
    if (Place != 0 && GapEnd < static_cast<int32_t>(Block + 1) * PerBlock) {
        const int32_t Behind = GapEnd - static_cast<int32_t>(Block) * PerBlock;
        std::memcpy(Blocks[At + static_cast<size_t>(N) - 1] + Behind * Stride,
                    Blocks[Block] + Behind * Stride,
                    static_cast<size_t>(PerBlock - Behind) * Stride);
    }
    Capacity += N * PerBlock;
    GapLength += N * PerBlock;
}

// The opposite of InsertBlocks: the blocks taken out are those after the
// gap's first block (or from it on, at a block boundary); the slots behind
// the gap in the last of them move to the same places in the gap's first
// block.
void TDynArray2::RemoveBlocks(int32_t N) {
    if (N <= 0)
        return;
    const int32_t GapEnd = GapStart + GapLength;
    const size_t Block = BlockOfSlot(GapStart);
    const int32_t Place = PlaceOfSlot(GapStart);
    const size_t First = Place == 0 ? Block : Block + 1;
    const size_t Last = First + static_cast<size_t>(N) - 1;
    if (Place != 0 && GapEnd < static_cast<int32_t>(Last + 1) * PerBlock) {
        const int32_t Behind = GapEnd - static_cast<int32_t>(Last) * PerBlock;
        std::memcpy(Blocks[Block] + Behind * Stride, Blocks[Last] + Behind * Stride,
                    static_cast<size_t>(PerBlock - Behind) * Stride);
    }
    const auto Begin = Blocks.begin() + static_cast<ptrdiff_t>(First);
    const auto End = Begin + N;
    Spare.insert(Spare.end(), Begin, End); // within the capacity PrepareBlocks reserved
    Blocks.erase(Begin, End);
    Capacity -= N * PerBlock;
    GapLength -= N * PerBlock;
}

void TDynArray2::PrepareBlocks(int32_t N) {
    ReserveFor(Blocks, static_cast<size_t>(N));
    while (Spare.size() + Unused.size() < static_cast<size_t>(N)) {
        // A new slab as large as the array so far (at least one block, at
        // most SlabBlocksMax), so that the memory reserved never exceeds
        // what is in use by more than a factor of two or one slab.
        const size_t Owned = Blocks.size() + Spare.size() + Unused.size();
        const auto Size = std::clamp<int32_t>(static_cast<int32_t>(Owned), 1, SlabBlocksMax);
        // With room for every block owned, Spare never needs memory while
        // blocks are taken out of the array.
        ReserveFor(Spare, Owned + static_cast<size_t>(Size) - Spare.size());
        ReserveFor(Unused, static_cast<size_t>(Size));
        ReserveFor(Slabs, 1);
        TLargeBuffer Memory(static_cast<size_t>(Size) * BlockBytes);
        for (int32_t B = Size - 1; B >= 0; --B)
            Unused.push_back(Memory.Data() + static_cast<ptrdiff_t>(B) * BlockBytes);
        Slabs.push_back({std::move(Memory), Size});
    }
}

std::byte* TDynArray2::TakeBlock() {
    std::vector<std::byte*>& From = Spare.empty() ? Unused : Spare;
    std::byte* const Block = From.back();
    From.pop_back();
    return Block;
}

// A slab can go when all its blocks are spare or unused.
void TDynArray2::FreeUnusedSlabs() {
    if (Spare.empty() && Unused.empty())
        return;
    const std::less<> Before;
    std::sort(Spare.begin(), Spare.end(), Before);
    std::sort(Unused.begin(), Unused.end(), Before);
    std::sort(Slabs.begin(), Slabs.end(), [&Before](const TSlab& A, const TSlab& B) {
        return Before(A.Memory.Data(), B.Memory.Data());
    });
    // From the highest address down, so that erasing the blocks of one slab
    // leaves the blocks of the lower ones where the search finds them.
    for (auto Slab = Slabs.rbegin(); Slab != Slabs.rend(); ++Slab) {
        std::byte* const Start = Slab->Memory.Data();
        std::byte* const End = Start + static_cast<ptrdiff_t>(Slab->BlockCount) * BlockBytes;
        const auto Range = [&](std::vector<std::byte*>& Blocks) {
            const auto Lo = std::lower_bound(Blocks.begin(), Blocks.end(), Start, Before);
            return std::make_pair(Lo, std::lower_bound(Lo, Blocks.end(), End, Before));
        };
        const auto [SpareLo, SpareHi] = Range(Spare);
        const auto [UnusedLo, UnusedHi] = Range(Unused);
        if ((SpareHi - SpareLo) + (UnusedHi - UnusedLo) == Slab->BlockCount) {
            Spare.erase(SpareLo, SpareHi);
            Unused.erase(UnusedLo, UnusedHi);
            Slab->BlockCount = 0;
        }
    }
    Slabs.erase(std::remove_if(Slabs.begin(), Slabs.end(),
                               [](const TSlab& Slab) { return Slab.BlockCount == 0; }),
                Slabs.end());
    std::sort(Spare.begin(), Spare.end(), std::greater<>());
    std::sort(Unused.begin(), Unused.end(), std::greater<>());
}

void TDynArray2::SwapRecords(TDynArray2& Other) noexcept {
    std::swap(Blocks, Other.Blocks);
    std::swap(Slabs, Other.Slabs);
    std::swap(Spare, Other.Spare);
    std::swap(Unused, Other.Unused);
    std::swap(Count, Other.Count);
    std::swap(Capacity, Other.Capacity);
    std::swap(GapStart, Other.GapStart);
    std::swap(GapLength, Other.GapLength);
}

} // namespace korvel
