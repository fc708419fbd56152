#pragma once

#include "platform/TCanvas.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

// The kinds of drawing a THeadlessCanvas records.
enum TCanvasOp : uint8_t { coTextOut, coLine, coFillRect, coInvertRect, coCopyFrom, coDrawPicture };

// One recorded drawing call with the canvas state it was drawn in. Plain data
// so that tests can compare fields; each kind fills the fields named below and
// leaves the others at their defaults.
struct TCanvasRecord {
    TCanvasOp Op = coTextOut;

    // coTextOut: the bytes, the baseline start and the point after the advance
    // (where the pen ends when AtPen), the pixels justification added, the
    // options and rectangle of TextOutAt, and the font.
    // coLine: From and To are the end points.
    std::string Text;
    TPoint From;
    TPoint To;
    bool AtPen = false;
    int32_t JustifyExtra = 0;
    uint8_t Options = 0;
    std::string FontName;
    int32_t FontHeight = 0;
    TFontStyles FontStyle = 0;

    // coFillRect, coInvertRect, coCopyFrom, coDrawPicture: the area;
    // coTextOut: its rectangle when one was given.
    TRect Rect;

    // coTextOut: text colour; coFillRect: fill colour; coLine: pen colour.
    TColor Color = clBlack;
    // coTextOut: the background the text was drawn on.
    TColor BkColor = clWhite;
    TBkMode BkMode = bkOpaque;
    // coLine: the pen.
    int32_t PenWidth = 0;
    TPenStyle PenStyle = psSolid;

    // coCopyFrom: the source, where in it the copy starts, and how many records
    // the source held at the time (-1 when it is not a headless canvas), so a
    // test can tell which of the source's drawing went into this copy.
    const TOffscreenCanvas* Source = nullptr;
    TPoint SourceOrigin;
    int32_t SourceRecordCount = -1;

    // coDrawPicture: the picture (SourceOrigin: where in it the copy starts).
    const TPicture* Picture = nullptr;
};

// A deterministic canvas without a display: fonts have fixed metrics computed
// from their height and style, and drawing is recorded as TCanvasRecords in
// call order. Measuring allocates nothing and costs one multiplication (or one
// table look-up per byte for proportional text).
//
// Metrics of a font. E, the character height: -Height for a negative height,
// Height - Height div 9 for a positive one, 11 for 0, at most 32767. Then
//   internal leading L = E div 8 (Height div 9 for a positive height),
//   cell height H = E + L, descent D = (E + 2) div 4, ascent H - D,
//   width of every byte W = max(1, E * 6 div 11), bold one more,
//   no overhang, no external leading.
// The font's name does not matter. For "Courier New" -11: H 12, ascent 9,
// descent 3, leading 1, W 6 (7 bold).
//
// For proportional-text tests a byte can be given its own width (bold still
// adds one), every non-empty extent can be given an overhang, and text
// extents can be made to fail.
//
// For tests that look at pixels the canvas can keep a tiny software raster
// (see SetRasterSize): rectangles exactly, text as boxes.
class THeadlessCanvas : public virtual TCanvas {
public:
    THeadlessCanvas();

    // The metrics described above of a font height in a style, without width
    // overrides or overhang.
    static TTextMetric FontMetrics(int32_t FontHeight, TFontStyles Style);

    void SelectFont(const TFont& Font, TFontStyles Style) override;
    const TFont& GetFont() const override { return Font; }
    TTextMetric GetTextMetrics() const override { return Metric; }
    bool GetTextExtent(const char* Text, int32_t Length, TSize& Size) const override;
    // Offered only on opt-in (SetOfferByteAdvances), and only while there is
    // no overhang and extents do not fail.
    bool GetByteAdvances(TByteAdvances& Advances) const override;

    void TextOutAtPen(const char* Text, int32_t Length) override;
    void TextOutAt(int32_t X, int32_t Y, const char* Text, int32_t Length, uint8_t Options,
                   const TRect* Rect) override;
    void SetTextJustification(int32_t BreakExtra, int32_t BreakCount) override;

    void SetTextColor(TColor Color) override { TextColor = Color; }
    TColor GetTextColor() const override { return TextColor; }
    void SetBkColor(TColor Color) override { BkColor = Color; }
    TColor GetBkColor() const override { return BkColor; }
    void SetBkMode(TBkMode Mode) override { BkMode = Mode; }
    TBkMode GetBkMode() const override { return BkMode; }

    void SetPen(const TPen& Value) override { Pen = Value; }
    const TPen& GetPen() const override { return Pen; }
    void MoveTo(int32_t X, int32_t Y) override { PenPos = {X, Y}; }
    void LineTo(int32_t X, int32_t Y) override;
    TPoint GetPenPos() const override { return PenPos; }

    void FillRect(const TRect& Rect, TColor Color) override;
    void InvertRect(const TRect& Rect) override;
    void CopyFrom(const TRect& Dest, const TOffscreenCanvas& Source, TPoint SourceOrigin) override;
    void DrawPicture(const TRect& Dest, const TPicture& Picture, TPoint SourceOrigin) override;

    // --- Software raster ---

    // Gives the canvas Width x Height pixels (TColor values), all white, that
    // drawing paints from now on, whether recording or not; 0 x 0 (or a
    // negative extent) removes them. Fills, inversions (the low 24 bits
    // inverted), pictures and copies from a headless canvas with a raster
    // are exact. Text first fills its cell (ascent above to descent below
    // the baseline, as wide as its advance) with the background colour in
    // opaque mode, and etoOpaque's rectangle; then every byte other than a
    // blank is a box in the text colour, its advance less one pixel wide
    // (at least one), from the baseline up by the ascent less the internal
    // leading. Underline is the row below the baseline, strike-out the row a
    // third of the box height above it, across the advance. etoClipped
    // clips all of it to its rectangle. Lines put one pixel per step (a
    // square of the pen width for wider pens) in the pen colour, end point
    // excluded; dashed styles draw solid and psClear nothing.
    void SetRasterSize(int32_t Width, int32_t Height);
    bool HasRaster() const { return RasterWidth > 0; }
    int32_t GetRasterWidth() const { return RasterWidth; }
    int32_t GetRasterHeight() const { return RasterHeight; }
    // The pixel at (X, Y); clNone outside the raster or without one.
    TColor GetPixel(int32_t X, int32_t Y) const;

    // --- Settings for tests ---

    // Gives byte Ch its own width in every font (bold adds one); a negative
    // Width returns it to the font's uniform width.
    void SetCharWidth(uint8_t Ch, int32_t Width);
    void ClearCharWidths();
    // Added to every text extent of at least one byte, and reported as the
    // font's overhang; negative values count as 0.
    void SetOverhang(int32_t Value);
    // While set, every GetTextExtent fails.
    void SetTextExtentFails(bool Value) { ExtentFails = Value; }
    // Number of GetTextExtent calls so far (failed ones included).
    int64_t GetTextExtentCalls() const { return ExtentCalls; }
    void ResetTextExtentCalls() { ExtentCalls = 0; }
    // Whether GetByteAdvances offers the table of advances (off by default,
    // as a canvas that cannot sum advances behaves).
    void SetOfferByteAdvances(bool Value) { OfferAdvances = Value; }
    // Number of GetByteAdvances calls so far (those that offered nothing
    // included).
    int64_t GetByteAdvancesCalls() const { return AdvancesCalls; }

    // --- The recording ---

    const std::vector<TCanvasRecord>& GetRecords() const { return Records; }
    // The records of one kind, in order.
    std::vector<TCanvasRecord> RecordsOf(TCanvasOp Op) const;
    void ClearRecords() { Records.clear(); }
    // Drawing is recorded only while this is on (the default); state changes
    // and measuring are never recorded.
    void SetRecording(bool Value) { Recording = Value; }
    bool GetRecording() const { return Recording; }

private:
    void UpdateMetrics();
    int64_t SumWidths(const char* Text, int32_t Length) const;
    // Width of Text with its justification, advancing the justification.
    int32_t Advance(const char* Text, int32_t Length, int32_t& JustifyExtra);
    void DrawText(TPoint At, bool AtPen, const char* Text, int32_t Length, uint8_t Options,
                  const TRect* Rect);
    // A new record carrying the current state, or null while not recording.
    TCanvasRecord* NewRecord(TCanvasOp Op);
    // Width of byte Ch without justification.
    int32_t CharAdvance(uint8_t Ch) const;

    // The raster: paints the pixels of Rect (clipped to the raster and the
    // clip rectangle) with Color, or inverts them.
    void RasterFill(const TRect& Rect, TColor Color);
    void RasterInvert(const TRect& Rect);
    void RasterPixel(int64_t X, int64_t Y, TColor Color);
    void RasterText(TPoint At, const char* Text, int32_t Length, int32_t Width,
                    int32_t JustifyAccBefore, uint8_t Options, const TRect* Rect);
    void RasterLine(TPoint From, TPoint To);

    TFont Font;
    TTextMetric Metric;
    // Width of every byte, bold included; Bold is 1 for a bold font.
    int32_t CharWidth = 1;
    int32_t Bold = 0;
    int32_t Overhang = 0;
    bool Proportional = false;
    bool ExtentFails = false;
    mutable int64_t ExtentCalls = 0;
    bool OfferAdvances = false;
    mutable int64_t AdvancesCalls = 0;
    // Per-byte widths of the selected font without bold (used when
    // Proportional), the largest of them, and the uniform width they were
    // built for (-1: rebuild).
    std::array<int32_t, 256> Widths{};
    int32_t WidestChar = 0;
    int32_t WidthsFor = -1;
    // Widths set by tests; -1: the font's own.
    std::array<int32_t, 256> Overrides{};

    TColor TextColor = clBlack;
    TColor BkColor = clWhite;
    TBkMode BkMode = bkOpaque;
    TPen Pen;
    TPoint PenPos;

    // Justification: share per blank, remainder, its accumulator, blank count.
    int32_t JustifyShare = 0;
    int32_t JustifyRemainder = 0;
    int32_t JustifyAcc = 0;
    int32_t JustifyCount = 0;

    bool Recording = true;
    std::vector<TCanvasRecord> Records;

    int32_t RasterWidth = 0;
    int32_t RasterHeight = 0;
    std::vector<TColor> Raster;
    // Drawing outside it is left out (etoClipped); null: the whole raster.
    const TRect* RasterClip = nullptr;
};

} // namespace korvel
