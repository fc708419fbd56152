#include "KVSupport/UpperCaseRules.h"

#include "framework/CodePage.h"

#include <cstring>

namespace korvel {

TUpperCaseRoutine UserUpperCase = nullptr;

void UpperCaseAscii(char* Text) {
    if (Text == nullptr)
        return;
    for (; *Text != '\0'; ++Text)
        if (*Text >= 'a' && *Text <= 'z')
            *Text = static_cast<char>(*Text - ('a' - 'A'));
}

TUpperCaseRoutine UpperCaseRoutine(TkvUpperCase Rule) {
    switch (Rule) {
    case kvuAnsi:
        return CharUpperA;
    case kvuUserDefined:
        return UserUpperCase != nullptr ? UserUpperCase : UpperCaseAscii;
    default:
        return UpperCaseAscii;
    }
}

void UpperCaseBuffer(TUpperCaseRoutine Routine, char* Text, size_t Length) {
    size_t Pos = 0;
    while (Pos < Length) {
        Routine(Text + Pos);
        Pos += std::strlen(Text + Pos) + 1;
    }
}

std::string UpperCased(TkvUpperCase Rule, std::string_view Text) {
    std::string Copy(Text); // std::string keeps a zero byte after its content
    UpperCaseBuffer(UpperCaseRoutine(Rule), Copy.data(), Copy.size());
    return Copy;
}

} // namespace korvel
