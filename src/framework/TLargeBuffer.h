#pragma once

#include <cstddef>

namespace korvel {

// An owned, uninitialised block of memory for the large arrays of the text
// store: record slabs and load buffers. A block of HugePageBytes or more
// starts on a 2 MiB boundary and the kernel is asked to back it with huge
// pages where the system allows it (Linux with transparent huge pages). The
// first touch of fresh memory then costs one fault per 2 MiB instead of one
// per 4 KiB page, which is most of the time of a first load of a large text.
// Where that is not available, for smaller blocks, and in sanitizer builds
// (which watch heap blocks only) the block comes from the heap.
class TLargeBuffer {
public:
    static constexpr size_t HugePageBytes = size_t{2} << 20;

    TLargeBuffer() = default;
    // Bytes > 0 bytes; std::bad_alloc when the memory is not available.
    explicit TLargeBuffer(size_t Bytes);
    // Bytes > 0 bytes from the heap whatever the size: for buffers that come
    // and go with edits, whose memory the allocator may keep and hand out
    // again once they are freed.
    static TLargeBuffer FromHeap(size_t Bytes);
    ~TLargeBuffer() { Release(); }
    TLargeBuffer(TLargeBuffer&& Other) noexcept;
    TLargeBuffer& operator=(TLargeBuffer&& Other) noexcept;
    TLargeBuffer(const TLargeBuffer&) = delete;
    TLargeBuffer& operator=(const TLargeBuffer&) = delete;

    std::byte* Data() const { return Bytes; }
    char* Chars() const { return reinterpret_cast<char*>(Bytes); }
    size_t GetSize() const { return Size; }
    // Whether the block was mapped for huge pages (else it is a heap block).
    bool IsMapped() const { return Mapped != 0; }

    // Keeps only the first Bytes bytes (0 < Bytes <= size) and gives the
    // rest back. A mapped block returns its whole pages beyond them to the
    // system and stays where it is; a heap block is copied into one of
    // exactly Bytes bytes (Data() then changes; std::bad_alloc leaves it as
    // it was).
    void Shrink(size_t Bytes);

private:
    void Release() noexcept;

    std::byte* Bytes = nullptr;
    size_t Size = 0;
    size_t Mapped = 0; // bytes mapped from the system; 0 for a heap block
};

// Asks the kernel to back the whole 2 MiB pages inside Bytes bytes at Data
// (memory not touched yet, such as a large string just reserved) with huge
// pages, where the system allows it; does nothing elsewhere and for smaller
// blocks. Only advice: the memory stays the caller's.
void AdviseHugePages(void* Data, size_t Bytes);

} // namespace korvel
