#include "Korvel/TKorvelPainter.h"

#include "KVSupport/ColumnConversions.h"
#include "KVSupport/ParagraphLookups.h"
#include "KVSupport/TLayoutSettings.h"
#include "KVSupport/TNavigatorHost.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TParagraphsList.h"
#include "framework/TPen.h"
#include "framework/TPicture.h"
#include "platform/TCanvas.h"
#include "platform/TOffscreenCanvas.h"

#include <algorithm>
#include <climits>

namespace korvel {

namespace {

constexpr char ReturnGlyph = '\xB6'; // pilcrow (Windows-1252)

// Value mod Divisor in 0 .. Divisor - 1, for a positive Divisor.
int32_t PositiveMod(int64_t Value, int32_t Divisor) {
    const int64_t R = Value % Divisor;
    return static_cast<int32_t>(R < 0 ? R + Divisor : R);
}

} // namespace

// Points the control's layout at the request's bitmap (and at its view
// metrics when it brings its own) for the duration of a paint, so that line
// breaking and navigators measure what is drawn; puts back the canvas, the
// metrics (keeping what formatting found meanwhile: widest line, blank width
// and overhang), the bitmap's pen and the window's pen when the paint ends,
// also by an exception.
class TKorvelPainter::TPaintScope {
public:
    TPaintScope(TKorvelPainter& Painter, const TPaintRequest& Request)
        : Painter(Painter), Layout(Painter.Layout), SavedCanvas(Layout.Canvas),
          OwnView(Request.View != nullptr && Request.View != &Layout.View),
          BitmapPen(Request.LineBitmap->GetPen()), WindowPen(Request.Window->GetPen()) {
        Painter.Request = &Request;
        Painter.Window = Request.Window;
        Painter.Bitmap = Request.LineBitmap;
        if (OwnView) {
            SavedView = Layout.View;
            Layout.View = *Request.View;
        }
        Layout.Canvas = Request.LineBitmap;
    }

    ~TPaintScope() {
        Painter.Bitmap->SetPen(BitmapPen);
        Painter.Window->SetPen(WindowPen);
        Layout.Canvas = SavedCanvas;
        if (OwnView) {
            const TViewMetrics Found = Layout.View;
            Layout.View = SavedView;
            Layout.View.MaxLineWidth = Found.MaxLineWidth;
            Layout.View.WidestPara = Found.WidestPara;
            Layout.View.BlankWidth = Found.BlankWidth;
            Layout.View.Overhang = Found.Overhang;
        }
        Painter.Request = nullptr;
    }

    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;

private:
    TKorvelPainter& Painter;
    TLayoutSettings& Layout;
    TCanvas* SavedCanvas;
    bool OwnView;
    TViewMetrics SavedView;
    TPen BitmapPen;
    TPen WindowPen;
};

TKorvelPainter::TKorvelPainter(TNavigatorHost& Control, const TPaintSettings& Settings)
    : List(Control.GetParagraphsList()), Layout(Control.GetLayout()), Settings(Settings) {
    Nav.SetControl(&Control);
}

// --- Entry ---

bool TKorvelPainter::Paint(const TPaintRequest& Request) {
    if (Request.Suppressed || Request.Window == nullptr || Request.LineBitmap == nullptr)
        return false;
    if (Request.Update.IsEmpty() || List.GetCount() == 0)
        return true;
    TPaintScope Scope(*this, Request);
    View = Layout.View;
    LineHeight = std::max(View.LineHeightPx, 1);
    if (Bitmap->GetWidth() != View.TextWidth || Bitmap->GetHeight() != LineHeight)
        Bitmap->SetSize(View.TextWidth, LineHeight);

    StaticFormat = List.GetStaticFormat();
    WindowsSelColors = Settings.HasOption(kvoWindowsSelColors);
    FullLineSelect = Settings.HasOption(kvoFullLineSelect);
    ShowSpaces = Settings.Shows(kvNPSpace);
    ShowTabs = Settings.Shows(kvNPTab);
    ShowReturns = Settings.Shows(kvNPReturn);
    FontValid = false;
    ColorsValid = false;
    ZigzagPen = false;
    BitmapPenX = INT32_MIN;
    Justifying = true; // unknown: the first line sets it either way
    ZigzagStart = INT32_MAX;
    Nav.Reset(); // the text may have changed since the last paint

    int32_t FirstLine = 0;
    int32_t LastLine = 0;
    int32_t Par = 0;
    int32_t Y = Request.Update.Top;
    if (Prepare(FirstLine, LastLine, Par))
        Y = PaintLines(FirstLine, LastLine, Par);
    PaintBelow(Y);
    DrawEndOfTextMark(FirstLine, LastLine);
    DrawRightLine();
    return true;
}

// --- Preparation ---

// Finds the lines to paint and the paragraph of the first, and formats the
// paragraphs they need. Returns false when the first line lies below the
// text.
bool TKorvelPainter::Prepare(int32_t& FirstLine, int32_t& LastLine, int32_t& Par) {
    const TRect& Update = Request->Update;
    FirstLine = Saturated(std::max<int64_t>(0, (int64_t{View.TopPixel} + Update.Top) / LineHeight));
    LastLine =
        Saturated(std::max<int64_t>(0, (int64_t{Update.Bottom} + View.TopPixel - 1) / LineHeight));

    // The top paragraph: the one holding the first line at least partly
    // visible. Its highlighting start state must be known before it is
    // formatted or painted.
    Nav.SetGlobalLine(std::max(View.TopPixel, 0) / LineHeight);
    Par = Nav.GetParIndex();
    if (Request->ScanStartStopUpTo && List.GetFormatCounters().GetContextValidTo() < Par) {
        Request->ScanStartStopUpTo(Par);
        FontValid = false;
    }
    FormatIfNeeded(Par, Par);
    // Formatting changes line counts: walk to the paragraph holding the
    // first line, formatting each one passed, then format as many after it
    // as there are lines to paint.
    const int32_t Count = List.GetCount();
    while (Par + 1 < Count &&
           int64_t{FirstLine} >= int64_t{List.GetFirstLine(Par)} + List[Par].LineCountOf()) {
        ++Par;
        FormatIfNeeded(Par, Par);
    }
    FormatIfNeeded(
        Par + 1, Saturated(std::min<int64_t>(Count - 1, int64_t{Par} + LastLine - FirstLine + 1)));
    return FirstLine < List.GetLineCount();
}

void TKorvelPainter::FormatIfNeeded(int32_t First, int32_t Last) {
    if (!Request->FormatParagraphs)
        return;
    First = std::max(First, 0);
    Last = std::min(Last, List.GetCount() - 1);
    for (int32_t I = First; I <= Last; ++I) {
        if ((List[I].Flags & pfFormatted) == 0) {
            Request->FormatParagraphs(I, Last);
            FontValid = false; // formatting measured on the bitmap
            return;
        }
    }
}

// --- The line loop ---

// Paints the lines FirstLine .. LastLine that exist, from paragraph Par on;
// returns the window y below the last one.
int32_t TKorvelPainter::PaintLines(int32_t FirstLine, int32_t LastLine, int32_t Par) {
    const TPaintSelection& Sel = Request->Selection;
    SelShown = Sel.Exists() && (!Settings.HideSelection || Sel.Focused);
    SelBlock = Sel.Block;
    BlockLo = std::min(Sel.BlockCol1, Sel.BlockCol2);
    BlockHi = std::max(Sel.BlockCol1, Sel.BlockCol2);
    if (SelShown) {
        Nav.Reset();
        Nav.SetPos(Sel.Start);
        SelFirstPar = Nav.GetParIndex();
        Nav.SetPos(Sel.End);
        SelLastPar = Nav.GetParIndex();
    }

    LoadParagraph(Par);
    LineIndex = std::clamp(FirstLine - List.GetFirstLine(Par), 0, LineCountOfPar - 1);
    Line = LineRecordOf(*this->Par, LineIndex);
    EnterLineStart();

    if (View.TopPixel < 0 && FirstLine == 0)
        FillBackground(*Window, {0, 0, View.TextWidth, Saturated(-int64_t{View.TopPixel})},
                       Settings.Color, PictureUsable(), 0);
    int64_t Y = int64_t{FirstLine} * LineHeight - View.TopPixel;
    for (int32_t L = FirstLine;;) {
        PaintLine(Saturated(Y));
        Y += LineHeight;
        ++L;
        if (L > LastLine || L >= List.GetLineCount())
            break;
        if (LineIndex + 1 < LineCountOfPar) {
            ++LineIndex;
        } else {
            if (ParIndex + 1 >= List.GetCount())
                break;
            FormatIfNeeded(ParIndex + 1, ParIndex + 1);
            LoadParagraph(ParIndex + 1);
            EnterParagraphStart();
            LineIndex = 0;
        }
        Line = LineRecordOf(*this->Par, LineIndex);
    }
    return Saturated(Y);
}

// Reads what painting needs of paragraph Index and where the selection
// lies in it.
void TKorvelPainter::LoadParagraph(int32_t Index) {
    ParIndex = Index;
    Par = &List[Index];
    Text = Par->Text;
    ParLen = Par->ParLength();
    LineCountOfPar = Par->LineCountOf();
    const ParExtraInfo* Extra = Par->GetExtra();
    Runs = Extra != nullptr ? Extra->Runs.data() : nullptr;
    RunCount = Par->RunCount();
    ParText = Extra != nullptr ? Extra->TextColor : -1;
    ParBack = Extra != nullptr ? Extra->BackColor : -1;

    SelStart = SelEnd = INT32_MAX;
    if (!SelShown)
        return;
    const TPaintSelection& Sel = Request->Selection;
    if (SelBlock) {
        // A block covers its columns in each of its paragraphs; only the
        // painting with selection colours needs their offsets.
        if (Index >= SelFirstPar && Index <= SelLastPar) {
            SelStart = ColumnToOffset(*Par, BlockLo, Layout.TabStops, StaticFormat);
            SelEnd = ColumnToOffset(*Par, BlockHi, Layout.TabStops, StaticFormat);
        }
        return;
    }
    // The middle of the break after the paragraph belongs to it.
    const int64_t ParStart = List.GetStartOffset(Index);
    const int64_t ParEnd = ParStart + ParLen + 1;
    const auto InPar = [&](int64_t Offset) {
        return Offset < ParStart ? -1
               : Offset > ParEnd ? INT32_MAX
                                 : static_cast<int32_t>(Offset - ParStart);
    };
    SelStart = InPar(Sel.Start);
    SelEnd = InPar(Sel.End);
}

// A new paragraph starts in its own stored start state, the state its
// display lines were measured in.
void TKorvelPainter::EnterParagraphStart() {
    RunIndex = 0;
    Run = Par->StartRun();
    CodeState = StaticFormat ? Par->StartCodeState() : 0;
    Style = Layout.EffectiveStyle(CodeState, Run->Flags);
    AttributesChanged = true; // and the paragraph's own colours may differ
}

// The first line painted starts in the state recorded for it.
void TKorvelPainter::EnterLineStart() {
    const ParExtraInfo* Extra = Par->GetExtra();
    RunIndex = Extra != nullptr ? RunsUpTo(*Extra, Line.Start) : 0;
    Run = RunIndex > 0 ? &Runs[RunIndex - 1] : Par->StartRun();
    CodeState = StaticFormat ? Line.StartCodeState : 0;
    Style = Layout.EffectiveStyle(CodeState, Run->Flags);
    AttributesChanged = true;
}

void TKorvelPainter::PaintLine(int32_t WindowY) {
    LastOfPar = LineIndex == LineCountOfPar - 1;
    // Line records are clamped to the text so that a stale record never
    // reads beyond it.
    Line.Start = std::clamp(Line.Start, 0, ParLen);
    Line.Stop = std::clamp(Line.Stop, Line.Start, ParLen);

    const bool OwnBack = !IsNoColor(ParBack);
    FillBackground(*Bitmap, {0, 0, View.TextWidth, LineHeight}, OwnBack ? ParBack : Settings.Color,
                   !OwnBack && PictureUsable(), WindowY);
    PlaceLine();
    ComputeBand();
    if (HasBand && WindowsSelColors) {
        const TRect Band = ClampRectX({BandLeft, 0, BandRight, LineHeight});
        if (!Band.IsEmpty())
            Bitmap->FillRect(Band, Settings.SelBackColor);
    }
    DrawRuns();
    FinishLine();
    Window->CopyFrom({0, WindowY, View.TextWidth, Saturated(int64_t{WindowY} + LineHeight)},
                     *Bitmap, {0, 0});
}

// Where the line starts (alignment), and its justification.
void TKorvelPainter::PlaceLine() {
    int64_t Left = int64_t{Layout.LeftMargin} - View.LeftPixel;
    const int64_t Right = int64_t{View.TextWidth} - Layout.RightMargin;
    if (!(Layout.Justified && Line.JustifyFrom < Line.Stop)) {
        if (Layout.Alignment == taRightJustify)
            Left = Right - Line.Width;
        else if (Layout.Alignment == taCenter)
            Left = (Left + Right - Line.Width) / 2;
    }
    LineLeft = PenX = Saturated(Left);
    JustifyExtra =
        Saturated(int64_t{View.TextWidth} - Layout.LeftMargin - Layout.RightMargin - Line.Width);
    Justify(Layout.Justified && Line.JustifyFrom == Line.Start && Line.Gaps > 0);
}

// The selection band of the line: its left and right x, when the line has
// one.
void TKorvelPainter::ComputeBand() {
    HasBand = false;
    if (!SelShown)
        return;
    if (SelBlock) {
        if (ParIndex < SelFirstPar || ParIndex > SelLastPar)
            return;
        BandLeft = BlockColumnX(BlockLo);
        BandRight = BlockColumnX(BlockHi);
        HasBand = true;
        return;
    }
    if (SelEnd < Line.Start)
        return; // the selection ended on an earlier line
    // A selection end at a wrap belongs to the line after it; one at the
    // paragraph's end to its last line.
    const auto Inside = [this](int32_t Offset) {
        return (Offset >= Line.Start && Offset < Line.Stop) || (LastOfPar && Offset == ParLen);
    };
    // The navigators measure an end from the line's start; the band is
    // placed from where the line is painted. (They place the pieces of a
    // split word of justified text at the left margin whatever the
    // alignment, while painting aligns them.)
    int32_t NavLineLeft = INT32_MIN;
    const auto BandX = [this, &NavLineLeft](int32_t Offset) {
        if (NavLineLeft == INT32_MIN)
            NavLineLeft = XOfOffset(Line.Start);
        return Saturated(int64_t{LineLeft} + XOfOffset(Offset) - NavLineLeft);
    };
    if (Inside(SelStart))
        BandLeft = BandX(SelStart);
    else if (SelStart < Line.Start)
        BandLeft = LineLeft;
    else
        return;
    if (Inside(SelEnd)) {
        BandRight = BandX(SelEnd);
    } else if (FullLineSelect) {
        BandRight = View.TextWidth;
    } else {
        // The text of a justified line reaches beyond its width by the
        // justification.
        const bool Widened = Layout.Justified && Line.JustifyFrom < Line.Stop && Line.Gaps > 0;
        BandRight = Saturated(int64_t{LineLeft} + (ShowSpaces ? Line.FullWidth : Line.Width) +
                              (Widened ? JustifyExtra : 0));
    }
    HasBand = true;
}

// The window x of a block column on the current line: the x of the character
// cell the column starts, so that the band covers the characters the block's
// text holds whatever the font's widths; the part of a tab or of the virtual
// space beyond the paragraph's end counts blank widths.
int32_t TKorvelPainter::BlockColumnX(int32_t Column) {
    const int32_t Offset = ColumnToOffset(*Par, Column, Layout.TabStops, StaticFormat);
    const int32_t Rest = ColumnRemainder(*Par, Column, Layout.TabStops, StaticFormat);
    return Saturated(int64_t{LineLeft} + XOfOffset(Offset) - XOfOffset(Line.Start) +
                     int64_t{Rest} * View.SpaceWidth);
}

// The x of an offset of the current paragraph, measured as the navigators
// measure it (on the line bitmap, which changes its font).
int32_t TKorvelPainter::XOfOffset(int32_t Offset) {
    Nav.Reset(); // formatting may have changed the lines it knew
    Nav.SetPos(Saturated(int64_t{List.GetStartOffset(ParIndex)} + Offset));
    FontValid = false;
    return Nav.OffsetToX();
}

// The line's end: a pending special underline, the pilcrow, the selection
// band's inversion and the mark of a selected paragraph end.
void TKorvelPainter::FinishLine() {
    EndZigzag();
    const bool RunsPast = SelStart <= ParLen && SelEnd > ParLen && !SelBlock;
    if (LastOfPar && ShowReturns) {
        // A selection ending exactly at the paragraph's end leaves the
        // pilcrow unselected.
        const bool Selected = InSelectionAt(ParLen);
        if (Selected != InSel) {
            InSel = Selected;
            SelectRunColors();
        }
        const int32_t At = PenX;
        if (PenX < View.TextWidth)
            DrawGlyph(ReturnGlyph);
        if (HasBand && RunsPast && !FullLineSelect) {
            if (WindowsSelColors) {
                // The band ends before the pilcrow: give its cell the
                // selection background and draw it again on that.
                const TRect Cell = ClampRectX({At, 0, PenX, LineHeight});
                if (!Cell.IsEmpty()) {
                    Bitmap->FillRect(Cell, Settings.SelBackColor);
                    PenX = At;
                    DrawGlyph(ReturnGlyph);
                }
            } else {
                BandRight = std::max(BandRight, PenX);
            }
        }
    }
    if (!HasBand)
        return;
    if (!WindowsSelColors) {
        const TRect Band = ClampRectX({BandLeft, 0, BandRight, LineHeight});
        if (!Band.IsEmpty())
            Bitmap->InvertRect(Band);
    }
    if (Settings.ShowEndParSelected && !FullLineSelect && !SelBlock && !ShowReturns && LastOfPar &&
        RunsPast) {
        const int32_t Third = LineHeight / 3;
        const TRect Mark = ClampRectX(
            {BandRight, Third, Saturated(int64_t{BandRight} + View.SpaceWidth / 2 + 1), 2 * Third});
        if (Mark.IsEmpty())
            return;
        if (WindowsSelColors)
            Bitmap->FillRect(Mark, Settings.SelBackColor);
        else
            Bitmap->InvertRect(Mark);
    }
}

TRect TKorvelPainter::ClampRectX(TRect Rect) {
    Rect.Left = std::clamp(Rect.Left, DeviceMin, DeviceMax);
    Rect.Right = std::clamp(Rect.Right, DeviceMin, DeviceMax);
    return Rect;
}

bool TKorvelPainter::PictureUsable() const {
    return Settings.BackgroundBmp != nullptr && !Settings.BackgroundBmp->IsEmpty();
}

// Fills Rect with Color, or tiles it with the background picture in text
// coordinates: the picture pixel at window point (x, y) is ((x + LeftPixel)
// mod width, (y + TopPixel) mod height), so the picture scrolls with the
// text. WindowY is the window y of the rectangle's top (the line's y when
// the rectangle is on the line bitmap).
void TKorvelPainter::FillBackground(TCanvas& Canvas, const TRect& Rect, TColor Color,
                                    bool UsePicture, int32_t WindowY) {
    const TRect R = ClampRectX(Rect);
    if (R.IsEmpty())
        return;
    if (!UsePicture) {
        Canvas.FillRect(R, Color);
        return;
    }
    const TPicture& Picture = *Settings.BackgroundBmp;
    const int32_t Width = Picture.GetWidth();
    const int32_t Height = Picture.GetHeight();
    int32_t Row = PositiveMod(int64_t{WindowY} + View.TopPixel, Height);
    for (int32_t Y = R.Top; Y < R.Bottom; Row = 0) {
        const int32_t H = std::min(Height - Row, R.Bottom - Y);
        for (int32_t X = R.Left; X < R.Right;) {
            const int32_t Column = PositiveMod(int64_t{X} + View.LeftPixel, Width);
            const int32_t W = std::min(Width - Column, R.Right - X);
            Canvas.DrawPicture({X, Y, X + W, Y + H}, Picture, {Column, Row});
            X += W;
        }
        Y += H;
    }
}

// The rest of the update rectangle below the last line painted.
void TKorvelPainter::PaintBelow(int32_t Y) {
    const TRect& Update = Request->Update;
    if (Y >= Update.Bottom)
        return;
    Y = std::max(Y, Update.Top);
    FillBackground(*Window, {Update.Left, Y, Update.Right, Update.Bottom}, Settings.Color,
                   PictureUsable(), Y);
}

// A line under the last display line when the text's end lies among the
// lines painted.
void TKorvelPainter::DrawEndOfTextMark(int32_t FirstLine, int32_t LastLine) {
    const TPen* Pen = Settings.EndOfTextMark;
    const int32_t Total = List.GetLineCount();
    if (Pen == nullptr || IsNoColor(Pen->GetColor()) || Total < FirstLine || Total > LastLine)
        return;
    const int32_t Y = Saturated(int64_t{Total} * LineHeight - View.TopPixel + Pen->GetWidth() / 2);
    Window->SetPen(*Pen);
    Window->MoveTo(0, Y);
    Window->LineTo(Request->Update.Right, Y);
}

// The right margin line, over the text: at a column (positive position) or
// a pixel distance (negative) from the left margin.
void TKorvelPainter::DrawRightLine() {
    const TPen* Pen = Settings.RightLinePen;
    if (Settings.RightLinePos == 0 || Pen == nullptr)
        return;
    const int64_t Origin = int64_t{Layout.LeftMargin} - View.LeftPixel;
    const int64_t X = Settings.RightLinePos > 0
                          ? int64_t{Settings.RightLinePos} * View.SpaceWidth + Origin
                          : Origin - Settings.RightLinePos;
    const TRect& Update = Request->Update;
    if (X + Pen->GetWidth() <= Update.Left || X - Pen->GetWidth() >= Update.Right)
        return;
    Window->SetPen(*Pen);
    Window->MoveTo(static_cast<int32_t>(X), 0);
    Window->LineTo(static_cast<int32_t>(X), Update.Bottom);
}

} // namespace korvel
