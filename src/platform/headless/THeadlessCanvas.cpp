#include "platform/headless/THeadlessCanvas.h"

#include "framework/TPicture.h"
#include "platform/TOffscreenCanvas.h"

#include <algorithm>
#include <limits>

namespace korvel {

namespace {

constexpr int32_t DefaultCharHeight = 11;
constexpr int64_t MaxCharHeight = 32767;

int32_t Saturate(int64_t Value) {
    return static_cast<int32_t>(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

THeadlessCanvas::THeadlessCanvas() {
    Overrides.fill(-1);
    UpdateMetrics();
}

TTextMetric THeadlessCanvas::FontMetrics(int32_t FontHeight, TFontStyles Style) {
    // 64-bit so that the most negative height has a magnitude.
    const int64_t Requested = FontHeight;
    int64_t CharHeight;
    int64_t Leading;
    if (Requested > 0) {
        const int64_t Cell = std::min(Requested, MaxCharHeight + MaxCharHeight / 8);
        Leading = Cell / 9;
        CharHeight = Cell - Leading;
    } else {
        CharHeight = Requested == 0 ? DefaultCharHeight : std::min(-Requested, MaxCharHeight);
        Leading = CharHeight / 8;
    }
    TTextMetric M;
    M.Height = static_cast<int32_t>(CharHeight + Leading);
    M.Descent = static_cast<int32_t>((CharHeight + 2) / 4);
    M.Ascent = M.Height - M.Descent;
    M.InternalLeading = static_cast<int32_t>(Leading);
    const int32_t Width = static_cast<int32_t>(std::max<int64_t>(1, CharHeight * 6 / 11)) +
                          ((Style & fsBold) != 0 ? 1 : 0);
    M.AveCharWidth = Width;
    M.MaxCharWidth = Width;
    return M;
}

void THeadlessCanvas::UpdateMetrics() {
    Metric = FontMetrics(Font.GetHeight(), Font.GetStyle());
    CharWidth = Metric.AveCharWidth;
    Bold = (Font.GetStyle() & fsBold) != 0 ? 1 : 0;
    const int32_t UniformWidth = CharWidth - Bold;
    Metric.Overhang = Overhang;
    if (!Proportional)
        return;
    // The table holds the widths without bold (bold adds one per byte when
    // summing), so it depends only on the uniform width, which changes far
    // less often than fonts are selected.
    if (WidthsFor != UniformWidth) {
        WidthsFor = UniformWidth;
        WidestChar = 0;
        for (size_t Ch = 0; Ch < Widths.size(); ++Ch) {
            Widths[Ch] = Overrides[Ch] >= 0 ? Overrides[Ch] : UniformWidth;
            WidestChar = std::max(WidestChar, Widths[Ch]);
        }
    }
    Metric.MaxCharWidth = std::max(WidestChar + Bold, 1);
    Metric.AveCharWidth = Widths['x'] + Bold;
}

void THeadlessCanvas::SelectFont(const TFont& Value, TFontStyles Style) {
    Font = Value;
    Font.SetStyle(Style);
    UpdateMetrics();
}

int64_t THeadlessCanvas::SumWidths(const char* Text, int32_t Length) const {
    if (!Proportional)
        return static_cast<int64_t>(Length) * CharWidth;
    int64_t Sum = static_cast<int64_t>(Length) * Bold;
    for (int32_t I = 0; I < Length; ++I)
        Sum += Widths[static_cast<uint8_t>(Text[I])];
    return Sum;
}

bool THeadlessCanvas::GetTextExtent(const char* Text, int32_t Length, TSize& Size) const {
    ++ExtentCalls;
    if (ExtentFails || Length < 0 || (Text == nullptr && Length > 0)) {
        Size = {};
        return false;
    }
    const int64_t Width = SumWidths(Text, Length) + (Length > 0 ? Overhang : 0);
    Size = {Saturate(Width), Metric.Height};
    return true;
}

bool THeadlessCanvas::GetByteAdvances(TByteAdvances& Advances) const {
    ++AdvancesCalls;
    if (!OfferAdvances || Overhang > 0 || ExtentFails)
        return false;
    for (size_t Ch = 0; Ch < Advances.size(); ++Ch)
        Advances[Ch] = CharAdvance(static_cast<uint8_t>(Ch));
    return true;
}

int32_t THeadlessCanvas::Advance(const char* Text, int32_t Length, int32_t& JustifyExtra) {
    int64_t Extra = 0;
    if (JustifyCount > 0) {
        for (int32_t I = 0; I < Length; ++I) {
            if (Text[I] != ' ')
                continue;
            Extra += JustifyShare;
            JustifyAcc += JustifyRemainder;
            if (JustifyAcc >= JustifyCount) {
                ++Extra;
                JustifyAcc -= JustifyCount;
            }
        }
    }
    JustifyExtra = Saturate(Extra);
    return Saturate(SumWidths(Text, Length) + Extra);
}

void THeadlessCanvas::SetTextJustification(int32_t BreakExtra, int32_t BreakCount) {
    if (BreakCount <= 0) {
        JustifyShare = JustifyRemainder = JustifyAcc = JustifyCount = 0;
        return;
    }
    JustifyCount = BreakCount;
    JustifyShare = BreakExtra / BreakCount;
    JustifyRemainder = BreakExtra % BreakCount;
    JustifyAcc = JustifyRemainder / 2;
}

TCanvasRecord* THeadlessCanvas::NewRecord(TCanvasOp Op) {
    if (!Recording)
        return nullptr;
    TCanvasRecord& R = Records.emplace_back();
    R.Op = Op;
    return &R;
}

void THeadlessCanvas::DrawText(TPoint At, bool AtPen, const char* Text, int32_t Length,
                               uint8_t Options, const TRect* Rect) {
    if (Text == nullptr || Length < 0)
        Length = 0;
    const int32_t AccBefore = JustifyAcc;
    int32_t JustifyExtra = 0;
    const int32_t Width = Advance(Text, Length, JustifyExtra);
    const TPoint End{Saturate(static_cast<int64_t>(At.X) + Width), At.Y};
    if (AtPen)
        PenPos = End;
    if (HasRaster())
        RasterText(At, Text, Length, Width, AccBefore, Rect != nullptr ? Options : 0, Rect);
    TCanvasRecord* R = NewRecord(coTextOut);
    if (R == nullptr)
        return;
    if (Length > 0)
        R->Text.assign(Text, static_cast<size_t>(Length));
    R->From = At;
    R->To = End;
    R->AtPen = AtPen;
    R->JustifyExtra = JustifyExtra;
    if (Rect != nullptr) {
        R->Options = Options;
        R->Rect = *Rect;
    }
    R->FontName = Font.GetName();
    R->FontHeight = Font.GetHeight();
    R->FontStyle = Font.GetStyle();
    R->Color = TextColor;
    R->BkColor = BkColor;
    R->BkMode = BkMode;
}

void THeadlessCanvas::TextOutAtPen(const char* Text, int32_t Length) {
    DrawText(PenPos, true, Text, Length, 0, nullptr);
}

void THeadlessCanvas::TextOutAt(int32_t X, int32_t Y, const char* Text, int32_t Length,
                                uint8_t Options, const TRect* Rect) {
    DrawText({X, Y}, false, Text, Length, Options, Rect);
}

void THeadlessCanvas::LineTo(int32_t X, int32_t Y) {
    if (HasRaster())
        RasterLine(PenPos, {X, Y});
    if (TCanvasRecord* R = NewRecord(coLine)) {
        R->From = PenPos;
        R->To = {X, Y};
        R->Color = Pen.GetColor();
        R->PenWidth = Pen.GetWidth();
        R->PenStyle = Pen.GetStyle();
    }
    PenPos = {X, Y};
}

void THeadlessCanvas::FillRect(const TRect& Rect, TColor Color) {
    RasterFill(Rect, Color);
    if (TCanvasRecord* R = NewRecord(coFillRect)) {
        R->Rect = Rect;
        R->Color = Color;
    }
}

void THeadlessCanvas::InvertRect(const TRect& Rect) {
    RasterInvert(Rect);
    if (TCanvasRecord* R = NewRecord(coInvertRect))
        R->Rect = Rect;
}

void THeadlessCanvas::CopyFrom(const TRect& Dest, const TOffscreenCanvas& Source,
                               TPoint SourceOrigin) {
    const auto* Headless = dynamic_cast<const THeadlessCanvas*>(&Source);
    if (HasRaster() && Headless != nullptr && Headless->HasRaster()) {
        for (int32_t Y = std::max(Dest.Top, 0); Y < std::min(Dest.Bottom, RasterHeight); ++Y)
            for (int32_t X = std::max(Dest.Left, 0); X < std::min(Dest.Right, RasterWidth); ++X) {
                const TColor Pixel =
                    Headless->GetPixel(Saturate(int64_t{SourceOrigin.X} + X - Dest.Left),
                                       Saturate(int64_t{SourceOrigin.Y} + Y - Dest.Top));
                if (Pixel != clNone)
                    RasterPixel(X, Y, Pixel);
            }
    }
    TCanvasRecord* R = NewRecord(coCopyFrom);
    if (R == nullptr)
        return;
    R->Rect = Dest;
    R->Source = &Source;
    R->SourceOrigin = SourceOrigin;
    if (Headless != nullptr)
        R->SourceRecordCount = static_cast<int32_t>(Headless->Records.size());
}

void THeadlessCanvas::DrawPicture(const TRect& Dest, const TPicture& Picture, TPoint SourceOrigin) {
    if (HasRaster()) {
        for (int32_t Y = std::max(Dest.Top, 0); Y < std::min(Dest.Bottom, RasterHeight); ++Y) {
            const int64_t SourceY = int64_t{SourceOrigin.Y} + Y - Dest.Top;
            for (int32_t X = std::max(Dest.Left, 0); X < std::min(Dest.Right, RasterWidth); ++X) {
                const int64_t SourceX = int64_t{SourceOrigin.X} + X - Dest.Left;
                if (SourceX >= 0 && SourceY >= 0 && SourceX < Picture.GetWidth() &&
                    SourceY < Picture.GetHeight())
                    RasterPixel(X, Y,
                                Picture.GetPixel(static_cast<int32_t>(SourceX),
                                                 static_cast<int32_t>(SourceY)));
            }
        }
    }
    if (TCanvasRecord* R = NewRecord(coDrawPicture)) {
        R->Rect = Dest;
        R->Picture = &Picture;
        R->SourceOrigin = SourceOrigin;
    }
}

// --- Software raster ---

void THeadlessCanvas::SetRasterSize(int32_t Width, int32_t Height) {
    if (Width <= 0 || Height <= 0)
        Width = Height = 0;
    RasterWidth = Width;
    RasterHeight = Height;
    Raster.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), clWhite);
}

TColor THeadlessCanvas::GetPixel(int32_t X, int32_t Y) const {
    if (X < 0 || Y < 0 || X >= RasterWidth || Y >= RasterHeight)
        return clNone;
    return Raster[static_cast<size_t>(Y) * static_cast<size_t>(RasterWidth) +
                  static_cast<size_t>(X)];
}

void THeadlessCanvas::RasterPixel(int64_t X, int64_t Y, TColor Color) {
    if (X < 0 || Y < 0 || X >= RasterWidth || Y >= RasterHeight)
        return;
    if (RasterClip != nullptr && (X < RasterClip->Left || X >= RasterClip->Right ||
                                  Y < RasterClip->Top || Y >= RasterClip->Bottom))
        return;
    Raster[static_cast<size_t>(Y) * static_cast<size_t>(RasterWidth) + static_cast<size_t>(X)] =
        Color;
}

void THeadlessCanvas::RasterFill(const TRect& Rect, TColor Color) {
    for (int32_t Y = std::max(Rect.Top, 0); Y < std::min(Rect.Bottom, RasterHeight); ++Y)
        for (int32_t X = std::max(Rect.Left, 0); X < std::min(Rect.Right, RasterWidth); ++X)
            RasterPixel(X, Y, Color);
}

void THeadlessCanvas::RasterInvert(const TRect& Rect) {
    for (int32_t Y = std::max(Rect.Top, 0); Y < std::min(Rect.Bottom, RasterHeight); ++Y)
        for (int32_t X = std::max(Rect.Left, 0); X < std::min(Rect.Right, RasterWidth); ++X)
            RasterPixel(X, Y, GetPixel(X, Y) ^ 0xFFFFFF);
}

int32_t THeadlessCanvas::CharAdvance(uint8_t Ch) const {
    return Proportional ? Widths[Ch] + Bold : CharWidth;
}

void THeadlessCanvas::RasterText(TPoint At, const char* Text, int32_t Length, int32_t Width,
                                 int32_t JustifyAccBefore, uint8_t Options, const TRect* Rect) {
    RasterClip = Rect != nullptr && (Options & etoClipped) != 0 ? Rect : nullptr;
    if (Rect != nullptr && (Options & etoOpaque) != 0)
        RasterFill(*Rect, BkColor);
    const int64_t Baseline = At.Y;
    if (BkMode == bkOpaque)
        RasterFill({At.X, Saturate(Baseline - Metric.Ascent), Saturate(int64_t{At.X} + Width),
                    Saturate(Baseline + Metric.Descent)},
                   BkColor);
    const int64_t BodyHeight = std::max(Metric.Ascent - Metric.InternalLeading, 1);
    int64_t X = At.X;
    int32_t Acc = JustifyAccBefore;
    for (int32_t I = 0; I < Length; ++I) {
        const auto Ch = static_cast<uint8_t>(Text[I]);
        int64_t Advance = CharAdvance(Ch);
        if (Ch == ' ') {
            if (JustifyCount > 0) {
                Advance += JustifyShare;
                Acc += JustifyRemainder;
                if (Acc >= JustifyCount) {
                    ++Advance;
                    Acc -= JustifyCount;
                }
            }
        } else {
            const int64_t BoxRight = X + std::max<int64_t>(Advance - 1, 1);
            for (int64_t Y = Baseline - BodyHeight; Y < Baseline; ++Y)
                for (int64_t Px = X; Px < BoxRight; ++Px)
                    RasterPixel(Px, Y, TextColor);
        }
        X += Advance;
    }
    const TFontStyles Style = Font.GetStyle();
    for (int64_t Px = At.X; Px < int64_t{At.X} + Width; ++Px) {
        if ((Style & fsUnderline) != 0)
            RasterPixel(Px, Baseline + 1, TextColor);
        if ((Style & fsStrikeOut) != 0)
            RasterPixel(Px, Baseline - BodyHeight / 3, TextColor);
    }
    RasterClip = nullptr;
}

void THeadlessCanvas::RasterLine(TPoint From, TPoint To) {
    if (Pen.GetStyle() == psClear)
        return;
    const int64_t Dx = int64_t{To.X} - From.X;
    const int64_t Dy = int64_t{To.Y} - From.Y;
    const int64_t Steps = std::max(Dx < 0 ? -Dx : Dx, Dy < 0 ? -Dy : Dy);
    if (Steps == 0)
        return;
    const int32_t Thick = std::max(Pen.GetWidth(), 1);
    // The major coordinate moves one pixel per step: walk only the steps
    // whose major coordinate lies on the raster, so far end points cost
    // nothing.
    const bool MajorX = (Dx < 0 ? -Dx : Dx) == Steps;
    const int64_t Start = MajorX ? From.X : From.Y;
    const int64_t Direction = (MajorX ? Dx : Dy) > 0 ? 1 : -1;
    const int64_t Low = -Thick - 1;
    const int64_t High = int64_t{MajorX ? RasterWidth : RasterHeight} + Thick + 1;
    const int64_t First = std::max<int64_t>(Direction > 0 ? Low - Start : Start - High, 0);
    const int64_t Last = std::min<int64_t>(Direction > 0 ? High - Start : Start - Low, Steps - 1);
    for (int64_t I = First; I <= Last; ++I) {
        // Rounded to the nearest pixel, halves away from the start.
        const int64_t X = From.X + (2 * I * Dx + (Dx < 0 ? -Steps : Steps)) / (2 * Steps);
        const int64_t Y = From.Y + (2 * I * Dy + (Dy < 0 ? -Steps : Steps)) / (2 * Steps);
        for (int64_t Oy = 0; Oy < Thick; ++Oy)
            for (int64_t Ox = 0; Ox < Thick; ++Ox)
                RasterPixel(X - Thick / 2 + Ox, Y - Thick / 2 + Oy, Pen.GetColor());
    }
}

void THeadlessCanvas::SetCharWidth(uint8_t Ch, int32_t Width) {
    Overrides[Ch] = std::max(Width, -1);
    WidthsFor = -1;
    Proportional =
        std::any_of(Overrides.begin(), Overrides.end(), [](int32_t W) { return W >= 0; });
    UpdateMetrics();
}

void THeadlessCanvas::ClearCharWidths() {
    Overrides.fill(-1);
    Proportional = false;
    WidthsFor = -1;
    UpdateMetrics();
}

void THeadlessCanvas::SetOverhang(int32_t Value) {
    Overhang = std::max(Value, 0);
    UpdateMetrics();
}

std::vector<TCanvasRecord> THeadlessCanvas::RecordsOf(TCanvasOp Op) const {
    std::vector<TCanvasRecord> Result;
    for (const TCanvasRecord& R : Records)
        if (R.Op == Op)
            Result.push_back(R);
    return Result;
}

} // namespace korvel
