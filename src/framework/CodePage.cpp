#include "framework/CodePage.h"

#include <array>
#include <cstdio>

namespace korvel {

namespace {

// Code points of the bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct TCaseTables {
    std::array<uint8_t, 256> Upper{};
    std::array<uint8_t, 256> Lower{};

    constexpr TCaseTables() {
        for (int c = 0; c < 256; ++c) {
            Upper[c] = static_cast<uint8_t>(c);
            Lower[c] = static_cast<uint8_t>(c);
        }
        auto Pair = [this](int Small, int Capital) {
            Upper[Small] = static_cast<uint8_t>(Capital);
            Lower[Capital] = static_cast<uint8_t>(Small);
        };
        for (int c = 'a'; c <= 'z'; ++c)
            Pair(c, c - 32);
        for (int c = 0xE0; c <= 0xFE; ++c)
            if (c != 0xF7) // the division sign has no case
                Pair(c, c - 32);
        Pair(0x9A, 0x8A); // s caron
        Pair(0x9C, 0x8C); // oe
        Pair(0x9E, 0x8E); // z caron
        Pair(0xFF, 0x9F); // y diaeresis
    }
};

constexpr TCaseTables CaseTables;

constexpr char32_t ReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& Out, char32_t Code) {
    if (Code < 0x80) {
        Out += static_cast<char>(Code);
    } else if (Code < 0x800) {
        Out += static_cast<char>(0xC0 | (Code >> 6));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else {
        Out += static_cast<char>(0xE0 | (Code >> 12));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    }
}

} // namespace

char32_t AnsiToUnicode(uint8_t Ch) {
    if (Ch >= 0x80 && Ch <= 0x9F)
        return HighControls[Ch - 0x80];
    return Ch;
}

uint8_t UnicodeToAnsi(char32_t Code) {
    if (Code < 0x80 || (Code >= 0xA0 && Code <= 0xFF))
        return static_cast<uint8_t>(Code);
    for (size_t i = 0; i < HighControls.size(); ++i)
        if (HighControls[i] == Code)
            return static_cast<uint8_t>(0x80 + i);
    return '?';
}

uint8_t AnsiUpperChar(uint8_t Ch) {
    return CaseTables.Upper[Ch];
}

uint8_t AnsiLowerChar(uint8_t Ch) {
    return CaseTables.Lower[Ch];
}

void CharUpperA(char* Text) {
    if (Text == nullptr)
        return;
    for (; *Text != 0; ++Text)
        *Text = static_cast<char>(AnsiUpperChar(static_cast<uint8_t>(*Text)));
}

std::string AnsiUpperCase(std::string_view Text) {
    std::string Result(Text);
    for (char& c : Result)
        c = static_cast<char>(AnsiUpperChar(static_cast<uint8_t>(c)));
    return Result;
}

int AnsiCompareText(std::string_view A, std::string_view B) {
    const size_t N = A.size() < B.size() ? A.size() : B.size();
    for (size_t i = 0; i < N; ++i) {
        const int a = AnsiUpperChar(static_cast<uint8_t>(A[i]));
        const int b = AnsiUpperChar(static_cast<uint8_t>(B[i]));
        if (a != b)
            return a - b;
    }
    return A.size() < B.size() ? -1 : (A.size() > B.size() ? 1 : 0);
}

bool AnsiSameText(std::string_view A, std::string_view B) {
    return A.size() == B.size() && AnsiCompareText(A, B) == 0;
}

std::string AnsiToUtf8(std::string_view Text) {
    std::string Out;
    Out.reserve(Text.size());
    for (char c : Text)
        AppendUtf8(Out, AnsiToUnicode(static_cast<uint8_t>(c)));
    return Out;
}

std::string Utf8ToAnsi(std::string_view Utf8) {
    std::string Out;
    Out.reserve(Utf8.size());
    size_t i = 0;
    while (i < Utf8.size()) {
        const uint8_t Lead = static_cast<uint8_t>(Utf8[i]);
        int Trail = 0;
        char32_t Code = 0;
        if (Lead < 0x80) {
            Code = Lead;
        } else if ((Lead & 0xE0) == 0xC0) {
            Trail = 1;
            Code = Lead & 0x1F;
        } else if ((Lead & 0xF0) == 0xE0) {
            Trail = 2;
            Code = Lead & 0x0F;
        } else if ((Lead & 0xF8) == 0xF0) {
            Trail = 3;
            Code = Lead & 0x07;
        } else {
            Out += '?';
            ++i;
            continue;
        }
        bool Valid = i + Trail < Utf8.size();
        for (int k = 1; Valid && k <= Trail; ++k) {
            const uint8_t Next = static_cast<uint8_t>(Utf8[i + k]);
            Valid = (Next & 0xC0) == 0x80;
            Code = (Code << 6) | (Next & 0x3F);
        }
        if (!Valid) {
            Out += '?';
            ++i;
            continue;
        }
        Out += static_cast<char>(UnicodeToAnsi(Code));
        i += Trail + 1;
    }
    return Out;
}

std::u16string AnsiToUtf16(std::string_view Text) {
    std::u16string Out;
    Out.reserve(Text.size());
    for (char c : Text)
        Out += static_cast<char16_t>(AnsiToUnicode(static_cast<uint8_t>(c)));
    return Out;
}

std::string Utf16ToAnsi(std::u16string_view Utf16) {
    std::string Out;
    Out.reserve(Utf16.size());
    for (size_t i = 0; i < Utf16.size(); ++i) {
        const char16_t Unit = Utf16[i];
        if (Unit >= 0xD800 && Unit <= 0xDBFF && i + 1 < Utf16.size() && Utf16[i + 1] >= 0xDC00 &&
            Utf16[i + 1] <= 0xDFFF) {
            ++i; // a character beyond the code page's reach
            Out += '?';
            continue;
        }
        Out += static_cast<char>(UnicodeToAnsi(Unit));
    }
    return Out;
}

void AppendAnsiOrCharRef(std::string& Out, char32_t Code) {
    if (Code < 0x80) {
        Out += static_cast<char>(Code);
        return;
    }
    const uint8_t Ch = UnicodeToAnsi(Code);
    if (Ch != '?') {
        Out += static_cast<char>(Ch);
        return;
    }
    char Reference[16];
    const int Length =
        std::snprintf(Reference, sizeof Reference, "&#%u;", static_cast<unsigned>(Code));
    Out.append(Reference, static_cast<size_t>(Length));
}

std::string Utf16ToAnsiWithCharRefs(std::u16string_view Utf16) {
    std::string Out;
    Out.reserve(Utf16.size());
    for (size_t i = 0; i < Utf16.size(); ++i) {
        const char16_t Unit = Utf16[i];
        if (Unit < 0xD800 || Unit > 0xDFFF) {
            AppendAnsiOrCharRef(Out, Unit);
        } else if (Unit <= 0xDBFF && i + 1 < Utf16.size() && Utf16[i + 1] >= 0xDC00 &&
                   Utf16[i + 1] <= 0xDFFF) {
            AppendAnsiOrCharRef(Out, 0x10000 + ((static_cast<char32_t>(Unit) - 0xD800) << 10) +
                                         (static_cast<char32_t>(Utf16[i + 1]) - 0xDC00));
            ++i;
        } else {
            AppendAnsiOrCharRef(Out, ReplacementCharacter);
        }
    }
    return Out;
}

std::string Utf8ToAnsiWithCharRefs(std::string_view Utf8) {
    std::string Out;
    Out.reserve(Utf8.size());
    size_t i = 0;
    while (i < Utf8.size()) {
        const uint8_t Lead = static_cast<uint8_t>(Utf8[i]);
        if (Lead < 0x80) {
            Out += static_cast<char>(Lead);
            ++i;
            continue;
        }
        // The ranges of the second byte exclude overlong forms, encoded
        // surrogates and code points beyond U+10FFFF.
        int Trail;
        char32_t Code;
        uint8_t Low = 0x80;
        uint8_t High = 0xBF;
        if (Lead >= 0xC2 && Lead <= 0xDF) {
            Trail = 1;
            Code = Lead & 0x1F;
        } else if (Lead >= 0xE0 && Lead <= 0xEF) {
            Trail = 2;
            Code = Lead & 0x0F;
            if (Lead == 0xE0)
                Low = 0xA0;
            else if (Lead == 0xED)
                High = 0x9F;
        } else if (Lead >= 0xF0 && Lead <= 0xF4) {
            Trail = 3;
            Code = Lead & 0x07;
            if (Lead == 0xF0)
                Low = 0x90;
            else if (Lead == 0xF4)
                High = 0x8F;
        } else {
            AppendAnsiOrCharRef(Out, ReplacementCharacter);
            ++i;
            continue;
        }
        size_t Next = i + 1;
        bool Valid = true;
        for (int k = 0; k < Trail; ++k, ++Next) {
            if (Next >= Utf8.size()) {
                Valid = false;
                break;
            }
            const uint8_t Byte = static_cast<uint8_t>(Utf8[Next]);
            if (Byte < Low || Byte > High) {
                Valid = false;
                break;
            }
            Code = (Code << 6) | (Byte & 0x3F);
            Low = 0x80;
            High = 0xBF;
        }
        // An invalid sequence ends before the byte that broke it, which
        // starts the next character.
        AppendAnsiOrCharRef(Out, Valid ? Code : ReplacementCharacter);
        i = Next;
    }
    return Out;
}

} // namespace korvel
