#include "framework/TLargeBuffer.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#define QUOLT_MAP_LARGE 1
#endif
#if defined(__SANITIZE_ADDRESS__)
#undef QUOLT_MAP_LARGE
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#undef QUOLT_MAP_LARGE
#endif
#endif

namespace korvel {

namespace {

#if defined(QUOLT_MAP_LARGE)
size_t PageBytes() {
    static const auto Bytes = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return Bytes;
}

uintptr_t RoundUp(uintptr_t Value, uintptr_t Unit) {
    return (Value + Unit - 1) / Unit * Unit;
}

// Maps Length bytes (a multiple of the page size) at a 2 MiB boundary: more
// is mapped than needed and the ends beyond the aligned part are unmapped.
std::byte* MapAligned(size_t Length) {
    const size_t Reserved = Length + TLargeBuffer::HugePageBytes - PageBytes();
    void* const Start =
        mmap(nullptr, Reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (Start == MAP_FAILED)
        throw std::bad_alloc();
    const auto First = reinterpret_cast<uintptr_t>(Start);
    const uintptr_t Aligned = RoundUp(First, TLargeBuffer::HugePageBytes);
    if (Aligned > First)
        munmap(Start, Aligned - First);
    if (const uintptr_t End = First + Reserved; End > Aligned + Length)
        munmap(reinterpret_cast<void*>(Aligned + Length), End - (Aligned + Length));
    // Only a request: a kernel without transparent huge pages refuses it and
    // the block is backed by ordinary pages.
    madvise(reinterpret_cast<void*>(Aligned), Length, MADV_HUGEPAGE);
    return reinterpret_cast<std::byte*>(Aligned);
}
#endif

} // namespace

TLargeBuffer::TLargeBuffer(size_t Bytes) : Size(Bytes) {
#if defined(QUOLT_MAP_LARGE)
    if (Bytes >= HugePageBytes) {
        const size_t Length = RoundUp(Bytes, PageBytes());
        this->Bytes = MapAligned(Length);
        Mapped = Length;
        return;
    }
#endif
    this->Bytes = static_cast<std::byte*>(::operator new(Bytes));
}

TLargeBuffer TLargeBuffer::FromHeap(size_t Bytes) {
    TLargeBuffer Buffer;
    Buffer.Bytes = static_cast<std::byte*>(::operator new(Bytes));
    Buffer.Size = Bytes;
    return Buffer;
}

TLargeBuffer::TLargeBuffer(TLargeBuffer&& Other) noexcept
    : Bytes(std::exchange(Other.Bytes, nullptr)), Size(std::exchange(Other.Size, 0)),
      Mapped(std::exchange(Other.Mapped, 0)) {}

TLargeBuffer& TLargeBuffer::operator=(TLargeBuffer&& Other) noexcept {
    if (this != &Other) {
        Release();
        Bytes = std::exchange(Other.Bytes, nullptr);
        Size = std::exchange(Other.Size, 0);
        Mapped = std::exchange(Other.Mapped, 0);
    }
    return *this;
}

void TLargeBuffer::Shrink(size_t NewSize) {
    if (NewSize >= Size || NewSize == 0)
        return;
#if defined(QUOLT_MAP_LARGE)
    if (Mapped != 0) {
        const size_t Length = RoundUp(NewSize, PageBytes());
        if (Length < Mapped)
            munmap(Bytes + Length, Mapped - Length);
        Mapped = Length;
        Size = NewSize;
        return;
    }
#endif
    auto* const Copy = static_cast<std::byte*>(::operator new(NewSize));
    std::memcpy(Copy, Bytes, NewSize);
    ::operator delete(Bytes);
    Bytes = Copy;
    Size = NewSize;
}

void TLargeBuffer::Release() noexcept {
    if (Bytes == nullptr)
        return;
#if defined(QUOLT_MAP_LARGE)
    if (Mapped != 0) {
        munmap(Bytes, Mapped);
        Bytes = nullptr;
        return;
    }
#endif
    ::operator delete(Bytes);
    Bytes = nullptr;
}

void AdviseHugePages(void* Data, size_t Bytes) {
#if defined(QUOLT_MAP_LARGE)
    const auto First = reinterpret_cast<uintptr_t>(Data);
    const uintptr_t Aligned = RoundUp(First, TLargeBuffer::HugePageBytes);
    const uintptr_t End =
        (First + Bytes) / TLargeBuffer::HugePageBytes * TLargeBuffer::HugePageBytes;
    if (End > Aligned)
        madvise(reinterpret_cast<void*>(Aligned), End - Aligned, MADV_HUGEPAGE);
#else
    (void)Data;
    (void)Bytes;
#endif
}

} // namespace korvel
