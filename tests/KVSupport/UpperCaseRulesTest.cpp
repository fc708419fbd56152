#include "KVSupport/UpperCaseRules.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvel;

namespace {

void UpperCaseToStars(char* Text) {
    for (; *Text != '\0'; ++Text)
        *Text = '*';
}

// Restores the global routine however a test ends.
struct TUserRoutineGuard {
    ~TUserRoutineGuard() { UserUpperCase = nullptr; }
};

} // namespace

TEST(UpperCaseRulesTest, AsciiLeavesHighBytesWhileTheCodePageRuleChangesThem) {
    const std::string Text = "az{`@AZ\xE9\xFF\x9A";
    EXPECT_EQ(UpperCased(kvuAscii, Text), "AZ{`@AZ\xE9\xFF\x9A");
    EXPECT_EQ(UpperCased(kvuAnsi, Text), "AZ{`@AZ\xC9\x9F\x8A");
    UpperCaseAscii(nullptr);
    // A zero byte inside the text does not stop upper-casing.
    EXPECT_EQ(UpperCased(kvuAscii, std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(UpperCaseRulesTest, UserRuleFallsBackToAsciiWhileUnset) {
    TUserRoutineGuard Guard;
    ASSERT_EQ(UserUpperCase, nullptr);
    EXPECT_EQ(UpperCaseRoutine(kvuUserDefined), UpperCaseRoutine(kvuAscii));
    EXPECT_EQ(UpperCased(kvuUserDefined, "a\xE9"), "A\xE9");
    UserUpperCase = UpperCaseToStars;
    EXPECT_EQ(UpperCased(kvuUserDefined, "ab"), "**");
    EXPECT_EQ(UpperCased(kvuAscii, "ab"), "AB");
    EXPECT_EQ(UpperCased(static_cast<TkvUpperCase>(7), "ab"), "AB");
}
