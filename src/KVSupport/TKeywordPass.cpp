#include "KVSupport/TKeywordPass.h"

#include "KVSupport/HighlightState.h"
#include "KVSupport/ParagraphRuns.h"
#include "KVSupport/THighlightContext.h"
#include "KVSupport/TKeywordList.h"
#include "KVSupport/TKorvelHighlighter.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TNavigatorHost.h"
#include "KVSupport/TParagraphsList.h"
#include "KVSupport/TUpperCaseCache.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace korvel {

// --- SetRangeState ---

void SetRangeStateAt(TParagraphsList& List, int32_t FirstPar, int32_t From, int32_t LastPar,
                     int32_t To, bool Automatic, HighlightRun State) {
    TParagraph& First = List[FirstPar];
    HighlightRun Old = StateAt(First, From);
    // Where the old state began, for what is left of its token after To.
    int32_t OldPar = FirstPar;
    const HighlightRun* OldRun = RunInForce(First, From);
    int32_t OldOffset = OldRun != nullptr ? OldRun->Offset : -1;

    State.Flags = Automatic ? static_cast<uint8_t>(State.Flags | hfAutomatic) : 0;
    const bool Insert = Automatic || (Old.Flags & hfAutomatic) != 0;
    if (Insert)
        InsertRunBefore(First, From, State);

    for (int32_t P = FirstPar; P <= LastPar; ++P) {
        TParagraph& Par = List[P];
        Par.Flags &= static_cast<uint8_t>(~pfFormatted);
        const int32_t End = P == LastPar ? To : Par.ParLength();
        if (ParExtraInfo* Extra = Par.GetExtra()) {
            TDynInfoArray& Runs = Extra->Runs;
            // The runs after the new one: in the first paragraph those behind
            // it (or after From), in later ones all of them, up to End.
            int32_t Begin = 0;
            if (P == FirstPar)
                Begin = Insert ? RunsBefore(*Extra, From) + 1 : RunsUpTo(*Extra, From);
            const int32_t Stop = std::max(Begin, RunsUpTo(*Extra, End));
            if (Stop > Begin) {
                Old = Runs[static_cast<size_t>(Stop - 1)];
                OldPar = P;
                OldOffset = Old.Offset;
                Par.DropLineSamplesFrom(Runs[static_cast<size_t>(Begin)].Offset);
                Runs.erase(Runs.begin() + Begin, Runs.begin() + Stop);
            }
        }
        if (P > FirstPar) {
            if (P == FirstPar + 1)
                Par.SetStartRun(&State, true);
            else
                Par.SetStartRun(List[P - 1].StartRun(), false);
        }
    }

    const int32_t Left = OldPar == LastPar && OldOffset >= 0 ? Old.TokenLen - (To - OldOffset) : 0;
    Old.TokenLen = TokenLength(Left);
    TParagraph& Last = List[LastPar];
    if (int64_t{List.GetStartOffset(LastPar)} + To < List.GetTextLength() &&
        (Automatic || (Old.Flags & hfAutomatic)))
        PutRunAt(Last, To, Old);
}

void SetRangeState(TParagraphsList& List, TKorvelNavigator& From, TKorvelNavigator& To,
                   bool MarkForLayout, bool Automatic, HighlightRun State) {
    TKorvelNavigator* Lo = &From;
    TKorvelNavigator* Hi = &To;
    if (Hi->GetPos() < Lo->GetPos())
        std::swap(Lo, Hi);
    const int32_t FirstPar = Lo->GetParIndex();
    const int32_t FromOffset = Lo->GetParOffset();
    const int32_t LastPar = Hi->GetParIndex();
    const int32_t ToOffset = std::min(Hi->GetParOffset(), List[LastPar].ParLength());
    if (MarkForLayout)
        List.MarkChanged(FirstPar, Lo->GetLineIndex(), LastPar);
    SetRangeStateAt(List, FirstPar, std::min(FromOffset, List[FirstPar].ParLength()), LastPar,
                    ToOffset, Automatic, State);
    // The runs changed under both navigators.
    Lo->Reset();
    Hi->Reset();
}

// --- The pair filter ---

void TBytePairFilter::Start() {
    if (++Generation == 0) {
        Stamps.fill(0);
        Generation = 1;
    }
    Stamps[AnySlot] = Generation;
}

void TBytePairFilter::Add(const char* Text, size_t Length) {
    for (size_t I = 1; I < Length; ++I)
        Stamps[Slot(Text[I - 1], Text[I])] = Generation;
}

uint16_t TBytePairFilter::FirstPair(std::string_view Key) {
    return Key.size() < 2 ? AnySlot : Slot(Key[0], Key[1]);
}

uint16_t TBytePairFilter::LastPair(std::string_view Key) {
    return Key.size() < 2 ? AnySlot : Slot(Key[Key.size() - 2], Key[Key.size() - 1]);
}

// --- The keyword pass ---

TKeywordPass::TKeywordPass(TNavigatorHost& Host, const THighlightContext& Context,
                           TUpperCaseCache& UpperCache)
    : Host(Host), Context(Context), UpperCache(UpperCache) {}

void TKeywordPass::ApplyKeywords(TKorvelNavigator& From, TKorvelNavigator& To) {
    if (TKorvelHighlighter* Highlighter = Context.Highlighter)
        Highlighter->KeywordHook(From, To, Context.Keywords->GetCount());
    TKorvelNavigator* Lo = &From;
    TKorvelNavigator* Hi = &To;
    if (Hi->GetPos() < Lo->GetPos())
        std::swap(Lo, Hi);
    FurthestMatchEnd = -1;
    ApplyKeywordsAt(Lo->GetParIndex(), Lo->GetParOffset(), Hi->GetParIndex(), Hi->GetParOffset());
    // Both ends move on to the end of the last match beyond them. The search
    // itself kept the span it was given: had it followed a batch applied
    // halfway, a keyword later in the list would have missed its occurrences
    // before the batch's matches.
    for (TKorvelNavigator* Navigator : {&From, &To}) {
        Navigator->Reset(); // the runs under it changed
        if (Navigator->GetPos() < FurthestMatchEnd)
            Navigator->SetPos(FurthestMatchEnd);
    }
}

void TKeywordPass::ApplyKeywordsInParagraph(int32_t Par, int32_t From, int32_t To,
                                            TKorvelNavigator& HookFrom, TKorvelNavigator& HookTo) {
    if (Context.Highlighter != nullptr) {
        for (TKorvelNavigator* Navigator : {&HookFrom, &HookTo}) {
            Navigator->SetControl(&Host);
            Navigator->SetParagraph(Par);
        }
        HookFrom.SetParOffset(From);
        HookTo.SetParOffset(To);
        ApplyKeywords(HookFrom, HookTo);
        return;
    }
    ApplyKeywordsAt(Par, From, Par, To);
}

void TKeywordPass::ApplyKeywordsAt(int32_t FirstPar, int32_t From, int32_t LastPar, int32_t To) {
    const TKeywordList& Keywords = *Context.Keywords;
    if (!Context.ApplyKeyWords || Keywords.GetCount() == 0)
        return;
    TParagraphsList& List = Host.GetParagraphsList();
    for (int32_t P = FirstPar; P <= LastPar; ++P) {
        const int32_t Length = List[P].ParLength();
        SearchParagraph(P, P == FirstPar ? std::clamp(From, 0, Length) : 0,
                        P == LastPar ? std::clamp(To, 0, Length) : Length, P == FirstPar,
                        P == LastPar);
    }
}

const std::vector<TCompiledKeyword>& TKeywordPass::Compiled() {
    const TKeywordList& Keywords = *Context.Keywords;
    const int32_t Count = Keywords.GetCount();
    if (CopyValid && !Keywords.GetUpdating() && Keywords.GetChangeCount() == CopyChangeCount)
        return Copy;
    Copy.clear();
    CopyNeedsUpper = false;
    const int32_t Usable = std::min(Count, MaxStackIndex);
    for (int32_t K = 0; K < Usable; ++K) {
        const TKeyInfoLen& Record = Keywords.GetKeyRecord(K);
        if (Record.Context == 0 || Record.UpKey.empty())
            continue;
        TCompiledKeyword& Keyword = Copy.emplace_back();
        Keyword.Key = Record.UpKey;
        Keyword.Index = K;
        Keyword.MatchCase = (Record.Options & koMatchCase) != 0;
        Keyword.WholeWords = (Record.Options & koWholeWords) != 0;
        // The filter holds the pairs of the upper-cased window when any keyword
        // ignores case, so a keyword that matches case is looked up in its
        // upper-cased form there (a pair of the text upper-cases to a pair of
        // the upper-cased text, byte by byte).
        const std::string Filtered = UpperCased(Keywords.GetCaseRule(), Keyword.Key);
        Keyword.FirstSlot = TBytePairFilter::FirstPair(Filtered);
        Keyword.LastSlot = TBytePairFilter::LastPair(Filtered);
        Keyword.RawFirstSlot = TBytePairFilter::FirstPair(Keyword.Key);
        Keyword.RawLastSlot = TBytePairFilter::LastPair(Keyword.Key);
        Keyword.Info = Record;
        CopyNeedsUpper = CopyNeedsUpper || !Keyword.MatchCase;
    }
    CopyValid = true;
    CopyChangeCount = Keywords.GetChangeCount();
    CopyMaxKeyLen = Keywords.GetMaxKeyLen();
    CopyRule = Keywords.GetCaseRule();
    return Copy;
}

void TKeywordPass::SearchParagraph(int32_t ParIndex, int32_t From, int32_t To, bool FirstOfSpan,
                                   bool LastOfSpan) {
    const std::vector<TCompiledKeyword>& Keys = Compiled();
    if (Keys.empty())
        return;
    TParagraph& Par = Host.GetParagraphsList()[ParIndex];
    const int32_t Length = Par.ParLength();
    if (Length == 0)
        return;
    // Nothing can match when keywords are forbidden from From to the end of
    // the span.
    if (!KeywordsAllowed(StateAt(Par, From)) && NextRunAfter(Par, From) > To)
        return;

    const int32_t MaxKeyLen = CopyMaxKeyLen;
    WindowStart = FirstOfSpan ? std::max(0, From - MaxKeyLen - 1) : 0;
    WindowEnd = LastOfSpan ? std::min(To + MaxKeyLen, Length) : Length;
    if (WindowEnd <= WindowStart)
        return;
    const auto Size = static_cast<size_t>(WindowEnd - WindowStart);
    Raw.assign(Par.Text + WindowStart, Size);
    WindowUpper = CopyNeedsUpper;
    if (WindowUpper)
        Up.assign(UpperCache.Get(Par, ParIndex, WindowStart, WindowEnd - WindowStart, CopyRule),
                  Size);
    MaskForbidden(Par, WindowStart, WindowEnd, WindowUpper);
    Pairs.Start();
    Pairs.Add(WindowUpper ? Up.data() : Raw.data(), Size);

    // In list order, 64 keywords at a time: first the ones whose pairs occur.
    const size_t Count = Keys.size();
    for (size_t Base = 0; Base < Count; Base += 64) {
        const size_t End = std::min(Count, Base + 64);
        uint64_t Candidates = 0;
        for (size_t J = Base; J < End; ++J) {
            const TCompiledKeyword& Key = Keys[J];
            const uint16_t First = WindowUpper ? Key.FirstSlot : Key.RawFirstSlot;
            const uint16_t Last = WindowUpper ? Key.LastSlot : Key.RawLastSlot;
            Candidates |=
                (static_cast<uint64_t>(Pairs.Has(First)) & static_cast<uint64_t>(Pairs.Has(Last)))
                << (J - Base);
        }
        while (Candidates != 0) {
            const size_t J = Base + static_cast<size_t>(std::countr_zero(Candidates));
            Candidates &= Candidates - 1;
            SearchKeyword(Keys[J], static_cast<int32_t>(J), Par, ParIndex, From, To, FirstOfSpan,
                          LastOfSpan);
        }
    }
    ApplyKeywordMatches();
}

void TKeywordPass::SearchKeyword(const TCompiledKeyword& Keyword, int32_t Entry,
                                 const TParagraph& Par, int32_t ParIndex, int32_t From, int32_t To,
                                 bool FirstOfSpan, bool LastOfSpan) {
    const TSeparatorSet& Separators = Context.Separators;
    const int32_t Length = Par.ParLength();
    const auto KeyLen = static_cast<int32_t>(Keyword.Key.size());
    const int32_t SearchStart = FirstOfSpan ? std::max(WindowStart, From - KeyLen) : 0;
    const int32_t SearchEnd = LastOfSpan ? std::min(WindowEnd, To + KeyLen) : WindowEnd;
    if (SearchEnd - SearchStart < KeyLen)
        return;
    std::string& Searched = Keyword.MatchCase ? Raw : Up;
    const std::string_view Hay(Searched.data() + (SearchStart - WindowStart),
                               static_cast<size_t>(SearchEnd - SearchStart));
    for (size_t At = Hay.find(Keyword.Key); At != std::string_view::npos;
         At = Hay.find(Keyword.Key, At + static_cast<size_t>(KeyLen))) {
        const int32_t Offset = SearchStart + static_cast<int32_t>(At);
        if (Keyword.WholeWords &&
            ((Offset > 0 && !Separators.IsSeparator(Par.Text[Offset - 1])) ||
             (Offset + KeyLen < Length && !Separators.IsSeparator(Par.Text[Offset + KeyLen]))))
            continue;
        // No later keyword may match these characters.
        const auto Masked = static_cast<size_t>(Offset - WindowStart);
        std::memset(Raw.data() + Masked, MaskByte, static_cast<size_t>(KeyLen));
        if (WindowUpper)
            std::memset(Up.data() + Masked, MaskByte, static_cast<size_t>(KeyLen));
        AddMatch({Entry, ParIndex, Offset, KeyLen});
    }
}

void TKeywordPass::MaskForbidden(const TParagraph& Par, int32_t From, int32_t To, bool Upper) {
    int32_t RunCount = 0;
    const HighlightRun* Runs = RunsOf(Par, RunCount);
    int32_t Index = RunsAtOrBefore(Par, From);
    int32_t At = From;
    while (At < To) {
        const int32_t Next = Index < RunCount ? std::min(Runs[Index].Offset, To) : To;
        if (!KeywordsAllowed(StateAfterRuns(Par, Index)) && Next > At) {
            const auto Offset = static_cast<size_t>(At - From);
            const auto Count = static_cast<size_t>(Next - At);
            std::memset(Raw.data() + Offset, MaskByte, Count);
            if (Upper)
                std::memset(Up.data() + Offset, MaskByte, Count);
        }
        At = std::max(At, Next);
        ++Index;
    }
}

void TKeywordPass::AddMatch(const TMatch& Match) {
    if (MatchCount == MatchBufferSize)
        ApplyKeywordMatches();
    Matches[static_cast<size_t>(MatchCount++)] = Match;
}

void TKeywordPass::ApplyKeywordMatches() {
    if (MatchCount == 0)
        return;
    TParagraphsList& List = Host.GetParagraphsList();
    int32_t FirstPar = List.GetCount();
    // Each match adds at most two runs.
    if (Matches[0].Par == Matches[static_cast<size_t>(MatchCount - 1)].Par) {
        TDynInfoArray& Runs = List[Matches[0].Par].AttachExtra().Runs;
        Runs.reserve(Runs.size() + 2 * static_cast<size_t>(MatchCount));
    }
    for (int32_t M = 0; M < MatchCount; ++M) {
        const TMatch& Match = Matches[static_cast<size_t>(M)];
        TParagraph& Par = List[Match.Par];
        const HighlightRun Base = StateAt(Par, Match.Offset);
        const int32_t Depth = StateDepth(Base);
        if (Depth >= MaxPushDepth)
            continue;
        if (Depth >= 0)
            SetCloseLenInForce(List, Match.Par, Match.Offset, 0);
        const TCompiledKeyword& Keyword = Copy[static_cast<size_t>(Match.Keyword)];
        const HighlightRun State = PushedState(
            Base, Keyword.Info, static_cast<int16_t>(Keyword.Index), Match.Length, Match.Length);
        SetRangeStateAt(List, Match.Par, Match.Offset, Match.Par, Match.Offset + Match.Length, true,
                        State);
        FirstPar = std::min(FirstPar, Match.Par);
        FurthestMatchEnd = std::max(FurthestMatchEnd,
                                    List.GetStartOffset(Match.Par) + Match.Offset + Match.Length);
    }
    MatchCount = 0;
    if (FirstPar < List.GetCount())
        Context.MarkLinePositionsStale(FirstPar, List.GetCount() - 1);
}

} // namespace korvel
