#include "framework/CodePage.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(CodePageTest, UpperCasingFollowsTheCodePage) {
    EXPECT_EQ(AnsiUpperChar('a'), 'A');
    EXPECT_EQ(AnsiUpperChar('Z'), 'Z');
    EXPECT_EQ(AnsiUpperChar(0xE9), 0xC9); // e acute
    EXPECT_EQ(AnsiUpperChar(0xF7), 0xF7); // division sign has no case
    EXPECT_EQ(AnsiUpperChar(0xFF), 0x9F); // y diaeresis
    EXPECT_EQ(AnsiUpperChar(0x9A), 0x8A); // s caron
    EXPECT_EQ(AnsiUpperChar(0xDF), 0xDF); // sharp s stays
    EXPECT_EQ(AnsiLowerChar(0x8C), 0x9C);
    char Text[] = "abc\xe0\xff";
    CharUpperA(Text);
    EXPECT_STREQ(Text, "ABC\xc0\x9f");
    CharUpperA(nullptr);
}

TEST(CodePageTest, EveryByteSurvivesUnicodeRoundTrips) {
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(UnicodeToAnsi(AnsiToUnicode(static_cast<uint8_t>(c))), c) << c;
    std::string All;
    for (int c = 1; c < 256; ++c)
        All += static_cast<char>(c);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(All)), All);
    EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(All)), All);
    EXPECT_EQ(AnsiToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(UnicodeToAnsi(U'\u4E2D'), '?');
}

TEST(CodePageTest, MalformedUtf8AndSurrogatesBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToAnsi("a\xC3"), "a?");              // truncated sequence
    EXPECT_EQ(Utf8ToAnsi("\xFF" "b"), "?b");           // invalid lead byte
    EXPECT_EQ(Utf8ToAnsi("\xC3\xA9"), "\xE9");         // e acute
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x98\x80x"), "?x");  // beyond the code page
    EXPECT_EQ(Utf16ToAnsi(u"\xD83D\xDE00z"), "?z");
}

TEST(CodePageTest, CaseInsensitiveComparison) {
    EXPECT_EQ(AnsiCompareText("TD", "td"), 0);
    EXPECT_LT(AnsiCompareText("a", "B"), 0);
    EXPECT_LT(AnsiCompareText("ab", "abc"), 0);
    EXPECT_TRUE(AnsiSameText("\xE9t\xE9", "\xC9T\xC9"));
    EXPECT_FALSE(AnsiSameText("td", "td "));
}
