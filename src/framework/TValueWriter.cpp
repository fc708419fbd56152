#include "framework/TValueWriter.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/TStream.h"

#include <algorithm>
#include <cmath>
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

void TValueWriter::WriteInt64(int64_t Value) {
    if (Value >= std::numeric_limits<int32_t>::min() &&
        Value <= std::numeric_limits<int32_t>::max()) {
        WriteInteger(static_cast<int32_t>(Value));
        return;
    }
    WriteValue(TValueType::vaInt64);
    const auto Bits = static_cast<uint64_t>(Value);
    WriteLittleEndian(static_cast<uint32_t>(Bits), 4);
    WriteLittleEndian(static_cast<uint32_t>(Bits >> 32), 4);
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

void TValueWriter::WriteStr(std::string_view Text) {
    if (Text.size() > 255)
        throw EWriteError("Name of " + std::to_string(Text.size()) +
                          " bytes is too long for a form value");
    const auto Length = static_cast<uint8_t>(Text.size());
    WriteBytes(&Length, 1);
    WriteBytes(Text.data(), Length);
}

void TValueWriter::WriteIdent(std::string_view Ident) {
    if (Ident == "False" || Ident == "True") {
        WriteBoolean(Ident == "True");
    } else if (Ident == "nil") {
        WriteValue(TValueType::vaNil);
    } else {
        WriteValue(TValueType::vaIdent);
        WriteStr(Ident);
    }
}

void TValueWriter::WriteSet(const std::vector<std::string_view>& Elements) {
    WriteValue(TValueType::vaSet);
    for (const std::string_view Element : Elements)
        WriteStr(Element);
    WriteStr({});
}

void TValueWriter::WriteBinary(std::string_view Bytes) {
    if (Bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EWriteError("Binary value of " + std::to_string(Bytes.size()) +
                          " bytes is too long for a form value");
    WriteValue(TValueType::vaBinary);
    WriteLittleEndian(static_cast<uint32_t>(Bytes.size()), 4);
    WriteBytes(Bytes.data(), static_cast<int64_t>(Bytes.size()));
}

// The 80-bit format: a 64-bit significand with an explicit integer bit, a
// 15-bit exponent biased by 16383 and a sign bit, little-endian.
void TValueWriter::WriteExtended(double Value) {
    uint8_t Bytes[10] = {};
    uint64_t Significand = 0;
    uint32_t Exponent = 0;
    const bool Negative = std::signbit(Value);
    const double Magnitude = std::fabs(Value);
    if (std::isnan(Magnitude)) {
        Exponent = 0x7FFF;
        Significand = 0xC000000000000000ull;
    } else if (std::isinf(Magnitude)) {
        Exponent = 0x7FFF;
        Significand = 0x8000000000000000ull;
    } else if (Magnitude != 0) {
        int Binary = 0;
        const double Fraction = std::frexp(Magnitude, &Binary); // in [0.5, 1)
        Significand = static_cast<uint64_t>(std::ldexp(Fraction, 64));
        Exponent = static_cast<uint32_t>(Binary - 1 + 16383);
    }
    for (int i = 0; i < 8; ++i)
        Bytes[i] = static_cast<uint8_t>(Significand >> (8 * i));
    const uint32_t Top = Exponent | (Negative ? 0x8000u : 0u);
    Bytes[8] = static_cast<uint8_t>(Top);
    Bytes[9] = static_cast<uint8_t>(Top >> 8);
    WriteValue(TValueType::vaExtended);
    WriteBytes(Bytes, 10);
}

} // namespace korvel
