#include "KVSupport/TSeparatorSet.h"
#include "KVSupport/TStartStopKeyList.h"
#include "framework/Exceptions.h"

#include "StoredForms.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvel;
using test::Raw;

namespace {

std::string Stored(const TStartStopKeyList& List) {
    return test::StoredForm(List, &TStartStopKeyList::WriteKeys);
}

std::string Load(TStartStopKeyList& List, const std::string& Bytes) {
    return test::LoadForm(List, &TStartStopKeyList::ReadKeys, Bytes);
}

int32_t Add(TStartStopKeyList& List, std::string_view Start, std::string_view Stop,
            uint8_t Options = 0, bool StopAtParEnd = false) {
    return List.AddKey(Start, Stop, StopAtParEnd, clRed, clNone, 5, 1, 0x01, Options);
}

} // namespace

TEST(StartStopKeyListTest, RecordsLiveInSixteenByteStridesWithinBlocks) {
    TStartStopKeyList List;
    EXPECT_EQ(List.GetStride() % 16, 0);
    EXPECT_GE(List.GetStride(), static_cast<int32_t>(sizeof(StartStopInfo)));
    EXPECT_LT(List.GetStride() - 16, static_cast<int32_t>(sizeof(StartStopInfo)));
    EXPECT_EQ(List.GetPerBlock(), 32768 / List.GetStride());
    EXPECT_EQ(List.GetCapacity(), 0);
    for (int i = 0; i < List.GetPerBlock() + 1; ++i)
        Add(List, std::to_string(i), "");
    EXPECT_EQ(List.GetBlockCount(), 2);
    List.ClearKeys();
    EXPECT_EQ(List.GetCount(), 0);
    EXPECT_EQ(List.GetCapacity(), List.GetPerBlock());
    EXPECT_THROW(List[0], ERangeError);
}

TEST(StartStopKeyListTest, AddKeyDerivesWorkingFormsAndSameStart) {
    TStartStopKeyList List;
    List.SetPrepared(true);
    EXPECT_EQ(Add(List, "/*", "*/"), 0);
    EXPECT_FALSE(List.GetPrepared());
    EXPECT_EQ(Add(List, "rem\xE9", "End", 0x80), 1);      // bit 7 is not kept
    EXPECT_EQ(Add(List, "Rem\xE9", "x", koMatchCase), 2); // other options
    EXPECT_EQ(Add(List, "REM\xE9", "y"), 3);              // same working start key as 1
    EXPECT_EQ(Add(List, "Rem\xE9", "z", koMatchCase), 4);

    const StartStopInfo& R1 = List[1];
    EXPECT_EQ(R1.Options, 0);
    EXPECT_EQ(R1.StartBufView(), "REM\xE9");
    EXPECT_EQ(R1.StopBufView(), "END");
    EXPECT_EQ(R1.StartKeyView(), "rem\xE9");
    EXPECT_EQ(R1.StopKeyView(), "End");
    EXPECT_EQ(R1.StartBuf[R1.StartLen], '\0');
    EXPECT_EQ(R1.StopLen, 3);
    EXPECT_EQ(R1.TextColor, clRed);
    EXPECT_EQ(R1.BackColor, clNone);
    EXPECT_EQ(R1.Cursor, 5);
    EXPECT_EQ(R1.Extra1 + R1.Extra2 + R1.Extra3, 0);
    EXPECT_EQ(List[2].StartBufView(), "Rem\xE9"); // match case: unchanged
    EXPECT_EQ(List[0].SameStart, -1);
    EXPECT_EQ(R1.SameStart, -1);
    EXPECT_EQ(List[2].SameStart, -1);
    EXPECT_EQ(List[3].SameStart, 1);
    EXPECT_EQ(List[4].SameStart, 2);
}

TEST(StartStopKeyListTest, MaximaOnlyGrow) {
    TStartStopKeyList List;
    EXPECT_EQ(List.GetMaxStopLen(), 0);
    Add(List, "<", "", 0, true); // ends at the paragraph end: counts as 2
    EXPECT_EQ(List.GetMaxStartLen(), 1);
    EXPECT_EQ(List.GetMaxStopLen(), 2);
    Add(List, "start", "s");
    EXPECT_EQ(List.GetMaxStartLen(), 5);
    EXPECT_EQ(List.GetMaxStopLen(), 2);
    List.ClearKeys();
    Add(List, "a", "b");
    EXPECT_EQ(Load(List, Raw("\x01\x00")), "");
    EXPECT_EQ(List.GetCount(), 0);
    EXPECT_EQ(List.GetMaxStartLen(), 5);
    EXPECT_EQ(List.GetMaxStopLen(), 2);

    EXPECT_THROW(Add(List, std::string(32768, 'a'), ""), Exception);
    Add(List, std::string(32767, 'a'), std::string(32767, 'b'));
    EXPECT_EQ(List.GetMaxStartLen(), 32767);
    EXPECT_EQ(List.GetMaxStopLen(), 32767);
}

TEST(StartStopKeyListTest, PrepareKeysSetsWordFlagsFromTheSeparators) {
    TStartStopKeyList List;
    Add(List, "if", "end", koWholeWords);
    Add(List, "(if", "x;", koWholeWords);
    Add(List, "if", "end");                // whole words not asked for
    Add(List, "", "", koWholeWords, true); // empty keys have no boundaries to test
    TSeparatorSet Separators;
    List.PrepareKeys(Separators);
    EXPECT_TRUE(List.GetPrepared());
    auto Flags = [&](int32_t i) {
        const StartStopInfo& R = List[i];
        return std::string{R.StartWordHead ? 'H' : '-', R.StartWordTail ? 'T' : '-',
                           R.StopWordHead ? 'h' : '-', R.StopWordTail ? 't' : '-'};
    };
    EXPECT_EQ(Flags(0), "HTht");
    EXPECT_EQ(Flags(1), "HTh-"); // '(' is a word character by default, ';' is not
    EXPECT_EQ(Flags(2), "----");
    EXPECT_EQ(Flags(3), "----");
    Separators.SetSeparators("(");
    List.PrepareKeys(Separators);
    EXPECT_EQ(Flags(1), "-Tht"); // ';' is no longer a separator
}

TEST(StartStopKeyListTest, CaseRuleChangeRebuildsCaselessBuffers) {
    TStartStopKeyList List;
    Add(List, "\xE9t\xE9", "fin");
    Add(List, "\xC9T\xC9", "x");
    Add(List, "\xE9t\xE9", "Fin", koMatchCase);
    EXPECT_EQ(List[0].StartBufView(), "\xE9T\xE9");
    EXPECT_EQ(List[1].SameStart, -1);
    TSeparatorSet Separators;
    List.PrepareKeys(Separators);

    List.SetCaseRule(kvuAnsi);
    EXPECT_FALSE(List.GetPrepared());
    EXPECT_EQ(List[0].StartBufView(), "\xC9T\xC9");
    EXPECT_EQ(List[0].StopBufView(), "FIN");
    EXPECT_EQ(List[0].StartKeyView(), "\xE9t\xE9");
    EXPECT_EQ(List[1].SameStart, 0); // equal under the new rule
    EXPECT_EQ(List[2].StartBufView(), "\xE9t\xE9");
    EXPECT_EQ(List[2].StopBufView(), "Fin");
    EXPECT_EQ(Add(List, "\xE9T\xE9", ""), 3);
    EXPECT_EQ(List[3].StartBufView(), "\xC9T\xC9");
    EXPECT_EQ(List[3].SameStart, 0);

    List.SetCaseRule(kvuAscii);
    EXPECT_EQ(List[0].StartBufView(), "\xE9T\xE9");
    EXPECT_EQ(List[1].SameStart, -1);
}

TEST(StartStopKeyListTest, StoredFormHasTheItemFieldsInOrder) {
    TStartStopKeyList List;
    List.AddKey("<!--", "-->", true, clNone, 0x10000, -3, 9, 0x04, koMatchCase);
    List[0].Extra3 = 1000;
    const std::string Expected = Raw("\x01"
                                     "\x06\x04<!--"
                                     "\x06\x03-->"
                                     "\x03\x81\x00"         // Options | 0x80
                                     "\x02\x04"             // Style
                                     "\x02\x09"             // Context
                                     "\x02\xFD"             // Cursor
                                     "\x04\x00\x00\x01\x00" // BackColor
                                     "\x04\xFF\xFF\xFF\x1F" // TextColor
                                     "\x09"                 // StopAtParEnd
                                     "\x02\x00\x02\x00\x03\xE8\x03"
                                     "\x00");
    EXPECT_EQ(Stored(List), Expected);
    EXPECT_FALSE(TStartStopKeyList().HasData());
}

TEST(StartStopKeyListTest, RoundTripStoresTheWorkingKeys) {
    TStartStopKeyList List;
    Add(List, "begin", "end", koWholeWords);
    Add(List, "Begin", "\xE9nd", koMatchCase, true);
    Add(List, "BEGIN", "", koWholeWords, true);
    List[1].Extra1 = -70000;
    const std::string Bytes = Stored(List);
    TStartStopKeyList Loaded;
    Add(Loaded, "old", "old");
    Loaded.SetPrepared(true);
    ASSERT_EQ(Load(Loaded, Bytes), "");
    EXPECT_FALSE(Loaded.GetPrepared());
    ASSERT_EQ(Loaded.GetCount(), 3);
    EXPECT_EQ(Loaded[0].StartKeyView(), "BEGIN"); // caseless keys come back upper-cased
    EXPECT_EQ(Loaded[0].StopKeyView(), "END");
    EXPECT_EQ(Loaded[1].StartKeyView(), "Begin");
    EXPECT_EQ(Loaded[1].StopKeyView(), "\xE9nd");
    EXPECT_EQ(Loaded[1].Extra1, -70000);
    EXPECT_TRUE(Loaded[2].StopAtParEnd);
    EXPECT_EQ(Loaded[2].SameStart, 0);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Loaded[i].StartBufView(), List[i].StartBufView());
        EXPECT_EQ(Loaded[i].Options, List[i].Options);
        EXPECT_EQ(Loaded[i].Cursor, List[i].Cursor);
    }
    EXPECT_EQ(Stored(Loaded), Bytes);
}

TEST(StartStopKeyListTest, OlderLayoutsLoadWithTheirExtras) {
    // Item one: two integers before the boolean, no marker. Item two: no
    // extras at all, a wide-string stop key.
    const std::string Bytes = Raw("\x01"
                                  "\x06\x01{\x06\x01}"
                                  "\x02\x02\x02\x01\x02\x03\x02\x00\x02\x00\x02\x00"
                                  "\x02\x07\x02\x08"
                                  "\x08"
                                  "\x06\x01<\x12\x01\x00\x00\x00>\x00"
                                  "\x02\x00\x02\x01\x02\x03\x02\x00\x02\x00\x02\x00"
                                  "\x09"
                                  "\x00");
    TStartStopKeyList List;
    ASSERT_EQ(Load(List, Bytes), "");
    ASSERT_EQ(List.GetCount(), 2);
    EXPECT_EQ(List[0].Options, koWholeWords);
    EXPECT_EQ(List[0].Context, 3);
    EXPECT_EQ(List[0].Extra1, 7);
    EXPECT_EQ(List[0].Extra2, 8);
    EXPECT_EQ(List[0].Extra3, 0);
    EXPECT_FALSE(List[0].StopAtParEnd);
    EXPECT_EQ(List[1].StopKeyView(), ">");
    EXPECT_TRUE(List[1].StopAtParEnd);
    EXPECT_EQ(List[1].Extra1, 0);
}

TEST(StartStopKeyListTest, MalformedInputKeepsTheItemsReadBefore) {
    TStartStopKeyList Source;
    Add(Source, "a", "b");
    Add(Source, "c", "d");
    const std::string Bytes = Stored(Source);
    TStartStopKeyList List;
    Add(List, "old", "old");
    const std::string Error = Load(List, Bytes.substr(0, Bytes.size() - 5));
    EXPECT_NE(Error.find("runs past the end of the stream"), std::string::npos) << Error;
    ASSERT_EQ(List.GetCount(), 1);
    EXPECT_EQ(List[0].StartKeyView(), "A");

    // A boolean where an integer belongs, and a key too long for its length field.
    EXPECT_NE(Load(List, Raw("\x01\x06\x00\x06\x00\x08")).find("expected an integer"),
              std::string::npos);
    EXPECT_EQ(List.GetCount(), 0);
    std::string Long = Raw("\x01\x0C\x00\x80\x00\x00") + std::string(32768, 'k');
    EXPECT_EQ(Load(List, Long + Raw("\x06\x00\x02\x00\x02\x00\x02\x00\x02\x00\x02\x00\x02\x00\x08"
                                    "\x00")),
              "Invalid form value: a start/stop key is longer than 32767 bytes");
    EXPECT_EQ(List.GetCount(), 0);
}
