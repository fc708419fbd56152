#include "KVSupport/THighlightEngine.h"

#include "KVSupport/HighlightState.h"
#include "KVSupport/ParagraphRuns.h"
#include "KVSupport/THighlightContext.h"
#include "KVSupport/TKeywordList.h"
#include "KVSupport/TKorvelHighlighter.h"
#include "KVSupport/TNavigatorHost.h"
#include "KVSupport/TParagraphsList.h"
#include "KVSupport/TStartStopKeyList.h"

#include <algorithm>

namespace korvel {

THighlightEngine::THighlightEngine(TNavigatorHost& Host, THighlightContext& Context)
    : ScanEndState(DefaultRun()), Host(Host), Context(Context),
      Matcher(Host.GetParagraphsList(), Context, UpperCache),
      KeywordPass(Host, Context, UpperCache) {}

void THighlightEngine::EnterScratch() {
    for (TKorvelNavigator* Navigator : {&HookFrom, &HookTo, &ChangeStart, &ChangeEnd, &Spare})
        Navigator->SetControl(&Host);
}

void THighlightEngine::Place(TKorvelNavigator& Navigator, int32_t Par, int32_t Offset) {
    Navigator.SetControl(&Host);
    Navigator.SetParagraph(Par);
    Navigator.SetParOffset(Offset);
}

const char* THighlightEngine::GetUpperText(const TParagraph& Par, int32_t Index, int32_t Length,
                                           int32_t Offset) {
    return UpperCache.Get(Par, Index, Offset, Length, Context.UpperCaseType);
}

// --- Hooks and the two key searches ---

int32_t THighlightEngine::HookResult(int32_t Par, int32_t Old) {
    const int32_t Index = HookTo.GetParIndex();
    if (Index > Par)
        return Paragraphs()[Par].ParLength();
    return Index < Par ? Old : HookTo.GetParOffset();
}

bool THighlightEngine::FindStartKeyAt(TParagraph& Paragraph, int32_t Par, int32_t From,
                                      int32_t& To) {
    if (StateDepth(StateAt(Paragraph, From)) >= MaxPushDepth)
        return false;
    const TStartStopKeyList& Keys = *Context.StartStopKeys;
    if (Context.ApplyStartStopKeys && Keys.GetCount() > 0 &&
        Matcher.MatchStartKey(Paragraph, Par, From, To))
        return true;
    TKorvelHighlighter* Highlighter = Context.Highlighter;
    if (Highlighter == nullptr)
        return false;
    Place(HookFrom, Par, From);
    Place(HookTo, Par, To);
    if (!Highlighter->StartKeyHook(HookFrom, HookTo, Keys.GetCount()))
        return false;
    To = std::max(HookResult(Par, To), From);
    return true;
}

bool THighlightEngine::FindStopKeyAt(TParagraph& Paragraph, int32_t Par, int32_t From,
                                     int32_t& To) {
    switch (Matcher.MatchStopKey(Paragraph, Par, From, To)) {
    case TStartStopMatcher::TStopResult::Closed:
        return true;
    case TStartStopMatcher::TStopResult::None:
        return false;
    case TStartStopMatcher::TStopResult::Foreign:
        break;
    }
    TKorvelHighlighter* Highlighter = Context.Highlighter;
    if (Highlighter == nullptr)
        return false;
    Place(HookFrom, Par, From);
    Place(HookTo, Par, To);
    if (!Highlighter->StopKeyHook(HookFrom, HookTo, Context.StartStopKeys->GetCount()))
        return false;
    To = std::max(HookResult(Par, To), From);
    return true;
}

bool THighlightEngine::SearchByNavigators(TKorvelNavigator& From, TKorvelNavigator& To,
                                          bool StopKey) {
    Matcher.Prepare();
    const int32_t Par = From.GetParIndex();
    TParagraph& Paragraph = *From.GetPar();
    const int32_t Length = Paragraph.ParLength();
    const int32_t Start = std::min(From.GetParOffset(), Length);
    int32_t End = To.GetParIndex() > Par ? Length : std::min(To.GetParOffset(), Length);
    if (!(StopKey ? FindStopKeyAt(Paragraph, Par, Start, End)
                  : FindStartKeyAt(Paragraph, Par, Start, End)))
        return false;
    From.Reset(); // the runs under both changed
    Place(To, Par, End);
    return true;
}

bool THighlightEngine::FindStartKey(TKorvelNavigator& From, TKorvelNavigator& To) {
    return SearchByNavigators(From, To, false);
}

bool THighlightEngine::FindStopKey(TKorvelNavigator& From, TKorvelNavigator& To) {
    return SearchByNavigators(From, To, true);
}

// --- The start/stop pass ---

int32_t THighlightEngine::ScanParagraph(int32_t ParIndex, int32_t P, int32_t Q, bool DeleteAtFrom,
                                        bool& Changed) {
    TParagraph& Par = Paragraphs()[ParIndex];
    const int32_t Length = Par.ParLength();
    int32_t Stuck = 0;
    for (;;) {
        // Text under automatic formatting without a stack entry belongs to a
        // highlighter: pass over it, and keep its runs.
        while (P < Q && IsForeignAutomatic(StateAt(Par, P))) {
            P = std::min(NextRunAfter(Par, P), Q);
            DeleteAtFrom = false;
        }
        int32_t S = Q;
        {
            int32_t Count = 0;
            const HighlightRun* Runs = RunsOf(Par, Count);
            for (int32_t K = RunsAtOrBefore(Par, P); K < Count && Runs[K].Offset <= Q; ++K)
                if (IsForeignAutomatic(Runs[K])) {
                    S = Runs[K].Offset;
                    break;
                }
        }
        if (DeleteRunsIn(Par, P, S, DeleteAtFrom, IsForeignAutomatic) > 0)
            Changed = true;
        DeleteAtFrom = false;

        if (FindStopKeyAt(Par, ParIndex, P, S))
            Changed = true;
        const bool Found = FindStartKeyAt(Par, ParIndex, P, S);
        if (Found)
            Changed = true;

        const bool Progress = S > P;
        P = std::max(P, S);
        if (P > Q)
            Q = Length;
        if (P >= Q && !Found)
            break;
        // A hook that reports a start without moving on must not hold the
        // scan forever.
        Stuck = Progress ? 0 : Stuck + 1;
        if (Stuck > 2)
            break;
    }
    return P;
}

void THighlightEngine::CarryInto(int32_t Next) {
    TParagraphsList& List = Paragraphs();
    const TParagraph& Before = List[Next - 1];
    TParagraph& Par = List[Next];
    if (Before.RunCount() > 0)
        Par.SetStartRun(&EndStateOf(Before), true);
    else
        Par.SetStartRun(Before.StartRun(), false); // share the same start run
}

void THighlightEngine::ScanSpan(int32_t FirstPar, int32_t From, int32_t LastPar, int32_t To,
                                HighlightRun EndState) {
    TParagraphsList& List = Paragraphs();
    Matcher.Prepare();
    bool Changed = false;
    bool Carried = false;
    int32_t Reached = 0;
    for (int32_t P = FirstPar; P <= LastPar; ++P) {
        const int32_t Length = List[P].ParLength();
        const int32_t Start = P == FirstPar ? std::clamp(From, 0, Length) : 0;
        const int32_t End = P == LastPar ? std::clamp(To, Start, Length) : Length;
        Reached = ScanParagraph(P, Start, End, true, Changed);
        List[P].Flags |= pfScanned;
        if (P < LastPar)
            CarryInto(P + 1);
    }

    for (;;) {
        const TParagraph& Last = List[LastPar];
        if (Reached >= Last.ParLength()) {
            // The next paragraph was scanned starting from its start run:
            // only when the end state differs from it must it be redone.
            if (LastPar + 1 >= List.GetCount() ||
                SameState(EndStateOf(Last), *List[LastPar + 1].StartRun()))
                break;
            CarryInto(LastPar + 1);
            TParagraph& Next = List[LastPar + 1];
            Next.Flags &= static_cast<uint8_t>(~pfNeedsWork);
            List.GetFormatCounters().RaiseFormatLast(LastPar + 1);
            Carried = true;
            Changed = true;
            break;
        }
        // Compared with the end state as given, never with the state found
        // at To before the scan: after an edit the runs of the replaced text
        // are gone, so that state is the one from before the edit and could
        // stop the scan although the edit removed a stop key.
        if (SameState(StateAt(Last, Reached), EndState))
            break;
        Reached = ScanParagraph(LastPar, Reached, Last.ParLength(), false, Changed);
    }

    // The ranges are current up to LastPar only when everything before the
    // span was; a carry makes the next paragraph stale.
    List.GetFormatCounters().ContextScanned(FirstPar, LastPar, Carried);
    if (Changed) {
        List.GetPendingChange().SetLinesPatched(false);
        Context.MarkLinePositionsStale(FirstPar, LastPar);
    }
    ScannedToPar = LastPar;
    ScannedToOffset = Reached;
}

void THighlightEngine::ScanStartStop(TKorvelNavigator& From, TKorvelNavigator& To,
                                     const HighlightRun& EndState) {
    TKorvelNavigator* Lo = &From;
    TKorvelNavigator* Hi = &To;
    if (Hi->GetPos() < Lo->GetPos())
        std::swap(Lo, Hi);
    ScanSpan(Lo->GetParIndex(), Lo->GetParOffset(), Hi->GetParIndex(), Hi->GetParOffset(),
             EndState);
    From.Reset();
    To.Reset();
}

// Without start/stop keys to apply and without a highlighter, nothing can
// start a range: a paragraph without runs that starts in the default state
// (no extension) is scanned without a change, and ends in that state. When
// the next paragraph starts in it too, nothing is carried either, so the scan
// would only mark the paragraph scanned. Paragraphs written at the end of a
// long text are such paragraphs, and the caret standing behind them asks for
// all of them at once.
bool THighlightEngine::ScanChangesNothing(int32_t Par) {
    const TParagraphsList& List = Paragraphs();
    if (Context.Highlighter != nullptr ||
        (Context.ApplyStartStopKeys && Context.StartStopKeys->GetCount() > 0) ||
        List[Par].HasExtra())
        return false;
    return Par + 1 == List.GetCount() || SameState(DefaultRun(), *List[Par + 1].StartRun());
}

void THighlightEngine::ScanStartStopUpTo(int32_t Last) {
    TParagraphsList& List = Paragraphs();
    TFormatCounters& Counters = List.GetFormatCounters();
    Last = std::min(Last, List.GetCount() - 1);
    for (int32_t P = std::max(Counters.GetContextValidTo() + 1, 0); P <= Last; ++P) {
        if ((List[P].Flags & pfScanned) == 0) {
            if (ScanChangesNothing(P)) {
                List[P].Flags |= pfScanned;
                Counters.ContextScanned(P, P, false);
                ScannedToPar = P;
                ScannedToOffset = List[P].ParLength();
            } else {
                ScanSpan(P, 0, P, List[P].ParLength(), ScanEndState);
            }
        } else if (Counters.GetContextValidTo() == P - 1)
            Counters.ContextValidUpTo(P); // current, and so is everything before it
    }
    Counters.ContextValidUpTo(Last);
}

// --- The keyword pass ---

void THighlightEngine::ApplyKeywords(TKorvelNavigator& From, TKorvelNavigator& To) {
    KeywordPass.ApplyKeywords(From, To);
    From.Reset();
    To.Reset();
}

void THighlightEngine::HighlightParagraph(int32_t Index) {
    ScanStartStopUpTo(Index);
    TParagraphsList& List = Paragraphs();
    if ((List[Index].Flags & pfKeywords) != 0)
        return;
    if (Context.ApplyKeyWords || Context.Highlighter != nullptr)
        KeywordPass.ApplyKeywordsInParagraph(Index, 0, List[Index].ParLength(), HookFrom, HookTo);
    List[Index].Flags |= pfKeywords;
}

// --- After a replacement ---

HighlightRun THighlightEngine::CaptureChangeStates(TKorvelNavigator& SelStart,
                                                   TKorvelNavigator& SelEnd) {
    HighlightRun StartState;
    SelStart.GetRun(StartState);
    SelEnd.SkipRunsHere();
    SelEnd.GetRun(ScanEndState);
    return StartState;
}

HighlightRun THighlightEngine::StateBeforeStart(const TTextChange& Change) {
    return StateBefore(Paragraphs()[Change.FirstPara], Change.FromOffset);
}

// A token that ends at or after A may have been changed: start the scan at
// its run, and at the run before that while A is still inside the token of
// the state in force.
void THighlightEngine::WalkBack(TChangeSpan& Span, bool ClearPatched) {
    TParagraphsList& List = Paragraphs();
    while (StateDepth(Span.S) >= 0) {
        TParagraph& Par = List[Span.APar];
        const int32_t Before = RunsStartingBefore(Par, Span.AOffset);
        if (Before == 0)
            break;
        const HighlightRun& Run = Par.GetExtra()->Runs[static_cast<size_t>(Before - 1)];
        if (Span.AOffset - Run.Offset > Matcher.TokenReach(Run))
            break;
        Span.AOffset = Run.Offset;
        List.GetPendingChange().LowerFirstLine(List.GetFirstLine(Span.APar) +
                                               LineContaining(Par, Span.AOffset));
        Span.S = StateBefore(Par, Span.AOffset);
        if (ClearPatched)
            List.GetPendingChange().SetLinesPatched(false);
    }
}

// Automatic formatting with an empty stack (a highlighter's): the whole run
// around the change is redone.
void THighlightEngine::WidenToRuns(TChangeSpan& Span) {
    TParagraphsList& List = Paragraphs();
    Place(Spare, Span.APar, Span.AOffset);
    if (Spare.PrevRun(0)) {
        Span.APar = Spare.GetParIndex();
        Span.AOffset = Spare.GetParOffset();
    }
    Place(Spare, Span.BPar, Span.BOffset);
    if (Spare.NextRun(List.GetTextLength())) {
        Span.BPar = Spare.GetParIndex();
        Span.BOffset = Spare.GetParOffset();
        Span.EndState = StateAt(List[Span.BPar], Span.BOffset);
    }
}

// A token that begins at or just after B may have been changed: end the
// scan at the run after it when that run lies within E's CloseLen of B
// (Inclusive: at that distance too).
bool THighlightEngine::ReachNextRun(TChangeSpan& Span, bool Inclusive) {
    TParagraph& Par = Paragraphs()[Span.BPar];
    const int32_t Index = RunsStartingBefore(Par, Span.BOffset);
    if (Index >= Par.RunCount())
        return false;
    const HighlightRun& Run = Par.GetExtra()->Runs[static_cast<size_t>(Index)];
    const int32_t Distance = Run.Offset - Span.BOffset;
    const int32_t Reach = Matcher.CloseReach(Span.E);
    if (Inclusive ? Distance > Reach : Distance >= Reach)
        return false;
    Span.BOffset = Run.Offset;
    ScanEndState = Run;
    Span.EndState = Run;
    return true;
}

// Widens the span where a token at its edges may have changed; false when
// nothing needs to be highlighted again.
bool THighlightEngine::WidenChange(TChangeSpan& Span, bool RunsCut) {
    TParagraphsList& List = Paragraphs();
    const HighlightRun& S = Span.S;
    const bool Automatic = (S.Flags & hfAutomatic) != 0;
    const bool StackValid = (S.Flags & hfStackValid) != 0;
    if (!RunsCut) {
        if (!Automatic)
            return true;
        if (!StackValid)
            return false;
        if (StateDepth(S) < 0) {
            WidenToRuns(Span);
        } else {
            WalkBack(Span, true);
            if (ReachNextRun(Span, true))
                List.GetPendingChange().SetLinesPatched(false);
        }
        return true;
    }
    List.GetPendingChange().SetLinesPatched(false);
    if (Automatic && !StackValid) {
        // Such formatting ends where the new text begins.
        HighlightRun Ended = S;
        Ended.Flags = 0;
        PutRunAt(List[Span.APar], Span.AOffset, Ended);
    } else if (Automatic && StateDepth(S) < 0) {
        WidenToRuns(Span);
    } else if (Automatic) {
        WalkBack(Span, false);
    }
    if ((Span.E.Flags & hfAutomatic) != 0) {
        if ((Span.E.Flags & hfStackValid) != 0) {
            ReachNextRun(Span, false);
        } else {
            // The formatting in force after the old text resumes after the new.
            PutRunAt(List[Span.BPar], Span.BOffset, Span.E);
            Span.EndState = Span.E;
        }
    }
    return true;
}

// Scans A's paragraph from A again and applies its keywords, or, while the
// update lock is held, leaves the paragraphs of the span for the formatter.
void THighlightEngine::RescanChange(TChangeSpan& Span) {
    TParagraphsList& List = Paragraphs();
    TFormatCounters& Counters = List.GetFormatCounters();
    const int32_t APar = Span.APar;
    const int32_t BPar = std::max(Span.BPar, APar);
    if (Context.UpdateLocked()) {
        // The formatter redoes the paragraphs when the bracket closes.
        for (int32_t P = APar; P <= BPar; ++P)
            List[P].Flags &= static_cast<uint8_t>(~pfNeedsWork);
        Counters.InvalidateContextFrom(APar);
        return;
    }
    int32_t SpanEnd = Span.BOffset;
    if (BPar > APar) {
        // Only A's paragraph is rescanned now; the ones after it up to B's
        // are left marked for the formatter.
        SpanEnd = List[APar].ParLength();
        for (int32_t P = APar + 1; P <= BPar; ++P)
            List[P].Flags &= static_cast<uint8_t>(~pfNeedsWork);
        Counters.InvalidateContextFrom(APar + 1);
    }
    int32_t KeywordsTo = SpanEnd;
    if ((List[APar].Flags & pfScanned) != 0) {
        ScanSpan(APar, Span.AOffset, APar, SpanEnd, Span.EndState);
        // Where the scan went on past the span it dropped the keyword runs
        // too: they are found again over the same stretch.
        KeywordsTo = std::max(SpanEnd, ScannedToOffset);
    }
    if ((List[APar].Flags & pfKeywords) != 0) {
        KeywordPass.ApplyKeywordsInParagraph(APar, Span.AOffset, KeywordsTo, HookFrom, HookTo);
        List[APar].Flags |= pfKeywords;
    }
}

void THighlightEngine::RehighlightChange(const HighlightRun& StartState,
                                         const TTextChange& Change) {
    EnterScratch();
    TChangeSpan Span{Change.FirstPara, Change.FromOffset, Change.NewLastPara, Change.NewToOffset,
                     StartState,       ScanEndState,      ScanEndState};
    if (!WidenChange(Span, Change.RunsCut))
        return;
    Context.Parse(Change.FromPos, Change.NewToPos);
    RescanChange(Span);
}

void THighlightEngine::ClearHighlighting() {
    TParagraphsList& List = Paragraphs();
    List.ForEachFrom(0, [](TParagraph& Par) {
        Par.Flags &= static_cast<uint8_t>(~pfNeedsWork);
        if (ParExtraInfo* Extra = Par.GetExtra()) {
            // The capacity stays: the text is usually highlighted again at once.
            Extra->Runs.clear();
            Extra->DropSamplesFrom(0);
            Par.SetStartRun(nullptr, false);
        }
    });
    List.GetFormatCounters().ResetContext();
    UpperCache.Drop();
    KeywordPass.ListChanged(); // the usual moment to take changed lists in
}

} // namespace korvel
