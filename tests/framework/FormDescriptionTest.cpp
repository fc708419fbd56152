#include "ValueStreamSupport.h"
#include "framework/ColorNames.h"
#include "framework/Exceptions.h"
#include "framework/ObjectTextToBinary.h"
#include "framework/TMemoryStream.h"
#include "framework/TPicture.h"
#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

// The bytes of a literal, zero bytes included.
template <size_t N>
std::string Raw(const char (&Text)[N]) {
    return std::string(Text, N - 1);
}

// The message of the exception of type E that Run raises ("" when none).
template <class E>
std::string ErrorOf(const std::function<void()>& Run) {
    try {
        Run();
    } catch (const E& Error) {
        return Error.what();
    }
    return "";
}

} // namespace

TEST(FormDescriptionTest, NamesIdentifiersSetsBinariesAndNumbersHaveTheirWireForms) {
    const std::string Bytes = Written([](TValueWriter& W) {
        W.WriteStr("Font.Name");
        W.WriteIdent("clRed");
        W.WriteIdent("True");
        W.WriteIdent("nil");
        W.WriteSet({"fsBold", "fsItalic"});
        W.WriteSet({});
        W.WriteBinary(std::string("\x00\xFF", 2));
        W.WriteInt64(-5);
        W.WriteInt64(int64_t{1} << 40);
        W.WriteExtended(1.5);
        W.WriteExtended(-2.0);
        W.WriteExtended(0.0);
    });
    const std::string Expected = Raw("\x09"
                                     "Font.Name"
                                     "\x07\x05"
                                     "clRed"
                                     "\x09\x0D"
                                     "\x0B\x06"
                                     "fsBold"
                                     "\x08"
                                     "fsItalic"
                                     "\x00"
                                     "\x0B\x00"
                                     "\x0A\x02\x00\x00\x00\x00\xFF"
                                     "\x02\xFB"
                                     "\x13\x00\x00\x00\x00\x00\x01\x00\x00"
                                     "\x05\x00\x00\x00\x00\x00\x00\x00\xC0\xFF\x3F"
                                     "\x05\x00\x00\x00\x00\x00\x00\x00\x80\x00\xC0"
                                     "\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00");
    EXPECT_EQ(Bytes, Expected);

    TMemoryStream Stream(Bytes);
    TValueReader Reader(Stream);
    EXPECT_EQ(Reader.ReadStr(), "Font.Name");
    EXPECT_EQ(Reader.ReadIdent(), "clRed");
    EXPECT_EQ(Reader.ReadIdent(), "True");
    EXPECT_EQ(Reader.ReadIdent(), "nil");
    EXPECT_EQ(Reader.ReadSet(), (std::vector<std::string>{"fsBold", "fsItalic"}));
    EXPECT_TRUE(Reader.ReadSet().empty());
    EXPECT_EQ(Reader.ReadBinary(), std::string("\x00\xFF", 2));
    EXPECT_EQ(Reader.ReadInt64(), -5);
    EXPECT_EQ(Reader.ReadInt64(), int64_t{1} << 40);

    // Wrong kinds and truncation raise EReadError with the offset.
    EXPECT_EQ(ReadError("\x06\x01x", [](TValueReader& R) { R.ReadIdent(); }),
              "Invalid form value at offset 0: expected an identifier, found string (tag 0x06)");
    EXPECT_NE(ReadError("\x0B\x03"
                        "ab",
                        [](TValueReader& R) { R.ReadSet(); }),
              "");
    EXPECT_NE(ReadError(std::string("\x0A\x10\x00\x00\x00xy", 7),
                        [](TValueReader& R) { R.ReadBinary(); }),
              "");
    EXPECT_NE(ReadError("\x05", [](TValueReader& R) { R.ReadStr(); }), "");
}

TEST(FormDescriptionTest, ColoursHaveTheFrameworkNames) {
    EXPECT_EQ(ColorToIdent(clRed), "clRed");
    EXPECT_EQ(ColorToIdent(clHighlightText), "clHighlightText");
    EXPECT_EQ(ColorToIdent(clNone), "clNone");
    EXPECT_EQ(ColorToIdent(0x123456), "");
    TColor Color = 0;
    EXPECT_TRUE(IdentToColor("CLWINDOW", Color));
    EXPECT_EQ(Color, clWindow);
    EXPECT_FALSE(IdentToColor("clPink", Color));
}

TEST(FormDescriptionTest, TextFormConvertsToTheBinaryForm) {
    const std::string Text = "object me_Main: TKorvel\r\n"
                             "  Left = -5\r\n"
                             "  Color = $00FF00\r\n"
                             "  Big = 4294967296\r\n"
                             "  Ratio = 1.5\r\n"
                             "  Font.Name = 'Courier New'\r\n"
                             "  Separators = #9#10#13' $%&''s' +\r\n"
                             "    'x'#$41\r\n"
                             "  Options = [kvoWrapCaret, kvoAutoScrollBars]\r\n"
                             "  Empty = []\r\n"
                             "  WordWrap = False\r\n"
                             "  Highlighter = Form1.Hl\r\n"
                             "  Keys = (\r\n"
                             "    'a' 1\r\n"
                             "    ( True ))\r\n"
                             "  Data = {0A0b\r\n 10}\r\n"
                             "  Items = <\r\n"
                             "    item\r\n"
                             "      Caption = 'x'\r\n"
                             "    end>\r\n"
                             "  inline Child: TChild [2]\r\n"
                             "  end\r\n"
                             "end\r\n";
    const std::string Binary = ObjectTextToBinary(Text);
    TMemoryStream Stream(Binary);
    TValueReader R(Stream);
    char Signature[4];
    Stream.ReadBuffer(Signature, 4);
    EXPECT_EQ(std::string(Signature, 4), "TPF0");
    EXPECT_EQ(R.ReadStr(), "TKorvel");
    EXPECT_EQ(R.ReadStr(), "me_Main");
    EXPECT_EQ(R.ReadStr(), "Left");
    EXPECT_EQ(R.ReadInteger(), -5);
    EXPECT_EQ(R.ReadStr(), "Color");
    EXPECT_EQ(R.ReadInteger(), 0x00FF00);
    EXPECT_EQ(R.ReadStr(), "Big");
    EXPECT_EQ(R.ReadInt64(), int64_t{1} << 32);
    EXPECT_EQ(R.ReadStr(), "Ratio");
    EXPECT_EQ(R.NextValue(), TValueType::vaExtended);
    R.SkipValue();
    EXPECT_EQ(R.ReadStr(), "Font.Name");
    EXPECT_EQ(R.ReadString(), "Courier New");
    EXPECT_EQ(R.ReadStr(), "Separators");
    EXPECT_EQ(R.ReadString(), "\t\n\r $%&'sxA");
    EXPECT_EQ(R.ReadStr(), "Options");
    EXPECT_EQ(R.ReadSet(), (std::vector<std::string>{"kvoWrapCaret", "kvoAutoScrollBars"}));
    EXPECT_EQ(R.ReadStr(), "Empty");
    EXPECT_TRUE(R.ReadSet().empty());
    EXPECT_EQ(R.ReadStr(), "WordWrap");
    EXPECT_EQ(R.NextValue(), TValueType::vaFalse);
    EXPECT_FALSE(R.ReadBoolean());
    EXPECT_EQ(R.ReadStr(), "Highlighter");
    EXPECT_EQ(R.ReadIdent(), "Form1.Hl");
    EXPECT_EQ(R.ReadStr(), "Keys");
    R.ReadListBegin();
    EXPECT_EQ(R.ReadString(), "a");
    EXPECT_EQ(R.ReadInteger(), 1);
    R.ReadListBegin();
    EXPECT_TRUE(R.ReadBoolean());
    R.ReadListEnd();
    R.ReadListEnd();
    EXPECT_EQ(R.ReadStr(), "Data");
    EXPECT_EQ(R.ReadBinary(), "\x0A\x0B\x10");
    EXPECT_EQ(R.ReadStr(), "Items");
    EXPECT_EQ(R.NextValue(), TValueType::vaCollection);
    R.SkipValue();
    R.ReadListEnd(); // end of the properties
    // The child: flags prefix (inline, with a position), position, names.
    uint8_t Prefix = 0;
    Stream.ReadBuffer(&Prefix, 1);
    EXPECT_EQ(Prefix, 0xF6);
    EXPECT_EQ(R.ReadInteger(), 2);
    EXPECT_EQ(R.ReadStr(), "TChild");
    EXPECT_EQ(R.ReadStr(), "Child");
    R.ReadListEnd();
    R.ReadListEnd();
    R.ReadListEnd(); // the children of me_Main
    EXPECT_EQ(Stream.GetPosition(), Stream.GetSize());
}

TEST(FormDescriptionTest, MalformedTextNamesItsLine) {
    const struct {
        const char* Text;
        const char* Message;
    } Cases[] = {
        {"object A: T\n  S = 'open\nend\n", "Line 2: unterminated string"},
        {"object A: T\n  X = 1\n", "Line 3: identifier expected"},
        {"object A: T\n  X = ?\nend", "Line 2: unexpected character '?'"},
        {"object A: T\n\n  D = {ABC}\nend", "Line 3: odd number of hexadecimal digits"},
        {"object A: T\n  N = 99999999999999999999\nend", "Line 2: integer out of range"},
        {"object A: T\n  S = [a b]\nend", "Line 2: ',' expected"},
        {"thing A: T\nend", "Line 1: 'object' expected"},
        {"object A: T\nend\nmore", "Line 3: text after the last end"},
        {"object A: T\n  X = 'a' +\n  1\nend", "Line 3: string expected after '+'"},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(ErrorOf<EParserError>([&] { ObjectTextToBinary(Case.Text); }), Case.Message)
            << Case.Text;
}

TEST(FormDescriptionTest, PictureDataRoundTripsAndRejectsWhatItCannotHold) {
    TPicture Picture;
    int32_t Changes = 0;
    Picture.OnChange = [&](TObject*) { ++Changes; };
    EXPECT_EQ(Picture.SaveToData(), "");
    Picture.SetImage(3, 2, {0x000001, 0x000002, 0x000003, 0x0000FF, 0x123456, 0});
    EXPECT_EQ(Changes, 1);
    Picture.SetImage(3, 2, Picture.GetPixels());
    EXPECT_EQ(Changes, 1); // nothing changed

    const std::string Data = Picture.SaveToData();
    EXPECT_EQ(Data.substr(0, 8), "\x07TBitmap");
    EXPECT_EQ(Data.substr(12, 2), "BM");
    TPicture Copy;
    Copy.LoadFromData(Data);
    EXPECT_EQ(Copy, Picture);
    EXPECT_EQ(Copy.GetPixel(0, 1), clRed);
    EXPECT_EQ(Copy.GetPixel(1, 1), 0x123456);

    // A 24-bit bitmap stored from the top (negative height), rows padded.
    std::string File = "BM";
    auto Put = [&](uint32_t V, int N) {
        for (int I = 0; I < N; ++I)
            File += static_cast<char>(I < 4 ? V >> (8 * I) : 0);
    };
    Put(14 + 40 + 16, 4);
    Put(0, 4);
    Put(54, 4);
    Put(40, 4);
    Put(2, 4);
    Put(static_cast<uint32_t>(-2), 4);
    Put(1, 2);
    Put(24, 2);
    Put(0, 4);
    Put(16, 4);
    Put(0, 16);
    Put(0x112233, 3);
    Put(0x445566, 3);
    Put(0, 2);
    Put(0x778899, 3);
    Put(0xAABBCC, 3);
    Put(0, 2);
    std::string Stored = "\x07TBitmap";
    const uint32_t Size = static_cast<uint32_t>(File.size());
    for (int I = 0; I < 4; ++I)
        Stored += static_cast<char>(Size >> (8 * I));
    Copy.LoadFromData(Stored + File);
    EXPECT_EQ(Copy.GetWidth(), 2);
    EXPECT_EQ(Copy.GetHeight(), 2);
    EXPECT_EQ(Copy.GetPixel(1, 0), 0x665544); // bitmap files keep red last
    EXPECT_EQ(Copy.GetPixel(0, 1), 0x998877);

    // Anything else: EReadError, and the picture is left as it was.
    const std::string Bad[] = {
        "",
        "\x05TIcon",
        "\x07TBitmap\x02",
        Stored + File.substr(0, 60), // the pixels are cut off
        Data.substr(0, 12) + "XX" + Data.substr(14),
    };
    for (const std::string& Input : Bad) {
        EXPECT_NE(ErrorOf<EReadError>([&] { Copy.LoadFromData(Input); }), "");
        EXPECT_EQ(Copy.GetWidth(), 2);
    }
}
