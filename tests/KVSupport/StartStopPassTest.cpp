#include "KVSupport/THighlightEngine.h"
#include "KVSupport/TKorvelHighlighter.h"
#include "KVSupport/TUpperCaseCache.h"

#include "HighlightTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

uint8_t FlagsOf(const TCustomKorvel& Control, int32_t Par) {
    return Control.GetParagraphsList()[Par].Flags;
}

} // namespace

TEST(StartStopPassTest, StatePredicatesAndEquality) {
    HighlightRun Plain = DefaultRun();
    HighlightRun Range =
        PushedState(Plain, TKeyInfo{0, 3, 5, 0, clNone, clRed}, StartStopEntry(2), 2, 2);
    EXPECT_EQ(Range.Flags, 0xC3);
    EXPECT_EQ(StateDepth(Range), 0);
    EXPECT_EQ(StartStopIndex(TopEntry(Range)), 2);
    EXPECT_FALSE(StartKeysAllowed(Range)); // its stop key is looked for instead
    EXPECT_FALSE(KeywordsAllowed(Range));  // context 5
    EXPECT_TRUE(StartKeysAllowed(Plain));
    EXPECT_TRUE(KeywordsAllowed(Plain));

    HighlightRun Keyword = PushedState(Range, TKeyInfo{0, 1, 0, 0, clNone, clNone}, 4, 3, 3);
    EXPECT_EQ(StateDepth(Keyword), 1);
    EXPECT_TRUE(StartKeysAllowed(Keyword)); // a keyword on top
    EXPECT_TRUE(KeywordsAllowed(Keyword));  // context 0

    // Style, colours and token lengths do not count; stack and context do.
    HighlightRun Other = Range;
    Other.Flags = 0xC0 | 0x07;
    Other.TextColor = clBlue;
    Other.TokenLen = 9;
    EXPECT_TRUE(SameState(Range, Other));
    Other.Stack[0] = StartStopEntry(3);
    EXPECT_FALSE(SameState(Range, Other));
    EXPECT_FALSE(SameState(Range, Plain));
    // Without automatic formatting, depth and stack are not read.
    HighlightRun Stale = Plain;
    Stale.Depth = 4;
    Stale.Context = 8;
    EXPECT_TRUE(SameState(Plain, Stale));
    // Token lengths kept in 8 bits.
    EXPECT_EQ(TokenLength(300), 255);
    EXPECT_EQ(TokenLength(-2), 0);
}

TEST(StartStopPassTest, RangesOpenCloseAndRestoreTheStateBefore) {
    TTestKorvel T("a /* b */ c /* d\r\ne */ f");
    AddRange(T.Control, "/*", "*/");
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "..AAAAAAA...AAAA|AAAA..");
    const TParagraph& Second = T.Control.GetParagraphsList()[1];
    EXPECT_EQ(StateDepth(*Second.StartRun()), 0); // carried into the next paragraph
    EXPECT_EQ(StateAt(Second, 4).Flags, 0);       // the state before the range again
    EXPECT_EQ(StateAt(T.Control.GetParagraphsList()[0], 3).TextColor, clRed);
    // A stop key never overlaps its start token.
    TTestKorvel U("/*/ x");
    AddRange(U.Control, "/*", "*/");
    HighlightAll(U.Control);
    EXPECT_EQ(AllTops(U.Control), "AAAAA");
}

TEST(StartStopPassTest, OpenRangeReachesLaterParagraphsOneByOne) {
    TTestKorvel T("x /*\r\na\r\nb\r\nc */ d");
    AddRange(T.Control, "/*", "*/");
    TParagraphsList& List = T.Control.GetParagraphsList();
    T.Control.ScanStartStopUpTo(0);
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), 0);
    EXPECT_EQ(FlagsOf(T.Control, 1) & pfScanned, 0);
    EXPECT_EQ(StateDepth(*List[1].StartRun()), 0); // the next paragraph got the state
    T.Control.ScanStartStopUpTo(3);
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), 3);
    EXPECT_EQ(AllTops(T.Control), "..AA|A|A|AAAA..");
    // Up to date paragraphs are not scanned again.
    List[2].AttachExtra().Runs.clear();
    T.Control.ScanStartStopUpTo(3);
    EXPECT_EQ(List[2].RunCount(), 0);
}

TEST(StartStopPassTest, StopAtParagraphEndAndEmptyStopKeys) {
    TTestKorvel T("a // b /* c\r\nd /* e\r\nf");
    AddRange(T.Control, "//", "", 2, 0, true);
    AddRange(T.Control, "/*", "", 1, 0, false); // never closes
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "..AAAAAAAAA|..BBBB|B");
    EXPECT_EQ(T.Control.GetStartStopKeys().GetMaxStopLen(), 2);
}

TEST(StartStopPassTest, SameStartKeyContinuesAsTheLaterRecord) {
    TTestKorvel T("<< a >> b !> c");
    AddRange(T.Control, "<<", ">>");
    const int32_t Second = AddRange(T.Control, "<<", "!>");
    ASSERT_EQ(T.Control.GetStartStopKeys()[Second].SameStart, 0);
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "AAAAAAABBBBB..");
    const TParagraph& Par = T.Control.GetParagraphsList()[0];
    EXPECT_EQ(StateAt(Par, 8).Flags, 0xC0 | 2); // the second record's style
    EXPECT_EQ(StateDepth(StateAt(Par, 8)), 0);
    EXPECT_EQ(StateAt(Par, 13).Flags, 0);
}

TEST(StartStopPassTest, WholeWordStartKeysFollowTheSeparators) {
    auto Scan = [](const std::string& Text, const std::string& Separators = {}) {
        TTestKorvel T(Text);
        if (!Separators.empty())
            T.Control.SetSeparators(Separators);
        AddRange(T.Control, "if", "fi", 1, koWholeWords);
        HighlightAll(T.Control);
        return AllTops(T.Control);
    };
    EXPECT_EQ(Scan("elif x"), "......");
    EXPECT_EQ(Scan("(if x"), ".....");
    EXPECT_EQ(Scan("x if y"), "..AAAA");
    EXPECT_EQ(Scan("x ify fi"), "........");
    std::string WithParen(TSeparatorSet::DefaultSeparators);
    WithParen.push_back('(');
    EXPECT_EQ(Scan("(if x", WithParen), ".AAAA");
    // Whole-word stop keys: "xfi" does not close, the separate one does.
    EXPECT_EQ(Scan("if xfi fi z"), "AAAAAAAAA..");

    // Changing the separators is seen by the next scan.
    TTestKorvel T("(if x");
    AddRange(T.Control, "if", "fi", 1, koWholeWords);
    HighlightAll(T.Control);
    EXPECT_TRUE(T.Control.GetStartStopKeys().GetPrepared());
    T.Control.SetSeparators("( ");
    EXPECT_FALSE(T.Control.GetStartStopKeys().GetPrepared());
    T.Control.ResetHighlighting();
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), ".AAAA");
}

TEST(StartStopPassTest, CaseRulesAndFirstKeyInListOrderWins) {
    TTestKorvel T("Rem x\r\nREM y\r\nrem z");
    AddRange(T.Control, "rem", "", 1, koMatchCase, true);
    AddRange(T.Control, "REM", "", 2, 0, true); // upper-cased, matches any case
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "BBBBB|BBBBB|AAAAA");

    // A new rule reaches both lists.
    T.Control.SetUpperCaseType(kvuAnsi);
    EXPECT_EQ(T.Control.GetKeywords().GetCaseRule(), kvuAnsi);
    EXPECT_EQ(T.Control.GetStartStopKeys().GetCaseRule(), kvuAnsi);
    TTestKorvel U("caf\xE9 x");
    U.Control.SetUpperCaseType(kvuAnsi);
    AddRange(U.Control, "CAF\xE9", "", 1, 0, true); // 0xE9 upper-cases to 0xC9 in the code page
    HighlightAll(U.Control);
    EXPECT_EQ(AllTops(U.Control), "AAAAAA");
}

TEST(StartStopPassTest, StartKeysAreNotMatchedFromAnEmptyRecord) {
    TTestKorvel T("abc /* d");
    AddRange(T.Control, "", "x");
    AddRange(T.Control, "/*", "*/");
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "....BBBB");
}

TEST(StartStopPassTest, ResetHighlightingDropsEverything) {
    TTestKorvel T("a /* b\r\nc");
    AddRange(T.Control, "/*", "*/");
    HighlightAll(T.Control);
    TParagraphsList& List = T.Control.GetParagraphsList();
    ASSERT_EQ(List[0].RunCount(), 1);
    T.Control.ResetHighlighting();
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), -1);
    for (int32_t I = 0; I < 2; ++I) {
        EXPECT_EQ(List[I].RunCount(), 0);
        EXPECT_TRUE(IsDefaultRun(List[I].StartRun()));
        EXPECT_EQ(List[I].Flags & pfNeedsWork, 0);
    }
}

// A highlighter that opens one state of its own at every '(' (an entry
// beyond the keyword list, so start keys stay allowed on top of it).
class TNestingHighlighter : public TKorvelHighlighter {
public:
    bool StartKeyHook(TKorvelNavigator& From, TKorvelNavigator& To, int32_t) override {
        TParagraph& Par = *From.GetPar();
        for (int32_t At = From.GetParOffset(); At < To.GetParOffset(); ++At) {
            if (Par.Text[At] != '(')
                continue;
            const HighlightRun Base = StateAt(Par, At);
            PutRunAt(Par, At, PushedState(Base, TKeyInfo{}, 1000, 1, 0));
            To.SetParOffset(At + 1);
            return true;
        }
        return false;
    }
};

TEST(StartStopPassTest, AtMostSixteenHighlightsAreOpen) {
    std::string Text(20, '(');
    Text += "\r\n/* x";
    TTestKorvel T(Text);
    AddRange(T.Control, "/*", "*/", 0);
    AddKeyword(T.Control, "x");
    TNestingHighlighter Nesting;
    T.Control.SetHighlighter(&Nesting);
    HighlightAll(T.Control);
    const TParagraph& Par = T.Control.GetParagraphsList()[0];
    EXPECT_EQ(StateDepth(StateAt(Par, 14)), 14);
    EXPECT_EQ(StateDepth(StateAt(Par, 15)), 15);
    // The sixteenth '(' filled the stack: no further state, neither from the
    // hook nor from the start key or the keyword in the next paragraph.
    EXPECT_EQ(StateDepth(StateAt(Par, 19)), 15);
    EXPECT_EQ(Par.RunCount(), 16);
    const TParagraph& Next = T.Control.GetParagraphsList()[1];
    EXPECT_EQ(StateDepth(StateAt(Next, 0)), 15);
    EXPECT_EQ(StateDepth(StateAt(Next, 3)), 15);
    EXPECT_EQ(Next.RunCount(), 0);
}

TEST(StartStopPassTest, UpperCaseCacheReusesAndExtendsItsSlice) {
    TTestKorvel T("abcdefghij\r\nklm");
    TParagraphsList& List = T.Control.GetParagraphsList();
    TUpperCaseCache Cache;
    EXPECT_EQ(std::string(Cache.Get(List[0], 0, 2, 3, kvuAscii), 3), "CDE");
    EXPECT_EQ(Cache.GetSliceStart(), 2);
    EXPECT_EQ(Cache.GetSliceLength(), 3);
    // Touching and overlapping requests extend the slice.
    EXPECT_EQ(std::string(Cache.Get(List[0], 0, 5, 2, kvuAscii), 2), "FG");
    EXPECT_EQ(std::string(Cache.Get(List[0], 0, 0, 3, kvuAscii), 3), "ABC");
    EXPECT_EQ(Cache.GetSliceStart(), 0);
    EXPECT_EQ(Cache.GetSliceLength(), 7);
    // A distant slice replaces it.
    EXPECT_EQ(std::string(Cache.Get(List[0], 0, 9, 1, kvuAscii), 1), "J");
    EXPECT_EQ(Cache.GetSliceStart(), 9);
    EXPECT_EQ(Cache.GetSliceLength(), 1);

    // Paragraphs replaced before the cached one move it; replacing it drops it.
    Cache.Get(List[1], 1, 0, 3, kvuAscii);
    Cache.ParagraphsReplaced(0, 0, 2);
    EXPECT_EQ(Cache.GetIndex(), 3);
    Cache.ParagraphsReplaced(2, 3, -1);
    EXPECT_EQ(Cache.GetIndex(), -1);

    // A paragraph whose text changed behind the cache's back is not served stale.
    Cache.Get(List[1], 1, 0, 3, kvuAscii);
    Replace(T.Control, 12, 13, "z");
    EXPECT_EQ(std::string(Cache.Get(List[1], 1, 0, 3, kvuAscii), 3), "ZLM");
}

TEST(StartStopPassTest, EditsRehighlightAndRaiseOnParse) {
    TTestKorvel T("a /* b */ c");
    AddRange(T.Control, "/*", "*/");
    HighlightAll(T.Control);
    std::vector<std::pair<int32_t, int32_t>> Parsed;
    T.Control.OnParse = [&](TObject* Sender, int32_t From, int32_t To) {
        EXPECT_EQ(Sender, &T.Control);
        Parsed.emplace_back(From, To);
    };
    Replace(T.Control, 8, 8, "x"); // breaks the stop key: "*x/"
    EXPECT_EQ(AllTops(T.Control), "..AAAAAAAAAA");
    Replace(T.Control, 8, 9, ""); // and mends it
    EXPECT_EQ(AllTops(T.Control), "..AAAAAAA..");
    Replace(T.Control, 0, 0, "/*"); // the inner start key is inside a range now
    EXPECT_EQ(AllTops(T.Control), "AAAAAAAAAAA..");
    ASSERT_EQ(Parsed.size(), 3u);
    EXPECT_EQ(Parsed[0], std::make_pair(8, 9));
    EXPECT_EQ(Parsed[1], std::make_pair(8, 8));
    EXPECT_EQ(Parsed[2], std::make_pair(0, 2));
}

TEST(StartStopPassTest, LosingAStopKeyCarriesTheRangeUntilAnEndStateRepeats) {
    TTestKorvel T("/* a */\r\nb\r\nc /* d */\r\ne");
    AddRange(T.Control, "/*", "*/");
    HighlightAll(T.Control);
    TParagraphsList& List = T.Control.GetParagraphsList();
    EXPECT_EQ(AllTops(T.Control), "AAAAAAA|.|..AAAAAAA|.");
    Replace(T.Control, 5, 7, ""); // "/* a "
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), 0);
    EXPECT_EQ(FlagsOf(T.Control, 1) & pfNeedsWork, 0); // marked
    EXPECT_NE(FlagsOf(T.Control, 3) & pfScanned, 0);   // not yet reached
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "AAAAA|A|AAAAAAAAA|.");
    // Paragraph 2 ended as before, so paragraph 3 was left alone.
    EXPECT_NE(FlagsOf(T.Control, 3) & pfScanned, 0);
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), 3);
}

// The chain of carried states compares each paragraph's new end state with
// the state its successor was scanned with, not with the state at the edit:
// here paragraph 2 ends in the state the edit began in (a string) although
// it ended in a comment before, and paragraph 3 must follow.
TEST(StartStopPassTest, CarriedChangesStopOnlyWhereTheOldEndStateRecurs) {
    TTestKorvel T("\"\r\nx\r\n\" /*\r\nz");
    AddRange(T.Control, "/*", "*/");
    AddRange(T.Control, "\"", "\"");
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "B|B|B.AA|A");
    Replace(T.Control, 3, 3, "\"");
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "B|B.|BBBB|B");
}

TEST(StartStopPassTest, EditsInsideTheUpdateBracketOnlyMarkParagraphs) {
    TLockableKorvel Control;
    LoadControlText(Control, "a\r\nb /* c\r\nd\r\ne");
    AddRange(Control, "/*", "*/");
    HighlightAll(Control); // comment from "b /*" on
    TParagraphsList& List = Control.GetParagraphsList();
    int Parsed = 0;
    Control.OnParse = [&](TObject*, int32_t, int32_t) { ++Parsed; };
    Control.SetUpdateLock(1);
    Replace(Control, 3, 3, "*/ ");
    EXPECT_EQ(Parsed, 1);
    EXPECT_EQ(List[1].Flags & pfNeedsWork, 0);
    EXPECT_LE(List.GetFormatCounters().GetContextValidTo(), 0);
    EXPECT_EQ(Tops(Control, 1), ".....AAAA"); // old states until the formatter comes
    Control.SetUpdateLock(0);
    // A marked paragraph is not scanned by a later edit either: it waits.
    Replace(Control, 3, 3, "/* ");
    EXPECT_EQ(Tops(Control, 1), "........AAAA");
    HighlightAll(Control);
    EXPECT_EQ(AllTops(Control), ".|AAAAA...AAAA|A|A");
}

// With the keys switched off (no reset), the pass has nothing to match in a
// paragraph without runs; the state that paragraph ends in must still reach
// the next one, which was scanned inside a range whose start key is gone.
TEST(StartStopPassTest, APassWithoutKeysStillCarriesTheStateOn) {
    TLockableKorvel Control;
    LoadControlText(Control, "x\r\na /*\r\nb\r\nc");
    AddRange(Control, "/*", "*/");
    HighlightAll(Control);
    EXPECT_EQ(AllTops(Control), ".|..AA|A|A");
    Control.SetApplyStartStopKeys(false);
    Control.SetUpdateLock(1);
    Replace(Control, 1, 7, ""); // "x" joined with what follows "/*": nothing
    Control.SetUpdateLock(0);
    HighlightAll(Control);
    EXPECT_EQ(AllTops(Control), ".|.|.");
}

// Replacing from the middle of a break takes the range to the break's start:
// the keyword just before it must end where it did, not run on into the
// text joined to its paragraph.
TEST(StartStopPassTest, AReplacementFromTheMiddleOfABreakKeepsTheKeywordBeforeIt) {
    TTestKorvel T("in aa\r\n/b");
    AddKeyword(T.Control, "aa");
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "...00|..");
    Replace(T.Control, 6, 8, "");
    EXPECT_EQ(T.Control.GetParagraphsList()[0].View(), "in aab");
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "...00.");
}

// Joining a paragraph whose ranges are current with the rest of one whose
// ranges are not yet scanned leaves the joined paragraph to be scanned.
TEST(StartStopPassTest, JoiningWithAnUnscannedParagraphMarksTheResult) {
    TTestKorvel T("a\r\nb /* c\r\nd\r\ne");
    AddRange(T.Control, "/*", "*/");
    HighlightAll(T.Control);
    TParagraphsList& List = T.Control.GetParagraphsList();
    Replace(T.Control, 7, 7, "*/"); // "b /**/ c": paragraph 2 is marked
    ASSERT_EQ(List[2].Flags & pfScanned, 0);
    Replace(T.Control, 1, 15, ""); // joins "a" with the tail of paragraph 2
    EXPECT_EQ(List[0].View(), "a");
    EXPECT_EQ(List[0].Flags & pfScanned, 0);
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), ".|.");

    // Replacing nothing by nothing changes nothing and raises nothing.
    int Parsed = 0;
    T.Control.OnParse = [&](TObject*, int32_t, int32_t) { ++Parsed; };
    TKorvelNavigator Here(&T.Control);
    EXPECT_EQ(T.Control.ReplaceRangeAndRehighlight(Here, Here, "", true).LineDelta, 0);
    EXPECT_EQ(Parsed, 0);
}

// Token lengths are kept in 8 bits; a longer start key still has its whole
// length looked at when it is edited.
TEST(StartStopPassTest, EditsInsideKeysLongerThanTheTokenFieldReopenThem) {
    std::string Key(300, 'k');
    Key.front() = '<';
    TTestKorvel T(Key + " x");
    AddRange(T.Control, Key, ">", 1);
    HighlightAll(T.Control);
    const TParagraph& Par = T.Control.GetParagraphsList()[0];
    ASSERT_EQ(StateDepth(StateAt(Par, 301)), 0);
    EXPECT_EQ(StateAt(Par, 0).TokenLen, 255);
    Replace(T.Control, 280, 281, "q"); // the key is broken 280 bytes in
    EXPECT_EQ(StateDepth(StateAt(Par, 301)), -1);
}

TEST(StartStopPassTest, ScanAndKeySearchesByNavigator) {
    TTestKorvel T("a /* b\r\nc\r\nd */ e");
    AddRange(T.Control, "/*", "*/");
    THighlightEngine& Engine = T.Control.GetHighlightEngine();
    TKorvelNavigator From(&T.Control);
    TKorvelNavigator To(&T.Control);
    // One span over three paragraphs carries the range through them.
    From.SetPos(0);
    To.SetPos(T.Control.GetTextLength());
    Engine.ScanStartStop(To, From, Engine.ScanEndState);
    EXPECT_EQ(AllTops(T.Control), "..AAAA|A|AAAA..");
    EXPECT_EQ(T.Control.GetParagraphsList().GetFormatCounters().GetContextValidTo(), 2);

    // The single searches move To past the key they found.
    TTestKorvel U("x /* y */ z");
    AddRange(U.Control, "/*", "*/");
    TKorvelNavigator UFrom(&U.Control);
    TKorvelNavigator UTo(&U.Control);
    UTo.SetPos(11);
    ASSERT_TRUE(U.Control.GetHighlightEngine().FindStartKey(UFrom, UTo));
    EXPECT_EQ(UTo.GetPos(), 4);
    UFrom.SetPos(4);
    UTo.SetPos(11);
    ASSERT_TRUE(U.Control.GetHighlightEngine().FindStopKey(UFrom, UTo));
    EXPECT_EQ(UTo.GetPos(), 9);
    EXPECT_EQ(AllTops(U.Control), "..AAAAAAA..");
    UFrom.SetPos(9);
    EXPECT_FALSE(U.Control.GetHighlightEngine().FindStopKey(UFrom, UTo)); // nothing open
}

// An edit far after paragraphs still waiting for their carried state must
// not declare them current.
TEST(StartStopPassTest, ALaterEditLeavesEarlierMarkedParagraphsPending) {
    TTestKorvel T("a\r\nb\r\nc\r\nd\r\ne\r\nf");
    AddRange(T.Control, "/*", "*/");
    HighlightAll(T.Control);
    TParagraphsList& List = T.Control.GetParagraphsList();
    Replace(T.Control, 4, 4, "/*"); // "b/*" carries the range into "c"
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), 1);
    Replace(T.Control, T.Control.GetTextLength(), T.Control.GetTextLength(), "x");
    EXPECT_EQ(List.GetFormatCounters().GetContextValidTo(), 1);
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), ".|.AA|A|A|A|AA");
}
