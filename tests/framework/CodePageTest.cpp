#include "framework/CodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

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
    EXPECT_EQ(Utf8ToAnsi("a\xC3"), "a?"); // truncated sequence
    EXPECT_EQ(Utf8ToAnsi("\xFF"
                         "b"),
              "?b");                                  // invalid lead byte
    EXPECT_EQ(Utf8ToAnsi("\xC3\xA9"), "\xE9");        // e acute
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x98\x80x"), "?x"); // beyond the code page
    EXPECT_EQ(Utf16ToAnsi(u"\xD83D\xDE00z"), "?z");
}

TEST(CodePageTest, CaseInsensitiveComparison) {
    EXPECT_EQ(AnsiCompareText("TD", "td"), 0);
    EXPECT_LT(AnsiCompareText("a", "B"), 0);
    EXPECT_LT(AnsiCompareText("ab", "abc"), 0);
    EXPECT_TRUE(AnsiSameText("\xE9t\xE9", "\xC9T\xC9"));
    EXPECT_FALSE(AnsiSameText("td", "td "));
}

TEST(CodePageTest, ForeignCharactersBecomeNumericReferences) {
    struct TCase {
        std::u16string Utf16;
        std::string Utf8;
        std::string Ansi;
    };
    const TCase Cases[] = {
        {u"plain <b>?</b>", "plain <b>?</b>", "plain <b>?</b>"},
        {u"\u20AC \u00E9 \u0178", "\xE2\x82\xAC \xC3\xA9 \xC5\xB8", "\x80 \xE9 \x9F"},
        {u"\u3042", "\xE3\x81\x82", "&#12354;"},
        {u"a\u0080z", "a\xC2\x80z", "a&#128;z"},           // byte 0x80 is the euro sign, not U+0080
        {u"\u0081\u008D", "\xC2\x81\xC2\x8D", "\x81\x8D"}, // the undefined bytes round-trip
        {u"x\U0001F600y", "x\xF0\x9F\x98\x80y", "x&#128512;y"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF", "&#1114111;"},
        {std::u16string(u"n\0l", 3), std::string("n\0l", 3), std::string("n\0l", 3)},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(Utf16ToAnsiWithCharRefs(C.Utf16), C.Ansi) << C.Ansi;
        EXPECT_EQ(Utf8ToAnsiWithCharRefs(C.Utf8), C.Ansi) << C.Ansi;
    }

    // Every character of the code page comes back as its own byte.
    std::string All;
    for (int c = 0; c < 256; ++c)
        All += static_cast<char>(c);
    EXPECT_EQ(Utf16ToAnsiWithCharRefs(AnsiToUtf16(All)), All);
    EXPECT_EQ(Utf8ToAnsiWithCharRefs(AnsiToUtf8(All)), All);
}

TEST(CodePageTest, BrokenUnicodeBecomesReplacementReferences) {
    const std::string R = "&#65533;";
    // Unpaired surrogates, alone, reversed, or at the end.
    EXPECT_EQ(Utf16ToAnsiWithCharRefs(u"a\xD83Dz"), "a" + R + "z");
    EXPECT_EQ(Utf16ToAnsiWithCharRefs(u"\xDE00\xD83D"), R + R);
    EXPECT_EQ(Utf16ToAnsiWithCharRefs(u"z\xD83D"), "z" + R);

    const std::pair<std::string, std::string> Utf8Cases[] = {
        {"a\xC3", "a" + R},                  // truncated at the end
        {"\xE3\x81z", R + "z"},              // truncated: one reference for the whole part
        {"\x80\xBF", R + R},                 // lone continuation bytes
        {"\xC0\xAF", R + R},                 // overlong slash
        {"\xE0\x80\xAF", R + R + R},         // overlong, second byte out of range
        {"\xED\xA0\x80", R + R + R},         // an encoded surrogate
        {"\xF4\x90\x80\x80", R + R + R + R}, // beyond U+10FFFF
        {"\xFF\xFE", R + R},                 // never valid
        {"\xF0\x9F\x98z", R + "z"},          // four-byte form cut short
    };
    for (const auto& [In, Out] : Utf8Cases)
        EXPECT_EQ(Utf8ToAnsiWithCharRefs(In), Out) << Out;
}
