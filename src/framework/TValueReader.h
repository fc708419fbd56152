#pragma once

#include "framework/TValueType.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

class TStream;

// A short English name of a value tag for messages ("string", "list begin").
std::string ValueTypeName(TValueType Type);

// Reads the values of a stored form description from a stream. Every read is
// checked against the end of the stream before anything is allocated; a value
// that is truncated, of the wrong kind or of an unknown kind raises EReadError
// with a message naming what was expected, what was found and where. After an
// error the stream may stand anywhere inside the faulty value.
class TValueReader {
public:
    // Lists nested deeper than this are refused rather than followed.
    static constexpr int32_t MaxNesting = 256;

    explicit TValueReader(TStream& Stream) : Stream(Stream) {}
    TValueReader(const TValueReader&) = delete;
    TValueReader& operator=(const TValueReader&) = delete;

    TStream& GetStream() { return Stream; }

    // Consumes and returns the next tag.
    TValueType ReadValue();
    // The next tag without consuming it.
    TValueType NextValue();
    // True when the next tag is the end-of-list tag.
    bool EndOfList() { return NextValue() == TValueType::vaNull; }

    void ReadListBegin();
    void ReadListEnd();

    // An integer stored in 1, 2 or 4 bytes.
    int32_t ReadInteger();
    // An integer stored in 1, 2, 4 or 8 bytes.
    int64_t ReadInt64();
    // An 8-bit string (vaString, vaLString) as stored, or a vaUTF8String or
    // vaWString converted to the code page.
    std::string ReadString();
    bool ReadBoolean();
    // A short string without a tag (1-byte length): how property, class and
    // component names and set elements are stored.
    std::string ReadStr();
    // An identifier (vaIdent); the tags vaFalse, vaTrue, vaNil and vaNull read
    // as the identifiers "False", "True", "nil" and "Null".
    std::string ReadIdent();
    // The element names of a set (vaSet), in stored order.
    std::vector<std::string> ReadSet();
    // The bytes of a binary value (vaBinary).
    std::string ReadBinary();

    // Raises EReadError "Invalid form value at offset Offset: What".
    [[noreturn]] void Fail(int64_t Offset, const std::string& What);

    // Skips one value of any kind, lists and collections included.
    void SkipValue();

private:
    [[noreturn]] void WrongValue(int64_t Offset, const char* Expected, TValueType Found);
    int64_t Remaining();
    void ReadBytes(void* Buffer, int64_t Count, const char* What);
    void SkipBytes(int64_t Count, const char* What);
    int32_t ReadLength(int64_t UnitSize, const char* What);
    std::string ReadBytesAsString(int64_t Count, const char* What);
    int64_t ReadSigned(int32_t Size);
    void SkipNested(int32_t Depth);

    TStream& Stream;
};

} // namespace korvel
