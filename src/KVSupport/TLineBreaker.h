#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/TLineRecord.h"
#include "KVSupport/TLineSamples.h"
#include "KVSupport/TLinesList.h"
#include "platform/TCanvas.h"

#include <cstdint>
#include <vector>

namespace korvel {

class TCanvas;
class TParagraphsList;
struct TLayoutSettings;
struct TParagraph;

// Cuts paragraphs of one control into display lines by pixel widths.
//
// The text of a paragraph is read as an alternation of gaps (blanks, tabs
// and, with StaticFormat, format codes) and words (everything else). Words
// are measured on the canvas, one text-extent call per segment (a segment
// ends at a format code or where a highlight run starts); blanks count the
// width of a blank in the current font and tabs jump to the next tab stop.
// When the canvas offers the advances of all bytes of a font (its extents
// are then exact sums of them), words are summed from that table while they
// are scanned instead, with the same result and no canvas call; the table
// is fetched again whenever a font is selected.
// A word that does not fit ends the line before it; a word wider than a
// whole line is split byte by byte, so every line holds at least one byte.
// Gaps at a wrapped line's end hang on that line: they widen its FullWidth,
// not its Width.
//
// Re-formatting starts at a given display line. When a word at the start of
// that line now fits on the line before, it is pulled up. With Full off,
// breaking stops at the first new line end that meets an old one, and the
// old lines after it stay.
//
// Along a long line (TLayoutSettings::SampleStep bytes and more) measured
// with fonts that offer their byte advances, the scan leaves samples of its
// state in the paragraph every SampleStep bytes, at the start of a gap.
// Re-formatting that line resumes at its last sample: an edit drops the
// samples from its offset on, so an edit near the end of a line of many
// megabytes measures only the last SampleStep bytes or so again.
//
// One breaker serves one control and may be reused for every paragraph:
// it keeps its scratch buffer, so formatting allocates nothing per
// paragraph in the common case. It keeps no state between calls apart from
// that buffer.
class TLineBreaker {
public:
    TLineBreaker(TParagraphsList& List, TLayoutSettings& Layout);

    TLineBreaker(const TLineBreaker&) = delete;
    TLineBreaker& operator=(const TLineBreaker&) = delete;

    // Formats paragraph ParIndex of the control into display lines, measured
    // on Canvas in an area AvailWidth pixels wide (the control's TextWidth).
    //
    // SelectFontFirst: select the font of the first line's style before
    // measuring (false when the canvas still holds the font the previous
    // paragraph of the same pass ended in). FirstLine: in, the first display
    // line of the paragraph to re-format (limited to its lines); out, the
    // first line that changed (one less than given when a word was pulled up
    // or a gap hung on the line before it). LastOld: out, the last line of
    // the new lines that replaced the old ones. Full: format to the
    // paragraph's end; off allows stopping where the new lines meet the old.
    //
    // Returns the paragraph's new line count; LineDelta is the change of it,
    // also added to the paragraph list's LineCount. Updates the view's
    // BlankWidth and Overhang whenever it selects a font, and MaxLineWidth
    // for every line it completes or widens; a new widest line without word
    // wrap (or with a column wrap) sets WidestPara to the paragraph's index.
    //
    // Without a canvas the paragraph becomes one line of width 0.
    int32_t BreakLines(TCanvas* Canvas, bool SelectFontFirst, int32_t& FirstLine, int32_t& LastOld,
                       bool Full, int32_t ParIndex, int32_t AvailWidth, int32_t& LineDelta);
    // The same for a paragraph the caller has already looked up: Paragraph
    // must be the list's paragraph ParIndex.
    int32_t BreakLines(TCanvas* Canvas, bool SelectFontFirst, int32_t& FirstLine, int32_t& LastOld,
                       bool Full, TParagraph& Paragraph, int32_t ParIndex, int32_t AvailWidth,
                       int32_t& LineDelta);

    // The style whose font the canvas was given last by this breaker: a
    // later paragraph of the same pass that starts in a style of the same
    // font need not select it again.
    uint8_t GetSelectedStyle() const { return SelectedStyle; }

private:
    // The code state and highlight run in force at a position of the scan.
    struct TStyleState {
        uint8_t CodeState;
        int32_t RunIndex;     // runs entered so far (they start at or before the position)
        uint8_t RunFlags;     // flags of the run in force
        int32_t NextRunStart; // start of run RunIndex, or the largest offset
    };

    int32_t BreakWithoutCanvas(int32_t& FirstLine, int32_t& LastOld, int32_t& LineDelta);
    void BeginScan(int32_t FirstLine, bool SelectFontFirst, int32_t AvailWidth);
    // Finds the samples of the line the scan starts (one of SampleStep
    // bytes or more, measured by advances), resumes at the last of them,
    // and arranges for more to be taken while it is scanned.
    void ResumeFromSamples(const TLineRecord& First);
    // Continues the scan from a sample of the line.
    void ResumeAt(const TLineSample& Sample);
    // Records the scan's state at Pos, the start of a gap, as a sample.
    void TakeSample();
    // Where the sample after one at Offset is due.
    int32_t DueAfter(int32_t Offset) const;

    int64_t WrapWidthFor(int32_t AvailWidth) const;

    // The steps of the scan, in the order they are applied.
    void ScanGap();
    void HangGap();
    void ScanWord();
    bool PullUp();
    bool Overflow();
    bool SplitWord();
    void EndParagraph();
    int32_t Store(int32_t& FirstLine, int32_t& LastOld, int32_t& LineDelta);

    // Appends a finished line; true when breaking stops here because the
    // line ends where an old line ended (Full off).
    bool CompleteLine(const TLineRecord& Line);
    // A new current line starting at Pos in the current state.
    void StartLine();
    TLineRecord LineUpTo(int32_t Stop, int64_t Width, int64_t FullWidth, int32_t Gaps,
                         int32_t JustifyFrom) const;
    void NoteWidth(int32_t Width);
    // The old line Index of the paragraph (its stored record).
    TLineRecord& OldLine(int32_t Index) { return Lines.Get(Index); }

    TStyleState Snapshot() const { return {CodeState, RunIndex, RunFlags, NextRunStart}; }
    void Restore(const TStyleState& State);
    // Enters the runs that start at or before Pos (the scan reached them).
    void EnterRunsAt(int32_t At);
    // Puts the runs before Index into force (without selecting a font).
    void SetRunIndex(int32_t Index);
    int32_t RunsBefore(int32_t Offset) const;
    // Recomputes the style; selects its font when it differs from the one
    // selected in more than the highlight bit.
    void StyleChanged();
    void SelectFont(uint8_t Style);
    bool IsCode(int32_t At) const;
    int64_t Measure(int32_t From, int32_t To) const;
    // Sums the advances of the word bytes from Pos up to Limit or the first
    // byte that ends a word, moving Pos there (only with a table).
    int64_t SumWordAdvances(int32_t Limit);
    // Marks the bytes that end a word in WordAdvances for StopMask, and
    // those of them other than a blank in PlainAdvances.
    void BuildWordAdvances();
    // A paragraph scanned from its start without runs, tabs or codes whose
    // advances, blanks included, add up to no more than the wrap width is
    // one line of that width: taken in one pass over the table. False (and
    // nothing changed) for any other paragraph.
    bool TakeWholeLine();
    // Gives a paragraph TakeWholeLine began back to the scan; false.
    bool LeaveToScan();
    int64_t NextTabStop(int64_t X) const;

    TParagraphsList& List;
    TLayoutSettings& Layout;
    std::vector<TLineRecord> Produced; // lines completed in this call, reused

    // The paragraph.
    TCanvas* Canvas = nullptr;
    TParagraph* Par = nullptr;
    int32_t ParNumber = -1; // index of Par in the list
    TLinesList Lines;
    const uint8_t* Text = nullptr;
    int32_t Length = 0;
    const HighlightRun* Runs = nullptr;
    int32_t RunCount = 0;
    uint8_t StopMask = 0; // byte classes that end a word (and make up gaps)
    int32_t OldCount = 0;
    int32_t FirstOld = 0; // first old line replaced
    int32_t LastOldLine = 0;
    bool FullScan = true;
    int64_t WrapWidth = 1;
    bool PreviousChanged = false; // a line before FirstOld was extended

    // Metrics of the font selected last.
    uint8_t SelectedStyle = 0;
    int32_t BlankWidth = 1;
    int32_t Overhang = 0;
    // Its byte advances when the canvas offered them (AdvancesCanvas), and
    // the same table with -1 for the bytes that end a word under
    // WordAdvancesMask, and for those bytes but blanks.
    bool HasAdvances = false;
    const TCanvas* AdvancesCanvas = nullptr;
    TByteAdvances Advances{};
    TByteAdvances WordAdvances{};
    TByteAdvances PlainAdvances{};
    uint8_t WordAdvancesMask = 0;

    // The scan.
    int32_t Pos = 0;
    int64_t X = 0;
    uint8_t CodeState = 0;
    int32_t RunIndex = 0;
    uint8_t RunFlags = 0;
    int32_t NextRunStart = 0;

    // The samples of the line being scanned, while more are being taken, and
    // the offset from which the next one is due (the largest offset when
    // none is).
    TLineSamples* Sampling = nullptr;
    int32_t SampleDue = NoSampleDue;
    static constexpr int32_t NoSampleDue = 0x7FFFFFFF;

    // The current line.
    int32_t LineStart = 0;
    uint8_t LineStartState = 0;
    int32_t LineBlanks = 0;
    int32_t JustifyCandidate = 0;

    // The last gap.
    int64_t GapStartX = 0;
    int32_t GapBegin = 0; // where the gap's bytes begin
    int32_t GapStart = 0; // the same, or its last tab
    int32_t GapBlanks = 0;

    // The last word.
    int32_t WordStart = 0;
    int64_t WordStartX = 0;
    int64_t WordWidth = 0;
    TStyleState WordState{};
};

} // namespace korvel
