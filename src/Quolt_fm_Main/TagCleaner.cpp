#include "Quolt_fm_Main/TagCleaner.h"

#include "Quolt_fm_Main/TBracketIndex.h"

#include <algorithm>

namespace quolt {

namespace {

// A closing tag's key is at most this many characters after its slash.
constexpr size_t MaxClosingKeyLength = 10000;

inline bool IsBlankChar(char Ch) {
    return static_cast<uint8_t>(Ch) <= 32;
}

// A tag's name ends at the first tab, line break or space.
inline bool EndsName(char Ch) {
    return IsBlankChar(Ch) && (Ch == ' ' || Ch == '\t' || Ch == '\n' || Ch == '\r');
}

} // namespace

std::string_view TrimBlanks(std::string_view Text) {
    size_t Begin = 0;
    size_t End = Text.size();
    while (Begin < End && IsBlankChar(Text[Begin]))
        ++Begin;
    while (End > Begin && IsBlankChar(Text[End - 1]))
        --End;
    return Text.substr(Begin, End - Begin);
}

void TTagCleaner::ParseTagList(std::string_view ListText) {
    // Commas count as spaces; a token runs up to the next space.
    size_t Start = 0;
    for (size_t i = 0; i <= ListText.size(); ++i) {
        if (i < ListText.size() && ListText[i] != ' ' && ListText[i] != ',')
            continue;
        const std::string_view Name = TrimBlanks(ListText.substr(Start, i - Start));
        if (!Name.empty())
            TagSet.Add(Name);
        Start = i + 1;
    }
}

TTagCleaner::TRewrite TTagCleaner::RewriteOf(std::string_view RawTag) const {
    const char* Begin = RawTag.data();
    const char* End = Begin + RawTag.size();
    while (Begin < End && IsBlankChar(*Begin))
        ++Begin;
    if (Begin == End)
        return {rkDrop, {}}; // "<>" or a tag of blanks and breaks vanishes
    while (IsBlankChar(End[-1]))
        --End;

    // A name too long for any listed name (a closing slash aside) cannot
    // match, so its end need not be sought; the cap on a closing tag's key
    // makes that shortcut unsafe only for sets holding very long names.
    const size_t MaxNameLength = TagSet.GetMaxLength() + 1;
    const size_t TrimmedLength = static_cast<size_t>(End - Begin);
    const bool MayStopEarly =
        TagSet.GetMaxLength() < MaxClosingKeyLength && TrimmedLength > MaxNameLength;
    const char* Limit = MayStopEarly ? Begin + MaxNameLength + 1 : End;
    const char* NameEnd = Begin;
    while (NameEnd < Limit && !EndsName(*NameEnd))
        ++NameEnd;
    if (MayStopEarly && NameEnd == Limit)
        return {rkKeep, {}};

    const std::string_view Name(Begin, static_cast<size_t>(NameEnd - Begin));
    const std::string_view Key = Name[0] == '/' ? Name.substr(1, MaxClosingKeyLength) : Name;
    if (!IsListedTag(Key))
        return {rkKeep, {}};
    return Mode == tmStripAttribs ? TRewrite{rkName, Name} : TRewrite{rkDrop, {}};
}

void TTagCleaner::RewriteTag(std::string_view RawTag, TLineSplitter& Result) const {
    AppendRewrite(RewriteOf(RawTag), RawTag, Result);
}

void TTagCleaner::Clean(std::string_view Source, const TLineVisitor& Visit) const {
    TLineSplitter Result(Visit);
    const char* P = Source.data();
    const char* End = P + Source.size();
    // Text and unchanged tags go on in runs: Run is the first byte not yet
    // passed on, and only a tag that changes ends a run.
    const char* Run = P;
    TBracketIndex Brackets(P, End);
    while (P < End && !Result.Ended()) {
        const char* Open = Brackets.NextOpen(P);
        if (Open == End)
            break;
        const char* Close = Brackets.NextClose(Open + 1);
        if (Close == End) {
            End = Open; // an unmatched final "<": the rest is dropped
            break;
        }
        const std::string_view RawTag(Open + 1, static_cast<size_t>(Close - Open - 1));
        const TRewrite Rewrite = RewriteOf(RawTag);
        if (Rewrite.Kind != rkKeep) {
            Result.Add(std::string_view(Run, static_cast<size_t>(Open - Run)));
            AppendRewrite(Rewrite, RawTag, Result);
            Run = Close + 1;
        }
        P = Close + 1;
    }
    Result.Add(std::string_view(Run, static_cast<size_t>(End - Run)));
    Result.Finish();
}

std::optional<std::vector<std::string>> CleanTags(TTagMode Mode, const std::string& ListText,
                                                  const std::string& Source) {
    const std::string_view List = TrimBlanks(ListText);
    if (List.empty())
        return std::nullopt;
    TTagCleaner Cleaner(Mode);
    Cleaner.ParseTagList(List);
    std::vector<std::string> Lines;
    // Room for lines of 40 bytes on average (up to a few million) spares the
    // list most of its growth on large texts; what a text of long lines
    // leaves unused is given back at the end.
    Lines.reserve(std::min<size_t>(Source.size() / 40 + 16, size_t{1} << 22));
    Cleaner.Clean(Source, [&Lines](std::string_view Line) { Lines.emplace_back(Line); });
    if (Lines.capacity() / 2 > Lines.size() + 1024)
        Lines.shrink_to_fit();
    return Lines;
}

} // namespace quolt
