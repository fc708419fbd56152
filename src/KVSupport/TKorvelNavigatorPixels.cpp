// The pixel side of TKorvelNavigator: x of a position in its display line
// and back, and the mapping of client points to positions. Text is measured
// on the control's canvas in the fonts painting uses, run by run.

#include "KVSupport/FormatCodes.h"
#include "KVSupport/ParagraphLookups.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TLayoutSettings.h"
#include "KVSupport/TNavigatorHost.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TParagraphsList.h"

#include <algorithm>
#include <climits>

namespace korvel {

namespace {

// The font in force while a display line is walked from its start: the code
// state, the highlight run in force and the style they give. The font is
// selected into the canvas at the start and again whenever the style
// changes. Highlight colours (bit 4) never change widths, so they are left
// out of the style. Without a canvas (no window yet) everything measures 0.
class TLineFonts {
public:
    TLineFonts(const TLayoutSettings& Layout, const TParagraph& Par, const TLineRecord& Line)
        : TLineFonts(Layout, Par, Line.Start, Line.StartCodeState) {}
    // The same from Offset in the line, where the code state is State.
    TLineFonts(const TLayoutSettings& Layout, const TParagraph& Par, int32_t Offset, uint8_t State)
        : Layout(Layout), Canvas(Layout.Canvas), Par(Par), State(State) {
        if (const ParExtraInfo* Extra = Par.GetExtra()) {
            Runs = &Extra->Runs;
            NextRun = RunsUpTo(*Extra, Offset);
        }
        Style = ComputeStyle();
        if (Canvas != nullptr)
            Layout.SelectStyleFont(*Canvas, Style);
    }

    // Start of the next run, INT32_MAX when no run follows.
    int32_t NextRunStart() const {
        return Runs != nullptr && NextRun < static_cast<int32_t>(Runs->size())
                   ? (*Runs)[static_cast<size_t>(NextRun)].Offset
                   : INT32_MAX;
    }

    void Toggle(uint8_t Code) { State = ToggleCode(State, Code); }

    // Takes every run starting at or before Offset into force and re-selects
    // the font when the style changed (codes toggled since count too).
    void AdvanceTo(int32_t Offset) {
        if (Runs != nullptr)
            while (NextRun < static_cast<int32_t>(Runs->size()) &&
                   (*Runs)[static_cast<size_t>(NextRun)].Offset <= Offset)
                ++NextRun;
        const uint8_t Now = ComputeStyle();
        if (Now != Style) {
            Style = Now;
            if (Canvas != nullptr)
                Layout.SelectStyleFont(*Canvas, Style);
        }
    }

    // Width of Length bytes at Text in the current font.
    int32_t Measure(const char* Text, int32_t Length) const {
        return Canvas != nullptr && Length > 0 ? Layout.MeasureText(*Canvas, Text, Length) : 0;
    }

private:
    uint8_t ComputeStyle() const {
        const HighlightRun& Run =
            NextRun > 0 ? (*Runs)[static_cast<size_t>(NextRun - 1)] : *Par.StartRun();
        return Layout.EffectiveStyle(State, Run.Flags) & static_cast<uint8_t>(~csHighlight);
    }

    const TLayoutSettings& Layout;
    TCanvas* Canvas;
    const TParagraph& Par;
    const TDynInfoArray* Runs = nullptr;
    int32_t NextRun = 0; // runs before it are in force
    uint8_t State;
    uint8_t Style = 0;
};

int32_t Saturated(int64_t Value) {
    return static_cast<int32_t>(std::clamp<int64_t>(Value, INT32_MIN, INT32_MAX));
}

// What measuring and clicking read of one display line: its bytes (limited
// to the paragraph), the settings that place them, the room left of the
// line's width in the window and the share of it each justified gap gets.
struct TLineLayout {
    TLineLayout(const TLayoutSettings& Layout, const TParagraph& Par, const TLineRecord& Line,
                bool StaticFormat)
        : Line(Line), Text(Par.Text), Length(Par.ParLength()),
          Start(std::clamp(Line.Start, 0, Length)), Stop(std::clamp(Line.Stop, Start, Length)),
          StaticFormat(StaticFormat), Justified(Layout.Justified), Alignment(Layout.Alignment),
          LeftMargin(Layout.LeftMargin),
          Free(Layout.View.TextWidth - LeftMargin - Layout.RightMargin - Line.Width),
          TabStep(Layout.TabStep()) {
        if (Line.Gaps > 0) {
            PerGap = Free / Line.Gaps;
            Extra = Free % Line.Gaps;
        }
    }

    uint8_t At(int32_t J) const { return static_cast<uint8_t>(Text[J]); }
    bool IsTabOrCode(int32_t J) const {
        return At(J) == '\t' || (StaticFormat && IsFormatCode(At(J)));
    }
    bool IsJustifiedBlank(int32_t J) const {
        return At(J) == ' ' && Justified && J >= Line.JustifyFrom;
    }
    // The next tab stop after X, stops every TabStep pixels from Origin.
    int32_t NextTabStop(int32_t X, int32_t Origin) const {
        if (TabStep <= 0)
            return X;
        return Saturated(int64_t{TabStep} * ((X - Origin) / TabStep + 1) + Origin);
    }

    const TLineRecord Line;
    const char* const Text;
    const int32_t Length;
    const int32_t Start;
    const int32_t Stop;
    const bool StaticFormat;
    const bool Justified;
    const TAlignment Alignment;
    const int32_t LeftMargin;
    const int32_t Free;
    const int32_t TabStep;
    int32_t PerGap = 0;
    int32_t Extra = 0;
};

// The samples of measured x along the line, when it may be measured from
// them (see TLineSamples::ForLine).
const TLineSamples* UsableSamples(const TLayoutSettings& Layout, const TParagraph& Par,
                                  const TLineLayout& L) {
    const ParExtraInfo* Extra = Par.GetExtra();
    return TLineSamples::ForLine(Extra != nullptr ? Extra->Samples.get() : nullptr, L.Line, Layout,
                                 L.StaticFormat);
}

// Client x where the text of a line starts when a click is mapped to it;
// here a line counts as justified when it has blanks to widen before its
// end.
int32_t TextStartX(const TLineLayout& L) {
    if (L.Justified && L.Line.JustifyFrom < L.Line.Stop)
        return L.LeftMargin;
    if (L.Alignment == taRightJustify)
        return L.LeftMargin + L.Free;
    if (L.Alignment == taCenter)
        return L.LeftMargin + L.Free / 2;
    return L.LeftMargin;
}

// A display line walked character by character for a click: the room each
// character takes on screen, in the font in force at it.
class TLineWalk {
public:
    // Walks from Start, the line's start or a sample in it.
    TLineWalk(const TLineLayout& L, TLineFonts& Fonts, int32_t Start)
        : L(L), Fonts(Fonts), J(Start), Acc(L.Extra / 2) {}

    bool AtEnd() const { return J >= L.Stop; }

    // Passes the format codes at the position (they take no room but may
    // change the font) and returns how many there were. After codes or at a
    // run start the next byte is measured alone.
    int32_t PassCodes() {
        int32_t Passed = 0;
        for (; L.StaticFormat && J < L.Stop && IsFormatCode(L.At(J)); ++J, ++Passed)
            Fonts.Toggle(L.At(J));
        if (Passed > 0 || J >= Fonts.NextRunStart()) {
            Fresh = true;
            Fonts.AdvanceTo(J);
        }
        return Passed;
    }

    // The room the character at the position takes when it starts at client
    // x X; steps over it. Not at the end.
    int32_t TakeChar(int32_t X) {
        int32_t W;
        if (L.At(J) == '\t') {
            // Tab stops counted from the left margin; without stops a tab
            // takes no room, as it is painted.
            W = L.NextTabStop(X, L.LeftMargin) - X;
        } else {
            // After a neighbour in the same font the byte's own advance is
            // the pair's width less the neighbour's, so kerning and overhang
            // are not counted twice.
            W = Fresh ? Fonts.Measure(L.Text + J, 1)
                      : Fonts.Measure(L.Text + J - 1, 2) - Fonts.Measure(L.Text + J - 1, 1);
            Fresh = false;
        }
        if (L.IsJustifiedBlank(J))
            W += JustifyShare();
        ++J;
        return W;
    }

private:
    // The extra room of the next justified blank: its share of the free
    // room, the remainder spread over the gaps.
    int32_t JustifyShare() {
        int32_t Share = L.PerGap;
        Acc += L.Extra;
        if (Acc > L.Line.Gaps) {
            ++Share;
            Acc -= L.Line.Gaps;
        }
        return Share;
    }

    const TLineLayout& L;
    TLineFonts& Fonts;
    int32_t J;
    int32_t Acc;
    bool Fresh = true; // the next byte is measured alone, not after its neighbour
};

} // namespace

int32_t TKorvelNavigator::OffsetToX() {
    const TLineRecord Line = CurrentLine(); // makes Par valid
    const TLineLayout L(Control->GetLayout(), *Par, Line, List().GetStaticFormat());
    // A position beyond the line (the middle of a break) measures to its end.
    const int32_t Target = std::clamp(std::min(ParOffset, L.Line.Stop), L.Start, L.Length);
    const TLayoutSettings& Layout = Control->GetLayout();
    // Far into a long line, measuring starts at the last sample before the
    // target instead of the line's start.
    const TLineSample* Sample = nullptr;
    if (Target - L.Start >= Layout.SampleStep)
        if (const TLineSamples* Samples = UsableSamples(Layout, *Par, L))
            Sample = Samples->AtOrBefore(Target);
    TLineFonts Fonts = Sample != nullptr
                           ? TLineFonts(Layout, *Par, Sample->Offset, Sample->CodeState)
                           : TLineFonts(Layout, *Par, L.Line);

    // Bytes are measured in segments: a segment ends at a run start, a tab or
    // a code, where the font or x may change. Tab stops count from the
    // line's start.
    int32_t X = Sample != nullptr ? Saturated(Sample->X) : 0;
    int32_t JustExtra = 0;
    int32_t Acc = L.Extra / 2;
    int32_t SegStart = Sample != nullptr ? Sample->Offset : L.Start;
    int32_t J = SegStart;
    while (J < Target) {
        if (J >= Fonts.NextRunStart()) {
            X += Fonts.Measure(L.Text + SegStart, J - SegStart);
            SegStart = J;
            Fonts.AdvanceTo(J);
        }
        // A justified blank gets its share of the free room; the blank itself
        // is measured with its segment. Lines without gaps are not justified
        // (painting widens nothing there).
        if (L.Line.Gaps > 0 && L.IsJustifiedBlank(J)) {
            JustExtra += L.PerGap;
            Acc += L.Extra;
            if (Acc >= L.Line.Gaps) {
                ++JustExtra;
                Acc -= L.Line.Gaps;
            }
        }
        if (!L.IsTabOrCode(J)) {
            ++J;
            continue;
        }
        X += Fonts.Measure(L.Text + SegStart, J - SegStart);
        for (; J < Target && L.IsTabOrCode(J); ++J) {
            if (L.At(J) == '\t')
                X = L.NextTabStop(X, 0);
            else
                Fonts.Toggle(L.At(J));
        }
        SegStart = J;
        Fonts.AdvanceTo(J - 1);
    }
    X += Fonts.Measure(L.Text + SegStart, Target - SegStart);
    X = X + JustExtra - Layout.View.LeftPixel;

    // Placement: a justified line that is not the paragraph's last starts at
    // the left margin whatever the alignment.
    if ((L.Justified && L.Line.JustifyFrom < L.Length) || L.Alignment == taLeftJustify)
        return X + L.LeftMargin;
    if (L.Alignment == taRightJustify)
        return X + L.LeftMargin + L.Free;
    return X + L.LeftMargin + L.Free / 2;
}

void TKorvelNavigator::XToOffset(int32_t XTarget) {
    const TLineRecord Line = CurrentLine(); // makes Par valid
    const TLayoutSettings& Layout = Control->GetLayout();
    const TLineLayout L(Layout, *Par, Line, List().GetStaticFormat());
    const int64_t Goal = int64_t{Layout.View.LeftPixel} + XTarget;
    // Far into a long line, the walk starts at the last sample left of the
    // target: every character before it ends left of it, so the walk from
    // the line's start would have passed them all.
    const TLineSample* Sample = nullptr;
    if (const TLineSamples* Samples = UsableSamples(Layout, *Par, L))
        Sample = Samples->AtOrBeforeX(Goal - TextStartX(L));
    if (Sample != nullptr && Sample->Offset > L.Stop)
        Sample = nullptr;
    TLineFonts Fonts = Sample != nullptr
                           ? TLineFonts(Layout, *Par, Sample->Offset, Sample->CodeState)
                           : TLineFonts(Layout, *Par, L.Line);
    TLineWalk Walk(L, Fonts, Sample != nullptr ? Sample->Offset : L.Start);

    // Walk the characters until the target lies left of the middle of the
    // next one. Count is the number of characters passed (codes included).
    int32_t X = TextStartX(L) + (Sample != nullptr ? Saturated(Sample->X) : 0);
    int32_t Count = Sample != nullptr ? Sample->Offset - L.Start - 1 : -1;
    int32_t W = 0;
    for (;;) {
        X += W;
        Count += Walk.PassCodes();
        if (!Walk.AtEnd())
            W = Walk.TakeChar(X);
        ++Count;
        if (Walk.AtEnd() || Goal < int64_t{X} + W / 2)
            break;
    }
    if (Goal >= int64_t{X} + W / 2)
        ++Count;
    SetLineOffset(Count);
}

int32_t TKorvelNavigator::LineY() {
    const int32_t Line = GetGlobalLine(); // raises without a control
    const TViewMetrics& View = Control->GetLayout().View;
    return Saturated(int64_t{Line} * View.LineHeightPx + View.BaselineY - View.TopPixel);
}

void TKorvelNavigator::GetPoint(TPoint& Point) {
    Point.X = OffsetToX();
    Point.Y = LineY();
}

void TKorvelNavigator::SetFromPoint(const TPoint& Point) {
    TParagraphsList& Paragraphs = List();
    const TViewMetrics& View = Control->GetLayout().View;
    const int64_t Line = (int64_t{Point.Y} + View.TopPixel) / std::max(View.LineHeightPx, 1);
    if (Line >= Paragraphs.GetLineCount()) {
        SetPos(Paragraphs.GetTextLength());
        return;
    }
    SetGlobalLine(static_cast<int32_t>(std::max<int64_t>(Line, 0)));
    XToOffset(Point.X);
}

} // namespace korvel
