#pragma once

#include <cstdint>

namespace korvel {

class TClock;

// What the formatting scheduler asks of the view it formats for: the control
// implements it. The scheduler works on the paragraph list, the layout
// settings and the highlighting; everything that concerns the window (the
// caret, the scroll bars, the top of the view, painting, time, progress
// reports and the background "thread") goes through here.
class TFormatViewClient {
public:
    // --- Time, the update bracket and progress ---

    // The clock time slices and progress reports are timed by.
    virtual const TClock& GetFormatClock() const = 0;
    // An update bracket is open: background steps do nothing.
    virtual bool IsUpdateLocked() const = 0;
    // Whether progress is reported at all (an OnProgress handler is set),
    // and the least interval in milliseconds between two reports.
    virtual bool HasProgressHandler() const = 0;
    virtual int32_t GetProgressInterval() const = 0;
    // Reports progress (OnProgress). The handler may destroy the control.
    virtual void ReportProgress() = 0;

    // --- Painting ---

    // Painting is suppressed while a range of paragraphs is formatted.
    virtual bool GetPaintSuppressed() const = 0;
    virtual void SetPaintSuppressed(bool Value) = 0;

    // --- The caret ---

    // The paragraph of the caret.
    virtual int32_t GetCaretParagraph() = 0;
    // The caret's paragraph got new display lines: its cached line is stale.
    virtual void CaretLineUnknown() = 0;
    // Whether the caret's cached display line is unknown.
    virtual bool IsCaretLineUnknown() const = 0;
    // Places the caret again after its paragraph was formatted (only while
    // the control has a window).
    virtual void PlaceCaretAgain() = 0;

    // --- The view ---

    // The display lines from paragraph FirstPara to LastPara changed: the
    // positions cached for them are stale.
    virtual void MarkLinePositionsStale(int32_t FirstPara, int32_t LastPara) = 0;
    // The line count changed: the top of the view stays on the same text.
    virtual void KeepTopOnSameText() = 0;
    // The line count changed: the scroll bars follow. True when that had to
    // lay every paragraph out again (the text area changed width).
    virtual bool UpdateScrollBarsForLines() = 0;
    // The widest line changed: the horizontal scroll bar follows.
    virtual void WidestLineChanged() = 0;

    // --- The background "thread" ---

    // Nothing is left to format: the format thread, if running, is suspended.
    virtual void SuspendFormatThread() = 0;

protected:
    ~TFormatViewClient() = default;
};

} // namespace korvel
