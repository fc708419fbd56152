#include "KVSupport/TKeywordList.h"
#include "framework/Exceptions.h"
#include "framework/TStringList.h"

#include "StoredForms.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvel;
using test::Raw;

namespace {

std::string Stored(const TKeywordList& List) {
    return test::StoredForm(List, &TKeywordList::WriteStrings);
}

std::string Load(TKeywordList& List, const std::string& Bytes) {
    return test::LoadForm(List, &TKeywordList::ReadStrings, Bytes);
}

TKeywordList& FillSample(TKeywordList& List) {
    List.AddKeyword("begin", clRed, clNone, -2, 7, 0x21, koWholeWords);
    List.AddKeyword("\xE9t\xE9", 0x123456, clYellow, 300, -100000, 0x03, koMatchCase);
    List.Add("plain");
    return List;
}

} // namespace

TEST(KeywordListTest, PlainStringsBecomeRecordsThatNeverHighlight) {
    TKeywordList List;
    EXPECT_EQ(List.GetCount(), 0);
    EXPECT_FALSE(List.HasData());
    List.Add("end");
    List.Insert(0, "begin");
    ASSERT_EQ(List.GetCount(), 2);
    EXPECT_EQ(List.Get(0), "begin");
    const TKeyInfoLen& Record = List.GetKeyRecord(1);
    EXPECT_EQ(Record.Key, "end");
    EXPECT_EQ(Record.Context, 0);
    EXPECT_EQ(Record.Options, 0);
    EXPECT_EQ(Record.BackColor, clNone);
    EXPECT_EQ(Record.TextColor, clNone);
    EXPECT_EQ(Record.Extra1 + Record.Extra2 + Record.Extra3, 0);
    EXPECT_TRUE(List.HasData());

    EXPECT_THROW(List.Get(2), ERangeError);
    EXPECT_THROW(List.GetKeyInfo(-1), ERangeError);
    EXPECT_THROW(List.Delete(2), ERangeError);
    EXPECT_THROW(List.Insert(3, "x"), ERangeError);
    EXPECT_THROW(List.Put(2, "x"), ERangeError);
    EXPECT_EQ(List.GetCount(), 2);
}

TEST(KeywordListTest, DerivedValuesFollowEveryChangeAndWaitForTheBracket) {
    TKeywordList List;
    EXPECT_EQ(List.GetMaxKeyLen(), 0);
    EXPECT_FALSE(List.GetAnyCaseless());
    List.AddKeyword("Case\xE9", clNone, clNone, 0, 1, 0, koMatchCase);
    EXPECT_EQ(List.GetMaxKeyLen(), 5);
    EXPECT_FALSE(List.GetAnyCaseless());
    EXPECT_EQ(List.GetKeyRecord(0).UpKey, "Case\xE9"); // match case: unchanged

    List.BeginUpdate();
    List.Add("longer\xE9");
    EXPECT_TRUE(List.GetUpdating());
    EXPECT_EQ(List.GetMaxKeyLen(), 5); // not yet rebuilt
    List.EndUpdate();
    EXPECT_FALSE(List.GetUpdating());
    EXPECT_EQ(List.GetMaxKeyLen(), 7);
    EXPECT_TRUE(List.GetAnyCaseless());
    EXPECT_EQ(List.GetKeyRecord(1).KeyLen, 7);
    EXPECT_EQ(List.GetKeyRecord(1).UpKey, "LONGER\xE9");

    List.SetCaseRule(kvuAnsi);
    EXPECT_EQ(List.GetKeyRecord(1).UpKey, "LONGER\xC9");
    EXPECT_EQ(List.GetKeyRecord(0).UpKey, "Case\xE9");

    List.Put(1, "x");
    EXPECT_EQ(List.GetKeyRecord(1).UpKey, "X");
    EXPECT_EQ(List.GetMaxKeyLen(), 5);
    List.Delete(0);
    EXPECT_EQ(List.GetMaxKeyLen(), 1);
    List.Clear();
    EXPECT_EQ(List.GetMaxKeyLen(), 0);
    EXPECT_FALSE(List.GetAnyCaseless());
}

TEST(KeywordListTest, PutChangesOnlyTheKeywordText) {
    TKeywordList List;
    FillSample(List);
    List.Put(0, "end");
    const TKeyInfoLen& Record = List.GetKeyRecord(0);
    EXPECT_EQ(Record.Key, "end");
    EXPECT_EQ(Record.Context, 7);
    EXPECT_EQ(Record.Style, 0x21);
    EXPECT_EQ(Record.TextColor, clRed);
}

TEST(KeywordListTest, AssignCopiesWholeRecordsOnlyFromKeywordLists) {
    TKeywordList Source;
    FillSample(Source);
    TKeywordList Copy;
    Copy.SetCaseRule(kvuAnsi);
    Copy.Add("old");
    Copy.Assign(Source);
    ASSERT_EQ(Copy.GetCount(), 3);
    EXPECT_EQ(Copy.GetKeyRecord(0), Source.GetKeyRecord(0));
    EXPECT_EQ(Copy.GetKeyInfo(1), Source.GetKeyInfo(1));
    EXPECT_EQ(Copy.GetCaseRule(), kvuAnsi); // the rule is the list's own
    EXPECT_EQ(Copy.GetMaxKeyLen(), 5);
    Copy.Assign(Copy);
    EXPECT_EQ(Copy.GetCount(), 3);

    TStringList Strings;
    Strings.Add("one");
    Strings.Add("two");
    Copy.Assign(Strings);
    ASSERT_EQ(Copy.GetCount(), 2);
    EXPECT_EQ(Copy.GetKeyRecord(1).Key, "two");
    EXPECT_EQ(Copy.GetKeyRecord(1).Context, 0);
    EXPECT_EQ(Copy.GetMaxKeyLen(), 3);
}

TEST(KeywordListTest, StoredFormHasTheItemFieldsInOrder) {
    TKeywordList List;
    List.AddKeyword("if", clNone, 5, -1, 300, 0x21, 0x83); // bit 7 is not kept
    EXPECT_EQ(List.GetKeyRecord(0).Options, 0x03);
    const std::string Expected = Raw("\x01"
                                     "\x06\x02if"
                                     "\x03\x83\x00"         // Options | 0x80
                                     "\x02\x21"             // Style
                                     "\x03\x2C\x01"         // Context
                                     "\x02\xFF"             // Cursor
                                     "\x02\x05"             // BackColor
                                     "\x04\xFF\xFF\xFF\x1F" // TextColor
                                     "\x02\x00\x02\x00\x02\x00"
                                     "\x00");
    EXPECT_EQ(Stored(List), Expected);
    TKeywordList Empty;
    EXPECT_EQ(Stored(Empty), std::string("\x01\x00", 2));
}

TEST(KeywordListTest, RoundTripThroughTheStoredFormIsIdentical) {
    TKeywordList List;
    FillSample(List);
    List.Add(std::string(300, 'k'));
    const std::string Bytes = Stored(List);
    TKeywordList Loaded;
    Loaded.Add("replaced");
    ASSERT_EQ(Load(Loaded, Bytes), "");
    ASSERT_EQ(Loaded.GetCount(), List.GetCount());
    for (int32_t i = 0; i < List.GetCount(); ++i)
        EXPECT_EQ(Loaded.GetKeyRecord(i), List.GetKeyRecord(i)) << i;
    EXPECT_EQ(Loaded.GetMaxKeyLen(), 300);
    EXPECT_EQ(Stored(Loaded), Bytes);
}

TEST(KeywordListTest, OlderLayoutsLoadWithTheirExtras) {
    // Item one: no marker, two extras after the colours. Item two: no marker,
    // no extras. Item three: a wide-string key.
    const std::string Bytes = Raw("\x01"
                                  "\x06\x01"
                                  "a\x02\x01\x02\x00\x02\x05\x02\x00\x02\x00\x02\x00"
                                  "\x02\x0B\x02\x0C"
                                  "\x06\x01"
                                  "b\x02\x02\x02\x00\x02\x06\x02\x00\x02\x00\x02\x00"
                                  "\x12\x01\x00\x00\x00\xE9\x00"
                                  "\x02\x00\x02\x00\x02\x01\x02\x00\x02\x00\x02\x00"
                                  "\x00");
    TKeywordList List;
    ASSERT_EQ(Load(List, Bytes), "");
    ASSERT_EQ(List.GetCount(), 3);
    EXPECT_EQ(List.GetKeyRecord(0).Extra1, 11);
    EXPECT_EQ(List.GetKeyRecord(0).Extra2, 12);
    EXPECT_EQ(List.GetKeyRecord(0).Extra3, 0);
    EXPECT_EQ(List.GetKeyRecord(1).Options, 2);
    EXPECT_EQ(List.GetKeyRecord(1).Context, 6);
    EXPECT_EQ(List.GetKeyRecord(1).Extra1, 0);
    EXPECT_EQ(List.Get(2), "\xE9");
}

TEST(KeywordListTest, MalformedInputKeepsTheRecordsReadSoFar) {
    TKeywordList Source;
    FillSample(Source);
    const std::string Bytes = Stored(Source);
    // Cut inside the options of the third item, after its key.
    const std::string Cut = Bytes.substr(0, Bytes.size() - 24);
    TKeywordList List;
    List.Add("old");
    const std::string Error = Load(List, Cut);
    EXPECT_NE(Error.find("runs past the end of the stream"), std::string::npos) << Error;
    ASSERT_EQ(List.GetCount(), 3);
    EXPECT_EQ(List.GetKeyRecord(0), Source.GetKeyRecord(0));
    EXPECT_EQ(List.GetKeyRecord(1), Source.GetKeyRecord(1));
    EXPECT_EQ(List.Get(2), "plain");
    EXPECT_FALSE(List.GetUpdating());
    EXPECT_EQ(List.GetUpdateCount(), 0);
    EXPECT_EQ(List.GetMaxKeyLen(), 5); // rebuilt when the bracket closed

    // Not a list at all: nothing is cleared.
    EXPECT_EQ(Load(List, "\x06\x01x"),
              "Invalid form value at offset 0: expected list begin, found string (tag 0x06)");
    EXPECT_EQ(List.GetCount(), 3);
    // A string where an integer belongs.
    EXPECT_NE(Load(List, "\x01\x06\x01x\x06\x01y").find("expected an integer"), std::string::npos);
    EXPECT_EQ(List.GetCount(), 1);
}
