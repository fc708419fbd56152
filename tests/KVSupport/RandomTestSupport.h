#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

// Helpers of the randomized tests: their seed and length come from the
// environment when set, and failing inputs are printed readably.
namespace korvel::test {

// The number in environment variable Name, or Default when it is unset or empty.
inline uint64_t EnvOr(const char* Name, uint64_t Default) {
    const char* Value = std::getenv(Name);
    return Value != nullptr && *Value != 0 ? std::strtoull(Value, nullptr, 10) : Default;
}

// Bytes with every character outside printable ASCII written as \xNN.
inline std::string Escaped(std::string_view Bytes) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string Out;
    for (const char Ch : Bytes) {
        const auto Byte = static_cast<uint8_t>(Ch);
        if (Byte >= 32 && Byte < 127) {
            Out += Ch;
            continue;
        }
        Out += "\\x";
        Out += Hex[Byte >> 4];
        Out += Hex[Byte & 15];
    }
    return Out;
}

} // namespace korvel::test
