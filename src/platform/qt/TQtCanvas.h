#pragma once

#include "platform/TCanvas.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QtGlobal>

#include <cstdint>
#include <vector>

class QPainter;

namespace korvel {

class TQtFontFace;

// A canvas over a QPainter: the window during a paint event, or an image (see
// TQtOffscreenCanvas). Without a painter it measures and keeps its state but
// draws nothing.
//
// Text is measured and drawn from the selected font's table of byte advances
// (TQtFontFace): each glyph is placed at the position that summing the table
// gives, so the pen advance after a text output equals the measured extent,
// and justification only widens blanks. Windows-1252 becomes Unicode only
// inside the font face, when a byte's glyph is looked up.
//
// Lines: the pen's width 0 or 1 draws one-pixel lines pixel by pixel, with
// the end point excluded whatever the direction; dashes and dots follow the
// pen style in pixels (dash 18 on 6 off, dot 3 on 3 off, dash-dot 9-6-3-6,
// dash-dot-dot 9-3-3-3-3-3), starting afresh with each LineTo. A wider pen
// draws solid whatever its style (as wide pens of the framework do), with flat
// ends at both points; psClear draws nothing but still moves the pen.
//
// The painter's own state (pen, brush, composition mode, clipping beyond
// etoClipped) is set by each operation as it needs it; callers that share
// the painter set theirs again afterwards.
class TQtCanvas : public virtual TCanvas {
public:
    // Needs a QGuiApplication (fonts are looked up from the start).
    explicit TQtCanvas(QPainter* Painter = nullptr);

    // The painter drawn on from now on; null: measure only. Not owned.
    void SetPainter(QPainter* Value) { Painter = Value; }
    QPainter* GetPainter() const { return Painter; }
    // The face of the selected font (advance table, glyphs, Qt font).
    const TQtFontFace& GetFace() const { return *Face; }

    void SelectFont(const TFont& Font, TFontStyles Style) override;
    const TFont& GetFont() const override { return Font; }
    TTextMetric GetTextMetrics() const override;
    bool GetTextExtent(const char* Text, int32_t Length, TSize& Size) const override;
    // The face's advance table: extents are its sums (faces have no
    // overhang).
    bool GetByteAdvances(TByteAdvances& Advances) const override;

    void TextOutAtPen(const char* Text, int32_t Length) override;
    void TextOutAt(int32_t X, int32_t Y, const char* Text, int32_t Length, uint8_t Options,
                   const TRect* Rect) override;
    void SetTextJustification(int32_t BreakExtra, int32_t BreakCount) override;

    void SetTextColor(TColor Color) override;
    TColor GetTextColor() const override { return TextColor; }
    void SetBkColor(TColor Color) override;
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
    // Picture pixels are logical pixels: on a device of a higher pixel ratio
    // each is scaled up like everything else drawn.
    void DrawPicture(const TRect& Dest, const TPicture& Picture, TPoint SourceOrigin) override;

private:
    // Lays out Text from X on (positions into Positions, justification
    // included) and returns its advance.
    int64_t Layout(int32_t X, const char* Text, int32_t Length);
    // Draws the laid-out text with its baseline at Y, then its underline and
    // strike-out over Width pixels from X.
    void DrawLaidOut(int32_t X, int32_t Y, const char* Text, int32_t Length, int64_t Width);
    void DrawText(TPoint At, bool AtPen, const char* Text, int32_t Length, uint8_t Options,
                  const TRect* Rect);
    void DrawThinLine(TPoint From, TPoint To, const QColor& Color);
    // The size of the painter's device in logical pixels.
    QSizeF LogicalSize() const;

    QPainter* Painter = nullptr;
    const TQtFontFace* Face = nullptr;
    TFont Font;

    TColor TextColor = clBlack;
    TColor BkColor = clWhite;
    QColor QTextColor;
    QColor QBkColor;
    TBkMode BkMode = bkOpaque;
    TPen Pen;
    TPoint PenPos;

    // Justification: share per blank, remainder, its accumulator, blank count.
    int32_t JustifyShare = 0;
    int32_t JustifyRemainder = 0;
    int32_t JustifyAcc = 0;
    int32_t JustifyCount = 0;

    // Reused between outputs so that drawing text allocates nothing.
    std::vector<qreal> Positions;
    std::vector<quint32> GlyphBuffer;
    std::vector<QPointF> PointBuffer;
    // The piece of a picture being drawn, converted to Qt's pixel layout.
    QImage PictureTile;
};

} // namespace korvel
