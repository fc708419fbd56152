// The text of a display line: runs of equal attributes, tabs, the glyphs of
// non-printing characters and the special underline.

#include "Korvel/TKorvelPainter.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/ParagraphLookups.h"
#include "KVSupport/TLayoutSettings.h"
#include "KVSupport/TParagraph.h"
#include "framework/TPen.h"
#include "platform/TCanvas.h"
#include "platform/TOffscreenCanvas.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace korvel {

namespace {

// Text whose pen lies left of this is measured and skipped, not drawn.
constexpr int32_t FarLeft = -16383;

// Glyphs of the non-printing characters (Windows-1252).
constexpr char BlankGlyph = '\xB7'; // middle dot
constexpr char TabGlyph = '\xBB';   // right-pointing double angle quotation mark

// Style bit of the special underline in an effective style.
constexpr uint8_t SpecialUnderline = 0x80;
// The style bits that choose a font (bold, italic, underline, strike-out,
// alternate font).
constexpr uint8_t FontBits = fsAllStyles | csAltFont;

// Value div Divisor rounded down, for a positive Divisor.
int64_t FloorDiv(int64_t Value, int64_t Divisor) {
    const int64_t Q = Value / Divisor;
    return Q * Divisor > Value ? Q - 1 : Q;
}

// Whether two runs draw alike: the same style and flags and the same
// colours (whatever their stacks, contexts and cursors).
bool SameLook(const HighlightRun& A, const HighlightRun& B) {
    return (A.Flags & ~hfStackValid) == (B.Flags & ~hfStackValid) && A.TextColor == B.TextColor &&
           A.BackColor == B.BackColor;
}

} // namespace

// The text of the line, run by run, with its tabs.
void TKorvelPainter::DrawRuns() {
    // Blanks hanging at a wrapped line's end are not part of its width: they
    // are not drawn unless blanks are shown, and then without justification.
    int32_t Stop = Line.Stop;
    if (!LastOfPar)
        while (Stop > Line.Start && Text[Stop - 1] == ' ')
            --Stop;
    DrawRange(SkipToSample(Stop), Stop);
    if (ShowSpaces && Stop < Line.Stop) {
        Justify(false);
        DrawRange(Stop, Line.Stop);
    }
}

// A line scrolled far to the left need not be walked from its start: when
// it has samples of measured x (see TLineSamples) and one of them lies left
// of FarLeft, everything before it would only be measured. The pen and the
// attributes move there. Not where justification widens blanks, nor when a
// special underline is in force there (its zigzag would start elsewhere).
// Returns where drawing starts.
int32_t TKorvelPainter::SkipToSample(int32_t Stop) {
    const ParExtraInfo* Extra = Par->GetExtra();
    if (Extra == nullptr || LineLeft >= FarLeft)
        return Line.Start;
    const TLineSamples* Samples =
        TLineSamples::ForLine(Extra->Samples.get(), Line, Layout, StaticFormat);
    const TLineSample* Sample =
        Samples != nullptr ? Samples->AtOrBeforeX(int64_t{FarLeft} - LineLeft) : nullptr;
    if (Sample == nullptr || Sample->Offset > Stop)
        return Line.Start;
    const int32_t Index = RunsUpTo(*Extra, Sample->Offset);
    const HighlightRun* InForce = Index > 0 ? &Runs[Index - 1] : Par->StartRun();
    const uint8_t StateThere = StaticFormat ? Sample->CodeState : 0;
    const uint8_t StyleThere = Layout.EffectiveStyle(StateThere, InForce->Flags);
    if ((StyleThere & SpecialUnderline) != 0)
        return Line.Start;
    RunIndex = Index;
    Run = InForce;
    CodeState = StateThere;
    Style = StyleThere;
    AttributesChanged = true;
    PenX = Saturated(int64_t{LineLeft} + Sample->X);
    return Sample->Offset;
}

void TKorvelPainter::DrawRange(int32_t Offset, int32_t Stop) {
    for (;;) {
        Offset = AdvanceAttributes(Offset, Stop);
        if (Offset >= Stop)
            return;
        Offset = DrawTextRun(Offset, RunEnd(Offset, Stop));
        // Right of the text area nothing shows, so the rest of the line is
        // not walked: the next line takes the runs in force at its start by
        // itself. Format codes are the exception, as they set the state the
        // next line goes on in.
        if (PenX >= View.TextWidth && !StaticFormat)
            return;
        if (Offset < Stop && Text[Offset] == '\t') {
            AdvanceAttributes(Offset, Offset);
            DrawTab(Offset);
            ++Offset;
        }
    }
}

void TKorvelPainter::DrawTab(int32_t Offset) {
    const int32_t Step = Layout.TabStep();
    int64_t TabEnd = PenX;
    if (Step > 0)
        TabEnd = int64_t{LineLeft} + Step * (FloorDiv(int64_t{PenX} - LineLeft, Step) + 1);
    // An opaque run shows its background across the tab's gap.
    const int64_t GapEnd = std::min<int64_t>(TabEnd, View.TextWidth);
    if (BackColor != -1 && PenX < GapEnd) {
        const TTextMetric M = Bitmap->GetTextMetrics();
        const TRect Gap = ClampRectX({PenX, View.BaselineY - M.Ascent, static_cast<int32_t>(GapEnd),
                                      View.BaselineY + M.Descent});
        if (!Gap.IsEmpty())
            Bitmap->FillRect(Gap, BackColor);
    }
    if (ShowTabs && PenX < View.TextWidth)
        DrawGlyph(TabGlyph);
    PenX = Saturated(TabEnd);
    // Justification widens only the blanks after the line's last tab.
    if (Layout.Justified && Offset + 1 >= Line.JustifyFrom && Line.Gaps > 0)
        Justify(true);
}

// --- Attributes ---

int32_t TKorvelPainter::AdvanceAttributes(int32_t Offset, int32_t Limit) {
    bool Changed = AttributesChanged || !ColorsValid;
    AttributesChanged = false;
    if (StaticFormat) {
        while (Offset < Limit && IsFormatCode(static_cast<uint8_t>(Text[Offset]))) {
            CodeState = ToggleCode(CodeState, static_cast<uint8_t>(Text[Offset]));
            ++Offset;
            Changed = true;
        }
    }
    while (RunIndex < RunCount && Runs[RunIndex].Offset <= Offset) {
        Run = &Runs[RunIndex++];
        Changed = true;
    }
    if (Changed)
        Style = Layout.EffectiveStyle(CodeState, Run->Flags);
    if ((Style & SpecialUnderline) != 0) {
        if (ZigzagStart == INT32_MAX)
            ZigzagStart = PenX;
    } else {
        EndZigzag();
    }
    const bool Selected = InSelectionAt(Offset);
    if (Selected != InSel) {
        InSel = Selected;
        Changed = true;
    }
    SelectFontIfNeeded();
    if (Changed)
        SelectRunColors();
    return Offset;
}

// The end of the run that starts at Offset: the next run of a different
// look, selection boundary (with selection colours), or Limit. Tabs and
// codes end it too; DrawTextRun finds them as it goes.
int32_t TKorvelPainter::RunEnd(int32_t Offset, int32_t Limit) {
    // Runs that draw like the one in force are taken into force at once, so
    // that their text goes out in one call.
    while (RunIndex < RunCount && Runs[RunIndex].Offset < Limit && SameLook(*Run, Runs[RunIndex]))
        Run = &Runs[RunIndex++];
    int32_t End = Limit;
    if (RunIndex < RunCount)
        End = std::min(End, std::max(Runs[RunIndex].Offset, Offset));
    if (WindowsSelColors && SelShown) {
        if (SelStart > Offset)
            End = std::min(End, SelStart);
        if (SelEnd > Offset)
            End = std::min(End, SelEnd);
    }
    return End;
}

// The first tab or (with static format) format code in From .. Limit - 1,
// Limit when there is none.
int32_t TKorvelPainter::TabOrCodeIn(int32_t From, int32_t Limit) const {
    if (!StaticFormat) {
        const void* Tab = std::memchr(Text + From, '\t', static_cast<size_t>(Limit - From));
        return Tab != nullptr ? static_cast<int32_t>(static_cast<const char*>(Tab) - Text) : Limit;
    }
    for (int32_t J = From; J < Limit; ++J) {
        const auto Ch = static_cast<uint8_t>(Text[J]);
        if (Ch == '\t' || IsFormatCode(Ch))
            return J;
    }
    return Limit;
}

bool TKorvelPainter::InSelectionAt(int32_t Offset) const {
    return WindowsSelColors && SelShown && SelStart <= Offset && Offset < SelEnd;
}

void TKorvelPainter::SelectFontIfNeeded() {
    if (FontValid && (Style & FontBits) == (FontStyle & FontBits))
        return;
    Layout.SelectStyleFont(*Bitmap, Style);
    FontStyle = Style;
    FontValid = true;
}

// Text colour and background of the attributes in force. A background of
// none draws the text transparently.
void TKorvelPainter::SelectRunColors() {
    TColor Color = Layout.Font.GetColor();
    TColor Back = -1;
    const bool OwnText = !IsNoColor(ParText);
    if (OwnText)
        Color = ParText;
    if ((CodeState & csHighlight) != 0) {
        Color = Settings.HighlightColor;
        Back = Settings.HighlightBackgnd;
    }
    if ((Run->Flags & hfAutomatic) != 0 && (Run->TextColor != 0 || Run->BackColor != 0)) {
        if (!OwnText && !IsNoColor(Run->TextColor))
            Color = Run->TextColor;
        if (IsNoColor(ParBack) && !IsNoColor(Run->BackColor))
            Back = Run->BackColor;
    }
    if (InSel) {
        Color = Settings.SelTextColor;
        Back = -1;
    }
    ApplyColors(Color, IsNoColor(Back) ? -1 : Back);
}

void TKorvelPainter::ApplyColors(TColor Color, TColor Back) {
    if (ColorsValid && Color == TextColor && Back == BackColor)
        return;
    Bitmap->SetTextColor(Color);
    if (Back == -1) {
        Bitmap->SetBkMode(bkTransparent);
    } else {
        Bitmap->SetBkMode(bkOpaque);
        Bitmap->SetBkColor(Back);
    }
    TextColor = Color;
    BackColor = Back;
    ColorsValid = true;
}

// --- Drawing steps ---

// Draws the text from Offset up to the first tab or code before End (End
// when there is none) at the pen, in pieces of at most TextOutChunk bytes,
// up to the right edge of the text area, and returns where that text ends.
// Text far left of the window is measured and skipped. With blanks shown
// each blank is drawn on its own and marked with its glyph. Tabs and codes
// are looked for a piece at a time, so that a run far longer than the window
// is not read beyond what shows. Only with format codes is the rest read,
// for the tab or code that ends the run: codes set the state the line goes
// on in.
int32_t TKorvelPainter::DrawTextRun(int32_t Offset, int32_t End) {
    const int32_t Chunk = std::max(View.TextOutChunk, 1);
    // The next piece: Chunk bytes at most, cut at a tab or code.
    const auto PieceEnd = [&] {
        return TabOrCodeIn(Offset, Offset + std::min(End - Offset, Chunk));
    };
    while (Offset < End && PenX < FarLeft) {
        const int32_t To = PieceEnd();
        if (To == Offset)
            return Offset;
        TSize Size;
        if (Bitmap->GetTextExtent(Text + Offset, To - Offset, Size))
            PenX = Saturated(int64_t{PenX} + Size.cx);
        Offset = To;
    }
    while (Offset < End && PenX < View.TextWidth) {
        const int32_t To = PieceEnd();
        if (To == Offset)
            return Offset;
        int32_t N = To - Offset;
        if (ShowSpaces) {
            const void* Blank = std::memchr(Text + Offset, ' ', static_cast<size_t>(N));
            if (Blank != nullptr)
                N = static_cast<int32_t>(static_cast<const char*>(Blank) - (Text + Offset));
        }
        if (N > 0) {
            TextOutAtPen(Text + Offset, N);
            Offset += N;
        }
        // A blank is neither tab nor code, so it still belongs to the text.
        if (ShowSpaces && Offset < End && Text[Offset] == ' ') {
            DrawBlank();
            ++Offset;
        }
    }
    return StaticFormat ? TabOrCodeIn(Offset, End) : End;
}

// A shown blank: the blank itself (so that it advances by its width in the
// run's font, justification included, and shows the run's background),
// then its glyph over it.
void TKorvelPainter::DrawBlank() {
    const int32_t At = PenX;
    TextOutAtPen(" ", 1);
    if (BackColor != -1)
        Bitmap->SetBkMode(bkTransparent);
    Bitmap->TextOutAt(At, View.BaselineY, &BlankGlyph, 1, 0, nullptr);
    if (BackColor != -1)
        Bitmap->SetBkMode(bkOpaque);
}

void TKorvelPainter::DrawGlyph(char Glyph) {
    TextOutAtPen(&Glyph, 1);
}

// Draws at the pen (moved there first unless the bitmap's pen is there
// already) and reads where the text ended.
void TKorvelPainter::TextOutAtPen(const char* Text, int32_t Length) {
    if (BitmapPenX != PenX)
        Bitmap->MoveTo(PenX, View.BaselineY);
    Bitmap->TextOutAtPen(Text, Length);
    PenX = BitmapPenX = Bitmap->GetPenPos().X;
}

// Widens the blanks of the text that follows (from its start, again) by the
// line's justification, or ends that.
void TKorvelPainter::Justify(bool On) {
    if (On)
        Bitmap->SetTextJustification(JustifyExtra, Line.Gaps);
    else if (Justifying)
        Bitmap->SetTextJustification(0, 0);
    Justifying = On;
}

// Draws a pending special underline up to the pen, in the SpecUnderline
// pen (selected into the bitmap once per paint).
void TKorvelPainter::EndZigzag() {
    if (ZigzagStart == INT32_MAX)
        return;
    const int32_t From = ZigzagStart;
    ZigzagStart = INT32_MAX;
    if (Settings.SpecUnderline == nullptr || From >= PenX)
        return;
    if (!ZigzagPen) {
        Bitmap->SetPen(*Settings.SpecUnderline);
        ZigzagPen = true;
    }
    DrawZigzag(*Bitmap, From, PenX, View.ZigzagHeight, View.UnderlineY);
    BitmapPenX = INT32_MIN;
}

void TKorvelPainter::DrawZigzag(TCanvas& Canvas, int32_t X1, int32_t X2, int32_t A, int32_t Y) {
    const int64_t From = std::max(X1, DeviceMin);
    const int64_t To = std::min(X2, DeviceMax);
    const int64_t H = std::max(A, 1);
    const auto At = [&Canvas, Y](int64_t X, int64_t Dy) {
        Canvas.LineTo(static_cast<int32_t>(X), Saturated(int64_t{Y} + Dy));
    };
    Canvas.MoveTo(static_cast<int32_t>(From), Saturated(int64_t{Y} + H));
    // Up from a valley to a peak, then down to the next valley; a segment
    // cut short ends on the zigzag where To lies.
    for (int64_t S = From; S < To; S += 2 * H) {
        if (To <= S + H) {
            At(To, H - (To - S));
            return;
        }
        At(S + H, 0);
        if (To <= S + 2 * H) {
            At(To, To - S - H);
            return;
        }
        At(S + 2 * H, H);
    }
}

} // namespace korvel
