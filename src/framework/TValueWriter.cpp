#include "framework/TValueWriter.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/TStream.h"

#include <algorithm>
#include <limits>
#include <string>

namespace korvel {

void TValueWriter::WriteBytes(const void* Buffer, int64_t Count) {
    Stream.WriteBuffer(Buffer, Count);
}

void TValueWriter::WriteLittleEndian(uint32_t Value, int32_t Size) {
    uint8_t Bytes[4];
    for (int32_t i = 0; i < Size; ++i)
        Bytes[i] = static_cast<uint8_t>(Value >> (8 * i));
    WriteBytes(Bytes, Size);
}

void TValueWriter::WriteValue(TValueType Type) {
    const auto Tag = static_cast<uint8_t>(Type);
    WriteBytes(&Tag, 1);
}

void TValueWriter::WriteInteger(int32_t Value) {
    const auto Bits = static_cast<uint32_t>(Value);
    if (Value >= -128 && Value <= 127) {
        WriteValue(TValueType::vaInt8);
        WriteLittleEndian(Bits, 1);
    } else if (Value >= -32768 && Value <= 32767) {
        WriteValue(TValueType::vaInt16);
        WriteLittleEndian(Bits, 2);
    } else {
        WriteValue(TValueType::vaInt32);
        WriteLittleEndian(Bits, 4);
    }
}

void TValueWriter::WriteString(std::string_view Text) {
    const bool Ascii = std::none_of(Text.begin(), Text.end(),
                                    [](char c) { return static_cast<uint8_t>(c) >= 0x80; });
    std::string Utf8;
    if (!Ascii) {
        Utf8 = AnsiToUtf8(Text);
        Text = Utf8;
    }
    if (Text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EWriteError("String of " + std::to_string(Text.size()) +
                          " bytes is too long for a form value");
    const auto Length = static_cast<uint32_t>(Text.size());
    if (!Ascii) {
        WriteValue(TValueType::vaUTF8String);
        WriteLittleEndian(Length, 4);
    } else if (Length <= 255) {
        WriteValue(TValueType::vaString);
        WriteLittleEndian(Length, 1);
    } else {
        WriteValue(TValueType::vaLString);
        WriteLittleEndian(Length, 4);
    }
    WriteBytes(Text.data(), Length);
}

void TValueWriter::WriteBoolean(bool Value) {
    WriteValue(Value ? TValueType::vaTrue : TValueType::vaFalse);
}

} // namespace korvel
