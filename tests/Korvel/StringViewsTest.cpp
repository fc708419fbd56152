#include "EditTestSupport.h"

#include "Korvel/TKorvelStreaming.h"
#include "Korvel/TKorvelStrings.h"
#include "framework/Exceptions.h"
#include "framework/TStringList.h"
#include "framework/TValueReader.h"
#include "framework/TValueType.h"
#include "framework/TValueWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

std::vector<std::string> Items(const TStrings& View) {
    std::vector<std::string> Result;
    for (int32_t I = 0; I < View.GetCount(); ++I)
        Result.push_back(View.Get(I));
    return Result;
}

using TList = std::vector<std::string>;

std::string Stored(TKorvel& Control) {
    TMemoryStream Stream;
    TValueWriter Writer(Stream);
    Control.GetLines().WriteStrings(Writer);
    return Stream.DataString();
}

void ReadStored(TKorvel& Control, const std::string& Bytes) {
    TMemoryStream Stream(Bytes);
    TValueReader Reader(Stream);
    Control.GetLines().ReadStrings(Reader);
}

} // namespace

TEST(StringViewsTest, AddBuildsParagraphsThatCountLeavesOutTheEmptyLastOne) {
    TKorvel Control;
    TKorvelParaStrings& Paragraphs = Control.GetParagraphs();
    TKorvelLinesStrings& Lines = Control.GetLines();
    EXPECT_EQ(Paragraphs.GetCount(), 0);
    EXPECT_EQ(Lines.GetCount(), 0);
    EXPECT_EQ(Lines.Add("first"), 0);
    EXPECT_EQ(Paragraphs.GetCount(), 1);
    EXPECT_EQ(Lines.GetCount(), 1);
    EXPECT_EQ(Control.GetParagraphCount(), 2);
    EXPECT_EQ(Control.GetSelStart(), Control.GetTextLength());
    EXPECT_EQ(Lines.Add("second"), 1);
    EXPECT_EQ(Control.GetAllText(), "first\r\nsecond\r\n");
    // A last paragraph that is not empty gets a new one after it.
    Control.SetSelStart(Control.GetTextLength());
    Control.SetSelText("tail");
    EXPECT_EQ(Paragraphs.Add("more"), 3);
    EXPECT_EQ(Items(Paragraphs), (TList{"first", "second", "tail", "more"}));
    EXPECT_EQ(Items(Lines), (TList{"first", "second", "tail", "more"}));
    EXPECT_EQ(Lines.GetText(), "first\r\nsecond\r\ntail\r\nmore");

    Lines.Clear();
    EXPECT_EQ(Control.GetAllText(), "");
    Lines.SetText("a\r\nb");
    EXPECT_EQ(Control.GetAllText(), "a\r\nb");
}

TEST(StringViewsTest, ParagraphsPutInsertAndDeleteFollowTheirIndexes) {
    TKorvel Control;
    TKorvelParaStrings& Paragraphs = Control.GetParagraphs();
    Control.SetAllText("p0\r\np1");
    Paragraphs.Put(5, "p5");
    EXPECT_EQ(Control.GetAllText(), "p0\r\np1\r\n\r\n\r\n\r\np5");
    EXPECT_THROW(Paragraphs.Put(-1, "x"), ERangeError);
    try {
        (void)Paragraphs.Get(6);
        ADD_FAILURE() << "no exception";
    } catch (const ERangeError& E) {
        EXPECT_STREQ(E.what(), "List index out of bounds");
    }

    Paragraphs.Insert(1, "in");
    Paragraphs.Insert(-3, "top"); // clamped to the first paragraph
    Paragraphs.Insert(99, "end");
    EXPECT_EQ(Items(Paragraphs), (TList{"top", "p0", "in", "p1", "", "", "", "p5", "end"}));
    // The last paragraph's break before it stays; outside indexes do nothing.
    Paragraphs.Delete(8);
    EXPECT_EQ(Control.GetParagraphCount(), 9);
    Paragraphs.Delete(4);
    Paragraphs.Delete(20);
    Paragraphs.Delete(-1);
    EXPECT_EQ(Items(Paragraphs), (TList{"top", "p0", "in", "p1", "", "", "p5"}));
    EXPECT_EQ(Control.GetAllText(), "top\r\np0\r\nin\r\np1\r\n\r\n\r\np5\r\n");
    EXPECT_EQ(ListOf(Control).FindInconsistency(), "");
}

TEST(StringViewsTest, LinesWorkOnDisplayLinesOfWrappedParagraphs) {
    // Paragraph 0 wraps into several lines in a window 400 pixels wide.
    TWindowed W(MakeParagraphs(3, [](int32_t I) { return I == 0 ? 30 : 2; }), umOnNeed);
    TKorvel& Control = *W;
    TKorvelLinesStrings& Lines = Control.GetLines();
    // Nothing is formatted yet: reading a line formats the paragraphs up to
    // it first.
    EXPECT_EQ(Control.GetLineCount(), 3);
    const std::string Line1 = Lines.Get(1);
    ASSERT_FALSE(Line1.empty());
    EXPECT_NE(Control.GetParText(0).find(Line1), std::string::npos);
    const int32_t LineCount = Control.GetLineCount();
    ASSERT_GT(LineCount, 3);
    EXPECT_EQ(Lines.GetCount(), LineCount);
    EXPECT_EQ(Lines.Get(-1), "");
    EXPECT_EQ(Lines.Get(LineCount), "");
    const std::string Paragraph0 = Control.GetParText(0);

    // Put replaces only the piece on that line.
    Lines.Put(1, "#");
    std::string Expected = Paragraph0;
    Expected.replace(Paragraph0.find(Line1), Line1.size(), "#");
    EXPECT_EQ(Control.GetParText(0), Expected);
    Lines.Put(LineCount + 5, "ignored");
    Lines.Put(-1, "ignored");
    EXPECT_EQ(Control.GetParText(0), Expected);

    // Insert before a line, or after the last one; beyond is ignored.
    Control.FormatParagraphs(0, Control.GetParagraphCount() - 1, false, true);
    const int32_t Count = Control.GetLineCount();
    Lines.Insert(Count + 1, "ignored");
    Lines.Insert(Count, "appended");
    EXPECT_EQ(Control.GetParText(Control.GetParagraphCount() - 1), "appended");
    Lines.Insert(Count, "before");
    EXPECT_EQ(Control.GetParagraphCount(), 5);

    // Delete takes the break with a paragraph's last line.
    const int32_t Before = Control.GetParagraphCount();
    Control.FormatParagraphs(0, Before - 1, false, true);
    Lines.Delete(Control.GetLineCount() - 2); // "before", a paragraph of its own
    EXPECT_EQ(Control.GetParagraphCount(), Before - 1);
    Lines.Delete(Lines.GetCount());
    Lines.Delete(-1);
    EXPECT_EQ(Control.GetParagraphCount(), Before - 1);
    EXPECT_EQ(ListOf(Control).FindInconsistency(), "");
}

TEST(StringViewsTest, AssignLoadsAndTheBracketMapsOntoTheControl) {
    TKorvel Control;
    Control.SetAllText("old");
    Control.SetSelStart(2);
    TStringList Three;
    Three.Add("one");
    Three.Add("two");
    Three.Add("three");
    int32_t Changes = 0;
    Control.OnChange = [&](TObject*) { ++Changes; };
    Control.GetLines().Assign(Three);
    EXPECT_EQ(Control.GetAllText(), "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(Control.GetSelStart(), 0);
    EXPECT_EQ(Changes, 1); // a load

    TKorvel Other;
    Other.SetLineBreak(kbCR);
    Other.GetParagraphs().Assign(Control.GetLines());
    EXPECT_EQ(Other.GetAllText(), Control.GetAllText());

    Control.GetLines().BeginUpdate();
    Control.GetParagraphs().BeginUpdate();
    EXPECT_EQ(Control.GetUpdateLock(), 2);
    Control.GetParagraphs().EndUpdate();
    Control.GetLines().EndUpdate();
    EXPECT_EQ(Control.GetUpdateLock(), 0);

    TMemoryStream Stream;
    Control.SetLineBreak(kbLF);
    Control.GetLines().SaveToStream(Stream);
    EXPECT_EQ(Stream.DataString(), "one\r\ntwo\r\nthree\r\n"); // CR LF whatever LineBreak says
}

TEST(StringViewsTest, StoredStringsSurviveAWriteAndARead) {
    TKorvel Control;
    EXPECT_FALSE(Control.GetLines().HasStoredData());
    const std::string Long(300, 'L');
    const std::string Text = "\r\n\r\nhigh \xE9\xFC bytes\r\n" + Long +
                             "\r\n\x02"
                             "codes\x02\r\n";
    Control.SetAllText(Text);
    EXPECT_TRUE(Control.GetLines().HasStoredData());
    const std::string Bytes = Stored(Control);
    // Short values with a 1-byte length, long ones with 4, bytes as stored.
    EXPECT_EQ(Bytes.substr(0, 4), std::string("\x01\x06\x00\x06", 4));
    EXPECT_NE(Bytes.find(std::string("\x0C\x2C\x01\x00\x00", 5) + Long), std::string::npos);
    EXPECT_NE(Bytes.find("\xE9\xFC"), std::string::npos);

    TKorvel Copy;
    Copy.SetAllText("replaced");
    ReadStored(Copy, Bytes);
    EXPECT_EQ(Copy.GetAllText(), Text);
    EXPECT_EQ(Copy.GetUpdateLock(), 0);

    // Pieces ending in 0x05 continue the paragraph; a wide string is
    // converted to the code page.
    TMemoryStream Stream;
    TValueWriter Writer(Stream);
    Writer.WriteListBegin();
    Writer.WriteString("ab\x05");
    Writer.WriteString("cd");
    Writer.WriteValue(TValueType::vaWString);
    const char Wide[] = {2, 0, 0, 0, 'x', 0, static_cast<char>(0xAC), 0x20};
    Stream.WriteBuffer(Wide, sizeof Wide);
    Writer.WriteListEnd();
    ReadStored(Copy, Stream.DataString());
    EXPECT_EQ(Copy.GetAllText(), "abcd\r\nx\x80");

    // A truncated list leaves the bracket closed.
    EXPECT_THROW(ReadStored(Copy, std::string("\x01\x06\x05"
                                              "ab",
                                              5)),
                 EReadError);
    EXPECT_EQ(Copy.GetUpdateLock(), 0);
    EXPECT_EQ(ListOf(Copy).FindInconsistency(), "");

    // Through a whole form description.
    TMemoryStream Form;
    TKorvelStreaming(Control).WriteComponent(Form);
    Form.SetPosition(0);
    TKorvel FromForm;
    TKorvelStreaming(FromForm).ReadComponent(Form);
    EXPECT_EQ(FromForm.GetAllText(), Text);
}
