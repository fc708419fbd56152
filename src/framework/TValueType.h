#pragma once

#include <cstdint>

namespace korvel {

// The tag byte that opens every value of a stored form description. The
// ordinal is the byte in the stream.
enum class TValueType : uint8_t {
    vaNull = 0,        // end of a list
    vaList = 1,        // begin of a list
    vaInt8 = 2,        // signed integer, 1 byte
    vaInt16 = 3,       // signed integer, 2 bytes little-endian
    vaInt32 = 4,       // signed integer, 4 bytes little-endian
    vaExtended = 5,    // 10-byte floating-point number
    vaString = 6,      // 8-bit string, 1-byte length
    vaIdent = 7,       // identifier, 1-byte length
    vaFalse = 8,       // boolean false, no payload
    vaTrue = 9,        // boolean true, no payload
    vaBinary = 10,     // binary data, 4-byte length
    vaSet = 11,        // set: identifiers ended by an empty one
    vaLString = 12,    // 8-bit string, 4-byte length
    vaNil = 13,        // nil reference, no payload
    vaCollection = 14, // collection items ended by vaNull
    vaSingle = 15,     // 4-byte floating-point number
    vaCurrency = 16,   // 8-byte fixed-point number
    vaDate = 17,       // 8-byte date
    vaWString = 18,    // UTF-16 string, 4-byte count of 16-bit units
    vaInt64 = 19,      // signed integer, 8 bytes little-endian
    vaUTF8String = 20, // UTF-8 string, 4-byte byte count
};

inline constexpr bool IsIntegerValue(TValueType Type) {
    return Type == TValueType::vaInt8 || Type == TValueType::vaInt16 || Type == TValueType::vaInt32;
}

} // namespace korvel
