#include "KVSupport/TStartStopMatcher.h"

#include "KVSupport/HighlightState.h"
#include "KVSupport/ParagraphRuns.h"
#include "KVSupport/THighlightContext.h"
#include "KVSupport/TKeywordList.h"
#include "KVSupport/TParagraphsList.h"
#include "KVSupport/TStartStopKeyList.h"
#include "KVSupport/TUpperCaseCache.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace korvel {

namespace {

// Where a start key may begin: not inside a range (its stop key is looked
// for there), not where the stack is full, and not in text formatted by a
// highlighter component on its own (the pass leaves such regions alone).
bool StartAllowedUnder(const HighlightRun& State) {
    return StartKeysAllowed(State) && StateDepth(State) < MaxPushDepth &&
           !IsForeignAutomatic(State);
}

} // namespace

TStartStopMatcher::TStartStopMatcher(TParagraphsList& List, THighlightContext& Context,
                                     TUpperCaseCache& UpperCache)
    : Paragraphs(List), Context(Context), UpperCache(UpperCache) {}

bool TStartStopMatcher::IsWordSeparator(char Ch) const {
    return Context.Separators.IsSeparator(Ch);
}

void TStartStopMatcher::Prepare() {
    TStartStopKeyList& List = *Context.StartStopKeys;
    const bool WasPrepared = List.GetPrepared();
    if (!WasPrepared)
        List.PrepareKeys(Context.Separators);
    const int32_t Count = List.GetCount();
    if (TablesBuilt && WasPrepared && Count == TableCount && List.GetCaseRule() == TableRule)
        return;

    // Each byte's upper-case form under the list's rule.
    const TUpperCaseRoutine Routine = UpperCaseRoutine(List.GetCaseRule());
    std::array<uint8_t, 256> Upper{};
    for (int C = 1; C < 256; ++C) {
        char Pair[2] = {static_cast<char>(C), '\0'};
        Routine(Pair);
        Upper[static_cast<size_t>(C)] = static_cast<uint8_t>(Pair[0]);
    }
    Candidates.clear();
    for (int C = 0; C < 256; ++C) {
        CandidateStart[static_cast<size_t>(C)] = static_cast<int32_t>(Candidates.size());
        if (C == 0)
            continue; // paragraphs hold no zero byte
        for (int32_t R = 0; R < Count; ++R) {
            const StartStopInfo& Record = List[R];
            if (Record.StartLen <= 0)
                continue; // an empty start key would match everywhere
            const auto First = static_cast<uint8_t>(Record.StartBuf[0]);
            const bool MatchCase = (Record.Options & koMatchCase) != 0;
            if (First == (MatchCase ? C : Upper[static_cast<size_t>(C)]))
                Candidates.push_back(R);
        }
    }
    CandidateStart[256] = static_cast<int32_t>(Candidates.size());

    NextSameStart.assign(static_cast<size_t>(Count), -1);
    for (int32_t R = Count - 1; R >= 0; --R) {
        const int16_t Same = List[R].SameStart;
        if (Same >= 0 && Same < R)
            NextSameStart[static_cast<size_t>(Same)] = R; // the lowest later one wins
    }
    TablesBuilt = true;
    TableCount = Count;
    TableRule = List.GetCaseRule();
}

bool TStartStopMatcher::MatchStartKey(TParagraph& Par, int32_t ParIndex, int32_t From,
                                      int32_t& To) {
    TStartStopKeyList& List = *Context.StartStopKeys;
    const int32_t Length = Par.ParLength();
    if (Length == 0)
        return false;
    const char* Text = Par.Text;
    const int32_t Reach = List.GetMaxStartLen() + 1;
    const int32_t WindowStart = From - std::min(From, Reach);
    const int32_t WindowEnd = To + std::min(Length - To, Reach);
    const char* Upper = nullptr; // the window upper-cased, fetched on first need

    int32_t RunCount = 0;
    const HighlightRun* Runs = RunsOf(Par, RunCount);
    int32_t RunIndex = RunsAtOrBefore(Par, WindowStart);
    int32_t I = WindowStart;
    while (I <= To) {
        const HighlightRun& State = StateAfterRuns(Par, RunIndex);
        const int32_t NextRun = RunIndex < RunCount ? Runs[RunIndex].Offset : NoRun;
        const int32_t SegmentEnd = std::min(NextRun, To + 1);
        if (StartAllowedUnder(State)) {
            for (; I < SegmentEnd; ++I) {
                const auto Ch = static_cast<uint8_t>(Text[I]);
                const int32_t* Record = Candidates.data() + CandidateStart[Ch];
                const int32_t* RecordEnd = Candidates.data() + CandidateStart[Ch + 1];
                for (; Record != RecordEnd; ++Record) {
                    const StartStopInfo& Key = List[*Record];
                    const int32_t End = I + Key.StartLen;
                    if (End + (Key.StartWordTail ? 1 : 0) <= From || End > WindowEnd)
                        continue;
                    const char* Compared = Text + I;
                    if ((Key.Options & koMatchCase) == 0) {
                        if (Upper == nullptr)
                            Upper = UpperCache.Get(Par, ParIndex, WindowStart,
                                                   WindowEnd - WindowStart, List.GetCaseRule());
                        Compared = Upper + (I - WindowStart);
                    }
                    if (std::memcmp(Compared, Key.StartBuf, static_cast<size_t>(Key.StartLen)) != 0)
                        continue;
                    if (Key.StartWordHead && I > 0 && !IsWordSeparator(Text[I - 1]))
                        continue;
                    if (Key.StartWordTail && End < Length && !IsWordSeparator(Text[End]))
                        continue;
                    OpenRange(Par, ParIndex, I, *Record, To);
                    return true;
                }
            }
        }
        if (NextRun == NoRun)
            break;
        I = std::max(I, NextRun);
        ++RunIndex;
    }
    return false;
}

void TStartStopMatcher::OpenRange(TParagraph& Par, int32_t ParIndex, int32_t At,
                                  int32_t RecordIndex, int32_t& To) {
    const StartStopInfo& Key = (*Context.StartStopKeys)[RecordIndex];
    const HighlightRun Base = StateAt(Par, At);
    if (StateDepth(Base) >= 0)
        SetCloseLenInForce(Paragraphs, ParIndex, At, 0);
    const int32_t End = At + Key.StartLen;
    DeleteRunsIn(Par, At, End, false);
    const int32_t TokenLen = Key.StartLen + (Key.StartWordTail ? 1 : 0);
    // The stop key's length until the range is closed (then the stop
    // token's, see MatchStopKey).
    const int32_t CloseLen = Key.StopLen;
    PutRunAt(Par, At, PushedState(Base, Key, StartStopEntry(RecordIndex), TokenLen, CloseLen));
    To = End;
}

TStartStopMatcher::TStopResult TStartStopMatcher::MatchStopKey(TParagraph& Par, int32_t ParIndex,
                                                               int32_t From, int32_t& To) {
    const HighlightRun State = StateAt(Par, From);
    const int32_t Depth = StateDepth(State);
    if (Depth < 0)
        return TStopResult::None;
    const int32_t RecordIndex = StartStopIndex(State.Stack[Depth]);
    if (State.Stack[Depth] >= 0 || RecordIndex >= Context.StartStopKeys->GetCount())
        return TStopResult::Foreign;
    const StartStopInfo& Key = (*Context.StartStopKeys)[RecordIndex];
    const int32_t Found = FindStopOccurrence(Par, ParIndex, Key, StopSearchStart(Par, From, Key),
                                             std::min(To + Key.StopLen, Par.ParLength()));
    if (Found < 0 && !(Key.StopAtParEnd && To >= Par.ParLength()))
        return TStopResult::None;
    if (Found >= 0) {
        DeleteRunsIn(Par, Found, Found + Key.StopLen, false);
        To = Found + Key.StopLen;
    }
    SetCloseLenInForce(Paragraphs, ParIndex, From,
                       TokenLength(Key.StopLen + (Key.StopWordHead ? 1 : 0)));
    PutRunAt(Par, To, ClosingState(State, RecordIndex, ParIndex, From));
    return TStopResult::Closed;
}

int32_t TStartStopMatcher::StopSearchStart(TParagraph& Par, int32_t From,
                                           const StartStopInfo& Key) const {
    // A stop key may begin up to its length before From, so that one whose
    // neighbourhood the edit at From changed is seen, but never inside the
    // token that opened the range.
    int32_t Start = std::max(From - Key.StopLen, 0);
    if (const HighlightRun* Opener = RunInForce(Par, From))
        Start = std::max(Start, std::min(TokenEnd(*Opener), From));
    return Start;
}

int32_t TStartStopMatcher::FindStopOccurrence(TParagraph& Par, int32_t ParIndex,
                                              const StartStopInfo& Key, int32_t Start,
                                              int32_t End) {
    const int32_t L = Key.StopLen;
    if (L <= 0 || End - Start < L)
        return -1;
    const char* Text = Par.Text;
    const int32_t Length = Par.ParLength();
    const char* Hay = Text + Start;
    if ((Key.Options & koMatchCase) == 0)
        Hay =
            UpperCache.Get(Par, ParIndex, Start, End - Start, Context.StartStopKeys->GetCaseRule());
    const std::string_view Window(Hay, static_cast<size_t>(End - Start));
    const std::string_view Needle(Key.StopBuf, static_cast<size_t>(L));
    for (size_t At = Window.find(Needle); At != std::string_view::npos;
         At = Window.find(Needle, At + 1)) {
        const int32_t Found = Start + static_cast<int32_t>(At);
        const bool HeadOk = !Key.StopWordHead || Found == 0 || IsWordSeparator(Text[Found - 1]);
        const bool TailOk =
            !Key.StopWordTail || Found + L >= Length || IsWordSeparator(Text[Found + L]);
        if (HeadOk && TailOk)
            return Found;
    }
    return -1;
}

HighlightRun TStartStopMatcher::ClosingState(const HighlightRun& State, int32_t RecordIndex,
                                             int32_t ParIndex, int32_t From) const {
    const int32_t Depth = StateDepth(State);
    const int32_t Continuation = NextSameStart[static_cast<size_t>(RecordIndex)];
    if (Continuation < 0) {
        HighlightRun Closing = StateBeforeRange(ParIndex, From, Depth);
        Closing.TokenLen = 0;
        return Closing;
    }
    // A later record with the same start key takes the range over.
    const StartStopInfo& Next = (*Context.StartStopKeys)[Continuation];
    HighlightRun Closing = State;
    Closing.Flags = static_cast<uint8_t>((Next.Style & hfStyleMask) | hfKeyState);
    Closing.Stack[Depth] = StartStopEntry(Continuation);
    Closing.Cursor = Next.Cursor;
    Closing.BackColor = Next.BackColor;
    Closing.TextColor = Next.TextColor;
    Closing.Context = Next.Context;
    Closing.TokenLen = 0;
    Closing.CloseLen = TokenLength(Next.StopLen + (Next.StopWordHead ? 1 : 0));
    return Closing;
}

HighlightRun TStartStopMatcher::StateBeforeRange(int32_t ParIndex, int32_t From,
                                                 int32_t Depth) const {
    const TParagraphsList& List = Paragraphs;
    int32_t Index = RunsAtOrBefore(List[ParIndex], From);
    for (int32_t P = ParIndex;; --P) {
        const TParagraph& Par = List[P];
        int32_t Count = 0;
        const HighlightRun* Runs = RunsOf(Par, Count);
        for (int32_t K = std::min(Index, Count) - 1; K >= 0; --K)
            if (StateDepth(Runs[K]) < Depth)
                return Runs[K];
        if (StateDepth(*Par.StartRun()) < Depth || P == 0)
            return *Par.StartRun();
        Index = List[P - 1].RunCount();
    }
}

int32_t TStartStopMatcher::TokenEnd(const HighlightRun& Opener) const {
    const int32_t Depth = StateDepth(Opener);
    if (Opener.TokenLen > 0 && Depth >= 0) {
        const TStartStopKeyList& List = *Context.StartStopKeys;
        const int16_t Top = Opener.Stack[Depth];
        if (Top < 0 && StartStopIndex(Top) < List.GetCount()) {
            const StartStopInfo& Key = List[StartStopIndex(Top)];
            if (Opener.TokenLen >= TokenLength(Key.StartLen))
                return Opener.Offset + Key.StartLen;
        }
    }
    return Opener.Offset + Opener.TokenLen;
}

int32_t TStartStopMatcher::TokenLengthOf(const HighlightRun& State, bool Closing,
                                         int32_t Stored) const {
    const int32_t Depth = StateDepth(State);
    if (Depth < 0)
        return Stored;
    const int16_t Top = State.Stack[Depth];
    if (Top >= 0) {
        const TKeywordList& Keywords = *Context.Keywords;
        return Top < Keywords.GetCount() ? Keywords.GetKeyRecord(Top).KeyLen : Stored;
    }
    const TStartStopKeyList& List = *Context.StartStopKeys;
    if (StartStopIndex(Top) >= List.GetCount())
        return Stored;
    const StartStopInfo& Key = List[StartStopIndex(Top)];
    return Closing ? Key.StopLen + (Key.StopWordHead ? 1 : 0)
                   : Key.StartLen + (Key.StartWordTail ? 1 : 0);
}

int32_t TStartStopMatcher::TokenReach(const HighlightRun& State) const {
    // Only a length that did not fit the field is taken from the lists.
    return State.TokenLen < 255 ? State.TokenLen : TokenLengthOf(State, false, State.TokenLen);
}

int32_t TStartStopMatcher::CloseReach(const HighlightRun& State) const {
    // Not CloseLen itself: it is 0 on a state that a keyword or range was
    // pushed onto, and until the range is closed it is the stop key's length
    // without the separator a whole-word stop key needs before it, so it may
    // fall short of the token an edit touched and leave the text after it
    // highlighted stale.
    return TokenLengthOf(State, true, State.CloseLen);
}

} // namespace korvel
