#include "KVSupport/TDynArray2.h"

#include "framework/Exceptions.h"

#include <cstring>

namespace korvel {

TDynArray2::TDynArray2(int32_t RecordSize, int32_t Stride)
    : RecordSize(static_cast<int16_t>(RecordSize)), Stride(static_cast<int16_t>(Stride)),
      PerBlock(static_cast<int16_t>(BlockBytes / Stride)) {}

void TDynArray2::SetCapacity(int32_t N) {
    const int32_t Needed = (N - 1) / PerBlock + 1; // truncates toward zero: N <= 1 keeps one block
    const size_t Wanted = static_cast<size_t>(Needed < 1 ? 1 : Needed);
    if (Blocks.size() > Wanted) {
        Blocks.resize(Wanted);
    } else {
        while (Blocks.size() < Wanted) // block contents are left uninitialised
            Blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(BlockBytes));
    }
    Capacity = static_cast<int32_t>(Blocks.size()) * PerBlock;
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
    SetCount(Count + 1);
    std::memcpy(ItemAt(Count - 1), Record, static_cast<size_t>(RecordSize));
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
