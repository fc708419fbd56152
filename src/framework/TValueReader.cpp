#include "framework/TValueReader.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/TStream.h"

#include <cstdio>

namespace korvel {

namespace {

constexpr const char* TypeNames[] = {
    "end of list",    "list begin", "8-bit integer", "16-bit integer",
    "32-bit integer", "extended",   "string",        "identifier",
    "false",          "true",       "binary",        "set",
    "long string",    "nil",        "collection",    "single",
    "currency",       "date",       "wide string",   "64-bit integer",
    "UTF-8 string"};

std::string Hex2(unsigned Value) {
    char Text[8];
    std::snprintf(Text, sizeof Text, "0x%02X", Value & 0xFFu);
    return Text;
}

} // namespace

std::string ValueTypeName(TValueType Type) {
    const auto Tag = static_cast<unsigned>(Type);
    if (Tag < std::size(TypeNames))
        return TypeNames[Tag];
    return "unknown value";
}

void TValueReader::Fail(int64_t Offset, const std::string& What) {
    throw EReadError("Invalid form value at offset " + std::to_string(Offset) + ": " + What);
}

void TValueReader::WrongValue(int64_t Offset, const char* Expected, TValueType Found) {
    Fail(Offset, std::string("expected ") + Expected + ", found " + ValueTypeName(Found) +
                     " (tag " + Hex2(static_cast<unsigned>(Found)) + ")");
}

int64_t TValueReader::Remaining() {
    const int64_t Left = Stream.GetSize() - Stream.GetPosition();
    return Left > 0 ? Left : 0;
}

void TValueReader::ReadBytes(void* Buffer, int64_t Count, const char* What) {
    const int64_t Offset = Stream.GetPosition();
    if (Count > Remaining() || Stream.Read(Buffer, Count) != Count)
        Fail(Offset, std::string(What) + " runs past the end of the stream");
}

void TValueReader::SkipBytes(int64_t Count, const char* What) {
    const int64_t Offset = Stream.GetPosition();
    if (Count > Remaining())
        Fail(Offset, std::string(What) + " runs past the end of the stream");
    Stream.Seek(Count, TSeekOrigin::soCurrent);
}

int32_t TValueReader::ReadLength(int64_t UnitSize, const char* What) {
    const int64_t Offset = Stream.GetPosition();
    const auto Count = static_cast<int32_t>(ReadSigned(4));
    if (Count < 0)
        Fail(Offset, std::string(What) + " has a negative length (" + std::to_string(Count) + ")");
    if (Count * UnitSize > Remaining())
        Fail(Offset, std::string(What) + " of " + std::to_string(Count * UnitSize) +
                         " bytes runs past the end of the stream");
    return Count;
}

std::string TValueReader::ReadBytesAsString(int64_t Count, const char* What) {
    // Count is a 1-byte length or one already checked against the bytes left,
    // so a corrupt length never makes this allocate more than the stream holds.
    std::string Text(static_cast<size_t>(Count), '\0');
    ReadBytes(Text.data(), Count, What);
    return Text;
}

int64_t TValueReader::ReadSigned(int32_t Size) {
    uint8_t Bytes[8];
    ReadBytes(Bytes, Size, "integer");
    uint64_t Value = 0;
    for (int32_t i = Size - 1; i >= 0; --i)
        Value = (Value << 8) | Bytes[i];
    if (Size < 8) { // sign-extend from the stored width
        const uint64_t SignBit = uint64_t{1} << (8 * Size - 1);
        Value = (Value ^ SignBit) - SignBit;
    }
    return static_cast<int64_t>(Value);
}

TValueType TValueReader::ReadValue() {
    uint8_t Tag = 0;
    ReadBytes(&Tag, 1, "value tag");
    return static_cast<TValueType>(Tag);
}

TValueType TValueReader::NextValue() {
    const TValueType Type = ReadValue();
    Stream.Seek(-1, TSeekOrigin::soCurrent);
    return Type;
}

void TValueReader::ReadListBegin() {
    const int64_t Offset = Stream.GetPosition();
    const TValueType Type = ReadValue();
    if (Type != TValueType::vaList)
        WrongValue(Offset, "list begin", Type);
}

void TValueReader::ReadListEnd() {
    const int64_t Offset = Stream.GetPosition();
    const TValueType Type = ReadValue();
    if (Type != TValueType::vaNull)
        WrongValue(Offset, "end of list", Type);
}

int32_t TValueReader::ReadInteger() {
    const int64_t Offset = Stream.GetPosition();
    switch (const TValueType Type = ReadValue()) {
    case TValueType::vaInt8:
        return static_cast<int32_t>(ReadSigned(1));
    case TValueType::vaInt16:
        return static_cast<int32_t>(ReadSigned(2));
    case TValueType::vaInt32:
        return static_cast<int32_t>(ReadSigned(4));
    default:
        WrongValue(Offset, "an integer", Type);
    }
}

int64_t TValueReader::ReadInt64() {
    if (NextValue() == TValueType::vaInt64) {
        ReadValue();
        return ReadSigned(8);
    }
    return ReadInteger();
}

std::string TValueReader::ReadString() {
    const int64_t Offset = Stream.GetPosition();
    switch (const TValueType Type = ReadValue()) {
    case TValueType::vaString: {
        uint8_t Length = 0;
        ReadBytes(&Length, 1, "string length");
        return ReadBytesAsString(Length, "string");
    }
    case TValueType::vaLString:
        return ReadBytesAsString(ReadLength(1, "long string"), "long string");
    case TValueType::vaUTF8String:
        return Utf8ToAnsi(ReadBytesAsString(ReadLength(1, "UTF-8 string"), "UTF-8 string"));
    case TValueType::vaWString: {
        const int32_t Units = ReadLength(2, "wide string");
        const std::string Bytes = ReadBytesAsString(int64_t{Units} * 2, "wide string");
        std::u16string Wide(static_cast<size_t>(Units), u'\0');
        for (size_t i = 0; i < Wide.size(); ++i)
            Wide[i] = static_cast<char16_t>(static_cast<uint8_t>(Bytes[2 * i]) |
                                            static_cast<uint8_t>(Bytes[2 * i + 1]) << 8);
        return Utf16ToAnsi(Wide);
    }
    default:
        WrongValue(Offset, "a string", Type);
    }
}

bool TValueReader::ReadBoolean() {
    const int64_t Offset = Stream.GetPosition();
    const TValueType Type = ReadValue();
    if (Type != TValueType::vaFalse && Type != TValueType::vaTrue)
        WrongValue(Offset, "a boolean", Type);
    return Type == TValueType::vaTrue;
}

std::string TValueReader::ReadStr() {
    uint8_t Length = 0;
    ReadBytes(&Length, 1, "name length");
    return ReadBytesAsString(Length, "name");
}

std::string TValueReader::ReadIdent() {
    const int64_t Offset = Stream.GetPosition();
    switch (const TValueType Type = ReadValue()) {
    case TValueType::vaIdent:
        return ReadStr();
    case TValueType::vaFalse:
        return "False";
    case TValueType::vaTrue:
        return "True";
    case TValueType::vaNil:
        return "nil";
    case TValueType::vaNull:
        return "Null";
    default:
        WrongValue(Offset, "an identifier", Type);
    }
}

std::vector<std::string> TValueReader::ReadSet() {
    const int64_t Offset = Stream.GetPosition();
    const TValueType Type = ReadValue();
    if (Type != TValueType::vaSet)
        WrongValue(Offset, "a set", Type);
    std::vector<std::string> Elements;
    for (;;) {
        std::string Element = ReadStr();
        if (Element.empty())
            return Elements;
        Elements.push_back(std::move(Element));
    }
}

std::string TValueReader::ReadBinary() {
    const int64_t Offset = Stream.GetPosition();
    const TValueType Type = ReadValue();
    if (Type != TValueType::vaBinary)
        WrongValue(Offset, "binary data", Type);
    return ReadBytesAsString(ReadLength(1, "binary data"), "binary data");
}

void TValueReader::SkipValue() {
    SkipNested(0);
}

void TValueReader::SkipNested(int32_t Depth) {
    const int64_t Offset = Stream.GetPosition();
    if (Depth >= MaxNesting)
        Fail(Offset, "values nested more than " + std::to_string(MaxNesting) + " deep");
    auto SkipShortString = [this](const char* What) {
        uint8_t Length = 0;
        ReadBytes(&Length, 1, What);
        SkipBytes(Length, What);
        return Length;
    };
    switch (const TValueType Type = ReadValue()) {
    case TValueType::vaNull:
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
        return;
    case TValueType::vaList:
        while (!EndOfList())
            SkipNested(Depth + 1);
        ReadListEnd();
        return;
    case TValueType::vaInt8:
        return SkipBytes(1, "integer");
    case TValueType::vaInt16:
        return SkipBytes(2, "integer");
    case TValueType::vaInt32:
    case TValueType::vaSingle:
        return SkipBytes(4, "number");
    case TValueType::vaInt64:
    case TValueType::vaCurrency:
    case TValueType::vaDate:
        return SkipBytes(8, "number");
    case TValueType::vaExtended:
        return SkipBytes(10, "number");
    case TValueType::vaString:
    case TValueType::vaIdent:
        SkipShortString("string");
        return;
    case TValueType::vaBinary:
    case TValueType::vaLString:
    case TValueType::vaUTF8String:
        return SkipBytes(ReadLength(1, "string"), "string");
    case TValueType::vaWString:
        return SkipBytes(int64_t{ReadLength(2, "wide string")} * 2, "wide string");
    case TValueType::vaSet:
        while (SkipShortString("set element") != 0) {
        }
        return;
    case TValueType::vaCollection:
        // Items: an optional integer (the item's order), then a list of
        // properties, each a name (1-byte length) followed by its value.
        while (!EndOfList()) {
            if (IsIntegerValue(NextValue()))
                SkipNested(Depth + 1);
            ReadListBegin();
            while (!EndOfList()) {
                SkipShortString("property name");
                SkipNested(Depth + 1);
            }
            ReadListEnd();
        }
        ReadListEnd();
        return;
    default:
        WrongValue(Offset, "a known value", Type);
    }
}

} // namespace korvel
