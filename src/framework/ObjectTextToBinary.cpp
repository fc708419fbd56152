#include "framework/ObjectTextToBinary.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/TMemoryStream.h"
#include "framework/TStream.h"
#include "framework/TValueWriter.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace korvel {

namespace {

// Prefix byte of an inherited or inline object, with its flag bits.
constexpr uint8_t FilerFlagsPrefix = 0xF0;
constexpr uint8_t ffInherited = 0x01;
constexpr uint8_t ffChildPos = 0x02;
constexpr uint8_t ffInline = 0x04;

// Objects nested deeper than this are refused.
constexpr int32_t MaxDepth = 256;

bool IsIdentStart(char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}

bool IsIdentChar(char C) {
    return IsIdentStart(C) || (C >= '0' && C <= '9');
}

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

bool IsHexDigit(char C) {
    return IsDigit(C) || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

int HexValue(char C) {
    return IsDigit(C) ? C - '0' : (C | 0x20) - 'a' + 10;
}

class TTextFormParser {
public:
    TTextFormParser(std::string_view Text, TStream& Output) : Text(Text), Writer(Output) {}

    void Run() {
        const char Signature[] = {'T', 'P', 'F', '0'};
        Writer.GetStream().WriteBuffer(Signature, 4);
        SkipBlanks();
        ParseObject(0);
        SkipBlanks();
        if (Pos < Text.size())
            Error("text after the last end");
    }

private:
    [[noreturn]] void Error(const std::string& What) const {
        throw EParserError("Line " + std::to_string(Line) + ": " + What);
    }

    void SkipBlanks() {
        while (Pos < Text.size()) {
            const char C = Text[Pos];
            if (C == '\n')
                ++Line;
            else if (C != ' ' && C != '\t' && C != '\r')
                return;
            ++Pos;
        }
    }

    char Peek() const { return Pos < Text.size() ? Text[Pos] : '\0'; }
    bool AtEnd() const { return Pos >= Text.size(); }

    void Expect(char C) {
        SkipBlanks();
        if (Peek() != C)
            Error(std::string("'") + C + "' expected");
        ++Pos;
    }

    std::string Identifier() {
        SkipBlanks();
        if (!IsIdentStart(Peek()))
            Error("identifier expected");
        const size_t Start = Pos;
        while (IsIdentChar(Peek()))
            ++Pos;
        if (Pos - Start > 255)
            Error("name longer than 255 characters");
        return std::string(Text.substr(Start, Pos - Start));
    }

    // A property name: identifiers joined by dots. Names are stored with a
    // 1-byte length.
    std::string DottedName() {
        std::string Name = Identifier();
        while (Peek() == '.') {
            ++Pos;
            Name += '.';
            Name += Identifier();
        }
        if (Name.size() > 255)
            Error("name longer than 255 characters");
        return Name;
    }

    static bool SameWord(std::string_view A, std::string_view B) { return AnsiSameText(A, B); }

    void ParseObject(int32_t Depth) {
        if (Depth >= MaxDepth)
            Error("objects nested too deeply");
        const std::string Keyword = Identifier();
        uint8_t Flags = 0;
        if (SameWord(Keyword, "inherited"))
            Flags = ffInherited;
        else if (SameWord(Keyword, "inline"))
            Flags = ffInline;
        else if (!SameWord(Keyword, "object"))
            Error("'object' expected");
        std::string Name;
        std::string ClassName = Identifier();
        SkipBlanks();
        if (Peek() == ':') {
            ++Pos;
            Name = std::move(ClassName);
            ClassName = Identifier();
        }
        int64_t ChildPos = 0;
        SkipBlanks();
        if (Peek() == '[') {
            ++Pos;
            SkipBlanks();
            ChildPos = ParseInteger();
            Expect(']');
            Flags |= ffChildPos;
        }
        if (Flags != 0) {
            const uint8_t Prefix = FilerFlagsPrefix | Flags;
            Writer.GetStream().WriteBuffer(&Prefix, 1);
            if ((Flags & ffChildPos) != 0)
                Writer.WriteInt64(ChildPos);
        }
        Writer.WriteStr(ClassName);
        Writer.WriteStr(Name);
        // Properties until the first nested object or the end.
        for (;;) {
            SkipBlanks();
            const size_t Mark = Pos;
            const int32_t MarkLine = Line;
            const std::string Word = DottedName();
            if (SameWord(Word, "end") || SameWord(Word, "object") || SameWord(Word, "inherited") ||
                SameWord(Word, "inline")) {
                Pos = Mark;
                Line = MarkLine;
                break;
            }
            Writer.WriteStr(Word);
            Expect('=');
            ParseValue(Depth);
        }
        Writer.WriteListEnd();
        for (;;) {
            SkipBlanks();
            const size_t Mark = Pos;
            const int32_t MarkLine = Line;
            if (SameWord(Identifier(), "end"))
                break;
            Pos = Mark;
            Line = MarkLine;
            ParseObject(Depth + 1);
        }
        Writer.WriteListEnd();
    }

    int64_t ParseInteger() {
        bool Negative = false;
        if (Peek() == '-' || Peek() == '+') {
            Negative = Peek() == '-';
            ++Pos;
        }
        uint64_t Value = 0;
        if (Peek() == '$') {
            ++Pos;
            if (!IsHexDigit(Peek()))
                Error("hexadecimal digit expected");
            while (IsHexDigit(Peek())) {
                if (Value >> 60 != 0)
                    Error("integer out of range");
                Value = Value << 4 | static_cast<uint64_t>(HexValue(Text[Pos++]));
            }
            // $FFFFFFFF is the 32-bit pattern of -1, as in the framework.
            if (Value <= 0xFFFFFFFFu && Value > 0x7FFFFFFFu)
                Value = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(Value)));
        } else {
            if (!IsDigit(Peek()))
                Error("digit expected");
            while (IsDigit(Peek())) {
                const auto Digit = static_cast<uint64_t>(Text[Pos++] - '0');
                if (Value > (uint64_t{1} << 63) / 10)
                    Error("integer out of range");
                Value = Value * 10 + Digit;
            }
            if (Value > (uint64_t{1} << 63) - (Negative ? 0 : 1))
                Error("integer out of range");
        }
        return Negative ? static_cast<int64_t>(0 - Value) : static_cast<int64_t>(Value);
    }

    void ParseNumber() {
        const size_t Start = Pos;
        const int32_t StartLine = Line;
        if (Peek() == '-' || Peek() == '+')
            ++Pos;
        if (Peek() == '$') {
            Pos = Start;
            Writer.WriteInt64(ParseInteger());
            return;
        }
        while (IsDigit(Peek()))
            ++Pos;
        const bool Fraction = Peek() == '.' || Peek() == 'e' || Peek() == 'E';
        Pos = Start;
        Line = StartLine;
        if (!Fraction) {
            Writer.WriteInt64(ParseInteger());
            return;
        }
        // strtod reads what a number of the text form may hold; it stops at
        // the end of the number.
        const std::string Rest(Text.substr(Pos, std::min<size_t>(Text.size() - Pos, 64)));
        char* End = nullptr;
        errno = 0;
        const double Value = std::strtod(Rest.c_str(), &End);
        if (End == Rest.c_str() || errno == ERANGE)
            Error("bad number");
        Pos += static_cast<size_t>(End - Rest.c_str());
        Writer.WriteExtended(Value);
    }

    // One part of a string: 'quoted' or #code.
    bool StringPart(std::string& Out) {
        if (Peek() == '\'') {
            ++Pos;
            for (;;) {
                if (AtEnd() || Peek() == '\n' || Peek() == '\r')
                    Error("unterminated string");
                const char C = Text[Pos++];
                if (C == '\'') {
                    if (Peek() != '\'')
                        break;
                    ++Pos;
                }
                Out += C;
            }
            return true;
        }
        if (Peek() == '#') {
            ++Pos;
            const int64_t Code = ParseInteger();
            if (Code < 0 || Code > 0x10FFFF)
                Error("bad character code");
            if (Code <= 255)
                Out += static_cast<char>(static_cast<uint8_t>(Code));
            else
                Out += static_cast<char>(UnicodeToAnsi(static_cast<char32_t>(Code)));
            return true;
        }
        return false;
    }

    void ParseString() {
        std::string Value;
        for (;;) {
            while (StringPart(Value)) {
            }
            // A string goes on after a '+', usually on the next line.
            const size_t Mark = Pos;
            const int32_t MarkLine = Line;
            SkipBlanks();
            if (Peek() != '+') {
                Pos = Mark;
                Line = MarkLine;
                break;
            }
            ++Pos;
            SkipBlanks();
            if (Peek() != '\'' && Peek() != '#')
                Error("string expected after '+'");
        }
        Writer.WriteString(Value);
    }

    void ParseSet() {
        ++Pos; // [
        std::vector<std::string> Elements;
        SkipBlanks();
        if (Peek() != ']') {
            for (;;) {
                Elements.push_back(Identifier());
                SkipBlanks();
                if (Peek() == ']')
                    break;
                Expect(',');
            }
        }
        ++Pos;
        std::vector<std::string_view> Views(Elements.begin(), Elements.end());
        Writer.WriteSet(Views);
    }

    void ParseBinary() {
        ++Pos; // {
        std::string Bytes;
        int High = -1;
        for (;;) {
            SkipBlanks();
            if (AtEnd())
                Error("'}' expected");
            const char C = Text[Pos++];
            if (C == '}')
                break;
            if (!IsHexDigit(C))
                Error("hexadecimal digit expected");
            if (High < 0) {
                High = HexValue(C);
            } else {
                Bytes += static_cast<char>(High << 4 | HexValue(C));
                High = -1;
            }
        }
        if (High >= 0)
            Error("odd number of hexadecimal digits");
        Writer.WriteBinary(Bytes);
    }

    void ParseCollection(int32_t Depth) {
        ++Pos; // <
        Writer.WriteValue(TValueType::vaCollection);
        for (;;) {
            SkipBlanks();
            if (Peek() == '>') {
                ++Pos;
                break;
            }
            if (!SameWord(Identifier(), "item"))
                Error("'item' expected");
            SkipBlanks();
            if (Peek() == '[') {
                ++Pos;
                SkipBlanks();
                Writer.WriteInt64(ParseInteger());
                Expect(']');
            }
            Writer.WriteListBegin();
            for (;;) {
                const std::string Name = DottedName();
                if (SameWord(Name, "end"))
                    break;
                Writer.WriteStr(Name);
                Expect('=');
                ParseValue(Depth + 1);
            }
            Writer.WriteListEnd();
        }
        Writer.WriteListEnd();
    }

    void ParseValue(int32_t Depth) {
        if (Depth >= MaxDepth)
            Error("values nested too deeply");
        SkipBlanks();
        const char C = Peek();
        if (C == '\'' || C == '#') {
            ParseString();
        } else if (IsDigit(C) || C == '-' || C == '+' || C == '$') {
            ParseNumber();
        } else if (C == '[') {
            ParseSet();
        } else if (C == '(') {
            ++Pos;
            Writer.WriteListBegin();
            for (;;) {
                SkipBlanks();
                if (Peek() == ')') {
                    ++Pos;
                    break;
                }
                ParseValue(Depth + 1);
            }
            Writer.WriteListEnd();
        } else if (C == '{') {
            ParseBinary();
        } else if (C == '<') {
            ParseCollection(Depth);
        } else if (IsIdentStart(C)) {
            Writer.WriteIdent(DottedName());
        } else {
            Error(AtEnd() ? "value expected" : std::string("unexpected character '") + C + "'");
        }
    }

    std::string_view Text;
    TValueWriter Writer;
    size_t Pos = 0;
    int32_t Line = 1;
};

} // namespace

void ObjectTextToBinary(TStream& Input, TStream& Output) {
    const int64_t Size = Input.GetSize() - Input.GetPosition();
    std::string Text(static_cast<size_t>(Size > 0 ? Size : 0), '\0');
    Input.ReadBuffer(Text.data(), static_cast<int64_t>(Text.size()));
    TTextFormParser(Text, Output).Run();
}

std::string ObjectTextToBinary(std::string_view Text) {
    TMemoryStream Output;
    TTextFormParser(Text, Output).Run();
    return Output.DataString();
}

} // namespace korvel
