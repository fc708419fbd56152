#pragma once

#include "KVSupport/TLineBreaker.h"

#include <cstdint>
#include <memory>

namespace korvel {

class TFormatViewClient;
class THighlightEngine;
class TParagraphsList;
struct TLayoutSettings;

// What formatting one paragraph did: its new display-line count and the
// change of it, the first line that changed and the last new line that
// replaced old ones (see TLineBreaker::BreakLines).
struct TParagraphFormat {
    int32_t LineCount = 1;
    int32_t LineDelta = 0;
    int32_t FirstChangedLine = 0;
    int32_t LastNewLine = 0;
};

// Decides when paragraphs are formatted: highlighted (start/stop ranges and
// keywords) and cut into display lines. A range the view is about to show is
// formatted at once (FormatParagraphs); the rest waits for background steps
// of at most TimeSlice milliseconds (FormatStep), each run by the control's
// private message WM_USER + 1 on the control's thread.
//
// The paragraph list's counters say what waits: FormatFrontier, the first
// paragraph not yet formatted in sequence, and FormatLast, the last one that
// needs formatting. Paragraphs before the frontier count as formatted, and a
// paragraph with pfFormatted is never formatted again (unless forced), so the
// view's demand and the background steps never format a paragraph twice.
//
// Everything that concerns the window goes through the view client; the
// scheduler itself touches only the list, the layout settings (read) and the
// highlighting. A progress handler may destroy the control: the scheduler
// then returns at once without touching anything.
class TFormatScheduler {
public:
    // Milliseconds of formatting per background step.
    static constexpr uint32_t TimeSlice = 25;
    // The most paragraphs, and about the most bytes of text, a background
    // step formats between two readings of the clock.
    static constexpr int32_t BatchParagraphs = 64;
    static constexpr int64_t BatchBytes = 16384;

    TFormatScheduler(TParagraphsList& List, TLayoutSettings& Layout, THighlightEngine& Engine,
                     TFormatViewClient& View);
    ~TFormatScheduler();

    TFormatScheduler(const TFormatScheduler&) = delete;
    TFormatScheduler& operator=(const TFormatScheduler&) = delete;

    // Formats paragraph Index: the keyword pass when its pfKeywords flag is
    // clear and keywords or a highlighter apply (its start/stop ranges are
    // brought up to date first), the flags pfKeywords and pfFormatted, and
    // its display lines from line FromLine on, measured on the layout's
    // canvas at the view's TextWidth. With KeepUnchangedLines, breaking
    // stops where the new lines meet the old ones. The paragraph list's
    // LineCount follows; the first lines of later paragraphs do not.
    TParagraphFormat FormatParagraph(int32_t Index, int32_t FromLine = 0,
                                     bool KeepUnchangedLines = false);

    // Formats paragraphs First .. Last now (Last limited to the text).
    // Unless Force, paragraphs before the frontier and those with
    // pfFormatted keep their lines. With WithProgress and a progress
    // handler, progress is reported at most every ProgressInterval ms and
    // once more when the run reached the end of the text. First lines are
    // kept consecutive, the view follows (stale line positions, the top of
    // the view, the scroll bars, the caret, the widest line) and painting is
    // suppressed meanwhile. A range that starts after the frontier leaves
    // the frontier where it was.
    void FormatParagraphs(int32_t First, int32_t Last, bool WithProgress, bool Force);

    // One background step: nothing while an update bracket is open;
    // otherwise paragraphs from the frontier on are formatted until
    // FormatLast is passed or TimeSlice ms are over. When nothing is left,
    // the thread is suspended, the list is marked idle and progress is
    // reported. False when a progress handler destroyed the control (the
    // caller must not touch it either).
    bool FormatStep();

    uint32_t GetLastProgressTick() const { return LastProgressTick; }

private:
    TParagraphFormat Format(int32_t Index, int32_t FromLine, bool Full, bool InPass);
    // Reports progress; false when the handler destroyed the control.
    bool Report();

    TParagraphsList& List;
    TLayoutSettings& Layout;
    THighlightEngine& Engine;
    TFormatViewClient& View;
    TLineBreaker Breaker;
    // The canvas holds the font the breaker selected last (within a pass).
    bool FontSelected = false;
    // Cleared when the scheduler is destroyed; a copy held across a
    // progress report tells whether the control survived it.
    std::shared_ptr<bool> Alive;
    uint32_t LastProgressTick = 0;
};

} // namespace korvel
