#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The system's 8-bit code page, Windows-1252: one byte per character. Text of
// the engine is always in this code page; conversions to and from Unicode
// happen only where text leaves the engine (form values, the Qt boundary).
namespace korvel {

// The Unicode code point of an 8-bit character. The five bytes that the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control
// of the same value, so every byte survives a round trip.
char32_t AnsiToUnicode(uint8_t Ch);

// The 8-bit character of a code point, or '?' when the code page lacks it.
uint8_t UnicodeToAnsi(char32_t Code);

// Upper- and lower-casing of one character by the code page (letters of
// Latin-1 and the extra letters at 0x8A..0x9F; everything else unchanged).
uint8_t AnsiUpperChar(uint8_t Ch);
uint8_t AnsiLowerChar(uint8_t Ch);

// Upper-cases a zero-terminated string in place by the code page; a null
// pointer is left alone.
void CharUpperA(char* Text);
std::string AnsiUpperCase(std::string_view Text);

// Compares two strings without regard to letter case (by the code page's
// upper-casing, then byte value): negative, 0 or positive.
int AnsiCompareText(std::string_view A, std::string_view B);
bool AnsiSameText(std::string_view A, std::string_view B);

// Conversions between the code page and UTF-8 / UTF-16. Malformed input and
// characters outside the code page become '?'.
std::string AnsiToUtf8(std::string_view Text);
std::string Utf8ToAnsi(std::string_view Utf8);
std::u16string AnsiToUtf16(std::string_view Text);
std::string Utf16ToAnsi(std::u16string_view Utf16);

// Conversions for text that enters the engine from outside (the clipboard,
// typed characters). Every character the code page cannot hold becomes an
// HTML numeric character reference of its code point ("&#12354;"), never '?':
// an HTML text keeps its meaning that way. A surrogate pair gives one
// reference of the full code point; an unpaired surrogate, and in UTF-8 a
// malformed sequence (each maximal invalid part), gives U+FFFD's ("&#65533;").
std::string Utf16ToAnsiWithCharRefs(std::u16string_view Utf16);
std::string Utf8ToAnsiWithCharRefs(std::string_view Utf8);
// Appends the byte of Code, or its numeric character reference.
void AppendAnsiOrCharRef(std::string& Out, char32_t Code);

} // namespace korvel
