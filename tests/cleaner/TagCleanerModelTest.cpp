// Compares the cleaner with a plain character-by-character model of the same
// rules on random texts rich in the characters that matter, so that the bulk
// scanning, the copied runs and the lookup shortcuts cannot drift from them.

#include "Quolt_fm_Main/TagCleaner.h"
#include "framework/TStringList.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace quolt;

namespace {

std::string Trim(const std::string& S) {
    size_t Begin = 0;
    size_t End = S.size();
    while (Begin < End && static_cast<unsigned char>(S[Begin]) <= 32)
        ++Begin;
    while (End > Begin && static_cast<unsigned char>(S[End - 1]) <= 32)
        --End;
    return S.substr(Begin, End - Begin);
}

class TModel {
public:
    TModel(int Mode, std::string ListText) : Mode(Mode) {
        for (char& c : ListText)
            if (c == ',')
                c = ' ';
        TagSet.SetSorted(true);
        TagSet.SetCaseSensitive(false);
        TagSet.SetDuplicates(korvel::dupIgnore);
        std::string Token;
        for (size_t i = 0; i < ListText.size(); ++i) {
            Token += ListText[i];
            if (i + 1 == ListText.size() || ListText[i + 1] == ' ') {
                if (!Trim(Token).empty())
                    TagSet.Add(Trim(Token));
                Token.clear();
            }
        }
    }

    std::vector<std::string> Clean(const std::string& Source) {
        std::string Pending, TagText;
        bool InTag = false;
        for (char c : Source) {
            if (!InTag && c == '<') {
                Result += Pending;
                Pending.clear();
                TagText.clear();
                InTag = true;
            } else if (!InTag) {
                Pending += c;
            } else if (c == '>') {
                RewriteTag(TagText);
                InTag = false;
            } else {
                TagText += c;
            }
        }
        Result += Pending;
        std::vector<std::string> Lines;
        std::string Line;
        size_t i = 0;
        auto EndLine = [&] {
            if (!Trim(Line).empty())
                Lines.push_back(Line);
            Line.clear();
        };
        for (; i < Result.size() && Result[i] != 0; ++i) {
            if (Result[i] == '\r') {
                EndLine();
                if (i + 1 < Result.size() && Result[i + 1] == '\n')
                    ++i;
            } else if (Result[i] == '\n') {
                EndLine();
            } else {
                Line += Result[i];
            }
        }
        EndLine();
        return Lines;
    }

private:
    void RewriteTag(const std::string& RawTag) {
        const std::string T = Trim(RawTag);
        if (T.empty())
            return;
        const std::string Name = T.substr(0, T.find_first_of(std::string("\t\n\r ")));
        const std::string Key = Name[0] == '/' ? Name.substr(1, 10000) : Name;
        int32_t Index = 0;
        const std::string Replacement =
            TagSet.Find(Key, Index) ? (Mode == 0 ? Name : std::string()) : RawTag;
        if (!Replacement.empty())
            Result += "<" + Replacement + ">";
    }

    int Mode;
    korvel::TStringList TagSet;
    std::string Result;
};

std::string RandomText(std::mt19937& Random, const std::string& Alphabet, size_t MaxLength) {
    std::string Text(Random() % (MaxLength + 1), ' ');
    for (char& c : Text)
        c = Random() % 16 == 0 ? static_cast<char>(Random()) : Alphabet[Random() % Alphabet.size()];
    return Text;
}

} // namespace

TEST(TagCleanerModelTest, AgreesWithTheCharacterByCharacterRules) {
    std::mt19937 Random(4711);
    static const char SourceChars[] = "<<>>//  \t\r\n\r\n\0\x01=\"tTdDxbB\xE9\xC9";
    static const char ListChars[] = "tTdDxbB/\xE9\xC9,,   \t\0\x01";
    const std::string SourceAlphabet(SourceChars, sizeof SourceChars - 1);
    const std::string ListAlphabet(ListChars, sizeof ListChars - 1);
    for (int Run = 0; Run < 4000; ++Run) {
        const std::string List = RandomText(Random, ListAlphabet, 12);
        const std::string Source = RandomText(Random, SourceAlphabet, Run % 100 == 0 ? 5000 : 120);
        const int Mode = Run % 2;
        const auto Lines = CleanTags(static_cast<TTagMode>(Mode), List, Source);
        if (Trim(List).empty()) {
            EXPECT_FALSE(Lines.has_value());
            continue;
        }
        ASSERT_TRUE(Lines.has_value());
        ASSERT_EQ(*Lines, TModel(Mode, Trim(List)).Clean(Source))
            << "run " << Run << " mode " << Mode << " list [" << List << "] source [" << Source
            << "]";
    }
}
