#include "ParagraphsListSupport.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;
using Strings = std::vector<std::string>;

TEST(ParagraphsListSaveTest, ParagraphsAreJoinedByTheChosenBreak) {
    TParagraphsList List;
    Load(List, "a\r\n\nb\n\rc");
    EXPECT_EQ(Save(List, kbCRLF), "a\r\n\r\nb\r\nc");
    EXPECT_EQ(Save(List, kbLFCR), "a\n\r\n\rb\n\rc");
    EXPECT_EQ(Save(List, kbCR), "a\r\rb\rc");
    EXPECT_EQ(Save(List, kbLF), "a\n\nb\nc");
    EXPECT_EQ(Save(List, static_cast<TKorvelLineBreak>(9)), "a\r\n\r\nb\r\nc");
    // Whatever break was written, loading it again gives the same paragraphs.
    for (const TKorvelLineBreak Break : {kbCRLF, kbLFCR, kbCR, kbLF}) {
        TParagraphsList Again;
        EXPECT_EQ(Load(Again, Save(List, Break)), Break);
        EXPECT_EQ(Texts(Again), Texts(List));
    }

    TParagraphsList Empty;
    EXPECT_EQ(Save(Empty, kbCRLF), ""); // no paragraphs at all
    Empty.AddEmptyParagraph();
    EXPECT_EQ(Save(Empty, kbCRLF), "");
    Empty.AddEmptyParagraph();
    EXPECT_EQ(Save(Empty, kbCRLF), "\r\n");

    TParagraphsList Long; // paragraphs beyond the compact length and the write block
    const std::string Big(200000, 'x');
    Load(Long, Big + "\r" + Big);
    EXPECT_EQ(Save(Long, kbLF), Big + "\n" + Big);
}

TEST(ParagraphsListSaveTest, CompactCodesWritesCancellingPairsOutOfACopy) {
    TParagraphsList List;
    List.SetStaticFormat(true);
    Load(List, "\x02\x02x\r\n\x02\x01\x02x\r\nbold\x02\x02\r\n\x15 y \x15");
    EXPECT_EQ(Save(List, kbLF, true), "x\n\x01x\nbold\n\x15 y \x15");
    EXPECT_EQ(List[0].View(), "\x02\x02x"); // the paragraphs are not changed
    EXPECT_EQ(Save(List, kbLF, false), "\x02\x02x\n\x02\x01\x02x\nbold\x02\x02\n\x15 y \x15");

    List.SetStaticFormat(false); // codes are ordinary bytes then: nothing is compacted
    EXPECT_EQ(Save(List, kbLF, true), "\x02\x02x\n\x02\x01\x02x\nbold\x02\x02\n\x15 y \x15");
}

TEST(ParagraphsListSaveTest, DiscardTrailingWritesWithoutTrailingBlanks) {
    TParagraphsList List;
    List.SetStaticFormat(true);
    Load(List, "a \t \r\n \r\nb\x02\x02 \r\nc\x02 ");
    EXPECT_EQ(Save(List, kbLF, false, true), "a\n\nb\x02\x02\nc\x02");
    // Compacting first can expose blanks that are then trimmed too.
    EXPECT_EQ(Save(List, kbLF, true, true), "a\n\nb\nc\x02");
    EXPECT_EQ(List[0].View(), "a \t ");
}

TEST(ParagraphsListSaveTest, ProgressAfterEachIntervalAndOnceAtTheEnd) {
    TSteppingClock Clock(0, 1);
    TParagraphsList List(Clock);
    Load(List, Repeat("p\r\n", 10)); // 11 paragraphs
    TMemoryStream Stream;
    std::vector<int64_t> SizeAtCall;
    List.SaveText(
        Stream, false, 2,
        [&](TObject* Sender) {
            EXPECT_EQ(Sender, &List);
            SizeAtCall.push_back(Stream.GetSize()); // what is written so far has reached it
        },
        kbCRLF, false);
    // T0 = 1; reads after paragraphs 0, 1, 2 give 2, 3, 4: the third is more
    // than 2 ms later, and the clock is read again after each report.
    EXPECT_EQ(SizeAtCall, (std::vector<int64_t>{9, 18, 27, 30}));
    EXPECT_EQ(Stream.DataString(), Save(List, kbCRLF));
}

TEST(ParagraphsListSaveTest, StreamErrorsPropagate) {
    TParagraphsList List;
    Load(List, std::string(100000, 'x') + "\r\nshort");
    TLimitedStream Stream("", 1000);
    EXPECT_THROW(List.SaveText(Stream, false, 0, nullptr, kbCRLF, false), EWriteError);
}
