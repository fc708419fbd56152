#pragma once

#include "framework/TLargeBuffer.h"

#include <cstddef>
#include <new>

namespace korvel {

// The allocator of arrays that can grow very large, such as the display
// lines of a paragraph of many megabytes: a block of 4 MiB or more is
// offered huge pages before it is filled, so that the copy into it when the
// array grows costs a few page faults instead of one per 4 KiB (which on a
// fresh block is most of the time of the growth).
template <class T>
struct THugePageAllocator {
    using value_type = T;

    THugePageAllocator() = default;
    template <class U>
    THugePageAllocator(const THugePageAllocator<U>&) noexcept {}

    T* allocate(size_t Count) {
        const size_t Bytes = Count * sizeof(T);
        void* Block = ::operator new(Bytes);
        if (Bytes >= 2 * TLargeBuffer::HugePageBytes)
            AdviseHugePages(Block, Bytes);
        return static_cast<T*>(Block);
    }
    void deallocate(T* Block, size_t) noexcept { ::operator delete(Block); }

    friend bool operator==(const THugePageAllocator&, const THugePageAllocator&) { return true; }
};

} // namespace korvel
