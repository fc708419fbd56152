#include "platform/qt/TQtCanvas.h"

#include "framework/TPicture.h"
#include "platform/qt/TQtColors.h"
#include "platform/qt/TQtFontFace.h"
#include "platform/qt/TQtOffscreenCanvas.h"

#include <QGlyphRun>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QRect>
#include <QRectF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace korvel {

namespace {

int32_t Saturate(int64_t Value) {
    return static_cast<int32_t>(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Far outside any device, yet small enough that Qt's integer rectangles do
// not overflow.
constexpr int64_t CoordinateLimit = int64_t{1} << 24;

int Coordinate(int64_t Value) {
    return static_cast<int>(std::clamp(Value, -CoordinateLimit, CoordinateLimit));
}

// The pixels of Left..Right x Top..Bottom (right and bottom exclusive).
QRect PixelRect(int64_t Left, int64_t Top, int64_t Right, int64_t Bottom) {
    const int L = Coordinate(Left);
    const int T = Coordinate(Top);
    return QRect(L, T, Coordinate(Right) - L, Coordinate(Bottom) - T);
}

QRect PixelRect(const TRect& R) {
    return PixelRect(R.Left, R.Top, R.Right, R.Bottom);
}

// Numerator / Denominator rounded half up, for a positive Denominator.
int64_t RoundedDiv(int64_t Numerator, int64_t Denominator) {
    const int64_t Twice = 2 * Numerator + Denominator;
    const int64_t Divisor = 2 * Denominator;
    int64_t Quotient = Twice / Divisor;
    if (Twice % Divisor != 0 && Twice < 0)
        --Quotient;
    return Quotient;
}

// On and off lengths in pixels of the dashed styles of one-pixel pens.
struct TDashPattern {
    int32_t Lengths[6];
    int32_t Count;
};

const TDashPattern* DashPattern(TPenStyle Style) {
    static const TDashPattern Dash = {{18, 6}, 2};
    static const TDashPattern Dot = {{3, 3}, 2};
    static const TDashPattern DashDot = {{9, 6, 3, 6}, 4};
    static const TDashPattern DashDotDot = {{9, 3, 3, 3, 3, 3}, 6};
    switch (Style) {
    case psDash:
        return &Dash;
    case psDot:
        return &Dot;
    case psDashDot:
        return &DashDot;
    case psDashDotDot:
        return &DashDotDot;
    default:
        return nullptr;
    }
}

bool PatternIsOn(const TDashPattern& Pattern, int64_t Step) {
    int64_t Period = 0;
    for (int32_t I = 0; I < Pattern.Count; ++I)
        Period += Pattern.Lengths[I];
    int64_t Phase = Step % Period;
    for (int32_t I = 0; I < Pattern.Count; ++I) {
        if (Phase < Pattern.Lengths[I])
            return I % 2 == 0;
        Phase -= Pattern.Lengths[I];
    }
    return false;
}

// Collects the pixels of a thin line into horizontal or vertical runs, so
// that a straight line is one fill and a dashed one a fill per dash.
class TPixelRuns {
public:
    TPixelRuns(QPainter& Painter, const QColor& Color) : Painter(Painter), Color(Color) {}
    ~TPixelRuns() { Flush(); }

    void Add(int64_t X, int64_t Y) {
        if (Active) {
            const bool Row = T == B && Y == T && (X == R + 1 || X == L - 1);
            const bool Column = L == R && X == L && (Y == B + 1 || Y == T - 1);
            if (Row || Column) {
                L = std::min(L, X);
                R = std::max(R, X);
                T = std::min(T, Y);
                B = std::max(B, Y);
                return;
            }
            Flush();
        }
        Active = true;
        L = R = X;
        T = B = Y;
    }

private:
    void Flush() {
        if (Active)
            Painter.fillRect(PixelRect(L, T, R + 1, B + 1), Color);
        Active = false;
    }

    QPainter& Painter;
    QColor Color;
    bool Active = false;
    int64_t L = 0, T = 0, R = 0, B = 0;
};

} // namespace

TQtCanvas::TQtCanvas(QPainter* Painter) : Painter(Painter) {
    SetTextColor(TextColor);
    SetBkColor(BkColor);
    const TFont Default;
    SelectFont(Default, Default.GetStyle());
}

// --- Font and measuring ---

void TQtCanvas::SelectFont(const TFont& Value, TFontStyles Style) {
    Font = Value;
    Font.SetStyle(Style);
    Face = &TQtFontFace::Get(Font, Font.GetStyle());
}

TTextMetric TQtCanvas::GetTextMetrics() const {
    return Face->GetMetrics();
}

bool TQtCanvas::GetTextExtent(const char* Text, int32_t Length, TSize& Size) const {
    if (Length < 0 || (Text == nullptr && Length > 0)) {
        Size = {};
        return false;
    }
    const int64_t Overhang = Length > 0 ? Face->GetMetrics().Overhang : 0;
    Size = {Saturate(Face->Measure(Text, Length) + Overhang), Face->GetMetrics().Height};
    return true;
}

bool TQtCanvas::GetByteAdvances(TByteAdvances& Advances) const {
    if (Face->GetMetrics().Overhang != 0)
        return false;
    Advances = Face->GetAdvances();
    return true;
}

// --- Text output ---

int64_t TQtCanvas::Layout(int32_t X, const char* Text, int32_t Length) {
    const bool Justify = JustifyCount > 0;
    const bool Place = Painter != nullptr && Painter->isActive();
    if (!Justify && !Place)
        return Face->Measure(Text, Length);
    if (Place)
        Positions.resize(static_cast<size_t>(Length));
    int64_t Pos = X;
    for (int32_t I = 0; I < Length; ++I) {
        const uint8_t Ch = static_cast<uint8_t>(Text[I]);
        if (Place)
            Positions[static_cast<size_t>(I)] = static_cast<qreal>(Pos);
        Pos += Face->GetAdvance(Ch);
        if (Justify && Ch == ' ') {
            Pos += JustifyShare;
            JustifyAcc += JustifyRemainder;
            if (JustifyAcc >= JustifyCount) {
                ++Pos;
                JustifyAcc -= JustifyCount;
            }
        }
    }
    return Pos - X;
}

void TQtCanvas::DrawLaidOut(int32_t X, int32_t Y, const char* Text, int32_t Length, int64_t Width) {
    Painter->setPen(QTextColor);
    const auto* Bytes = reinterpret_cast<const uint8_t*>(Text);
    int32_t RunStart = 0;
    while (RunStart < Length) {
        // One glyph run per stretch of bytes whose glyphs come from one font;
        // blanks leave no ink and are left out (Qt's cost is per glyph).
        const uint8_t RawIndex = Face->GetRawFontIndex(Bytes[RunStart]);
        int32_t RunEnd = RunStart + 1;
        while (RunEnd < Length && Face->GetRawFontIndex(Bytes[RunEnd]) == RawIndex)
            ++RunEnd;
        GlyphBuffer.clear();
        PointBuffer.clear();
        for (int32_t At = RunStart; At < RunEnd; ++At) {
            if (Face->IsBlank(Bytes[At]))
                continue;
            GlyphBuffer.push_back(Face->GetGlyph(Bytes[At]));
            PointBuffer.push_back(QPointF(Positions[static_cast<size_t>(At)], 0));
        }
        const size_t Count = GlyphBuffer.size();
        if (Count == 0) {
            RunStart = RunEnd;
            continue;
        }
        QGlyphRun Run;
        Run.setRawFont(Face->GetRawFont(RawIndex));
        Run.setRawData(GlyphBuffer.data(), PointBuffer.data(), static_cast<int>(Count));
        Painter->drawGlyphRun(QPointF(0, Y), Run);
        RunStart = RunEnd;
    }

    const TFontStyles Style = Font.GetStyle();
    const int32_t Thickness = Face->GetLineThickness();
    if ((Style & fsUnderline) != 0) {
        const int64_t Top = static_cast<int64_t>(Y) + Face->GetUnderlineOffset();
        Painter->fillRect(PixelRect(X, Top, X + Width, Top + Thickness), QTextColor);
    }
    if ((Style & fsStrikeOut) != 0) {
        const int64_t Top = static_cast<int64_t>(Y) - Face->GetStrikeOutOffset();
        Painter->fillRect(PixelRect(X, Top, X + Width, Top + Thickness), QTextColor);
    }
}

void TQtCanvas::DrawText(TPoint At, bool AtPen, const char* Text, int32_t Length, uint8_t Options,
                         const TRect* Rect) {
    if (Text == nullptr || Length < 0)
        Length = 0;
    const int64_t Width = Layout(At.X, Text, Length);
    if (Painter != nullptr && Painter->isActive()) {
        Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        const bool Clip = Rect != nullptr && (Options & etoClipped) != 0;
        if (Clip) {
            Painter->save();
            Painter->setClipRect(PixelRect(*Rect), Qt::IntersectClip);
        }
        if (Rect != nullptr && (Options & etoOpaque) != 0 && !Rect->IsEmpty())
            Painter->fillRect(PixelRect(*Rect), QBkColor);
        const TTextMetric& M = Face->GetMetrics();
        if (BkMode == bkOpaque && Width > 0)
            Painter->fillRect(PixelRect(At.X, static_cast<int64_t>(At.Y) - M.Ascent, At.X + Width,
                                        static_cast<int64_t>(At.Y) + M.Descent),
                              QBkColor);
        if (Length > 0)
            DrawLaidOut(At.X, At.Y, Text, Length, Width);
        if (Clip)
            Painter->restore();
    }
    if (AtPen)
        PenPos = {Saturate(At.X + Width), At.Y};
}

void TQtCanvas::TextOutAtPen(const char* Text, int32_t Length) {
    DrawText(PenPos, true, Text, Length, 0, nullptr);
}

void TQtCanvas::TextOutAt(int32_t X, int32_t Y, const char* Text, int32_t Length, uint8_t Options,
                          const TRect* Rect) {
    DrawText({X, Y}, false, Text, Length, Options, Rect);
}

void TQtCanvas::SetTextJustification(int32_t BreakExtra, int32_t BreakCount) {
    if (BreakCount <= 0) {
        JustifyShare = JustifyRemainder = JustifyAcc = JustifyCount = 0;
        return;
    }
    JustifyCount = BreakCount;
    JustifyShare = BreakExtra / BreakCount;
    JustifyRemainder = BreakExtra % BreakCount;
    JustifyAcc = JustifyRemainder / 2;
}

// --- Colours ---

void TQtCanvas::SetTextColor(TColor Color) {
    TextColor = Color;
    QTextColor = QtColor(Color);
}

void TQtCanvas::SetBkColor(TColor Color) {
    BkColor = Color;
    QBkColor = QtColor(Color);
}

// --- Lines ---

void TQtCanvas::LineTo(int32_t X, int32_t Y) {
    const TPoint From = PenPos;
    PenPos = {X, Y};
    if (Painter == nullptr || !Painter->isActive() || Pen.GetStyle() == psClear)
        return;
    Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QColor Color = QtColor(Pen.GetColor());
    const int32_t Width = Pen.GetWidth();
    if (Width <= 1) {
        DrawThinLine(From, PenPos, Color);
        return;
    }
    if (From == PenPos)
        return;
    const int64_t Before = Width / 2;
    const int64_t After = Width - Before;
    if (From.Y == Y) {
        const int64_t L = std::min<int64_t>(From.X, X + (X < From.X ? 1 : 0));
        const int64_t R = std::max<int64_t>(From.X + 1, X + (X < From.X ? 1 : 0));
        Painter->fillRect(PixelRect(L, Y - Before, R, Y + After), Color);
    } else if (From.X == X) {
        const int64_t T = std::min<int64_t>(From.Y, Y + (Y < From.Y ? 1 : 0));
        const int64_t B = std::max<int64_t>(From.Y + 1, Y + (Y < From.Y ? 1 : 0));
        Painter->fillRect(PixelRect(X - Before, T, X + After, B), Color);
    } else {
        Painter->setPen(QPen(Color, Width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        Painter->drawLine(QPoint(Coordinate(From.X), Coordinate(From.Y)),
                          QPoint(Coordinate(X), Coordinate(Y)));
    }
}

void TQtCanvas::DrawThinLine(TPoint From, TPoint To, const QColor& Color) {
    // Far-away end points are pulled in so that the products below fit.
    constexpr int64_t Far = int64_t{1} << 30;
    const int64_t X0 = std::clamp<int64_t>(From.X, -Far, Far);
    const int64_t Y0 = std::clamp<int64_t>(From.Y, -Far, Far);
    const int64_t Dx = std::clamp<int64_t>(To.X, -Far, Far) - X0;
    const int64_t Dy = std::clamp<int64_t>(To.Y, -Far, Far) - Y0;
    const int64_t Steps = std::max(std::abs(Dx), std::abs(Dy));
    if (Steps == 0)
        return; // the end point is excluded, and it is the only point

    // Walk only the steps whose major coordinate lies on the device.
    const QRectF Device =
        Painter->worldTransform().inverted().mapRect(QRectF(QPointF(0, 0), LogicalSize()));
    const bool MajorX = std::abs(Dx) >= std::abs(Dy);
    const int64_t Start = MajorX ? X0 : Y0;
    const int64_t Direction = (MajorX ? Dx : Dy) > 0 ? 1 : -1;
    const int64_t Low = static_cast<int64_t>(std::floor(MajorX ? Device.left() : Device.top())) - 1;
    const int64_t High =
        static_cast<int64_t>(std::ceil(MajorX ? Device.right() : Device.bottom())) + 1;
    int64_t First = Direction > 0 ? Low - Start : Start - High;
    int64_t Last = Direction > 0 ? High - Start : Start - Low;
    First = std::max<int64_t>(First, 0);
    Last = std::min<int64_t>(Last, Steps - 1);

    const TDashPattern* Pattern = DashPattern(Pen.GetStyle());
    TPixelRuns Runs(*Painter, Color);
    for (int64_t I = First; I <= Last; ++I) {
        if (Pattern != nullptr && !PatternIsOn(*Pattern, I))
            continue;
        Runs.Add(X0 + RoundedDiv(I * Dx, Steps), Y0 + RoundedDiv(I * Dy, Steps));
    }
}

QSizeF TQtCanvas::LogicalSize() const {
    QPaintDevice* Device = Painter->device();
    // Images and pixmaps count physical pixels; widgets count logical ones.
    if (Device->devType() == QInternal::Image)
        return static_cast<const QImage*>(Device)->deviceIndependentSize();
    if (Device->devType() == QInternal::Pixmap)
        return static_cast<const QPixmap*>(Device)->deviceIndependentSize();
    return QSizeF(Device->width(), Device->height());
}

// --- Areas ---

void TQtCanvas::FillRect(const TRect& Rect, TColor Color) {
    if (Painter == nullptr || !Painter->isActive() || Rect.IsEmpty())
        return;
    Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    Painter->fillRect(PixelRect(Rect), QtColor(Color));
}

void TQtCanvas::InvertRect(const TRect& Rect) {
    if (Painter == nullptr || !Painter->isActive() || Rect.IsEmpty())
        return;
    // White minus each colour channel; unlike an exclusive or it leaves the
    // alpha of an image with an alpha channel opaque.
    Painter->setCompositionMode(QPainter::CompositionMode_Difference);
    Painter->fillRect(PixelRect(Rect), Qt::white);
    Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TQtCanvas::CopyFrom(const TRect& Dest, const TOffscreenCanvas& Source, TPoint SourceOrigin) {
    const auto* Bitmap = dynamic_cast<const TQtOffscreenCanvas*>(&Source);
    if (Painter == nullptr || !Painter->isActive() || Bitmap == nullptr || Dest.IsEmpty() ||
        Bitmap->GetImage().isNull())
        return;
    // The source rectangle in the image's own (physical) pixels.
    const qreal Ratio = Bitmap->GetImage().devicePixelRatio();
    const QRectF From(SourceOrigin.X * Ratio, SourceOrigin.Y * Ratio, Dest.Width() * Ratio,
                      Dest.Height() * Ratio);
    Painter->setCompositionMode(QPainter::CompositionMode_Source);
    Painter->drawImage(QRectF(PixelRect(Dest)), Bitmap->GetImage(), From);
    Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TQtCanvas::DrawPicture(const TRect& Dest, const TPicture& Picture, TPoint SourceOrigin) {
    if (Painter == nullptr || !Painter->isActive() || Dest.IsEmpty() || Picture.IsEmpty())
        return;
    // The part of Dest whose source lies inside the picture.
    const int64_t ShiftX = int64_t{Dest.Left} - SourceOrigin.X;
    const int64_t ShiftY = int64_t{Dest.Top} - SourceOrigin.Y;
    const int64_t Left = std::max<int64_t>(Dest.Left, ShiftX);
    const int64_t Top = std::max<int64_t>(Dest.Top, ShiftY);
    const int64_t Right = std::min<int64_t>(Dest.Right, ShiftX + Picture.GetWidth());
    const int64_t Bottom = std::min<int64_t>(Dest.Bottom, ShiftY + Picture.GetHeight());
    if (Right <= Left || Bottom <= Top)
        return;
    const int Width = static_cast<int>(Right - Left);
    const int Height = static_cast<int>(Bottom - Top);
    if (PictureTile.width() < Width || PictureTile.height() < Height)
        PictureTile = QImage(std::max(Width, PictureTile.width()),
                             std::max(Height, PictureTile.height()), QImage::Format_RGB32);
    if (PictureTile.isNull())
        return;
    for (int Y = 0; Y < Height; ++Y) {
        const TColor* From = Picture.GetScanLine(static_cast<int32_t>(Top - ShiftY) + Y) +
                             static_cast<ptrdiff_t>(Left - ShiftX);
        auto* To = reinterpret_cast<QRgb*>(PictureTile.scanLine(Y));
        for (int X = 0; X < Width; ++X) {
            const TColor C = From[X];
            To[X] = qRgb(C & 0xFF, (C >> 8) & 0xFF, (C >> 16) & 0xFF);
        }
    }
    Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    Painter->drawImage(PixelRect(Left, Top, Right, Bottom), PictureTile,
                       QRect(0, 0, Width, Height));
}

} // namespace korvel
