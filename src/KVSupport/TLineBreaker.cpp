#include "KVSupport/TLineBreaker.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/ParagraphLookups.h"
#include "KVSupport/TLayoutSettings.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TParagraphsList.h"

#include <algorithm>
#include <array>
#include <limits>

namespace korvel {

namespace {

constexpr int32_t NoRun = std::numeric_limits<int32_t>::max();

// Classes of bytes that end a word. Codes count only with StaticFormat.
constexpr uint8_t bcBlank = 1;
constexpr uint8_t bcTab = 2;
constexpr uint8_t bcCode = 4;

constexpr std::array<uint8_t, 256> MakeByteClasses() {
    std::array<uint8_t, 256> Classes{};
    Classes[' '] = bcBlank;
    Classes['\t'] = bcTab;
    for (const uint8_t Code : {fcItalic, fcBold, fcHighlight, fcAltFont, fcUnderline})
        Classes[Code] = bcCode;
    return Classes;
}

constexpr std::array<uint8_t, 256> ByteClasses = MakeByteClasses();

// Bytes below this join a tab or code group when a word is split.
constexpr uint8_t GroupLimit = 26;

int32_t Saturate(int64_t Value) {
    return static_cast<int32_t>(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

TLineBreaker::TLineBreaker(TParagraphsList& List, TLayoutSettings& Layout)
    : List(List), Layout(Layout) {}

int32_t TLineBreaker::BreakLines(TCanvas* CanvasToUse, bool SelectFontFirst, int32_t& FirstLine,
                                 int32_t& LastOld, bool Full, int32_t ParIndex, int32_t AvailWidth,
                                 int32_t& LineDelta) {
    return BreakLines(CanvasToUse, SelectFontFirst, FirstLine, LastOld, Full, List[ParIndex],
                      ParIndex, AvailWidth, LineDelta);
}

int32_t TLineBreaker::BreakLines(TCanvas* CanvasToUse, bool SelectFontFirst, int32_t& FirstLine,
                                 int32_t& LastOld, bool Full, TParagraph& Paragraph,
                                 int32_t ParIndex, int32_t AvailWidth, int32_t& LineDelta) {
    Canvas = CanvasToUse;
    Par = &Paragraph;
    ParNumber = ParIndex;
    Lines.Bind(Par);
    OldCount = Par->LineCountOf();
    if (Canvas == nullptr)
        return BreakWithoutCanvas(FirstLine, LastOld, LineDelta);

    FullScan = Full;
    BeginScan(FirstLine, SelectFontFirst, AvailWidth);
    if (TakeWholeLine()) {
        EndParagraph();
        return Store(FirstLine, LastOld, LineDelta);
    }
    for (;;) {
        if (Pos >= SampleDue && Pos < Length)
            TakeSample();
        ScanGap();
        HangGap();
        if (Pos >= Length) {
            EndParagraph();
            break;
        }
        ScanWord();
        if (PullUp())
            continue;
        if (Overflow())
            break;
    }
    return Store(FirstLine, LastOld, LineDelta);
}

int32_t TLineBreaker::BreakWithoutCanvas(int32_t& FirstLine, int32_t& LastOld, int32_t& LineDelta) {
    LineDelta = 1 - OldCount;
    Lines.SetLineCount(1);
    if (ParExtraInfo* Extra = Par->GetExtra()) {
        // A provisional whole line of no width and no gaps (so JustifyFrom,
        // 0, moves nothing).
        TLineRecord& Line = Extra->Line0;
        Line.Stop = Extra->Length;
        Line.Width = Line.FullWidth = Line.Gaps = Line.JustifyFrom = 0;
    }
    List.AdjustLineCount(LineDelta);
    FirstLine = 0;
    LastOld = 0;
    return 1;
}

void TLineBreaker::BeginScan(int32_t FirstLine, bool SelectFontFirst, int32_t AvailWidth) {
    const ParExtraInfo* Extra = Par->GetExtra();
    Text = reinterpret_cast<const uint8_t*>(Par->Text);
    Length = Text != nullptr ? Par->ParLength() : 0;
    Runs = Extra != nullptr ? Extra->Runs.data() : nullptr;
    RunCount = Extra != nullptr ? static_cast<int32_t>(Extra->Runs.size()) : 0;
    StopMask = bcBlank | bcTab | (List.GetStaticFormat() ? bcCode : 0);
    Produced.clear();
    PreviousChanged = false;

    // Start at the old line's start in the state stored with it; a record
    // that does not fit the paragraph sends the scan back to its start.
    FirstOld = std::clamp(FirstLine, 0, OldCount - 1);
    TLineRecord First = OldLine(FirstOld);
    if (First.Start < 0 || First.Start > Length || First.StartRunIndex < 0 ||
        First.StartRunIndex > RunCount) {
        FirstOld = 0;
        First = OldLine(0);
        First.Start = 0;
        First.StartRunIndex = 0;
    }
    LastOldLine = FirstOld;
    Pos = First.Start;
    X = 0;
    CodeState = First.StartCodeState;
    SetRunIndex(First.StartRunIndex);
    StartLine();

    const uint8_t Style = Layout.EffectiveStyle(CodeState, RunFlags);
    if (!SelectFontFirst) {
        SelectedStyle = Style;
        BlankWidth = Layout.View.BlankWidth;
        Overhang = Layout.View.Overhang;
        WrapWidth = WrapWidthFor(AvailWidth);
        // The table kept from the last selection belongs to the font the
        // canvas still holds, but only if it is the same canvas.
        if (Canvas != AdvancesCanvas)
            HasAdvances = false;
        if (HasAdvances && WordAdvancesMask != StopMask)
            BuildWordAdvances();
    } else {
        // Column wrap counts blanks of the paragraph's first font, so that a
        // re-format from a later line wraps at the same width as a full one.
        const uint8_t FirstStyle =
            Layout.EffectiveStyle(Par->StartCodeState(), Par->StartRun()->Flags);
        if (FirstOld > 0 && Layout.ColumnWrap > 0 && ((FirstStyle ^ Style) & ~csHighlight) != 0)
            SelectFont(FirstStyle);
        else
            SelectFont(Style);
        WrapWidth = WrapWidthFor(AvailWidth);
        if (SelectedStyle != Style)
            SelectFont(Style);
    }
    Sampling = nullptr;
    SampleDue = NoSampleDue;
    if (HasAdvances && Length - Pos >= std::max(Layout.SampleStep, 1))
        ResumeFromSamples(First);
}

void TLineBreaker::ResumeFromSamples(const TLineRecord& First) {
    ParExtraInfo& Extra = Par->AttachExtra();
    TMeasureKey Key = TMeasureKey::Of(Layout, List.GetStaticFormat());
    if (Extra.Samples == nullptr || !Extra.Samples->Fits(Pos, CodeState, Key))
        Extra.Samples = std::make_unique<TLineSamples>(Pos, CodeState, std::move(Key));
    Sampling = Extra.Samples.get();
    const TLineSample* Last = Sampling->AtOrBefore(Length - 1);
    Sampling->DropAfter(Last);
    SampleDue = DueAfter(Sampling->LastOffset());
    if (Last == nullptr)
        return;

    // The line so far is as it was measured: continue from the sample.
    ResumeAt(*Last);
    if (HasAdvances)
        return;
    // A font in force there no longer offers its advances (another canvas):
    // measure the line from its start after all.
    Sampling->DropFrom(0);
    SampleDue = NoSampleDue;
    ResumeAt({First.Start, LineStartState, 0, 0, First.Start});
}

// The runs in force are looked up again: those before the sample are the
// ones it was measured in.
void TLineBreaker::ResumeAt(const TLineSample& Sample) {
    Pos = Sample.Offset;
    X = Sample.X;
    CodeState = Sample.CodeState;
    LineBlanks = Sample.LineBlanks;
    JustifyCandidate = Sample.JustifyCandidate;
    SetRunIndex(RunsUpTo(*Par->GetExtra(), Pos));
    StyleChanged();
}

int32_t TLineBreaker::DueAfter(int32_t Offset) const {
    return static_cast<int32_t>(
        std::min<int64_t>(int64_t{Offset} + std::max(Layout.SampleStep, 1), NoSampleDue));
}

void TLineBreaker::TakeSample() {
    Sampling->Add({Pos, CodeState, X, LineBlanks, JustifyCandidate});
    SampleDue = DueAfter(Pos);
}

int64_t TLineBreaker::WrapWidthFor(int32_t AvailWidth) const {
    int64_t Width;
    if (Layout.OneLinePerParagraph())
        Width = int64_t{std::numeric_limits<int32_t>::max()} - Layout.RightMargin;
    else if (Layout.ColumnWrap > 0)
        Width = int64_t{BlankWidth} * Layout.ColumnWrap;
    else if (Layout.ColumnWrap < 0)
        Width = -int64_t{Layout.ColumnWrap};
    else
        Width = int64_t{AvailWidth} - Layout.LeftMargin - Layout.RightMargin;
    return std::max<int64_t>(Width, 1);
}

// Blanks, tabs and codes up to the next other byte. Blanks add the blank
// width, a tab jumps to the next stop and restarts the blanks that
// justification may widen, codes switch the font.
void TLineBreaker::ScanGap() {
    GapStartX = X;
    GapBegin = GapStart = Pos;
    GapBlanks = 0;
    while (Pos < Length) {
        if (Pos >= NextRunStart)
            EnterRunsAt(Pos);
        const uint8_t Class = ByteClasses[Text[Pos]] & StopMask;
        if (Class == 0)
            break;
        if (Class == bcBlank) {
            X += BlankWidth;
            ++GapBlanks;
        } else if (Class == bcTab) {
            X = NextTabStop(X);
            LineBlanks = 0;
            GapBlanks = 0;
            GapStart = JustifyCandidate = Pos;
        } else {
            CodeState = ToggleCode(CodeState, Text[Pos]);
            StyleChanged();
        }
        ++Pos;
    }
    LineBlanks += GapBlanks;
}

// A gap at the start of a line after the first belongs to the line before:
// blanks never begin a wrapped line.
void TLineBreaker::HangGap() {
    const bool OnOldLine = Produced.empty();
    if (Pos == GapBegin || GapStart != LineStart || (OnOldLine && FirstOld == 0))
        return;
    TLineRecord& Previous = OnOldLine ? OldLine(FirstOld - 1) : Produced.back();
    Previous.Stop = Pos;
    Previous.FullWidth = Saturate(Previous.FullWidth + (X - GapStartX));
    PreviousChanged = PreviousChanged || OnOldLine;
    StartLine();
}

// The bytes up to the next blank, tab or the end, measured segment by
// segment; codes inside take no width. The font's overhang is counted once,
// for the segment that ends the word.
void TLineBreaker::ScanWord() {
    if (Pos >= NextRunStart)
        EnterRunsAt(Pos);
    WordStart = Pos;
    WordStartX = X;
    WordState = Snapshot();
    int64_t Width = 0;
    int32_t TailOverhang = 0;
    int32_t SegmentStart = Pos;
    for (;;) {
        if (Pos >= NextRunStart) {
            if (Pos > SegmentStart) {
                Width += Measure(SegmentStart, Pos);
                TailOverhang = Overhang;
            }
            EnterRunsAt(Pos);
            SegmentStart = Pos;
        }
        const int32_t Limit = std::min(Length, NextRunStart);
        if (HasAdvances) {
            // Summed while scanning; a table means no overhang.
            Width += SumWordAdvances(Limit);
            SegmentStart = Pos;
            TailOverhang = 0;
        } else {
            while (Pos < Limit && (ByteClasses[Text[Pos]] & StopMask) == 0)
                ++Pos;
        }
        if (Pos == Limit && Pos < Length)
            continue; // a run starts here
        if (Pos > SegmentStart) {
            Width += Measure(SegmentStart, Pos);
            TailOverhang = Overhang;
        }
        if (!IsCode(Pos))
            break;
        CodeState = ToggleCode(CodeState, Text[Pos]);
        StyleChanged();
        SegmentStart = ++Pos;
        TailOverhang = 0;
    }
    WordWidth = Width - TailOverhang;
    X += WordWidth;
}

// While nothing has been completed, a word that begins the first re-formatted
// line moves up when it fits on the line before (text was deleted there).
bool TLineBreaker::PullUp() {
    if (!Produced.empty() || FirstOld == 0 || WordStart != LineStart || Pos == WordStart)
        return false;
    TLineRecord& Previous = OldLine(FirstOld - 1);
    if (Previous.FullWidth + WordWidth > WrapWidth)
        return false;
    // The blanks that hung at its end now stand between words.
    const int32_t Begin = std::max(Previous.Start, 0);
    for (int32_t I = std::min(Previous.Stop, Length); I > Begin && Text[I - 1] == ' '; --I)
        ++Previous.Gaps;
    Previous.Stop = Pos;
    Previous.FullWidth = Previous.Width = Saturate(Previous.FullWidth + WordWidth);
    NoteWidth(Previous.Width);
    PreviousChanged = true;
    StartLine();
    return true;
}

// A word that passes the wrap width ends the line before it; when it alone
// is too wide for a line it is split.
bool TLineBreaker::Overflow() {
    if (X <= WrapWidth)
        return false;
    if (WordStart > LineStart) {
        const TLineRecord Line =
            LineUpTo(WordStart, GapStartX, WordStartX, LineBlanks - GapBlanks, JustifyCandidate);
        if (CompleteLine(Line))
            return true;
        LineStart = JustifyCandidate = WordStart;
        LineStartState = WordState.CodeState;
        LineBlanks = 0;
        X = WordWidth;
        if (WordWidth <= WrapWidth)
            return false;
    }
    Pos = WordStart;
    X = 0;
    Restore(WordState);
    return SplitWord();
}

// Takes bytes from the line start one at a time while the line fits: a tab
// or code starts a group of every byte below 26 that follows, taken together
// (tabs jump to their stops, codes switch the font, the other bytes take no
// width); any other byte is measured alone. The byte that overflowed is given
// back when more than one was taken, unless a code or a run begins right
// after it.
//
// Only a byte that overflowed is given back. When the paragraph ends first,
// everything taken fits, and giving the last byte back would only move it to
// a line of its own.
bool TLineBreaker::SplitWord() {
    int32_t Taken = 0;
    int32_t BeforePos = Pos;
    int64_t BeforeX = X;
    TStyleState Before = Snapshot();
    while (X <= WrapWidth && Pos < Length) {
        BeforePos = Pos;
        BeforeX = X;
        Before = Snapshot();
        if ((ByteClasses[Text[Pos]] & StopMask & (bcTab | bcCode)) != 0) {
            for (; Pos < Length && Text[Pos] < GroupLimit; ++Pos) {
                if (Pos >= NextRunStart)
                    EnterRunsAt(Pos);
                if (Text[Pos] == '\t') {
                    X = NextTabStop(X);
                } else if (IsCode(Pos)) {
                    CodeState = ToggleCode(CodeState, Text[Pos]);
                    StyleChanged();
                }
            }
        } else {
            if (Pos >= NextRunStart)
                EnterRunsAt(Pos);
            X += Measure(Pos, Pos + 1);
            ++Pos;
        }
        ++Taken;
    }
    const bool RunStartsHere = RunIndex < RunCount && Runs[RunIndex].Offset == Pos;
    if (Taken > 1 && X > WrapWidth && !IsCode(Pos) && !RunStartsHere) {
        Pos = BeforePos;
        X = BeforeX;
        Restore(Before);
    }
    if (CompleteLine(LineUpTo(Pos, X, X, 0, Pos)))
        return true;
    StartLine();
    return false;
}

void TLineBreaker::EndParagraph() {
    if (Pos > LineStart || (Produced.empty() && FirstOld == 0)) {
        Produced.push_back(LineUpTo(Length, X, X, 0, Length));
        NoteWidth(Produced.back().Width);
    }
    LastOldLine = OldCount - 1;
}

bool TLineBreaker::CompleteLine(const TLineRecord& Line) {
    // Samples belong to the line the scan began with, which ends here.
    SampleDue = NoSampleDue;
    Produced.push_back(Line);
    NoteWidth(Line.Width);
    if (FullScan)
        return false;
    while (LastOldLine < OldCount - 1 && OldLine(LastOldLine).Stop < Line.Stop)
        ++LastOldLine;
    return LastOldLine < OldCount - 1 && OldLine(LastOldLine).Stop == Line.Stop;
}

// The new lines replace the old lines FirstOld .. LastOldLine; the old lines
// after them move by the difference. A one-line paragraph without extension
// stays compact.
int32_t TLineBreaker::Store(int32_t& FirstLine, int32_t& LastOld, int32_t& LineDelta) {
    const int32_t NewLines = static_cast<int32_t>(Produced.size());
    LineDelta = NewLines - (LastOldLine - FirstOld + 1);
    if (NewLines == 1 && !Par->HasExtra()) {
        Par->SetLine0(Produced.front());
    } else {
        ParExtraInfo& Extra = Par->AttachExtra();
        auto Line = [&Extra](int32_t Index) -> TLineRecord& {
            return Index == 0 ? Extra.Line0 : Extra.MoreLines[static_cast<size_t>(Index - 1)];
        };
        const int32_t NewCount = OldCount + LineDelta;
        if (LineDelta > 0) {
            Lines.SetLineCount(NewCount);
            for (int32_t I = OldCount - 1; I > LastOldLine; --I)
                Line(I + LineDelta) = Line(I);
        } else if (LineDelta < 0) {
            for (int32_t I = LastOldLine + 1; I < OldCount; ++I)
                Line(I + LineDelta) = Line(I);
            Lines.SetLineCount(NewCount);
        }
        for (int32_t I = 0; I < NewLines; ++I)
            Line(FirstOld + I) = Produced[static_cast<size_t>(I)];
    }
    if (LineDelta != 0) {
        List.AdjustLineCount(LineDelta);
        LastOldLine += LineDelta;
    }
    // The caller repaints from FirstLine. The line before changed when a word
    // was pulled up onto it, and also when a gap was hung on it: its Stop
    // moved and its FullWidth, which bounds the selection band over blanks,
    // grew, so it must be repainted too.
    FirstLine = PreviousChanged ? FirstOld - 1 : FirstOld;
    LastOld = LastOldLine;
    return OldCount + LineDelta;
}

void TLineBreaker::StartLine() {
    // Samples belong to the line the scan began with (a gap or a pulled-up
    // word can move its start).
    SampleDue = NoSampleDue;
    LineStart = JustifyCandidate = Pos;
    LineStartState = CodeState;
    LineBlanks = 0;
    X = 0;
}

TLineRecord TLineBreaker::LineUpTo(int32_t Stop, int64_t Width, int64_t FullWidth, int32_t Gaps,
                                   int32_t JustifyFrom) const {
    return {LineStart, Stop,        Saturate(Width), Saturate(FullWidth),
            Gaps,      JustifyFrom, LineStartState,  RunsBefore(LineStart)};
}

void TLineBreaker::NoteWidth(int32_t Width) {
    TViewMetrics& View = Layout.View;
    if (Width <= View.MaxLineWidth)
        return;
    View.MaxLineWidth = Width;
    if (!Layout.WordWrap || Layout.ColumnWrap > 0)
        View.WidestPara = ParNumber;
}

void TLineBreaker::Restore(const TStyleState& State) {
    CodeState = State.CodeState;
    RunIndex = State.RunIndex;
    RunFlags = State.RunFlags;
    NextRunStart = State.NextRunStart;
    StyleChanged();
}

void TLineBreaker::EnterRunsAt(int32_t At) {
    int32_t Index = RunIndex;
    while (Index < RunCount && Runs[Index].Offset <= At)
        ++Index;
    SetRunIndex(Index);
    StyleChanged();
}

void TLineBreaker::SetRunIndex(int32_t Index) {
    RunIndex = Index;
    RunFlags = RunIndex > 0 ? Runs[RunIndex - 1].Flags : Par->StartRun()->Flags;
    NextRunStart = RunIndex < RunCount ? Runs[RunIndex].Offset : NoRun;
}

int32_t TLineBreaker::RunsBefore(int32_t Offset) const {
    int32_t Index = RunIndex;
    while (Index > 0 && Runs[Index - 1].Offset >= Offset)
        --Index;
    while (Index < RunCount && Runs[Index].Offset < Offset)
        ++Index;
    return Index;
}

void TLineBreaker::StyleChanged() {
    const uint8_t Style = Layout.EffectiveStyle(CodeState, RunFlags);
    if (((Style ^ SelectedStyle) & ~csHighlight) != 0)
        SelectFont(Style);
}

// Selects the font of Style and measures its blank: the extent of two blanks
// minus that of one is the advance, and what one blank reports beyond its
// advance is the overhang every measured run carries.
void TLineBreaker::SelectFont(uint8_t Style) {
    Layout.SelectStyleFont(*Canvas, Style);
    SelectedStyle = Style;
    AdvancesCanvas = Canvas;
    HasAdvances = Canvas->GetByteAdvances(Advances) &&
                  std::all_of(Advances.begin(), Advances.end(), [](int32_t A) { return A >= 0; });
    // Past a font measured by extents, x is no longer a plain sum that
    // others could resume from.
    if (!HasAdvances)
        SampleDue = NoSampleDue;
    TSize Two{};
    TSize One{};
    if (HasAdvances) {
        // Extents are sums of the advances: no overhang.
        BlankWidth = Advances[' '];
        Overhang = 0;
        BuildWordAdvances();
    } else if (Canvas->GetTextExtent("  ", 2, Two) && Canvas->GetTextExtent(" ", 1, One)) {
        BlankWidth = Two.cx - One.cx;
        Overhang = 2 * One.cx - Two.cx;
    } else {
        BlankWidth = 1;
        Overhang = 0;
    }
    Layout.View.BlankWidth = BlankWidth;
    Layout.View.Overhang = Overhang;
}

bool TLineBreaker::IsCode(int32_t At) const {
    return At < Length && (ByteClasses[Text[At]] & StopMask & bcCode) != 0;
}

int64_t TLineBreaker::Measure(int32_t From, int32_t To) const {
    if (HasAdvances) {
        int64_t Sum = 0;
        for (int32_t I = From; I < To; ++I)
            Sum += Advances[Text[I]];
        return Sum;
    }
    return Layout.MeasureText(*Canvas, reinterpret_cast<const char*>(Text) + From, To - From);
}

int64_t TLineBreaker::SumWordAdvances(int32_t Limit) {
    const int32_t* Table = WordAdvances.data();
    const uint8_t* Bytes = Text;
    int32_t At = Pos;
    int64_t Sum = 0;
    while (At < Limit) {
        const int32_t Advance = Table[Bytes[At]];
        if (Advance < 0)
            break;
        Sum += Advance;
        ++At;
    }
    Pos = At;
    return Sum;
}

void TLineBreaker::BuildWordAdvances() {
    WordAdvances = Advances;
    PlainAdvances = Advances;
    for (size_t Ch = 0; Ch < WordAdvances.size(); ++Ch) {
        if ((ByteClasses[Ch] & StopMask) != 0)
            WordAdvances[Ch] = -1;
        if ((ByteClasses[Ch] & StopMask & ~bcBlank) != 0)
            PlainAdvances[Ch] = -1;
    }
    WordAdvancesMask = StopMask;
}

// The scan would take the same path: blanks and words alternate, nothing
// changes the font, and no word passes the wrap width, so the paragraph
// ends its only line with every byte's advance counted, hanging blanks
// included. A sum that passes the wrap width leaves the paragraph to the
// scan, which decides where to break (blanks at the end never break).
bool TLineBreaker::TakeWholeLine() {
    if (!HasAdvances || RunCount > 0 || FirstOld != 0 || Pos != 0)
        return false;
    const int32_t* Table = PlainAdvances.data();
    int64_t Sum = 0;
    int32_t Blanks = 0;
    int32_t CountedTo = 0;
    for (int32_t I = 0; I < Length;) {
        // In one pass up to where a sample is due; from there byte by byte
        // to the first blank after a word, where the scan would stand
        // between a word and its gap.
        const bool Due = I >= SampleDue;
        if (Due && Text[I] == ' ' && Text[I - 1] != ' ') {
            Blanks += static_cast<int32_t>(std::count(Text + CountedTo, Text + I, ' '));
            CountedTo = I;
            Pos = I;
            X = Sum;
            LineBlanks = Blanks;
            TakeSample();
        }
        const int32_t To = Due ? I + 1 : std::min(Length, SampleDue);
        for (; I < To; ++I) {
            const int32_t Advance = Table[Text[I]];
            if (Advance < 0 || Sum + Advance > WrapWidth)
                return LeaveToScan();
            Sum += Advance;
        }
    }
    Pos = Length;
    X = Sum;
    return true;
}

// The scan takes the paragraph from its start after all, and takes its
// samples again.
bool TLineBreaker::LeaveToScan() {
    if (Sampling != nullptr) {
        Sampling->DropFrom(0);
        SampleDue = DueAfter(Sampling->LastOffset());
    }
    Pos = 0;
    X = 0;
    LineBlanks = 0;
    return false;
}

// Tab stops are counted from the line's start: every TabStops blank widths
// of the control font, or every -TabStops pixels; 0 gives tabs no width.
int64_t TLineBreaker::NextTabStop(int64_t At) const {
    const int32_t TabStops = Layout.TabStops;
    const int64_t Step =
        TabStops > 0 ? int64_t{TabStops} * Layout.View.SpaceWidth : -int64_t{TabStops};
    return Step > 0 ? Step * (At / Step + 1) : At;
}

} // namespace korvel
