#include "KVSupport/ColumnConversions.h"

#include "KVSupport/TParagraph.h"
#include "KVSupport/TextBuffer.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace korvel;

namespace {

struct TTextParagraph {
    TParagraph Par = TParagraph::Empty();
    explicit TTextParagraph(std::string_view Text) {
        const auto Length = static_cast<int32_t>(Text.size());
        Par.Text = NewTextBuffer(Text.data(), Length, Length + 1);
        Par.Flags = pfOwnText;
        Par.SetParLength(Length);
    }
    ~TTextParagraph() { Par.Release(); }
};

} // namespace

TEST(ColumnConversionsTest, TabsReachToTheNextStop) {
    const TTextParagraph P("a\tb");
    EXPECT_EQ(OffsetToColumn(P.Par, 1, 8, false), 1);
    EXPECT_EQ(OffsetToColumn(P.Par, 2, 8, false), 8);
    EXPECT_EQ(OffsetToColumn(P.Par, 3, 8, false), 9);
    EXPECT_EQ(ColumnToOffset(P.Par, 5, 8, false), 1); // inside the tab
    EXPECT_EQ(ColumnRemainder(P.Par, 5, 8, false), 4);
    EXPECT_EQ(ColumnToOffset(P.Par, 8, 8, false), 2);
    EXPECT_EQ(ColumnRemainder(P.Par, 8, 8, false), 0);
    EXPECT_EQ(ColumnToOffset(P.Par, 1, 8, false), 1);

    // Without positive tab stops a tab is one column.
    for (const int32_t T : {0, -4}) {
        EXPECT_EQ(OffsetToColumn(P.Par, 2, T, false), 2);
        EXPECT_EQ(ColumnToOffset(P.Par, 2, T, false), 2);
        EXPECT_EQ(ColumnRemainder(P.Par, 2, T, false), 0);
    }
}

TEST(ColumnConversionsTest, CodesTakeNoColumnOnlyWithStaticFormat) {
    const TTextParagraph P("\x02"
                           "ab\x02");
    EXPECT_EQ(ColumnToOffset(P.Par, 0, 8, true), 0);
    EXPECT_EQ(ColumnToOffset(P.Par, 1, 8, true), 2);
    EXPECT_EQ(ColumnToOffset(P.Par, 2, 8, true), 3); // the code after "b" is not passed
    EXPECT_EQ(OffsetToColumn(P.Par, 3, 8, true), 2);
    EXPECT_EQ(OffsetToColumn(P.Par, 4, 8, true), 2);
    EXPECT_EQ(ColumnToOffset(P.Par, 1, 8, false), 1);
    EXPECT_EQ(OffsetToColumn(P.Par, 3, 8, false), 3);
}

TEST(ColumnConversionsTest, OutOfRangeValuesAreClamped) {
    const TTextParagraph P("hello");
    EXPECT_EQ(ColumnToOffset(P.Par, 20, 8, false), 5);
    EXPECT_EQ(ColumnRemainder(P.Par, 20, 8, false), 15);
    EXPECT_EQ(OffsetToColumn(P.Par, 99, 8, false), 5);
    EXPECT_EQ(ColumnToOffset(P.Par, -3, 8, false), 0);
    EXPECT_EQ(ColumnRemainder(P.Par, -3, 8, false), 0);
    EXPECT_EQ(OffsetToColumn(P.Par, -1, 8, false), 0);

    const TTextParagraph Empty("");
    EXPECT_EQ(ColumnToOffset(Empty.Par, 4, 8, false), 0);
    EXPECT_EQ(ColumnRemainder(Empty.Par, 4, 8, false), 4);
}
