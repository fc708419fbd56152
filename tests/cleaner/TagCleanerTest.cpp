#include "Quolt_fm_Main/TagCleaner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quolt;
using namespace std::string_literals;

namespace {

using TLines = std::vector<std::string>;

TLines Clean(TTagMode Mode, const std::string& List, const std::string& Source) {
    auto Lines = CleanTags(Mode, List, Source);
    EXPECT_TRUE(Lines.has_value()) << "list: " << List;
    return Lines.value_or(TLines{});
}

TLines Strip(const std::string& List, const std::string& Source) {
    return Clean(tmStripAttribs, List, Source);
}

TLines Remove(const std::string& List, const std::string& Source) {
    return Clean(tmRemoveTags, List, Source);
}

} // namespace

TEST(TagCleanerTest, StripAttribsKeepsTheNameAsWritten) {
    EXPECT_EQ(Strip("td", "<TD class=\"x\" width=3>"), TLines{"<TD>"});
    EXPECT_EQ(Strip("td", "</td >"), TLines{"</td>"});
    EXPECT_EQ(Strip("td", "< td>"), TLines{"<td>"});
    EXPECT_EQ(Strip("td", "<td />"), TLines{"<td>"});
    EXPECT_EQ(Strip("td", "<td/>"), TLines{"<td/>"}); // its name is td/
    EXPECT_EQ(Strip("td", "</Td\tclass=x>"), TLines{"</Td>"});
    EXPECT_EQ(Strip("td", "<td\x01 x>"), TLines{"<td\x01 x>"}); // a control char is no name end
    EXPECT_EQ(Strip("td", "<td\x01>"), TLines{"<td>"});         // but is trimmed from the tag
    // Attributes over several lines collapse into one line.
    EXPECT_EQ(Strip("table td", "a<TABLE\r\n  border=1\r\n  width=\"90%\">b<td\nx>c\r\n"),
              TLines{"a<TABLE>b<td>c"});
    // "=" and quotes belong to a name that has no blank after it.
    EXPECT_EQ(Strip("td", "<td=3><td\"x\">"), TLines{"<td=3><td\"x\">"});
}

TEST(TagCleanerTest, RemoveTagsKeepsTheTextBetween) {
    EXPECT_EQ(Remove("font", "<font color=red>Hello</font>"), TLines{"Hello"});
    EXPECT_EQ(Remove("font col", "<FONT face=x><col span=2>a</Font> b"), TLines{"a b"});
    // A line that held only removed tags becomes blank and vanishes.
    EXPECT_EQ(Remove("font", "<font>\r\ntext\r\n</font>\r\n"), TLines{"text"});
    EXPECT_EQ(Remove("td", "<td/>x<td />"), TLines{"<td/>x"});
    // Removing a tag that spans lines joins the text around it.
    EXPECT_EQ(Remove("col", "a<col\r\nwidth=3>b"), TLines{"ab"});
}

TEST(TagCleanerTest, UnlistedTagsStayByteForByte) {
    EXPECT_EQ(Strip("td", "<p\r\nclass=x>text</p>"), (TLines{"<p", "class=x>text</p>"}));
    EXPECT_EQ(Strip("td", "<  P  class='a'  >"), TLines{"<  P  class='a'  >"});
    EXPECT_EQ(Remove("font", "<b>x</b><br/>"), TLines{"<b>x</b><br/>"});
    EXPECT_EQ(Strip("td", "<tdx a=1></tdx>"), TLines{"<tdx a=1></tdx>"});
    EXPECT_EQ(Strip("td", "</ td>"), TLines{"</ td>"}); // the name is "/"
}

TEST(TagCleanerTest, BracketsWithoutATag) {
    for (TTagMode Mode : {tmStripAttribs, tmRemoveTags}) {
        EXPECT_EQ(Clean(Mode, "td", "a<>b< >c<\t\r\n>d"), TLines{"abcd"});
        EXPECT_EQ(Clean(Mode, "td", "a < b"), TLines{"a "}); // unmatched final "<"
        EXPECT_EQ(Clean(Mode, "td", "x\r\n<td class\r\nmore\r\n"), TLines{"x"});
        EXPECT_EQ(Clean(Mode, "td", "<"), TLines{});
        EXPECT_EQ(Clean(Mode, "td", "a < b > c"), TLines{"a < b > c"});
        EXPECT_EQ(Clean(Mode, "td", "1 > 0, <p>2 >> 1"), TLines{"1 > 0, <p>2 >> 1"});
    }
    // "<" inside a tag belongs to it; the tag ends at the first ">".
    EXPECT_EQ(Strip("td", "<td <b>x"), TLines{"<td>x"});
    EXPECT_EQ(Strip("b", "<td <b>x"), TLines{"<td <b>x"});
    EXPECT_EQ(Remove("td", "<td <b>x</td>>y"), TLines{"x>y"});
    EXPECT_EQ(Remove("td", "<td<b>x"), TLines{"<td<b>x"}); // its name is td<b
    // Blanks around the name inside the brackets do not hide it.
    EXPECT_EQ(Strip("b", "a < b > c"), TLines{"a <b> c"});
}

TEST(TagCleanerTest, TagListParsing) {
    TTagCleaner Cleaner(tmStripAttribs);
    Cleaner.ParseTagList("td,th  TR,,  ,td ,TD");
    const auto& Names = Cleaner.GetTagSet().GetNames();
    ASSERT_EQ(Names.GetCount(), 3);
    EXPECT_EQ(Names.Get(0), "td"); // the first spelling is kept, the rest ignored
    EXPECT_EQ(Names.Get(1), "th");
    EXPECT_EQ(Names.Get(2), "TR");
    EXPECT_TRUE(Cleaner.IsListedTag("Tr"));
    EXPECT_FALSE(Cleaner.IsListedTag("t"));
    EXPECT_FALSE(Cleaner.IsListedTag(""));

    // A tab does not separate names, but is trimmed from their ends.
    TTagCleaner Tabs(tmStripAttribs);
    Tabs.ParseTagList("td\tth \tfont\x01, \x02");
    ASSERT_EQ(Tabs.GetTagSet().GetCount(), 2);
    EXPECT_TRUE(Tabs.IsListedTag("TD\tTH"));
    EXPECT_TRUE(Tabs.IsListedTag("font"));
    EXPECT_FALSE(Tabs.IsListedTag("td"));
    EXPECT_EQ(Strip("td\tth", "<td x><th>"), TLines{"<td x><th>"});

    EXPECT_EQ(Strip("td,th  TR", "<TD a><th b></tr c>"), TLines{"<TD><th></tr>"});
}

TEST(TagCleanerTest, BlankListIsNoTagsButAListOfCommasStillCleans) {
    EXPECT_FALSE(CleanTags(tmStripAttribs, "", "<td a>").has_value());
    EXPECT_FALSE(CleanTags(tmRemoveTags, " \t\r\n\x01", "<td a>").has_value());
    // No names, yet empty tags, the unmatched tail and blank lines still go.
    EXPECT_EQ(Strip(",,,", "<td a>\r\n\r\n<>x< y"), (TLines{"<td a>", "x"}));
    EXPECT_EQ(Remove(" , ", "<font>"), TLines{"<font>"});
}

TEST(TagCleanerTest, LineSplittingAndBlankLines) {
    EXPECT_EQ(Strip("td", "a\r\nb\rc\nd\n\re"), (TLines{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(Strip("td", "a\r\n"), TLines{"a"}); // no empty line after a final break
    EXPECT_EQ(Strip("td", "  x \t\r\n\r\n \x01\x02\x1f\r\n\t\r\n y"), (TLines{"  x \t", " y"}));
    EXPECT_EQ(Strip("td", ""), TLines{});
    EXPECT_EQ(Strip("td", " \r\n\t\n\r  \r\n"), TLines{});
    EXPECT_EQ(Strip("td", "\r\r\rz\r\r"), TLines{"z"});
    // Breaks inside a rewritten tag vanish, those around it stay.
    EXPECT_EQ(Strip("td", "x\r<td\r\r>\ry"), (TLines{"x", "<td>", "y"}));
}

TEST(TagCleanerTest, NulEndsTheResultWhereverItLands) {
    EXPECT_EQ(Strip("td", "a\r\nb\0c\r\nd"s), (TLines{"a", "b"}));
    EXPECT_EQ(Strip("td", "\0abc"s), TLines{});
    // A NUL trimmed away with a listed tag's blanks never reaches the result.
    EXPECT_EQ(Strip("td", "<td\0>x\r\ny"s), (TLines{"<td>x", "y"}));
    EXPECT_EQ(Remove("font", "<font a\0>x"s), TLines{"x"});
    // Kept in an unlisted tag, or in a name, it ends the text there.
    EXPECT_EQ(Strip("td", "a<p\0>b\r\nc"s), TLines{"a<p"});
    EXPECT_EQ(Strip("td", "<td\0 x>b"s), TLines{"<td"});
    // In a dropped unmatched tail it does no harm.
    EXPECT_EQ(Strip("td", "a\r\nb<\0"s), (TLines{"a", "b"}));
    // In the list, a NUL is a control character like any other.
    EXPECT_EQ(Strip("\0td\0,x"s, "<TD a>"), TLines{"<TD>"});
    EXPECT_EQ(Strip("t\0d"s, "<td a><t\0d a>"s), TLines{"<td a><t"});
}

TEST(TagCleanerTest, CaseFoldingFollowsTheCodePage) {
    // e acute / E acute, y diaeresis / its capital at 0x9F, s caron 0x9A / 0x8A.
    EXPECT_EQ(Strip("\xC9t\xC9", "<\xE9T\xE9 a=1>"), TLines{"<\xE9T\xE9>"});
    EXPECT_EQ(Remove("\xFF", "<\x9F>a</\xFF x>"), TLines{"a"});
    EXPECT_EQ(Remove("\x9A", "<\x8A>b"), TLines{"b"});
    // Sharp s and the division sign have no other case.
    EXPECT_EQ(Remove("\xDF\xF7", "<\xDF\xD7>c"), TLines{"<\xDF\xD7>c"});
    EXPECT_EQ(Remove("\xDF\xF7", "<\xDF\xF7>c"), TLines{"c"});
}

TEST(TagCleanerTest, LongNames) {
    const std::string Long(20000, 'q');
    EXPECT_EQ(Strip(Long, "<" + Long + " x=1>y"), TLines{"<" + Long + ">y"});
    EXPECT_EQ(Strip(Long, "<" + Long + "q x>"), TLines{"<" + Long + "q x>"});
    // A name one longer than any listed one, with or without a closing slash.
    EXPECT_EQ(Remove("abc", "<abcd><ABC></abc></abcd>x"), TLines{"<abcd></abcd>x"});
    // A closing tag's key is at most the 10,000 characters after its slash.
    const std::string Max(10000, 'k');
    EXPECT_EQ(Strip(Max, "</" + Max + "z a>"), TLines{"</" + Max + "z>"});
    EXPECT_EQ(Strip(Max, "<" + Max + "z a>"), TLines{"<" + Max + "z a>"});
    EXPECT_EQ(Remove(Max + "z", "</" + Max + "z>x"), TLines{"</" + Max + "z>x"});
    EXPECT_EQ(Strip(Long, "</" + Long + " x>"), TLines{"</" + Long + " x>"});
}

TEST(TagCleanerTest, RewriteTagAppendsOneTag) {
    TTagCleaner Cleaner(tmStripAttribs);
    Cleaner.ParseTagList("td");
    TLines Lines;
    TLineSplitter Result([&Lines](std::string_view Line) { Lines.emplace_back(Line); });
    Cleaner.RewriteTag(" \r\n ", Result);
    Cleaner.RewriteTag(" TD\r\nclass=x ", Result);
    Cleaner.RewriteTag(" p\r\nx ", Result);
    Result.Finish();
    EXPECT_EQ(Lines, (TLines{"<TD>< p", "x >"}));
}

TEST(TagCleanerTest, TagsAcrossScanBlocks) {
    // Brackets anywhere relative to the scanner's 64-byte blocks, tags longer
    // than a block, and a source ending right after or right at a bracket.
    for (size_t Before = 0; Before < 140; Before += 3) {
        for (size_t Inside : {0, 1, 62, 63, 64, 65, 200}) {
            const std::string Text(Before, 'a');
            const std::string Attribs(Inside, 'b');
            EXPECT_EQ(Strip("td", Text + "<td " + Attribs + ">c"), TLines{Text + "<td>c"});
            EXPECT_EQ(Remove("td", Text + "<td " + Attribs + ">"),
                      Before ? TLines{Text} : TLines{});
            EXPECT_EQ(Strip("td", Text + "<p " + Attribs + ">"),
                      TLines{Text + "<p " + Attribs + ">"});
            EXPECT_EQ(Strip("td", Text + "<td " + Attribs), Before ? TLines{Text} : TLines{});
        }
    }
}
