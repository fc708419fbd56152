#pragma once

#include "framework/TStream.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    // A stream holding the given bytes, positioned at 0.
    explicit TMemoryStream(std::string_view Bytes);

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override { return static_cast<int64_t>(Data.size()); }
    void SetSize(int64_t NewSize) override;

    // Reserves room for at least Bytes bytes without changing the size.
    void SetCapacity(int64_t Bytes) { Data.reserve(static_cast<size_t>(Bytes)); }
    void Clear();
    void LoadFromStream(TStream& Source);
    void SaveToStream(TStream& Target);

    const uint8_t* Memory() const { return Data.data(); }
    uint8_t* Memory() { return Data.data(); }
    // The whole content as a byte string.
    std::string DataString() const { return std::string(Data.begin(), Data.end()); }

private:
    std::vector<uint8_t> Data;
    int64_t Position = 0;
};

} // namespace korvel
