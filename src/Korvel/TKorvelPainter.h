#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TLineRecord.h"
#include "KVSupport/TViewMetrics.h"
#include "Korvel/TPaintRequest.h"
#include "Korvel/TPaintSettings.h"
#include "framework/TColor.h"
#include "platform/Types.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace korvel {

class TCanvas;
class TNavigatorHost;
class TOffscreenCanvas;
class TParagraphsList;
struct TLayoutSettings;
struct TParagraph;

// Paints the text of one control into its window.
//
// Each display line that meets the update rectangle is composed in the
// one-line bitmap and copied to the window in one piece, so lines never
// flicker: the line's background (the paragraph's own colour, the tiled
// background picture or the control colour), the selection band, the text
// in runs of equal attributes (format codes, highlight runs, the paragraph's
// colours and the selection decide style and colours), tabs, the glyphs of
// non-printing characters and the zigzag of the special underline. Below the
// last line the update rectangle gets the background; the end-of-text mark
// and the right margin line are drawn over everything.
//
// The painter reads the paragraph list, the layout settings (fonts,
// margins, alignment, justification, tab stops) and the highlight runs of
// the control it was made for, and the paint settings the control keeps for
// it; the rest of what it needs comes with each request. Paragraphs that the
// lines to paint need and that are not formatted yet are formatted through
// the request's callback, so a range far ahead of the formatting frontier
// is painted correctly. While a request is painted, text is measured on its
// line bitmap, in the request's view metrics.
//
// Drawing stays within what 16-bit device coordinates allow: text far left
// of the window is measured and skipped, rectangles and zigzag ends are
// clamped to -32768 .. 32767, and no call gets more than TextOutChunk bytes.
// Fonts and colours are selected only when the attributes change, and runs
// whose attributes look the same are drawn as one.
class TKorvelPainter {
public:
    TKorvelPainter(TNavigatorHost& Control, const TPaintSettings& Settings);

    TKorvelPainter(const TKorvelPainter&) = delete;
    TKorvelPainter& operator=(const TKorvelPainter&) = delete;

    // Paints the request's update rectangle. Returns false, having drawn
    // nothing, while painting is suppressed or without a window or bitmap.
    bool Paint(const TPaintRequest& Request);

    // Draws the special underline from X1 to X2 as a zigzag of height A
    // (at least 1): peaks on Y, valleys on Y + A, starting in a valley. The
    // ends are clamped to -32768 .. 32767.
    static void DrawZigzag(TCanvas& Canvas, int32_t X1, int32_t X2, int32_t A, int32_t Y);
    // Rect with Left and Right clamped to -32768 .. 32767.
    static TRect ClampRectX(TRect Rect);

private:
    class TPaintScope;

    // The range of 16-bit device coordinates.
    static constexpr int32_t DeviceMin = -32768;
    static constexpr int32_t DeviceMax = 32767;
    static int32_t Saturated(int64_t Value) {
        return static_cast<int32_t>(std::clamp<int64_t>(Value, INT32_MIN, INT32_MAX));
    }

    // --- Preparation ---
    bool Prepare(int32_t& FirstLine, int32_t& LastLine, int32_t& Par);
    // Formats the paragraphs First .. Last through the request when one of
    // them is not formatted.
    void FormatIfNeeded(int32_t First, int32_t Last);

    // --- The line loop ---
    int32_t PaintLines(int32_t FirstLine, int32_t LastLine, int32_t Par);
    void LoadParagraph(int32_t Index);
    void EnterParagraphStart();
    void EnterLineStart();
    void PaintLine(int32_t WindowY);
    void PlaceLine();
    void ComputeBand();
    void DrawRuns();
    int32_t SkipToSample(int32_t Stop);
    void DrawRange(int32_t Offset, int32_t Stop);
    void DrawTab(int32_t Offset);
    void FinishLine();

    // --- Attributes ---
    // Passes the codes at Offset (up to Limit), takes the runs starting at
    // or before it into force, keeps the special underline and selection
    // state, and selects font and colours when they changed. Returns the
    // offset after the codes.
    int32_t AdvanceAttributes(int32_t Offset, int32_t Limit);
    int32_t RunEnd(int32_t Offset, int32_t Limit);
    int32_t TabOrCodeIn(int32_t From, int32_t Limit) const;
    bool InSelectionAt(int32_t Offset) const;
    void SelectFontIfNeeded();
    void SelectRunColors();
    void ApplyColors(TColor Text, TColor Back);

    // --- Drawing steps ---
    int32_t DrawTextRun(int32_t Offset, int32_t End);
    void DrawBlank();
    void DrawGlyph(char Glyph);
    void TextOutAtPen(const char* Text, int32_t Length);
    void Justify(bool On);
    void EndZigzag();
    void FillBackground(TCanvas& Canvas, const TRect& Rect, TColor Color, bool UsePicture,
                        int32_t WindowY);
    void PaintBelow(int32_t Y);
    void DrawEndOfTextMark(int32_t FirstLine, int32_t LastLine);
    void DrawRightLine();

    bool PictureUsable() const;
    int32_t XOfOffset(int32_t Offset);
    int32_t BlockColumnX(int32_t Column);

    TParagraphsList& List;
    TLayoutSettings& Layout;
    const TPaintSettings& Settings;
    // Positions selection ends and finds the paragraph of a display line;
    // not registered with the control (it is placed afresh on every use).
    TKorvelNavigator Nav;

    // --- State of the request being painted ---
    const TPaintRequest* Request = nullptr;
    TCanvas* Window = nullptr;
    TOffscreenCanvas* Bitmap = nullptr;
    TViewMetrics View;
    int32_t LineHeight = 1;
    bool StaticFormat = false;
    bool WindowsSelColors = false;
    bool FullLineSelect = false;
    bool ShowSpaces = false;
    bool ShowTabs = false;
    bool ShowReturns = false;

    // The selection: shown at all, a block, the paragraphs of its ends, and
    // the block's columns in order.
    bool SelShown = false;
    bool SelBlock = false;
    int32_t SelFirstPar = 0;
    int32_t SelLastPar = 0;
    int32_t BlockLo = 0;
    int32_t BlockHi = 0;

    // The current paragraph.
    int32_t ParIndex = -1;
    const TParagraph* Par = nullptr;
    const char* Text = nullptr;
    int32_t ParLen = 0;
    const HighlightRun* Runs = nullptr;
    int32_t RunCount = 0;
    TColor ParText = -1;
    TColor ParBack = -1;
    // Selection ends in the paragraph: -1 when before it, INT32_MAX after.
    int32_t SelStart = INT32_MAX;
    int32_t SelEnd = INT32_MAX;

    // The current display line.
    int32_t LineIndex = 0;
    int32_t LineCountOfPar = 1;
    TLineRecord Line{};
    bool LastOfPar = true;
    int32_t LineLeft = 0;
    int32_t JustifyExtra = 0;
    bool HasBand = false;
    int32_t BandLeft = 0;
    int32_t BandRight = 0;

    // Attributes in force.
    int32_t RunIndex = 0; // runs taken into force
    const HighlightRun* Run = nullptr;
    uint8_t CodeState = 0;
    uint8_t Style = 0;
    bool InSel = false;
    bool AttributesChanged = false; // a new paragraph or line start: select the colours

    // The line bitmap's state as this painter set it.
    bool FontValid = false;
    uint8_t FontStyle = 0;
    bool ColorsValid = false;
    TColor TextColor = 0;
    TColor BackColor = 0; // -1: none (transparent)
    bool ZigzagPen = false;
    int32_t BitmapPenX = INT32_MIN; // INT32_MIN: not known
    bool Justifying = false;

    int32_t PenX = 0;
    int32_t ZigzagStart = INT32_MAX; // INT32_MAX: none pending
};

} // namespace korvel
