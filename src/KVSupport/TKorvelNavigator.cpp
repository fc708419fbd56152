#include "KVSupport/TKorvelNavigator.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/ParagraphLookups.h"
#include "KVSupport/TLayoutSettings.h"
#include "KVSupport/TNavigatorHost.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TParagraphsList.h"
#include "KVSupport/TSeparatorSet.h"
#include "framework/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace korvel {

namespace {

// A paragraph search that leaves a paragraph for a position at most this
// many characters away remembers the neighbour as the next search's start:
// walking the text paragraph by paragraph then costs a probe or two per
// paragraph instead of a proportional guess each time.
constexpr int32_t NearDistance = 4096;

// The last index in 0 .. Count - 1 whose key is at most Target, for keys that
// never decrease with the index (paragraph start offsets, first lines).
// The search starts at Guess and gallops outward (1, 2, 4, ... records) until
// the answer is bracketed, then halves the bracket: a guess that is close
// costs a probe or two, a poor one a logarithmic number of probes. When even
// the first key is above Target the answer is 0.
//
// A proportional guess (Units > 0) is first refined: the keys grow by about
// Units per Count records on average (characters or lines of the whole
// text), so a key that misses Target by M units is about M * Count / Units
// records away; the record there and the guess then give the local growth,
// and a second step along it lands near the answer even where the text is
// much denser or sparser than on average. On typical texts this brings a
// guess that is hundreds of records off to within a few records, in far
// fewer probes than galloping alone. A guess known to be near (Units = 0) is
// not refined.
template <class TKey>
int32_t SearchFrom(int32_t Count, int32_t Guess, int32_t Target, int32_t Units, TKey Key) {
    const auto Clamp = [Count](int64_t Index) {
        return static_cast<int32_t>(std::clamp<int64_t>(Index, 0, Count - 1));
    };
    Guess = Clamp(Guess);
    if (Units > 0) {
        const int64_t Key1 = Key(Guess);
        const int64_t Step = (Target - Key1) * Count / Units;
        if (Step != 0) {
            const int32_t Second = Clamp(Guess + Step);
            const int64_t Key2 = Key(Second);
            Guess = Key2 == Key1
                        ? Second
                        : Clamp(Second + (Target - Key2) * (Second - Guess) / (Key2 - Key1));
        }
    }
    int32_t Lo; // Key(Lo) <= Target
    int32_t Hi; // Hi = Count or Key(Hi) > Target
    int64_t Step = 1;
    if (Key(Guess) <= Target) {
        Lo = Guess;
        for (;;) {
            Hi = Count - Lo > Step ? static_cast<int32_t>(Lo + Step) : Count;
            if (Hi == Count || Key(Hi) > Target)
                break;
            Lo = Hi;
            Step *= 2;
        }
    } else {
        Hi = Guess;
        for (;;) {
            if (Hi == 0)
                return 0;
            Lo = Hi > Step ? static_cast<int32_t>(Hi - Step) : 0;
            if (Key(Lo) <= Target)
                break;
            Hi = Lo;
            Step *= 2;
        }
    }
    while (Hi - Lo > 1) {
        const int32_t Mid = Lo + (Hi - Lo) / 2;
        if (Key(Mid) <= Target)
            Lo = Mid;
        else
            Hi = Mid;
    }
    return Lo;
}

// Index * Numerator div Denominator without overflow, limited to 0 .. Count - 1.
int32_t ProportionalGuess(int32_t Index, int32_t Numerator, int32_t Denominator, int32_t Count) {
    if (Denominator <= 0)
        return 0;
    const int64_t Guess = int64_t{Index} * Numerator / Denominator;
    return static_cast<int32_t>(std::clamp<int64_t>(Guess, 0, Count - 1));
}

// Steps through the characters of the text the way CharAt reads them (a
// break is 13 then 10, the end of the text reads 13) without moving a
// navigator; the word moves walk with it and place the navigator once.
class TCharCursor {
public:
    TCharCursor(TParagraphsList& List, int32_t Index, int32_t Offset)
        : List(List), Count(List.GetCount()), Index(Index), Offset(Offset) {
        Load();
    }

    int32_t GetIndex() const { return Index; }
    int32_t GetOffset() const { return Offset; }
    int32_t GetLength() const { return Length; }

    uint8_t Char() const {
        if (Offset < Length)
            return static_cast<uint8_t>(Par->Text[Offset]);
        return Offset == Length ? 13 : 10;
    }

    // One character back; false (not moved) at the start of the text.
    bool Back() {
        if (Offset > 0) {
            --Offset;
            return true;
        }
        if (Index == 0)
            return false;
        --Index;
        Load();
        Offset = Length + 1;
        return true;
    }

    // One character forward; false (not moved) at the end of the text.
    bool Forward() {
        if (Offset < Length) {
            ++Offset;
            return true;
        }
        if (Index >= Count - 1)
            return false;
        if (Offset == Length) {
            ++Offset;
            return true;
        }
        ++Index;
        Load();
        Offset = 0;
        return true;
    }

private:
    void Load() {
        Par = &List[Index];
        Length = Par->ParLength();
    }

    TParagraphsList& List;
    const int32_t Count;
    int32_t Index;
    int32_t Offset;
    const TParagraph* Par = nullptr;
    int32_t Length = 0;
};

} // namespace

// --- Construction and life ---

TKorvelNavigator::TKorvelNavigator(TObject* Owner) {
    if (Owner == nullptr)
        return;
    Control = dynamic_cast<TNavigatorHost*>(Owner);
    if (Control == nullptr)
        throw Exception(SNotAKorvel);
    Control->RegisterNavigator(this);
    Registered = true;
}

TKorvelNavigator::TKorvelNavigator(TNavigatorHost& Owner) : Control(&Owner) {
    Control->RegisterNavigator(this);
    Registered = true;
}

TKorvelNavigator::~TKorvelNavigator() {
    if (Registered && Control != nullptr)
        Control->UnregisterNavigator(this);
}

void TKorvelNavigator::SetControl(TNavigatorHost* Value) {
    if (!Registered)
        Control = Value;
    Reset();
}

void TKorvelNavigator::ControlDestroyed() {
    if (Registered && Control != nullptr)
        Control->UnregisterNavigator(this);
    Registered = false;
    Control = nullptr;
    Reset();
}

void TKorvelNavigator::Assign(const TKorvelNavigator& Other) {
    Pos = Other.Pos;
    Par = Other.Par;
    ParIndex = Other.ParIndex;
    ParOffset = Other.ParOffset;
    RunIndex = Other.RunIndex;
    LineIndex = Other.LineIndex;
    if (LineView)
        LineView->Bind(Par);
}

void TKorvelNavigator::Reset() {
    DropPar();
    SearchHint = -1;
}

TParagraphsList& TKorvelNavigator::List() const {
    if (Control == nullptr)
        throw Exception(SInternalKorvelError);
    return Control->GetParagraphsList();
}

void TKorvelNavigator::BindPar(int32_t Index) {
    Par = &List()[Index];
    ParIndex = Index;
    if (LineView)
        LineView->Bind(Par);
}

void TKorvelNavigator::DropPar() {
    Par = nullptr;
    ParIndex = -1;
    ParOffset = -1;
    RunIndex = -1;
    LineIndex = -1;
    if (LineView)
        LineView->Bind(nullptr);
}

// --- Position ---

void TKorvelNavigator::SetPos(int32_t A) {
    if (Control != nullptr)
        A = std::clamp(A, 0, Control->GetParagraphsList().GetTextLength());
    if (Par != nullptr) {
        const int32_t Start = List().GetStartOffset(ParIndex);
        // The paragraph reaches up to the middle of the break after it.
        const int64_t End = int64_t{Start} + Par->ParLength() + 1;
        if (A >= Pos && A <= End) {
            // Forward within the paragraph: the caches follow.
            ParOffset = A - Start;
            if (const ParExtraInfo* Extra = Par->GetExtra()) {
                if (RunIndex >= 0) {
                    const TDynInfoArray& Runs = Extra->Runs;
                    const auto RunCount = static_cast<int32_t>(Runs.size());
                    while (RunIndex < RunCount &&
                           Runs[static_cast<size_t>(RunIndex)].Offset < ParOffset)
                        ++RunIndex;
                }
                if (LineIndex >= 0) {
                    const auto Last = static_cast<int32_t>(Extra->MoreLines.size());
                    while (LineIndex < Last && ParOffset >= LineStopOf(*Extra, LineIndex))
                        ++LineIndex;
                }
            }
            Pos = A;
            return;
        }
        RunIndex = -1;
        LineIndex = -1;
        if (A < Start || A > End) {
            const int32_t Index = ParIndex;
            DropPar();
            if (A > End)
                SearchHint = A - End <= NearDistance ? Index + 1 : -1;
            else
                SearchHint = Start - A <= NearDistance ? Index - 1 : -1;
        } else {
            ParOffset = A - Start;
        }
    }
    Pos = A;
}

int32_t TKorvelNavigator::GetParIndex() {
    if (Par != nullptr)
        return ParIndex;
    TParagraphsList& Paragraphs = List();
    const int32_t Count = Paragraphs.GetCount();
    if (Count <= 0)
        throw ERangeError(SListIndexError);
    LineIndex = -1;
    RunIndex = -1;
    // A position beyond the text (one kept while the navigator had no
    // control) would read outside the last paragraph.
    Pos = std::clamp(Pos, 0, Paragraphs.GetTextLength());
    const bool Near = SearchHint >= 0 && SearchHint < Count;
    const int32_t Guess =
        Near ? SearchHint : ProportionalGuess(Pos, Count - 2, Paragraphs.GetTextLength(), Count);
    SearchHint = -1;
    // The paragraph of Pos is the last one starting at or before it.
    BindPar(SearchFrom(Count, Guess, Pos, Near ? 0 : Paragraphs.GetTextLength(),
                       [&Paragraphs](int32_t I) { return Paragraphs.GetStartOffset(I); }));
    ParOffset = Pos - Paragraphs.GetStartOffset(ParIndex);
    return ParIndex;
}

TParagraph* TKorvelNavigator::GetPar() {
    GetParIndex();
    return Par;
}

int32_t TKorvelNavigator::GetParOffset() {
    GetParIndex();
    return ParOffset;
}

void TKorvelNavigator::SetParagraph(int32_t Index) {
    BindPar(Index);
    Pos = List().GetStartOffset(Index);
    ParOffset = 0;
    RunIndex = 0;
    LineIndex = 0;
}

void TKorvelNavigator::SetParOffset(int32_t N) {
    GetParIndex();
    N = std::clamp(N, 0, Par->ParLength());
    ParOffset = N;
    Pos = List().GetStartOffset(ParIndex) + N;
    if (const ParExtraInfo* Extra = Par->GetExtra()) {
        if (RunIndex >= 0)
            RunIndex = RunsBefore(*Extra, N);
        if (LineIndex >= 0)
            LineIndex = LineEndingAt(*Extra, N);
    }
}

void TKorvelNavigator::PlaceAt(int32_t Index, int32_t Offset) {
    if (Par != nullptr && Index == ParIndex) {
        SetPos(List().GetStartOffset(Index) + Offset);
        return;
    }
    BindPar(Index);
    ParOffset = Offset;
    Pos = List().GetStartOffset(Index) + Offset;
    RunIndex = -1;
    LineIndex = -1;
}

uint8_t TKorvelNavigator::CharAt() {
    GetParIndex();
    const int32_t Length = Par->ParLength();
    if (ParOffset < Length)
        return static_cast<uint8_t>(Par->Text[ParOffset]);
    return ParOffset == Length ? 13 : 10;
}

int32_t TKorvelNavigator::CopyText(char* Buffer, int32_t N) {
    GetParIndex();
    TParagraphsList& Paragraphs = List();
    const int32_t Count = Paragraphs.GetCount();
    int32_t Index = ParIndex;
    const TParagraph* P = Par;
    int32_t Offset = ParOffset;
    int32_t Written = 0;
    while (Written < N) {
        const int32_t Length = P->ParLength();
        if (Offset < Length) {
            const int32_t Part = std::min(Length - Offset, N - Written);
            std::memcpy(Buffer + Written, P->Text + Offset, static_cast<size_t>(Part));
            Written += Part;
            Offset += Part;
        } else if (Index >= Count - 1) {
            break; // the end of the text: no break follows the last paragraph
        } else if (Offset == Length) {
            Buffer[Written++] = 13;
            ++Offset;
        } else {
            Buffer[Written++] = 10;
            P = &Paragraphs[++Index];
            Offset = 0;
        }
    }
    Buffer[Written] = 0;
    return Written;
}

// --- Display lines ---

TLinesList& TKorvelNavigator::GetLines() {
    if (!LineView)
        LineView = std::make_unique<TLinesList>();
    GetParIndex();
    LineView->Bind(Par);
    return *LineView;
}

int32_t TKorvelNavigator::GetLineIndex() {
    if (LineIndex >= 0 && Par != nullptr)
        return LineIndex;
    GetParIndex();
    LineIndex = LineContaining(*Par, ParOffset);
    return LineIndex;
}

int32_t TKorvelNavigator::GetGlobalLine() {
    const int32_t Line = GetLineIndex();
    return List().GetFirstLine(ParIndex) + Line;
}

void TKorvelNavigator::SetGlobalLine(int32_t L) {
    TParagraphsList& Paragraphs = List();
    const int32_t Count = Paragraphs.GetCount();
    L = std::max(L, 0);
    // Without word wrap a left-aligned paragraph is never wrapped, so line L
    // is paragraph L. Right or centred text is wrapped at the window even
    // then; it is found through the line counts like wrapped text.
    if (Control->GetLayout().OneLinePerParagraph()) {
        SetParagraph(std::min(L, Count - 1));
        return;
    }
    const int32_t Lines = Paragraphs.GetLineCount();
    L = std::max(std::min(L, Lines - 1), 0);
    if (Count <= 0)
        throw ERangeError(SListIndexError);
    const int32_t Guess = ProportionalGuess(L, Count, Lines, Count);
    BindPar(SearchFrom(Count, Guess, L, Lines,
                       [&Paragraphs](int32_t I) { return Paragraphs.GetFirstLine(I); }));
    LineIndex = std::clamp(L - Paragraphs.GetFirstLine(ParIndex), 0, Par->LineCountOf() - 1);
    const TLineRecord Line = LineRecordOf(*Par, LineIndex);
    ParOffset = std::clamp(Line.Start, 0, Par->ParLength());
    Pos = Paragraphs.GetStartOffset(ParIndex) + ParOffset;
    // The line's run count is taken when it fits the runs as they are now;
    // runs changed since the line was formatted leave it to be counted.
    RunIndex = RunCountFits(*Par, ParOffset, Line.StartRunIndex) ? Line.StartRunIndex : -1;
}

TLineRecord TKorvelNavigator::CurrentLine() {
    const int32_t Line = GetLineIndex();
    return LineRecordOf(*Par, Line);
}

int32_t TKorvelNavigator::GetLineOffset() {
    const TLineRecord Line = CurrentLine();
    return ParOffset - Line.Start;
}

int32_t TKorvelNavigator::SetLineOffset(int32_t N) {
    const TLineRecord Line = CurrentLine();
    N = std::clamp(N, 0, std::max(Line.Stop - Line.Start, 0));
    ParOffset = std::clamp(Line.Start + N, 0, Par->ParLength());
    Pos = List().GetStartOffset(ParIndex) + ParOffset;
    RunIndex = -1;
    return Pos;
}

void TKorvelNavigator::GetLineText(std::string& Text) {
    const TLineRecord Line = CurrentLine();
    const std::string_view Bytes = Par->View();
    const auto Length = static_cast<int32_t>(Bytes.size());
    const int32_t From = std::clamp(Line.Start, 0, Length);
    const int32_t To = std::clamp(Line.Stop, From, Length);
    Text.assign(Bytes.substr(static_cast<size_t>(From), static_cast<size_t>(To - From)));
}

uint8_t TKorvelNavigator::GetCodeState() {
    if (!List().GetStaticFormat())
        return 0;
    const TLineRecord Line = CurrentLine();
    const std::string_view Bytes = Par->View();
    const auto Length = static_cast<int32_t>(Bytes.size());
    const int32_t From = std::clamp(Line.Start, 0, Length);
    const int32_t To = std::clamp(ParOffset, From, Length);
    return ToggleCodes(Line.StartCodeState,
                       Bytes.substr(static_cast<size_t>(From), static_cast<size_t>(To - From)));
}

// --- Highlight runs ---

int32_t TKorvelNavigator::GetRunIndex() {
    if (RunIndex >= 0 && Par != nullptr)
        return RunIndex;
    GetParIndex();
    const ParExtraInfo* Extra = Par->GetExtra();
    RunIndex = Extra != nullptr ? RunsBefore(*Extra, ParOffset) : 0;
    return RunIndex;
}

const HighlightRun& TKorvelNavigator::CurrentRun() {
    const int32_t Known = GetRunIndex(); // makes Par valid
    const int32_t Index = std::min(Known, Par->RunCount());
    if (Index > 0)
        return Par->GetExtra()->Runs[static_cast<size_t>(Index - 1)];
    return *Par->StartRun();
}

void TKorvelNavigator::SkipRunsHere() {
    GetRunIndex();
    const ParExtraInfo* Extra = Par->GetExtra();
    if (Extra == nullptr)
        return;
    const TDynInfoArray& Runs = Extra->Runs;
    while (RunIndex < static_cast<int32_t>(Runs.size()) &&
           Runs[static_cast<size_t>(RunIndex)].Offset == ParOffset)
        ++RunIndex;
}

void TKorvelNavigator::InsertRun(const HighlightRun& Run) {
    GetRunIndex();
    TDynInfoArray& Runs = Par->AttachExtra().Runs;
    HighlightRun Placed = Run;
    Placed.Offset = ParOffset;
    const auto At = std::min(static_cast<size_t>(RunIndex), Runs.size());
    Runs.insert(Runs.begin() + static_cast<std::ptrdiff_t>(At), Placed);
    RunIndex = static_cast<int32_t>(At) + 1;
    Par->DropLineSamplesFrom(ParOffset);
}

void TKorvelNavigator::DeleteRun() {
    GetRunIndex();
    ParExtraInfo* Extra = Par->GetExtra();
    if (Extra == nullptr || RunIndex >= static_cast<int32_t>(Extra->Runs.size()) ||
        Extra->Runs[static_cast<size_t>(RunIndex)].Offset != ParOffset)
        throw Exception(SInternalKorvelError);
    Extra->Runs.erase(Extra->Runs.begin() + RunIndex);
    Extra->DropSamplesFrom(ParOffset);
    LineIndex = -1;
}

bool TKorvelNavigator::PrevRun(int32_t Limit) {
    GetRunIndex();
    TParagraphsList& Paragraphs = List();
    int32_t Index = ParIndex;
    const TParagraph* P = Par;
    int32_t Run = std::min(RunIndex, P->RunCount());
    while (Run == 0) {
        if (Index == 0 || Paragraphs.GetStartOffset(Index) <= Limit)
            return false;
        P = &Paragraphs[--Index];
        Run = P->RunCount();
    }
    const int32_t Offset = P->GetExtra()->Runs[static_cast<size_t>(Run - 1)].Offset;
    if (int64_t{Paragraphs.GetStartOffset(Index)} + Offset < Limit)
        return false;
    PlaceAt(Index, Offset);
    RunIndex = Run - 1;
    LineIndex = -1;
    return true;
}

bool TKorvelNavigator::NextRun(int32_t Limit) {
    GetRunIndex();
    TParagraphsList& Paragraphs = List();
    const int32_t Count = Paragraphs.GetCount();
    int32_t Index = ParIndex;
    const TParagraph* P = Par;
    int32_t Run = RunIndex;
    while (Run >= P->RunCount()) {
        if (Index >= Count - 1 ||
            int64_t{Paragraphs.GetStartOffset(Index)} + P->ParLength() >= Limit)
            return false;
        P = &Paragraphs[++Index];
        Run = 0;
    }
    const int32_t Offset = P->GetExtra()->Runs[static_cast<size_t>(Run)].Offset;
    if (int64_t{Paragraphs.GetStartOffset(Index)} + Offset > Limit)
        return false;
    PlaceAt(Index, Offset);
    RunIndex = Run;
    LineIndex = -1;
    return true;
}

// --- Words ---

void TKorvelNavigator::WordLeft(const TSeparatorSet& Separators) {
    GetParIndex();
    TCharCursor C(List(), ParIndex, ParOffset);
    // Back over the separators before the position, then over the word.
    bool Moved;
    do
        Moved = C.Back();
    while (Moved && Separators.IsSeparator(C.Char()));
    while (Moved) {
        Moved = C.Back();
        if (Moved && Separators.IsSeparator(C.Char())) {
            C.Forward();
            break;
        }
    }
    PlaceAt(C.GetIndex(), C.GetOffset());
}

void TKorvelNavigator::WordRight(const TSeparatorSet& Separators) {
    GetParIndex();
    TCharCursor C(List(), ParIndex, ParOffset);
    if (C.Char() == 13) {
        // A paragraph end: over the break and no further (the end of the
        // text has no break to jump).
        if (C.Forward())
            C.Forward();
    } else {
        while (!Separators.IsSeparator(C.Char()) && C.Forward()) {
        }
        while (Separators.IsSeparator(C.Char()) && C.Forward()) {
        }
    }
    PlaceAt(C.GetIndex(), C.GetOffset());
}

void TKorvelNavigator::WordEnd(const TSeparatorSet& Separators) {
    GetParIndex();
    TCharCursor C(List(), ParIndex, ParOffset);
    while (C.GetOffset() < C.GetLength() && !Separators.IsSeparator(C.Char()))
        C.Forward();
    PlaceAt(C.GetIndex(), C.GetOffset());
}

void TKorvelNavigator::WordStart(const TSeparatorSet& Separators) {
    GetParIndex();
    TCharCursor C(List(), ParIndex, ParOffset);
    while (C.GetOffset() > 0 && Separators.IsSeparator(C.Char()))
        C.Back();
    while (C.Back()) {
        if (Separators.IsSeparator(C.Char())) {
            C.Forward();
            break;
        }
    }
    PlaceAt(C.GetIndex(), C.GetOffset());
}

// --- Keeping the register in step ---

void TKorvelNavigator::InvalidateNavigators(TNavigatorHost& Control, int32_t From,
                                            int32_t LastPara) {
    for (TKorvelNavigator* Navigator : Control.GetNavigators()) {
        if (Navigator->Par != nullptr && Navigator->Pos >= From &&
            Navigator->ParIndex <= LastPara) {
            Navigator->LineIndex = -1;
            Navigator->RunIndex = -1;
        }
    }
}

void TKorvelNavigator::AdjustAfterReplace(const TKorvelNavigator& SelStart, int32_t Pos1,
                                          int32_t Pos2, int32_t P2, int32_t CharDelta, int32_t D,
                                          int32_t MovedFrom) {
    if (Pos < Pos1) {
        // The text before the range is unchanged, but a replacement over
        // several paragraphs leaves the first one with a single provisional
        // display line: a line cached beyond it is dropped.
        if (Par != nullptr && ParIndex >= MovedFrom) {
            BindPar(ParIndex);
            if (LineIndex >= Par->LineCountOf())
                LineIndex = -1;
        }
        return;
    }
    if (Pos <= Pos2) {
        Assign(SelStart);
        return;
    }
    Pos += CharDelta;
    if (Par == nullptr)
        return;
    const bool InLastParagraph = ParIndex == P2;
    ParIndex += D;
    BindPar(ParIndex);
    if (InLastParagraph) {
        // The rest of paragraph P2 now follows the inserted text.
        RunIndex = -1;
        LineIndex = -1;
        ParOffset = Pos - List().GetStartOffset(ParIndex);
    }
}

void TKorvelNavigator::AdjustAfterReplace(const TKorvelNavigator& SelStart,
                                          const TTextChange& Change) {
    AdjustAfterReplace(SelStart, Change.FromPos, Change.ToPos, Change.LastPara, Change.CharDelta,
                       Change.ParagraphDelta, Change.RecordsMovedFrom);
}

void TKorvelNavigator::PlaceAtChange(const TTextChange& Change, bool AtEnd) {
    if (AtEnd) {
        Place(Change.NewLastPara, Change.NewToOffset, Change.NewToPos, Change.NewToRunIndex,
              Change.NewToLineIndex);
    } else {
        Place(Change.FirstPara, Change.FromOffset, Change.FromPos, Change.FromRunIndex, -1);
    }
}

void TKorvelNavigator::Place(int32_t Index, int32_t Offset, int32_t At, int32_t Run, int32_t Line) {
    BindPar(Index);
    ParOffset = Offset;
    Pos = At;
    RunIndex = Run;
    LineIndex = Line;
}

TTextPoint TKorvelNavigator::TextPoint() {
    const int32_t Index = GetParIndex();
    return {Index, ParOffset, GetLineIndex()};
}

TTextChange ReplaceBetween(TKorvelNavigator& StartNav, TKorvelNavigator& EndNav,
                           const char* NewText, bool CloseFormats, bool DiscardTrailing) {
    TNavigatorHost* Control = StartNav.GetControl();
    if (Control == nullptr || EndNav.GetControl() != Control)
        throw Exception(SInternalKorvelError);
    const TTextChange Change = Control->GetParagraphsList().ReplaceRange(
        NewText, StartNav.TextPoint(), EndNav.TextPoint(), CloseFormats, DiscardTrailing);
    StartNav.PlaceAtChange(Change, false);
    EndNav.PlaceAtChange(Change, true);
    return Change;
}

} // namespace korvel
