#include "framework/TextLines.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace korvel;
using namespace std::string_literals;

namespace {

std::vector<std::string> Lines(std::string_view Text) {
    std::vector<std::string> Result;
    ForEachTextLine(Text, [&Result](std::string_view Line) { Result.emplace_back(Line); });
    return Result;
}

using TLines = std::vector<std::string>;

} // namespace

TEST(TextLinesTest, BreaksNulAndFinalBreak) {
    EXPECT_EQ(Lines(""), TLines{});
    EXPECT_EQ(Lines("a"), TLines{"a"});
    EXPECT_EQ(Lines("a\r\n"), TLines{"a"});
    EXPECT_EQ(Lines("a\n\r"), (TLines{"a", ""}));
    EXPECT_EQ(Lines("\r\n\r\n"), (TLines{"", ""}));
    EXPECT_EQ(Lines("\n\n\r\r"), (TLines{"", "", "", ""}));
    EXPECT_EQ(Lines("a\r\r\nb"), (TLines{"a", "", "b"}));
    EXPECT_EQ(Lines("a\0b"s), TLines{"a"});
    EXPECT_EQ(Lines("a\r\n\0\r\nb"s), TLines{"a"});
    EXPECT_EQ(Lines("\0"s), TLines{});
    // Only the view's bytes are read, even when more follow in memory.
    const std::string Text = "ab\r\ncd";
    EXPECT_EQ(Lines(std::string_view(Text).substr(0, 3)), TLines{"ab"});
    EXPECT_EQ(Lines(std::string_view(Text).substr(0, 5)), (TLines{"ab", "c"}));
}

TEST(TextLinesTest, LinesAreViewsIntoTheText) {
    const std::string Text = "first\rsecond\r\nthird";
    std::vector<const char*> Starts;
    ForEachTextLine(Text, [&Starts](std::string_view Line) { Starts.push_back(Line.data()); });
    ASSERT_EQ(Starts.size(), 3u);
    EXPECT_EQ(Starts[0], Text.data());
    EXPECT_EQ(Starts[1], Text.data() + 6);
    EXPECT_EQ(Starts[2], Text.data() + 14);
}
