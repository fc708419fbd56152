#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// How keys and text are upper-cased for case-insensitive matching. Stored as
// one byte; the ordinal is the stored value.
enum TkvUpperCase : uint8_t { kvuAscii = 0, kvuAnsi = 1, kvuUserDefined = 2 };

// An in-place upper-casing of a zero-terminated 8-bit string. It must not
// change the string's length.
using TUpperCaseRoutine = void (*)(char* Text);

// The application's own upper-casing, used by kvuUserDefined; unset (null)
// until the application sets it.
extern TUpperCaseRoutine UserUpperCase;

// 'a'..'z' become 'A'..'Z'; every other byte stays. A null pointer is ignored.
void UpperCaseAscii(char* Text);

// The routine of a rule: kvuAscii UpperCaseAscii, kvuAnsi the code page's
// CharUpperA, kvuUserDefined UserUpperCase or, while that is unset,
// UpperCaseAscii. Any other value counts as kvuAscii.
TUpperCaseRoutine UpperCaseRoutine(TkvUpperCase Rule);

// Applies Routine to the Length bytes at Text, which must be followed by a
// zero byte. A routine stops at the first zero byte, so text that holds zero
// bytes is upper-cased piece by piece and no byte is skipped.
void UpperCaseBuffer(TUpperCaseRoutine Routine, char* Text, size_t Length);

// A copy of Text upper-cased by the rule.
std::string UpperCased(TkvUpperCase Rule, std::string_view Text);

} // namespace korvel
