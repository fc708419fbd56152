#pragma once

#include "KVSupport/TViewMetrics.h"
#include "platform/Types.h"

#include <cstdint>
#include <functional>

namespace korvel {

class TCanvas;
class TOffscreenCanvas;

// The selection as painting sees it, taken when the paint request is made.
// Start and End are absolute offsets (breaks count 2) with Start <= End;
// nothing is selected while they are equal. A column block covers, in every
// paragraph from that of Start to that of End, the columns between the two
// block columns.
struct TPaintSelection {
    int32_t Start = 0;
    int32_t End = 0;
    bool Block = false;
    int32_t BlockCol1 = 0;
    int32_t BlockCol2 = 0;
    bool Focused = false; // the control has the input focus

    bool Exists() const { return Start < End; }
};

// One paint request: where to paint, what to repaint, and the state of the
// control at that moment that painting reads but does not own.
struct TPaintRequest {
    // The window's client area (the device of WM_PAINT).
    TCanvas* Window = nullptr;
    // The area to repaint, in client coordinates (right and bottom exclusive).
    TRect Update;
    // The one-line bitmap in which each display line is composed. It is
    // also the canvas text is measured on while painting (line breaking and
    // navigators included); it is sized TextWidth x LineHeightPx if it is not.
    TOffscreenCanvas* LineBitmap = nullptr;
    // The view metrics in use; null (what the control passes): those of its
    // layout settings. Other metrics stand in for the layout's during the
    // paint, so that navigators and formatting measure with them too.
    const TViewMetrics* View = nullptr;
    TPaintSelection Selection;
    // Formatting is running or the update bracket is held: nothing is drawn.
    bool Suppressed = false;
    // Formats the paragraphs First .. Last that are not formatted (the
    // scheduler's range formatting: highlighting, display lines, pfFormatted,
    // the first lines of the paragraphs after them shifted). Painting calls
    // it only for ranges that hold an unformatted paragraph. Without it
    // unformatted paragraphs are painted with the lines they have.
    std::function<void(int32_t First, int32_t Last)> FormatParagraphs;
    // Brings the highlighting start states of the paragraphs up to Last up
    // to date (the control's ScanStartStopUpTo). Optional.
    std::function<void(int32_t Last)> ScanStartStopUpTo;
};

} // namespace korvel
