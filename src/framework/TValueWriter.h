#pragma once

#include "framework/TValueType.h"

#include <cstdint>
#include <string_view>
#include <vector>

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
    // As WriteInteger when Value fits 32 bits, else 8 bytes (vaInt64).
    void WriteInt64(int64_t Value);
    // Pure 7-bit text as vaString (up to 255 bytes) or vaLString; text with
    // bytes of 0x80 or above as vaUTF8String, converted from the code page.
    // EWriteError when the stored form would exceed a 4-byte length.
    void WriteString(std::string_view Text);
    void WriteBoolean(bool Value);
    // A short string without a tag (1-byte length), as names are stored.
    // EWriteError for more than 255 bytes.
    void WriteStr(std::string_view Text);
    // An identifier (vaIdent); "False", "True" and "nil" are written as
    // their own tags, as the framework's writer does.
    void WriteIdent(std::string_view Ident);
    // A set (vaSet) of the given element names.
    void WriteSet(const std::vector<std::string_view>& Elements);
    // A binary value (vaBinary) with a 4-byte length.
    void WriteBinary(std::string_view Bytes);
    // A 10-byte floating-point value (vaExtended) holding Value.
    void WriteExtended(double Value);

private:
    void WriteBytes(const void* Buffer, int64_t Count);
    void WriteLittleEndian(uint32_t Value, int32_t Size);

    TStream& Stream;
};

} // namespace korvel
