#pragma once

#include "KVSupport/TViewMetrics.h"
#include "framework/ControlTypes.h"
#include "framework/TFont.h"
#include "platform/TCanvas.h"

#include <cstdint>

namespace korvel {

// What line breaking and the navigators' pixel work read: the layout
// properties of a control, its two fonts, its view metrics and the canvas
// text is measured on. The control owns one and hands a reference down, so
// the algorithms never need the control itself.
struct TLayoutSettings {
    bool WordWrap = true;
    TAlignment Alignment = taLeftJustify;
    bool Justified = false;
    // > 0: wrap at that many blank widths; < 0: at that many pixels; 0: at the window.
    int32_t ColumnWrap = 0;
    int32_t LeftMargin = 8;
    int32_t RightMargin = 8;
    // > 0: tab stops every that many blank widths; < 0: every that many pixels.
    int32_t TabStops = 8;
    TFont Font;
    TFont AltFont;
    // The view's pixel metrics (read by layout, navigators and painting).
    TViewMetrics View;
    // Bytes between the samples of measured x that line breaking leaves
    // along a long line (see TLineSamples); a line shorter than this gets
    // none.
    int32_t SampleStep = 64 * 1024;
    // The line bitmap while the control has a window, none before (layout
    // then gives every paragraph one line).
    TCanvas* Canvas = nullptr;

    // Without word wrap and with left alignment every paragraph is one
    // display line.
    bool OneLinePerParagraph() const { return !WordWrap && Alignment == taLeftJustify; }

    // The style text is drawn and measured in: a run with automatic
    // formatting decides alone (strike-out and highlight together mean the
    // special underline, bit 7); otherwise the code state toggles the
    // control font's own style.
    uint8_t EffectiveStyle(uint8_t CodeState, uint8_t RunFlags) const;
    // Selects the alternate font (bit 5) or the control font in the style's
    // bits 0..3.
    void SelectStyleFont(TCanvas& Target, uint8_t Style) const;
    // The width of Text[0 .. Length) in the selected font, measured in calls
    // of at most TextOutChunk bytes; a failed call counts 0. A sum beyond
    // the 32-bit range is limited to it.
    int32_t MeasureText(const TCanvas& Target, const char* Text, int32_t Length) const;
    // The distance between tab stops in pixels (0: tabs do not move).
    int32_t TabStep() const;
};

} // namespace korvel
