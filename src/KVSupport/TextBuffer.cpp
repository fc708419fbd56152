#include "KVSupport/TextBuffer.h"

#include "KVSupport/THugePageAllocator.h"
#include "framework/Exceptions.h"

#include <climits>
#include <cstring>
#include <new>

namespace korvel {

namespace {

// The header keeps the size; 8 bytes keep the text as aligned as the block.
constexpr size_t HeaderBytes = 8;

std::byte* HeaderOf(const char* Text) {
    return reinterpret_cast<std::byte*>(const_cast<char*>(Text)) - HeaderBytes;
}

} // namespace

char* AllocTextBuffer(int32_t Size) {
    if (Size <= 0)
        return nullptr;
    const size_t Bytes = HeaderBytes + static_cast<size_t>(Size);
    // The text of a long paragraph is filled at once (its first edit copies
    // it out of the load buffer): on huge pages that takes a few faults, not
    // one per 4 KiB.
    std::byte* Block = THugePageAllocator<std::byte>().allocate(Bytes);
    std::memcpy(Block, &Size, sizeof Size);
    return reinterpret_cast<char*>(Block + HeaderBytes);
}

void FreeTextBuffer(char* Text) {
    if (Text != nullptr)
        THugePageAllocator<std::byte>().deallocate(
            HeaderOf(Text), HeaderBytes + static_cast<size_t>(TextBufferSize(Text)));
}

int32_t TextBufferSize(const char* Text) {
    if (Text == nullptr)
        return 0;
    int32_t Size;
    std::memcpy(&Size, HeaderOf(Text), sizeof Size);
    return Size;
}

int32_t SlackBufferSize(int32_t Length) {
    const int64_t Size = int64_t{Length} + Length / 64 + 1;
    if (Length < 0 || Size > INT32_MAX)
        throw Exception(STextTooLong);
    return static_cast<int32_t>(Size);
}

char* NewTextBuffer(const char* Source, int32_t Length, int32_t Size) {
    if (Length < 0 || Length == INT32_MAX) // no room for the 0 byte
        throw Exception(STextTooLong);
    char* Text = AllocTextBuffer(Size > Length ? Size : Length + 1);
    if (Length > 0)
        std::memcpy(Text, Source, static_cast<size_t>(Length));
    Text[Length] = 0;
    return Text;
}

} // namespace korvel
