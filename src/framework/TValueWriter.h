#pragma once

#include "framework/TValueType.h"

#include <cstdint>
#include <string_view>

namespace korvel {

class TStream;

// Writes the values of a stored form description to a stream, each in the
// shortest form that the readers of such descriptions accept.
class TValueWriter {
public:
    explicit TValueWriter(TStream& Stream) : Stream(Stream) {}
    TValueWriter(const TValueWriter&) = delete;
    TValueWriter& operator=(const TValueWriter&) = delete;

    TStream& GetStream() { return Stream; }

    void WriteValue(TValueType Type);
    void WriteListBegin() { WriteValue(TValueType::vaList); }
    void WriteListEnd() { WriteValue(TValueType::vaNull); }
    // 1, 2 or 4 bytes, whichever is the shortest that holds Value.
    void WriteInteger(int32_t Value);
    // Pure 7-bit text as vaString (up to 255 bytes) or vaLString; text with
    // bytes of 0x80 or above as vaUTF8String, converted from the code page.
    // EWriteError when the stored form would exceed a 4-byte length.
    void WriteString(std::string_view Text);
    void WriteBoolean(bool Value);

private:
    void WriteBytes(const void* Buffer, int64_t Count);
    void WriteLittleEndian(uint32_t Value, int32_t Size);

    TStream& Stream;
};

} // namespace korvel
