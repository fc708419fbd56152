// Rules of the highlighting passes where the plain reading of a rule would
// give stale or wrong states: each case here pins the sound behaviour.

#include "KVSupport/THighlightEngine.h"

#include "HighlightTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

TEST(HighlightRulesTest, StartKeysAreAllowedUnderKeywordEntriesDownToMinusOne) {
    HighlightRun State = StyleState(0xC0);
    State.Depth = 0;
    for (const int16_t Entry : {int16_t{-1}, int16_t{0}, int16_t{5}}) {
        State.Stack[0] = Entry;
        EXPECT_TRUE(StartKeysAllowed(State)) << Entry;
    }
    for (const int16_t Entry : {int16_t{-2}, int16_t{-32768}}) {
        State.Stack[0] = Entry;
        EXPECT_FALSE(StartKeysAllowed(State)) << Entry;
    }
}

// A whole-word stop key is tested against the characters really beside it,
// also where its search window is cut at the paragraph's start or end: it
// never closes a range inside a longer word.
TEST(HighlightRulesTest, WholeWordStopKeysNeedSeparatorsAtParagraphEdgesToo) {
    struct TCase {
        const char* Text;
        const char* Tops;
    };
    for (const TCase& C : {TCase{"{ xend end", "AAAAAAAAAA"}, // not at the 'end' of "xend"
                           TCase{"{ endx", "AAAAAA"},         // not at the 'end' of "endx"
                           TCase{"{ end x", "AAAAA.."}}) {
        TCustomKorvel Control;
        AddRange(Control, "{", "end", 1, koWholeWords);
        LoadControlText(Control, C.Text);
        HighlightAll(Control);
        EXPECT_EQ(Tops(Control, 0), C.Tops) << C.Text;
    }
}

// The opening run's CloseLen is the stop key's length while the range is
// open and the stop token's (one more with a separator required before it)
// once it is closed.
TEST(HighlightRulesTest, CloseLenIsTheStopKeyUntilTheRangeCloses) {
    TCustomKorvel Control;
    AddRange(Control, "{", "end", 1, koWholeWords);
    LoadControlText(Control, "{ x end { y");
    HighlightAll(Control);
    const TParagraph& Par = Control.GetParagraphsList()[0];
    EXPECT_EQ(StateAt(Par, 0).CloseLen, 4);
    EXPECT_EQ(StateAt(Par, 8).CloseLen, 3);
}

// A scan of a span that starts in an earlier paragraph must not claim the
// paragraphs before it current, and it drops every old run of the later
// paragraphs it covers, the one at their offset 0 included (a keyword run
// kept there would lose the run that ends it and spread over the rest).
TEST(HighlightRulesTest, ScansKeepContextsHonestAndDropOldRunsAtParagraphStarts) {
    TCustomKorvel Control;
    AddRange(Control, "{", "}");
    LoadControlText(Control, "{\r\nb\r\nc");
    THighlightEngine& Engine = Control.GetHighlightEngine();
    TKorvelNavigator From(&Control);
    TKorvelNavigator To(&Control);
    From.SetParagraph(2);
    To.SetParagraph(2);
    To.SetParOffset(1);
    Engine.ScanStartStop(From, To, DefaultRun());
    EXPECT_EQ(Control.GetParagraphsList().GetFormatCounters().GetContextValidTo(), -1);
    Control.ScanStartStopUpTo(2);
    EXPECT_EQ(AllTops(Control), "A|A|A");

    TCustomKorvel Words;
    AddKeyword(Words, "kw");
    LoadControlText(Words, "x\r\nkw rest");
    HighlightAll(Words);
    ASSERT_EQ(Tops(Words, 1), "00.....");
    TKorvelNavigator Start(&Words);
    TKorvelNavigator End(&Words);
    End.SetPos(Words.GetTextLength());
    Words.GetHighlightEngine().ScanStartStop(Start, End, DefaultRun());
    EXPECT_EQ(Tops(Words, 1), ".......");
}

// A whole-word keyword whose occurrence ends where the searched window ends
// is still checked against the character after it.
TEST(HighlightRulesTest, WholeWordKeywordsAreCheckedBeyondTheWindow) {
    TCustomKorvel Control;
    AddKeyword(Control, "cat", koWholeWords);
    LoadControlText(Control, "catalog cat");
    TKorvelNavigator From(&Control);
    TKorvelNavigator To(&Control);
    Control.GetHighlightEngine().ApplyKeywords(From, To);
    EXPECT_EQ(Tops(Control, 0), "...........");
    HighlightAll(Control);
    EXPECT_EQ(Tops(Control, 0), "........000");
}

// A keyword changed in the middle of the list is never matched in its old
// form, even before the highlighting is reset.
TEST(HighlightRulesTest, AKeywordChangedInTheMiddleOfTheListIsNotMatchedAsItWas) {
    TCustomKorvel Control;
    for (const char* Key : {"aa", "bb", "cc"})
        AddKeyword(Control, Key);
    LoadControlText(Control, "aa bb cc");
    HighlightAll(Control);
    ASSERT_EQ(Tops(Control, 0), "00.11.22");
    Control.GetKeywords().Put(1, "zz");
    Replace(Control, 0, 8, "aa bb zz");
    EXPECT_EQ(Tops(Control, 0), "00....11");
}

// A rescan after an edit compares the state it reaches with the state the
// old text ended with, not with the state now found at the end of the new
// text: the edit took the runs of the replaced text away, so that state is
// the one from before the edit and would declare the scan converged while
// the stop key was just deleted, leaving the next paragraph outside the range.
TEST(HighlightRulesTest, ARescanAfterAnEditComparesWithTheStateTheOldTextEndedWith) {
    struct TCase {
        int32_t From;
        int32_t To;
        const char* Text;
        const char* Tops;
    };
    for (const TCase& C : {TCase{5, 6, "", "AAAAAA|AAAA"},     // the stop key deleted
                           TCase{5, 6, "z", "AAAAAAA|AAAA"},   // typed over
                           TCase{4, 6, "y", "AAAAAA|AAAA"}}) { // deleted with the text before
        TCustomKorvel Control;
        AddRange(Control, "{", "}");
        LoadControlText(Control, "{ ab }x\r\nnext");
        HighlightAll(Control);
        ASSERT_EQ(AllTops(Control), "AAAAAA.|....");
        Replace(Control, C.From, C.To, C.Text);
        HighlightAll(Control);
        EXPECT_EQ(AllTops(Control), C.Tops) << C.From << ".." << C.To << " \"" << C.Text << '"';
        // Typing the stop key again ends the range where it did.
        Replace(Control, 5, 5, "}");
        HighlightAll(Control);
        EXPECT_EQ(Tops(Control, 1), "....") << C.From << ".." << C.To;
    }
}

// CloseLen is set on the run in force also when that run lies in an earlier
// paragraph (the range or highlight was opened there); the start runs of the
// paragraphs in between are copies of it and read the same value.
TEST(HighlightRulesTest, CloseLenReachesTheRunInForceInAnEarlierParagraph) {
    // The start run of every paragraph up to Last and the last run of the
    // first paragraph.
    auto CloseLens = [](const TCustomKorvel& Control, int32_t Last) {
        const TParagraphsList& List = Control.GetParagraphsList();
        std::vector<int> Values{List[0].GetExtra()->Runs.back().CloseLen};
        for (int32_t P = 1; P <= Last; ++P)
            Values.push_back(List[P].StartRun()->CloseLen);
        return Values;
    };

    // A range closed two paragraphs later: the stop token's length.
    TCustomKorvel Closed;
    AddRange(Closed, "{", "end", 1, koWholeWords);
    LoadControlText(Closed, "{ a\r\nb\r\nx end");
    HighlightAll(Closed);
    EXPECT_EQ(CloseLens(Closed, 2), (std::vector<int>{4, 4, 4}));

    // A keyword pushed onto a range opened in the paragraph before: 0.
    TCustomKorvel Keyword;
    AddRange(Keyword, "{", "}", 0);
    AddKeyword(Keyword, "kw");
    LoadControlText(Keyword, "{ a\r\nkw }");
    HighlightAll(Keyword);
    ASSERT_EQ(AllTops(Keyword), "AAA|00AA");
    EXPECT_EQ(CloseLens(Keyword, 1), (std::vector<int>{0, 0}));

    // A start key opened on top of a highlighter's own highlight (an entry
    // that lets start keys in) carried over from the paragraph before: 0.
    TCustomKorvel Pushed;
    AddRange(Pushed, "{", "}");
    LoadControlText(Pushed, "a\r\n{ x }");
    HighlightRun Own = StyleState(hfKeyState);
    Own.Depth = 0;
    Own.Stack[0] = 1000;
    Own.CloseLen = 9;
    TParagraphsList& List = Pushed.GetParagraphsList();
    PutRunAt(List[0], 0, Own);
    List[0].Flags |= pfScanned;
    List[1].SetStartRun(&Own, true);
    Pushed.ScanStartStopUpTo(1);
    ASSERT_EQ(Tops(Pushed, 1), "AAAAA");
    EXPECT_EQ(CloseLens(Pushed, 1), (std::vector<int>{0, 0}));
}

// After a keyword pass both ends of its span stand at least at the end of the
// last match. The search itself keeps the span it was given, also when a full
// batch of matches is applied halfway: a keyword later in the list still
// finds its occurrences before that batch.
TEST(HighlightRulesTest, KeywordPassMovesItsEndsToTheLastMatchButSearchesItsWholeSpan) {
    TCustomKorvel Control;
    AddKeyword(Control, "a");
    AddKeyword(Control, "b");
    std::string Text = "b";
    std::string Expected = "1";
    for (int I = 0; I < 17; ++I) { // more matches of "a" than a batch holds
        Text += " a";
        Expected += ".0";
    }
    LoadControlText(Control, Text + " x");
    TKorvelNavigator From(&Control);
    TKorvelNavigator To(&Control);
    To.SetPos(Control.GetTextLength());
    Control.GetHighlightEngine().ApplyKeywords(From, To);
    EXPECT_EQ(Tops(Control, 0), Expected + "..");
    EXPECT_EQ(From.GetPos(), 35); // after the last "a"
    EXPECT_EQ(To.GetPos(), 37);   // already beyond it

    // A match that begins inside the span and ends beyond it takes To along.
    TCustomKorvel Short;
    AddKeyword(Short, "abc");
    LoadControlText(Short, "x abc abc");
    TKorvelNavigator ShortFrom(&Short);
    TKorvelNavigator ShortTo(&Short);
    ShortTo.SetPos(3);
    Short.GetHighlightEngine().ApplyKeywords(ShortFrom, ShortTo);
    EXPECT_EQ(Tops(Short, 0), "..000....");
    EXPECT_EQ(ShortFrom.GetPos(), 5);
    EXPECT_EQ(ShortTo.GetPos(), 5);
}
