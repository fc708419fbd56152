#include "framework/TMemoryStream.h"

#include <algorithm>
#include <cstring>

namespace korvel {

TMemoryStream::TMemoryStream(std::string_view Bytes) : Data(Bytes.begin(), Bytes.end()) {}

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
    const int64_t Size = GetSize();
    if (Count <= 0 || Position < 0 || Position >= Size)
        return 0;
    const int64_t N = std::min(Count, Size - Position);
    std::memcpy(Buffer, Data.data() + Position, static_cast<size_t>(N));
    Position += N;
    return N;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0 || Position < 0)
        return 0;
    const int64_t End = Position + Count;
    if (End > GetSize())
        Data.resize(static_cast<size_t>(End));
    std::memcpy(Data.data() + Position, Buffer, static_cast<size_t>(Count));
    Position = End;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    switch (Origin) {
    case TSeekOrigin::soBeginning:
        Position = Offset;
        break;
    case TSeekOrigin::soCurrent:
        Position += Offset;
        break;
    case TSeekOrigin::soEnd:
        Position = GetSize() + Offset;
        break;
    }
    return Position;
}

void TMemoryStream::SetSize(int64_t NewSize) {
    Data.resize(static_cast<size_t>(std::max<int64_t>(NewSize, 0)));
    Position = std::min(Position, GetSize());
}

void TMemoryStream::Clear() {
    Data.clear();
    Data.shrink_to_fit();
    Position = 0;
}

void TMemoryStream::LoadFromStream(TStream& Source) {
    Source.SetPosition(0);
    const int64_t Size = Source.GetSize();
    SetSize(Size);
    Source.ReadBuffer(Data.data(), Size);
    Position = 0;
}

void TMemoryStream::SaveToStream(TStream& Target) {
    Target.WriteBuffer(Data.data(), GetSize());
}

} // namespace korvel
