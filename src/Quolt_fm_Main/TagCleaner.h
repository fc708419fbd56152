#pragma once

#include "Quolt_fm_Main/TLineSplitter.h"
#include "Quolt_fm_Main/TTagNameSet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quolt {

// What a clean does to every listed tag.
enum TTagMode {
    tmStripAttribs = 0, // keep the tag as "<" + its name as written + ">"
    tmRemoveTags = 1    // drop the tag; the text between tags stays
};

// The text without its leading and trailing characters of code 32 (space) or
// less, control characters included.
std::string_view TrimBlanks(std::string_view Text);

// True when Text holds no character above code 32.
inline bool IsBlank(std::string_view Text) {
    return TrimBlanks(Text).empty();
}

// Cleans HTML by tag names. It knows nothing of HTML beyond "<" and ">": the
// text between a "<" and the next ">" is a tag, whatever it holds, and no
// entities, comments, quoting or nesting are recognised.
//
// A run is ParseTagList, then Clean. Clean makes one pass over the source:
// text and unchanged tags go on in runs, each listed tag is rewritten by
// RewriteTag, and the resulting text is split into lines as it is produced,
// so no copy of the whole result is ever built.
class TTagCleaner {
public:
    explicit TTagCleaner(TTagMode Mode) : Mode(Mode) {}

    TTagMode GetMode() const { return Mode; }
    const TTagNameSet& GetTagSet() const { return TagSet; }

    // Fills the tag set from ListText: names are separated by commas and
    // spaces in any number and mix; a tab or other control character between
    // two names does not separate them, but is trimmed from the ends of a name.
    void ParseTagList(std::string_view ListText);

    // True when the tag set holds Name, compared without regard to letter case.
    bool IsListedTag(std::string_view Name) const { return TagSet.Contains(Name); }

    // Appends the rewritten form of one tag (RawTag is the text between "<"
    // and ">") to Result: a listed tag becomes "<" + its name + ">" or
    // vanishes by the mode, a blank tag vanishes, any other stays byte for byte.
    void RewriteTag(std::string_view RawTag, TLineSplitter& Result) const;

    // Cleans Source and calls Visit(line) for every line of the result that
    // is not blank, in order. Lines end at CR LF, a lone CR or a lone LF; a
    // NUL ends the result; the text from an unmatched final "<" to the end is
    // dropped. Kept lines are unchanged (their own blanks stay).
    void Clean(std::string_view Source, const TLineVisitor& Visit) const;

private:
    // What one tag becomes.
    enum TRewriteKind { rkKeep, rkDrop, rkName };
    struct TRewrite {
        TRewriteKind Kind;
        std::string_view Name; // for rkName: the tag's name as written
    };
    TRewrite RewriteOf(std::string_view RawTag) const;
    static void AppendRewrite(const TRewrite& Rewrite, std::string_view RawTag,
                              TLineSplitter& Result) {
        if (Rewrite.Kind == rkDrop)
            return;
        Result.Add('<');
        Result.Add(Rewrite.Kind == rkName ? Rewrite.Name : RawTag);
        Result.Add('>');
    }

    TTagMode Mode;
    TTagNameSet TagSet;
};

// Cleans Source by the tag names of ListText in the given mode and returns the
// non-blank lines of the result (possibly none), or std::nullopt when
// ListText is blank: there are no tags to clean and nothing was done.
std::optional<std::vector<std::string>> CleanTags(TTagMode Mode, const std::string& ListText,
                                                  const std::string& Source);

} // namespace quolt
