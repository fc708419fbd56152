#include "framework/Exceptions.h"
#include "framework/TMemoryStream.h"
#include "framework/TStringList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvel;
using namespace std::string_literals;

namespace {

std::vector<std::string> Items(const TStrings& List) {
    std::vector<std::string> Result;
    for (int32_t i = 0; i < List.GetCount(); ++i)
        Result.push_back(List.Get(i));
    return Result;
}

using TItems = std::vector<std::string>;

} // namespace

TEST(StringListTest, SortedCaseInsensitiveSetIgnoresDuplicates) {
    TStringList List;
    List.SetSorted(true);
    EXPECT_EQ(List.Add("b"), 0);
    EXPECT_EQ(List.Add("C"), 1);
    EXPECT_EQ(List.Add("a"), 0);
    EXPECT_EQ(List.Add("B"), 1); // a duplicate in another case: ignored, its index returned
    EXPECT_EQ(List.Add("\xC9"), 3);
    EXPECT_EQ(List.Add("\xE9"), 3); // e acute equals E acute by the code page
    EXPECT_EQ(Items(List), (TItems{"a", "b", "C", "\xC9"}));

    int32_t Index = -1;
    EXPECT_TRUE(List.Find("A", Index));
    EXPECT_EQ(Index, 0);
    EXPECT_FALSE(List.Find("bb", Index));
    EXPECT_EQ(Index, 2); // where it would go
    EXPECT_FALSE(List.Find("zz", Index));
    EXPECT_EQ(Index, 3);                    // before E acute (0xC9)
    EXPECT_FALSE(List.Find("\xFE", Index)); // thorn, upper-cased 0xDE
    EXPECT_EQ(Index, 4);
    EXPECT_EQ(List.IndexOf("c"), 2);
    EXPECT_EQ(List.IndexOf("d"), -1);

    EXPECT_THROW(List.Insert(0, "x"), EStringListError);
    EXPECT_THROW(List.Put(0, "x"), EStringListError);

    List.SetDuplicates(dupError);
    try {
        List.Add("c");
        ADD_FAILURE() << "a duplicate was accepted";
    } catch (const EStringListError& E) {
        EXPECT_STREQ(E.what(), "String list does not allow duplicates");
    }
    List.SetDuplicates(dupAccept);
    List.Add("A");
    EXPECT_EQ(List.GetCount(), 5);
    EXPECT_TRUE(List.Find("a", Index));
    EXPECT_EQ(Index, 0); // the first of equal strings
}

TEST(StringListTest, CaseSensitivityAndLateSorting) {
    TStringList List;
    for (const char* S : {"b", "B", "a", "A"})
        List.Add(S);
    EXPECT_EQ(Items(List), (TItems{"b", "B", "a", "A"})); // unsorted keeps order
    EXPECT_EQ(List.IndexOf("bB"), -1);
    EXPECT_EQ(List.IndexOf("A"), 2); // case-insensitive by default
    List.SetCaseSensitive(true);
    EXPECT_EQ(List.IndexOf("A"), 3);
    List.SetSorted(true);
    EXPECT_EQ(Items(List), (TItems{"A", "B", "a", "b"})); // byte order
    List.SetCaseSensitive(false);                         // re-sorts, stably
    EXPECT_EQ(Items(List), (TItems{"A", "a", "B", "b"}));
    int32_t Index = -1;
    EXPECT_TRUE(List.Find("b", Index));
    EXPECT_EQ(Index, 2);
}

TEST(StringListTest, IndexErrors) {
    TStringList List;
    List.Add("x");
    auto ExpectIndexError = [](auto Operation) {
        try {
            Operation();
            ADD_FAILURE() << "no error";
        } catch (const ERangeError& E) {
            EXPECT_STREQ(E.what(), SListIndexError);
        }
    };
    ExpectIndexError([&] { List.Get(-1); });
    ExpectIndexError([&] { List.Get(1); });
    ExpectIndexError([&] { List.Put(1, "y"); });
    ExpectIndexError([&] { List.Delete(1); });
    ExpectIndexError([&] { List.Insert(2, "y"); });
    ExpectIndexError([&] { List.Insert(-1, "y"); });
    List.Insert(1, "z"); // at the end is allowed
    List.Put(0, "w");
    EXPECT_EQ(Items(List), (TItems{"w", "z"}));
    List.Delete(0);
    EXPECT_EQ(Items(List), TItems{"z"});
    List.Clear();
    ExpectIndexError([&] { List.Get(0); });
}

TEST(StringListTest, WholeTextSplitsAtEveryKindOfBreak) {
    TStringList List;
    List.SetText("a\r\nb\rc\nd\n\re\r\n");
    EXPECT_EQ(Items(List), (TItems{"a", "b", "c", "d", "", "e"})); // LF CR is two breaks
    List.SetText("x\r\n\r\ny\0z\r\n"s);
    EXPECT_EQ(Items(List), (TItems{"x", "", "y"})); // NUL ends the text
    List.SetText("");
    EXPECT_EQ(List.GetCount(), 0);
    List.SetText("\r\n");
    EXPECT_EQ(Items(List), TItems{""});
    List.SetText(" last\r");
    EXPECT_EQ(Items(List), TItems{" last"});

    List.SetText("1\n2");
    EXPECT_EQ(List.GetText(), "1\r\n2\r\n");

    // Streams: loaded from the current position, saved with CR LF breaks.
    TMemoryStream Stream("skip|p\rq");
    Stream.SetPosition(5);
    List.LoadFromStream(Stream);
    EXPECT_EQ(Items(List), (TItems{"p", "q"}));
    TMemoryStream Out;
    List.SaveToStream(Out);
    EXPECT_EQ(Out.DataString(), "p\r\nq\r\n");

    TStringList Copy;
    Copy.Add("old");
    Copy.Assign(List);
    EXPECT_TRUE(Copy.Equals(List));
    Copy.Put(1, "Q");
    EXPECT_FALSE(Copy.Equals(List));
}
