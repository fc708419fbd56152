#include "framework/TStream.h"

#include "framework/Exceptions.h"

#include <algorithm>
#include <vector>

namespace korvel {

int64_t TStream::GetSize() {
    const int64_t Pos = Seek(0, TSeekOrigin::soCurrent);
    const int64_t Size = Seek(0, TSeekOrigin::soEnd);
    Seek(Pos, TSeekOrigin::soBeginning);
    return Size;
}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
    if (Count != 0 && Read(Buffer, Count) != Count)
        throw EReadError();
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
    if (Count != 0 && Write(Buffer, Count) != Count)
        throw EWriteError();
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.GetSize();
    }
    constexpr int64_t ChunkSize = 1 << 16;
    std::vector<char> Chunk(static_cast<size_t>(std::min(Count, ChunkSize)));
    int64_t Left = Count;
    while (Left > 0) {
        const int64_t N = std::min(Left, ChunkSize);
        Source.ReadBuffer(Chunk.data(), N);
        WriteBuffer(Chunk.data(), N);
        Left -= N;
    }
    return Count;
}

} // namespace korvel
