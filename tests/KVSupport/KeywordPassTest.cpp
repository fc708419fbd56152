#include "KVSupport/THighlightEngine.h"
#include "KVSupport/TKeywordPass.h"

#include "HighlightTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvel;
using namespace korvel::test;

namespace {

std::string Keyworded(const std::string& Text, void (*Rules)(TCustomKorvel&)) {
    TTestKorvel T(Text);
    Rules(T.Control);
    HighlightAll(T.Control);
    return AllTops(T.Control);
}

} // namespace

TEST(KeywordPassTest, EarlierKeywordsWinAndOccurrencesDoNotOverlap) {
    EXPECT_EQ(Keyworded("abc",
                        [](TCustomKorvel& C) {
                            AddKeyword(C, "ab");
                            AddKeyword(C, "abc");
                        }),
              "00.");
    EXPECT_EQ(Keyworded("abc",
                        [](TCustomKorvel& C) {
                            AddKeyword(C, "abc");
                            AddKeyword(C, "ab");
                        }),
              "000");
    // Leftmost first, every non-overlapping occurrence.
    EXPECT_EQ(Keyworded("aaaaa xaa", [](TCustomKorvel& C) { AddKeyword(C, "aa"); }), "0000...00");
    // A rejected whole-word occurrence still moves the search on by its
    // length: in "aaa aa" only the second word is "aa".
    EXPECT_EQ(Keyworded("aaa aa", [](TCustomKorvel& C) { AddKeyword(C, "aa", koWholeWords); }),
              "....00");
}

TEST(KeywordPassTest, WholeWordsAreBoundedBySeparatorsAndParagraphEdges) {
    EXPECT_EQ(Keyworded("if x\r\nxif\r\nx if",
                        [](TCustomKorvel& C) { AddKeyword(C, "if", koWholeWords); }),
              "00..|...|..00");
    // A format code is a word character unless it is a separator.
    EXPECT_EQ(Keyworded("i\x02"
                        "f if\x02",
                        [](TCustomKorvel& C) { AddKeyword(C, "if", koWholeWords); }),
              ".......");
}

TEST(KeywordPassTest, CaseAndContextRules) {
    EXPECT_EQ(Keyworded("Int INT int",
                        [](TCustomKorvel& C) {
                            AddKeyword(C, "int", koMatchCase);
                            AddKeyword(C, "INT");
                        }),
              "111.111.000");
    // A keyword without a context number never matches, whatever its style.
    EXPECT_EQ(Keyworded("int", [](TCustomKorvel& C) { AddKeyword(C, "int", 0, 0); }), "...");
    // Inside a range with context 0 keywords are highlighted on top of it;
    // inside one with a context number they are not.
    const std::string Ranges = Keyworded("'x if' /* if */ if", [](TCustomKorvel& C) {
        AddRange(C, "'", "'", 0);
        AddRange(C, "/*", "*/", 5);
        AddKeyword(C, "if");
    });
    EXPECT_EQ(Ranges, "AAA00A.BBBBBBBB.00");
}

TEST(KeywordPassTest, KeywordStatesNestAndRestore) {
    TTestKorvel T("'a if b' c");
    AddRange(T.Control, "'", "'", 0);
    AddKeyword(T.Control, "if");
    HighlightAll(T.Control);
    const TParagraph& Par = T.Control.GetParagraphsList()[0];
    const HighlightRun& Keyword = StateAt(Par, 3);
    EXPECT_EQ(StateDepth(Keyword), 1);
    EXPECT_EQ(StartStopIndex(Keyword.Stack[0]), 0);
    EXPECT_EQ(Keyword.Stack[1], 0);
    EXPECT_EQ(Keyword.Flags, 0xC0 | 0x10);
    EXPECT_EQ(Keyword.TextColor, clBlue);
    EXPECT_EQ(Keyword.Cursor, 3);
    EXPECT_EQ(Keyword.Context, 7);
    EXPECT_EQ(Keyword.TokenLen, 2);
    EXPECT_EQ(Keyword.CloseLen, 2);
    EXPECT_TRUE(SameState(StateAt(Par, 5), StateAt(Par, 1))); // back in the range
    EXPECT_EQ(StateAt(Par, 9).Flags, 0);
}

TEST(KeywordPassTest, RunningTwiceAddsNothingAndLargeBatchesAreApplied) {
    std::string Text;
    for (int I = 0; I < 40; ++I)
        Text += "kw ";
    TTestKorvel T(Text);
    AddKeyword(T.Control, "kw", koWholeWords);
    HighlightAll(T.Control);
    TParagraphsList& List = T.Control.GetParagraphsList();
    EXPECT_EQ(List[0].RunCount(), 80); // 40 matches, each with a restore
    EXPECT_EQ(Tops(T.Control, 0).substr(0, 9), "00.00.00.");
    EXPECT_EQ(Tops(T.Control, 0).substr(114), "00.00.");
    // Matched text is masked for a second pass.
    List[0].Flags &= static_cast<uint8_t>(~pfKeywords);
    T.Control.HighlightParagraph(0);
    EXPECT_EQ(List[0].RunCount(), 80);
}

TEST(KeywordPassTest, ApplyKeyWordsSwitchAndStaleFlags) {
    TTestKorvel T("if x");
    AddKeyword(T.Control, "if");
    T.Control.SetApplyKeyWords(false);
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "....");
    EXPECT_NE(T.Control.GetParagraphsList()[0].Flags & pfKeywords, 0);
    T.Control.SetApplyKeyWords(true);
    T.Control.ResetHighlighting();
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "00..");
}

TEST(KeywordPassTest, PartialSpansLookOnlyAKeywordAroundThem) {
    TTestKorvel T("if x if y if");
    AddKeyword(T.Control, "if");
    THighlightEngine& Engine = T.Control.GetHighlightEngine();
    TKorvelNavigator From(&T.Control);
    TKorvelNavigator To(&T.Control);
    From.SetPos(6);
    To.SetPos(7);
    Engine.ApplyKeywords(From, To);
    // Occurrences must reach the span (from two before From) and begin by To.
    EXPECT_EQ(AllTops(T.Control), ".....00.....");

    // At the edge of the window the text beyond it still decides a whole word.
    TTestKorvel U("ab abc");
    AddKeyword(U.Control, "ab", koWholeWords);
    AddKeyword(U.Control, "x");
    TKorvelNavigator UFrom(&U.Control);
    TKorvelNavigator UTo(&U.Control);
    UFrom.SetPos(2);
    UTo.SetPos(3);
    U.Control.GetHighlightEngine().ApplyKeywords(UFrom, UTo);
    EXPECT_EQ(AllTops(U.Control), "00....");
}

TEST(KeywordPassTest, SetRangeStateRestoresAndSpansParagraphs) {
    TTestKorvel T("abcdef\r\nghij\r\nklm");
    TParagraphsList& List = T.Control.GetParagraphsList();
    HighlightRun Before = StyleState(0x81);
    PutRunAt(List[0], 1, Before);

    TKorvelNavigator From(&T.Control);
    TKorvelNavigator To(&T.Control);
    From.SetPos(3);
    To.SetPos(10); // paragraph 1, offset 2
    HighlightRun State = StyleState(0x04);
    State.Flags = 0x04;
    SetRangeState(List, To, From, true, true, State);
    EXPECT_EQ(StateAt(List[0], 2).Flags, Before.Flags);
    EXPECT_EQ(StateAt(List[0], 3).Flags, 0x84); // automatic, no stack
    EXPECT_EQ(List[1].StartRun()->Flags, 0x84);
    EXPECT_EQ(StateAt(List[1], 1).Flags, 0x84);
    EXPECT_EQ(StateAt(List[1], 2).Flags, Before.Flags); // restored at To
    EXPECT_EQ(List[0].Flags & pfFormatted, 0);
    EXPECT_EQ(List.GetPendingChange().GetFirstPara(), 0);
    EXPECT_GE(List.GetPendingChange().GetLastPara(), 1);

    // Without automatic formatting in force nothing is inserted for a
    // non-automatic state; at the end of the text nothing is restored.
    TTestKorvel U("xyz");
    TParagraphsList& UList = U.Control.GetParagraphsList();
    SetRangeStateAt(UList, 0, 0, 0, 1, false, State);
    EXPECT_EQ(UList[0].RunCount(), 0);
    SetRangeStateAt(UList, 0, 1, 0, 3, true, State);
    EXPECT_EQ(UList[0].RunCount(), 1);
}

TEST(KeywordPassTest, KeywordsBeyondTheStackEntryRangeAreNotMatched) {
    TTestKorvel T("zz");
    TKeywordList& Keywords = T.Control.GetKeywords();
    Keywords.BeginUpdate();
    for (int32_t I = 0; I < MaxStackIndex; ++I) {
        std::string Name(1, 'k');
        Name += std::to_string(I);
        Keywords.Add(Name);
    }
    Keywords.AddKeyword("zz", clBlue, clNone, 0, 1, 1, 0);
    Keywords.EndUpdate();
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "..");
}
