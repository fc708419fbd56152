#include "KVSupport/TKeywordPass.h"
#include "KVSupport/TKorvelHighlighter.h"

#include "HighlightTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

// Counts the hooks and, at '[' and ']', opens and closes a range of its own
// (a start/stop entry far beyond the list).
class TBracketHighlighter : public TKorvelHighlighter {
public:
    static constexpr int32_t OwnRange = 1000;
    int KeywordCalls = 0;
    int StartCalls = 0;
    int StopCalls = 0;
    std::vector<std::pair<int32_t, int32_t>> KeywordSpans;

    void KeywordHook(TKorvelNavigator& From, TKorvelNavigator& To, int32_t) override {
        ++KeywordCalls;
        KeywordSpans.emplace_back(From.GetPos(), To.GetPos());
    }

    bool StartKeyHook(TKorvelNavigator& From, TKorvelNavigator& To, int32_t Count) override {
        ++StartCalls;
        EXPECT_LT(Count, OwnRange);
        const int32_t At = Find(From, To, '[');
        if (At < 0)
            return false;
        TParagraph& Par = *From.GetPar();
        PutRunAt(Par, At,
                 PushedState(StateAt(Par, At), TKeyInfo{0, 4, 9, 0, clNone, clNone},
                             StartStopEntry(OwnRange), 1, 1));
        To.SetParOffset(At + 1);
        return true;
    }

    bool StopKeyHook(TKorvelNavigator& From, TKorvelNavigator& To, int32_t) override {
        ++StopCalls;
        const int32_t At = Find(From, To, ']');
        if (At < 0)
            return false;
        // Back to the state from before the range opened.
        TParagraph& Par = *From.GetPar();
        const HighlightRun* Opener = RunInForce(Par, From.GetParOffset());
        const HighlightRun Before =
            Opener != nullptr ? StateBefore(Par, Opener->Offset) : DefaultRun();
        PutRunAt(Par, At + 1, Before);
        To.SetParOffset(At + 1);
        return true;
    }

private:
    static int32_t Find(TKorvelNavigator& From, TKorvelNavigator& To, char Ch) {
        const TParagraph& Par = *From.GetPar();
        const int32_t End =
            To.GetParIndex() > From.GetParIndex() ? Par.ParLength() : To.GetParOffset();
        for (int32_t At = From.GetParOffset(); At < End; ++At)
            if (Par.Text[At] == Ch)
                return At;
        return -1;
    }
};

} // namespace

TEST(HighlighterTest, ClientsFollowBothSides) {
    auto Shared = std::make_unique<TKorvelHighlighter>();
    auto First = std::make_unique<TCustomKorvel>();
    TCustomKorvel Second;
    First->SetHighlighter(Shared.get());
    Second.SetHighlighter(Shared.get());
    Second.SetHighlighter(Shared.get()); // assigning again keeps one entry
    EXPECT_EQ(Shared->GetClients().size(), 2u);

    // A destroyed control leaves the list; destroying the highlighter then
    // touches only the remaining one.
    First.reset();
    ASSERT_EQ(Shared->GetClients().size(), 1u);
    EXPECT_EQ(Shared->GetClients()[0], &Second);
    Shared.reset();
    EXPECT_EQ(Second.GetHighlighter(), nullptr);

    // Moving to another highlighter leaves the old one's list.
    TKorvelHighlighter A;
    TKorvelHighlighter B;
    Second.SetHighlighter(&A);
    Second.SetHighlighter(&B);
    EXPECT_TRUE(A.GetClients().empty());
    EXPECT_EQ(B.GetClients().size(), 1u);
    Second.SetHighlighter(nullptr);
    EXPECT_TRUE(B.GetClients().empty());
}

TEST(HighlighterTest, BaseClassAddsNothingButIsAskedEveryKeywordPass) {
    TTestKorvel T("a [b]\r\n\r\nc");
    TBracketHighlighter Counting;
    TKorvelHighlighter Base;
    T.Control.SetHighlighter(&Base);
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), ".....||.");
    for (int32_t I = 0; I < 3; ++I)
        EXPECT_EQ(T.Control.GetParagraphsList()[I].RunCount(), 0);
    Base.SpareHook();

    // Each paragraph's keyword pass calls the hook once with its whole span,
    // with ApplyKeyWords off and an empty list as well.
    TTestKorvel U("ab\r\n\r\ncd");
    U.Control.SetApplyKeyWords(false);
    U.Control.SetApplyStartStopKeys(false);
    U.Control.SetHighlighter(&Counting);
    HighlightAll(U.Control);
    EXPECT_EQ(Counting.KeywordCalls, 3);
    ASSERT_EQ(Counting.KeywordSpans.size(), 3u);
    EXPECT_EQ(Counting.KeywordSpans[0], std::make_pair(0, 2));
    EXPECT_EQ(Counting.KeywordSpans[2], std::make_pair(6, 8));
    EXPECT_GE(Counting.StartCalls, 3); // asked although start keys are off
    EXPECT_EQ(Counting.StopCalls, 0);  // nothing was open
}

TEST(HighlighterTest, HooksOpenAndCloseTheirOwnRanges) {
    TTestKorvel T("a [b /c] d\r\n/* [x] */ [y");
    AddRange(T.Control, "/*", "*/");
    AddKeyword(T.Control, "b");
    TBracketHighlighter Brackets;
    T.Control.SetHighlighter(&Brackets);
    HighlightAll(T.Control);
    // The list's start key wins in a span where it matches; the hook is asked
    // where it does not, inside the list's range too; its own range is closed
    // by its stop hook, and keywords are masked under its context.
    EXPECT_EQ(AllTops(T.Control), "..######..|AAA###AAA.##");
    EXPECT_GT(Brackets.StopCalls, 0);
    const TParagraph& Second = T.Control.GetParagraphsList()[1];
    EXPECT_EQ(StateDepth(StateAt(Second, 4)), 1); // on top of the comment
    EXPECT_EQ(StartStopIndex(StateAt(Second, 4).Stack[1]), TBracketHighlighter::OwnRange);
}

TEST(HighlighterTest, TextUnderAHighlightersOwnFormattingIsNotScanned) {
    TTestKorvel T("a /* b */ c /* d\r\ne");
    AddRange(T.Control, "/*", "*/");
    TParagraph& Par = T.Control.GetParagraphsList()[0];
    HighlightRun Foreign = StyleState(0x81);
    Foreign.Depth = -1;
    PutRunAt(Par, 2, Foreign);
    HighlightAll(T.Control);
    EXPECT_EQ(AllTops(T.Control), "................|.");
    ASSERT_EQ(Par.RunCount(), 1);
    EXPECT_EQ(Par.GetExtra()->Runs[0].Flags, 0x81);
    EXPECT_EQ(T.Control.GetParagraphsList()[1].StartRun()->Flags, 0x81); // carried
}

TEST(HighlighterTest, EditsNextToAHighlightersRunRedoTheWholeRun) {
    TTestKorvel T("ab cd ef");
    TParagraphsList& List = T.Control.GetParagraphsList();
    HighlightAll(T.Control);
    // Automatic formatting with a valid, empty stack over "cd".
    HighlightRun Own = StyleState(0xC1);
    Own.Depth = -1;
    SetRangeStateAt(List, 0, 3, 0, 5, true, Own);
    ASSERT_EQ(List[0].RunCount(), 2);
    int32_t ParsedFrom = -1;
    T.Control.OnParse = [&](TObject*, int32_t From, int32_t) { ParsedFrom = From; };
    Replace(T.Control, 4, 4, "x");
    EXPECT_EQ(ParsedFrom, 4);
    EXPECT_EQ(List[0].View(), "ab cxd ef");
    // Automatic formatting without a stack: nothing to redo.
    HighlightRun Plain = StyleState(0x81);
    SetRangeStateAt(List, 0, 0, 0, 2, true, Plain);
    ParsedFrom = -1;
    Replace(T.Control, 1, 1, "y");
    EXPECT_EQ(ParsedFrom, -1);
    EXPECT_EQ(List[0].View(), "ayb cxd ef");
}
