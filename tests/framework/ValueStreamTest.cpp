#include "ValueStreamSupport.h"
#include "framework/Exceptions.h"
#include "framework/TMemoryStream.h"
#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

using namespace korvel;
using namespace korvel::test;

TEST(ValueStreamTest, IntegersUseTheShortestFormAndReadBack) {
    struct {
        int32_t Value;
        std::string Bytes;
    } const Cases[] = {
        {0, std::string("\x02\x00", 2)},
        {-128, "\x02\x80"},
        {127, "\x02\x7F"},
        {128, std::string("\x03\x80\x00", 3)},
        {-129, "\x03\x7F\xFF"},
        {32767, "\x03\xFF\x7F"},
        {-32768, std::string("\x03\x00\x80", 3)},
        {32768, std::string("\x04\x00\x80\x00\x00", 5)},
        {-32769, "\x04\xFF\x7F\xFF\xFF"},
        {INT32_MAX, "\x04\xFF\xFF\xFF\x7F"},
        {INT32_MIN, std::string("\x04\x00\x00\x00\x80", 5)},
        {0x1FFFFFFF, "\x04\xFF\xFF\xFF\x1F"},
    };
    for (const auto& Case : Cases) {
        const std::string Bytes = Written([&](TValueWriter& W) { W.WriteInteger(Case.Value); });
        EXPECT_EQ(Bytes, Case.Bytes) << Case.Value;
        TMemoryStream Stream(Bytes);
        TValueReader Reader(Stream);
        EXPECT_EQ(Reader.ReadInteger(), Case.Value);
    }
    TMemoryStream Stream(std::string("\x13\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x02\x05", 11));
    TValueReader Reader(Stream);
    EXPECT_EQ(Reader.ReadInt64(), -2);
    EXPECT_EQ(Reader.ReadInt64(), 5);
}

TEST(ValueStreamTest, StringsChooseTheirFormByLengthAndContent) {
    EXPECT_EQ(Written([](TValueWriter& W) { W.WriteString(""); }), std::string("\x06\x00", 2));
    const std::string Short(255, 'x');
    const std::string Long(256, 'y');
    EXPECT_EQ(Written([&](TValueWriter& W) { W.WriteString(Short); }), "\x06\xFF" + Short);
    EXPECT_EQ(Written([&](TValueWriter& W) { W.WriteString(Long); }),
              std::string("\x0C\x00\x01\x00\x00", 5) + Long);
    // A byte of 0x80 or above makes the whole string UTF-8, whatever its length.
    EXPECT_EQ(Written([](TValueWriter& W) { W.WriteString("a\xE9\x80"); }),
              std::string("\x14\x06\x00\x00\x00", 5) + "a\xC3\xA9\xE2\x82\xAC");

    const std::string Bytes = Written([&](TValueWriter& W) {
        W.WriteString(Short);
        W.WriteString(Long);
        W.WriteString("a\xE9\x80");
        W.WriteString(std::string("z\0z", 3));
    });
    TMemoryStream Stream(Bytes);
    TValueReader Reader(Stream);
    EXPECT_EQ(Reader.ReadString(), Short);
    EXPECT_EQ(Reader.ReadString(), Long);
    EXPECT_EQ(Reader.ReadString(), "a\xE9\x80");
    EXPECT_EQ(Reader.ReadString(), std::string("z\0z", 3));
    EXPECT_EQ(Stream.GetPosition(), Stream.GetSize());
}

TEST(ValueStreamTest, WideStringsAreAcceptedAndConvertedToTheCodePage) {
    // u"e\u00E9\u20AC\u4E2D": the last character is outside the code page.
    const std::string Bytes("\x12\x04\x00\x00\x00"
                            "e\x00\xE9\x00\xAC\x20\x2D\x4E",
                            13);
    TMemoryStream Stream(Bytes);
    TValueReader Reader(Stream);
    EXPECT_EQ(Reader.NextValue(), TValueType::vaWString);
    EXPECT_EQ(Reader.ReadString(), "e\xE9\x80?");
}

TEST(ValueStreamTest, ListsBooleansAndPeeking) {
    const std::string Bytes = Written([](TValueWriter& W) {
        W.WriteListBegin();
        W.WriteBoolean(true);
        W.WriteBoolean(false);
        W.WriteListEnd();
    });
    EXPECT_EQ(Bytes, std::string("\x01\x09\x08\x00", 4));
    TMemoryStream Stream(Bytes);
    TValueReader Reader(Stream);
    Reader.ReadListBegin();
    EXPECT_FALSE(Reader.EndOfList());
    EXPECT_EQ(Reader.NextValue(), TValueType::vaTrue); // peeking consumes nothing
    EXPECT_TRUE(Reader.ReadBoolean());
    EXPECT_FALSE(Reader.ReadBoolean());
    EXPECT_TRUE(Reader.EndOfList());
    Reader.ReadListEnd();
}

TEST(ValueStreamTest, MalformedValuesRaiseErrorsNamingTheFault) {
    auto Int = [](TValueReader& R) { R.ReadInteger(); };
    auto Str = [](TValueReader& R) { R.ReadString(); };
    EXPECT_EQ(ReadError("", Int), "Invalid form value at offset 0: value tag runs past the end "
                                  "of the stream");
    EXPECT_EQ(ReadError("\x03\x01", Int),
              "Invalid form value at offset 1: integer runs past the end of the stream");
    EXPECT_EQ(ReadError("\x06\x01", Int),
              "Invalid form value at offset 0: expected an integer, found string (tag 0x06)");
    EXPECT_EQ(ReadError("\x02\x01", Str),
              "Invalid form value at offset 0: expected a string, found 8-bit integer (tag 0x02)");
    EXPECT_EQ(ReadError("\x06\x05"
                        "abc",
                        Str),
              "Invalid form value at offset 2: string runs past the end of the stream");
    // A huge length is refused before anything is allocated.
    EXPECT_EQ(ReadError("\x0C\xFF\xFF\xFF\x7F"
                        "abc",
                        Str),
              "Invalid form value at offset 1: long string of 2147483647 bytes runs past the "
              "end of the stream");
    EXPECT_EQ(ReadError("\x14\xFF\xFF\xFF\xFF", Str),
              "Invalid form value at offset 1: UTF-8 string has a negative length (-1)");
    EXPECT_EQ(ReadError(std::string("\x12\x02\x00\x00\x00"
                                    "abc",
                                    8),
                        Str),
              "Invalid form value at offset 1: wide string of 4 bytes runs past the end of the "
              "stream");
    EXPECT_EQ(ReadError("\x02", [](TValueReader& R) { R.ReadListBegin(); }),
              "Invalid form value at offset 0: expected list begin, found 8-bit integer (tag "
              "0x02)");
    EXPECT_EQ(ReadError("\x2A", [](TValueReader& R) { R.SkipValue(); }),
              "Invalid form value at offset 0: expected a known value, found unknown value "
              "(tag 0x2A)");
}

TEST(ValueStreamTest, SkipValuePassesOverEveryKind) {
    std::string Bytes;
    Bytes += std::string("\x01\x02\x05\x01\x09\x00\x00", 7); // nested lists
    Bytes += std::string("\x05\0\0\0\0\0\0\0\0\0\0", 11);    // extended
    Bytes += std::string("\x07\x03"
                         "abc",
                         5);                                 // identifier
    Bytes += std::string("\x0A\x02\x00\x00\x00\xFF\xFF", 7); // binary
    Bytes += std::string("\x0B\x01"
                         "a"
                         "\x02"
                         "bc"
                         "\x00",
                         7);                                                   // set
    Bytes += std::string("\x0D", 1);                                           // nil
    Bytes += std::string("\x0E\x02\x07\x01\x01p\x02\x01\x00\x01\x00\x00", 12); // collection
    Bytes += std::string("\x0F\0\0\0\0\x10\0\0\0\0\0\0\0\0\x11\0\0\0\0\0\0\0\0", 23);
    Bytes += std::string("\x12\x01\x00\x00\x00xx", 7); // wide string
    Bytes += std::string("\x13\0\0\0\0\0\0\0\0", 9);   // int64
    Bytes += std::string("\x14\x01\x00\x00\x00z", 6);  // UTF-8
    Bytes += "\x02\x2A";                               // sentinel
    TMemoryStream Stream(Bytes);
    TValueReader Reader(Stream);
    for (int i = 0; i < 13; ++i)
        Reader.SkipValue();
    EXPECT_EQ(Reader.ReadInteger(), 42);

    const std::string Deep(TValueReader::MaxNesting + 1, '\x01');
    EXPECT_NE(
        ReadError(Deep + std::string(Deep.size(), '\0'), [](TValueReader& R) { R.SkipValue(); })
            .find("nested more than 256 deep"),
        std::string::npos);
    const std::string Fits(TValueReader::MaxNesting, '\x01');
    EXPECT_EQ(
        ReadError(Fits + std::string(Fits.size(), '\0'), [](TValueReader& R) { R.SkipValue(); }),
        "");
}
