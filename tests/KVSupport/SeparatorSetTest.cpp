#include "KVSupport/TSeparatorSet.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(SeparatorSetTest, DefaultSetHoldsTheFifteenSeparators) {
    const TSeparatorSet Set;
    EXPECT_EQ(Set.GetSeparators(), "\t\n\r $%&,./:;<=>");
    EXPECT_TRUE(Set.IsSeparator(' '));
    EXPECT_TRUE(Set.IsWordChar('('));
    EXPECT_TRUE(Set.IsWordChar('a'));
    EXPECT_TRUE(Set.IsWordChar('\0'));
    EXPECT_TRUE(Set.IsWordChar('\xFF'));
}

TEST(SeparatorSetTest, WritingKeepsLineBreaksAndReadingSortsByCode) {
    TSeparatorSet Set;
    Set.SetSeparators("");
    EXPECT_EQ(Set.GetSeparators(), "\n\r");
    Set.SetSeparators("ba");
    EXPECT_EQ(Set.GetSeparators(), "\n\rab");
    EXPECT_FALSE(Set.IsSeparator(' '));
    // Duplicates, a zero byte and the top bytes of every 64-bit word.
    Set.SetSeparators(std::string("\xFF\x7F?\x3F\xC0\0", 6));
    EXPECT_EQ(Set.GetSeparators(), std::string("\0\n\r?\x7F\xC0\xFF", 7));
    EXPECT_TRUE(Set.IsSeparator('\xFF'));
    EXPECT_FALSE(Set.IsSeparator('\xFE'));
}
