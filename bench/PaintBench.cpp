// Painting one full screen of 80 x 50 characters on the headless canvas:
// an HTML-like text highlighted by tag, attribute-string and comment ranges
// and tag-name keywords, word-wrapped at 80 columns, with a selection band
// over twenty lines drawn in the selection colours. Two texts side by side,
// of 1 million and 4 million paragraphs, to show that a screen costs the
// same whatever the size of the text.
//
//   PaintBench [--paragraphs=N] [--large=N] [--paints=N]
//
// For each text: the first paint of a screen 30% into the text (which scans
// the start/stop ranges of every paragraph before it, as the highlighting
// start states must be known there, and highlights and formats the
// paragraphs it shows), then
// the median and best microseconds per screen of repeated paints of eight
// screens spread over the text (already formatted), once with the headless
// canvas recording nothing (the painter's own cost) and once recording every
// drawing call; and the canvas calls one screen makes: every call, and the
// drawing calls among them by kind.

#include "BenchArguments.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TLineBreaker.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvelPainter.h"
#include "framework/TMemoryStream.h"
#include "framework/TPen.h"
#include "platform/headless/THeadlessCanvas.h"
#include "platform/headless/THeadlessOffscreenCanvas.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace korvel;
using TClockType = std::chrono::steady_clock;

constexpr int32_t Columns = 80;
constexpr int32_t Rows = 50;
constexpr double GoalMicroseconds = 200;

double Seconds(TClockType::time_point Since) {
    return std::chrono::duration<double>(TClockType::now() - Since).count();
}

// Table rows of a generated page: tags with attributes, text, now and then
// a comment; 20 to 130 bytes a paragraph, so some wrap.
std::string MakeText(int32_t Paragraphs) {
    std::mt19937 Random(20261216);
    static const char* const Words[] = {"price", "total", "name",  "order", "item", "value",
                                        "stock", "north", "south", "blue",  "red",  "list"};
    static const char* const Tags[] = {"td", "span", "div", "a", "b", "em"};
    std::string Text;
    Text.reserve(static_cast<size_t>(Paragraphs) * 70);
    std::string Line;
    for (int32_t I = 0; I < Paragraphs; ++I) {
        Line.clear();
        const uint32_t Kind = Random() % 10;
        if (Kind == 0) {
            Line = "<!-- ";
            for (uint32_t K = 3 + Random() % 8; K > 0; --K)
                Line += std::string(Words[Random() % 12]) + " ";
            Line += "-->";
        } else {
            const int Cells = 1 + static_cast<int>(Random() % 3);
            Line = "<tr>";
            for (int C = 0; C < Cells; ++C) {
                const char* Tag = Tags[Random() % 6];
                Line += std::string("<") + Tag + " class=\"" + Words[Random() % 12] + "\">";
                for (uint32_t K = 1 + Random() % 5; K > 0; --K)
                    Line += std::string(Words[Random() % 12]) + " ";
                Line += std::string("</") + Tag + ">";
            }
            Line += "</tr>";
        }
        if (I > 0)
            Text += "\r\n";
        Text += Line;
    }
    return Text;
}

void SetRules(TCustomKorvel& Control) {
    TStartStopKeyList& Keys = Control.GetStartStopKeys();
    Keys.AddKey("<!--", "-->", false, clGreen, clNone, 0, 1, fsItalic, 0);
    Keys.AddKey("\"", "\"", false, clMaroon, clNone, 0, 2, 0, 0);
    Keys.AddKey("<", ">", false, clNavy, clNone, 0, 0, 0, 0);
    TKeywordList& Keywords = Control.GetKeywords();
    Keywords.BeginUpdate();
    for (const char* Tag : {"tr", "td", "span", "div", "a", "b", "em", "class"})
        Keywords.AddKeyword(Tag, clBlue, clNone, 0, 3, fsBold, 0x03);
    Keywords.AddKeyword("total", clRed, clNone, 0, 4, 0x18, 0x03); // the special underline
    Keywords.EndUpdate();
}

// What the control's range formatting does for painting.
class TFormatter {
public:
    explicit TFormatter(TCustomKorvel& Control)
        : Control(Control), Breaker(Control.GetParagraphsList(), Control.GetLayout()) {}

    void operator()(int32_t First, int32_t Last) {
        TParagraphsList& List = Control.GetParagraphsList();
        Last = std::min(Last, List.GetCount() - 1);
        Control.ScanStartStopUpTo(Last);
        int32_t Line = List.GetFirstLine(First);
        int32_t Delta = 0;
        for (int32_t I = First; I <= Last; ++I) {
            List.SetFirstLine(I, Line);
            if ((List[I].Flags & pfFormatted) == 0) {
                Control.HighlightParagraph(I);
                List[I].Flags |= pfFormatted;
                int32_t FirstLine = 0, LastOld = 0, LineDelta = 0;
                Breaker.BreakLines(Control.GetCanvas(), true, FirstLine, LastOld, true, I,
                                   Control.GetView().TextWidth, LineDelta);
                Delta += LineDelta;
            }
            Line += List[I].LineCountOf();
        }
        if (Delta != 0)
            List.ShiftFirstLines(Last + 1, Delta);
    }

private:
    TCustomKorvel& Control;
    TLineBreaker Breaker;
};

// A line bitmap that counts every call made on it before passing it on.
class TCountingBitmap final : public TOffscreenCanvas {
public:
    explicit TCountingBitmap(THeadlessOffscreenCanvas& Target) : Target(Target) {}

    int64_t Calls = 0;

    int32_t GetWidth() const override { return Target.GetWidth(); }
    int32_t GetHeight() const override { return Target.GetHeight(); }
    void SetSize(int32_t W, int32_t H) override { ++Calls, Target.SetSize(W, H); }
    void SelectFont(const TFont& F, TFontStyles S) override { ++Calls, Target.SelectFont(F, S); }
    const TFont& GetFont() const override { return Target.GetFont(); }
    TTextMetric GetTextMetrics() const override { return Target.GetTextMetrics(); }
    bool GetTextExtent(const char* T, int32_t L, TSize& S) const override {
        ++MeasureCalls;
        return Target.GetTextExtent(T, L, S);
    }
    void TextOutAtPen(const char* T, int32_t L) override { ++Calls, Target.TextOutAtPen(T, L); }
    void TextOutAt(int32_t X, int32_t Y, const char* T, int32_t L, uint8_t O,
                   const TRect* R) override {
        ++Calls, Target.TextOutAt(X, Y, T, L, O, R);
    }
    void SetTextJustification(int32_t E, int32_t C) override {
        ++Calls, Target.SetTextJustification(E, C);
    }
    void SetTextColor(TColor C) override { ++Calls, Target.SetTextColor(C); }
    TColor GetTextColor() const override { return Target.GetTextColor(); }
    void SetBkColor(TColor C) override { ++Calls, Target.SetBkColor(C); }
    TColor GetBkColor() const override { return Target.GetBkColor(); }
    void SetBkMode(TBkMode M) override { ++Calls, Target.SetBkMode(M); }
    TBkMode GetBkMode() const override { return Target.GetBkMode(); }
    void SetPen(const TPen& P) override { ++Calls, Target.SetPen(P); }
    const TPen& GetPen() const override { return Target.GetPen(); }
    void MoveTo(int32_t X, int32_t Y) override { ++Calls, Target.MoveTo(X, Y); }
    void LineTo(int32_t X, int32_t Y) override { ++Calls, Target.LineTo(X, Y); }
    TPoint GetPenPos() const override { return Target.GetPenPos(); }
    void FillRect(const TRect& R, TColor C) override { ++Calls, Target.FillRect(R, C); }
    void InvertRect(const TRect& R) override { ++Calls, Target.InvertRect(R); }
    void CopyFrom(const TRect& D, const TOffscreenCanvas& S, TPoint O) override {
        ++Calls, Target.CopyFrom(D, S, O);
    }
    void DrawPicture(const TRect& D, const TPicture& P, TPoint O) override {
        ++Calls, Target.DrawPicture(D, P, O);
    }

    mutable int64_t MeasureCalls = 0;

private:
    THeadlessOffscreenCanvas& Target;
};

struct TScreenFigures {
    double FirstPaint = 0;  // ms
    double MedianQuiet = 0; // us per screen, recording nothing
    double BestQuiet = 0;
    double MedianRecorded = 0;              // us per screen, recording every drawing call
    int64_t BitmapCalls = 0;                // every call on the line bitmap
    int64_t Measures = 0;                   // text extents measured
    std::map<std::string, int64_t> Drawing; // drawing calls by kind
};

TScreenFigures Measure(int32_t Paragraphs, int Paints) {
    TCustomKorvel Control;
    Control.GetFont().SetName("Courier New");
    Control.GetFont().SetHeight(-11);
    Control.GetFont().SetColor(clBlack);
    SetRules(Control);
    THeadlessOffscreenCanvas Bitmap;
    THeadlessCanvas Window;
    Control.SetCanvas(&Bitmap);
    // Metrics of "Courier New" -11 on the headless canvas: 6 pixels a byte,
    // cell 12, descent 3.
    TViewMetrics& View = Control.GetView();
    View.LineHeightPx = 13;
    View.BaselineY = 9;
    View.UnderlineY = 10;
    View.ZigzagHeight = 2;
    View.SpaceWidth = 6;
    View.TextOutChunk = 16384 / 6;
    View.TextWidth = Columns * 6 + 16;
    View.ClientHeight = Rows * 13;

    {
        const std::string Text = MakeText(Paragraphs);
        TMemoryStream Stream{Text};
        TKorvelLineBreak Break = kbCRLF;
        Control.GetParagraphsList().ClearText();
        Control.GetParagraphsList().LoadText(Stream, 0, 0, nullptr, Break, false);
    }

    TPaintSettings Settings;
    Settings.Color = clWhite;
    Settings.Options |= OptionBit(kvoWindowsSelColors);
    const TPen Red(clRed, 1, psSolid);
    const TPen Gray(clGray, 1, psDot);
    Settings.EndOfTextMark = &Red;
    Settings.SpecUnderline = &Red;
    Settings.RightLinePen = &Gray;
    Settings.RightLinePos = Columns;
    TKorvelPainter Painter(Control, Settings);
    TFormatter Formatter(Control);

    TParagraphsList& List = Control.GetParagraphsList();
    TPaintRequest Request;
    Request.Window = &Window;
    Request.Update = {0, 0, View.TextWidth, View.ClientHeight};
    Request.LineBitmap = &Bitmap;
    Request.FormatParagraphs = [&Formatter](int32_t First, int32_t Last) {
        Formatter(First, Last);
    };
    Request.ScanStartStopUpTo = [&Control](int32_t Last) { Control.ScanStartStopUpTo(Last); };

    // Eight screens spread over the text; the selection runs from the
    // middle of the screen's 10th paragraph to the middle of its 30th.
    std::array<int32_t, 8> Tops{};
    std::array<TPaintSelection, 8> Selections{};
    TScreenFigures Figures;
    for (size_t S = 0; S < Tops.size(); ++S) {
        const int32_t Par = static_cast<int32_t>((S * 2 + 7) * int64_t{Paragraphs} / 23);
        View.TopPixel = List.GetFirstLine(Par) * View.LineHeightPx;
        const auto Began = TClockType::now();
        Painter.Paint(Request);
        if (S == 0)
            Figures.FirstPaint = Seconds(Began) * 1e3;
        Tops[S] = View.TopPixel;
        Selections[S] = {List.GetStartOffset(Par + 10) + 10,
                         List.GetStartOffset(Par + 30) + 10,
                         false,
                         0,
                         0,
                         true};
    }

    auto Run = [&](bool Record) {
        Bitmap.SetRecording(Record);
        Window.SetRecording(Record);
        std::vector<double> Times;
        for (int I = 0; I < Paints; ++I) {
            const size_t S = static_cast<size_t>(I) % Tops.size();
            View.TopPixel = Tops[S];
            Request.Selection = Selections[S];
            Bitmap.ClearRecords();
            Window.ClearRecords();
            const auto Began = TClockType::now();
            Painter.Paint(Request);
            Times.push_back(Seconds(Began) * 1e6);
        }
        std::sort(Times.begin(), Times.end());
        return std::make_pair(Times[Times.size() / 2], Times.front());
    };
    std::tie(Figures.MedianQuiet, Figures.BestQuiet) = Run(false);
    Figures.MedianRecorded = Run(true).first;

    // The calls of one screen.
    TCountingBitmap Counting(Bitmap);
    Request.LineBitmap = &Counting;
    Control.SetCanvas(&Counting);
    View.TopPixel = Tops[0];
    Request.Selection = Selections[0];
    Bitmap.ClearRecords();
    Window.ClearRecords();
    Painter.Paint(Request);
    Figures.BitmapCalls = Counting.Calls;
    Figures.Measures = Counting.MeasureCalls;
    static const char* const Kinds[] = {"text", "line", "fill", "invert", "copy", "picture"};
    for (const THeadlessCanvas* Canvas :
         {static_cast<THeadlessCanvas*>(&Bitmap), static_cast<THeadlessCanvas*>(&Window)})
        for (const TCanvasRecord& R : Canvas->GetRecords())
            ++Figures.Drawing[Kinds[R.Op]];
    return Figures;
}

} // namespace

int main(int argc, char** argv) {
    const auto Small = static_cast<int32_t>(
        std::max(1000L, bench::ArgumentValue(argc, argv, "--paragraphs=", 1000000)));
    const auto Large = static_cast<int32_t>(
        std::max(1000L, bench::ArgumentValue(argc, argv, "--large=", 4000000)));
    const int Paints =
        static_cast<int>(std::max(8L, bench::ArgumentValue(argc, argv, "--paints=", 4000)));
    std::printf(
        "Painting one screen of %d x %d characters: highlighted HTML-like text, word wrap,\n"
        "a selection band over 20 lines in selection colours; goal under %.0f us\n",
        Columns, Rows, GoalMicroseconds);
    for (const int32_t Paragraphs : {Small, Large}) {
        const TScreenFigures F = Measure(Paragraphs, Paints);
        std::printf("\n%d paragraphs\n", Paragraphs);
        std::printf("  first paint, 30%% into the text (scans the ranges of every paragraph "
                    "before it): %.1f ms\n",
                    F.FirstPaint);
        std::printf("  screen, canvas recording nothing: median %.1f us, best %.1f us (%s)\n",
                    F.MedianQuiet, F.BestQuiet,
                    F.MedianQuiet < GoalMicroseconds ? "goal met" : "goal missed");
        std::printf("  screen, canvas recording every drawing call: median %.1f us\n",
                    F.MedianRecorded);
        int64_t DrawingCalls = 0;
        for (const auto& [Kind, Count] : F.Drawing)
            DrawingCalls += Count;
        std::printf("  canvas calls per screen: %lld on the line bitmap (%lld text extents "
                    "measured besides), %lld drawing calls:",
                    static_cast<long long>(F.BitmapCalls), static_cast<long long>(F.Measures),
                    static_cast<long long>(DrawingCalls));
        for (const auto& [Kind, Count] : F.Drawing)
            std::printf(" %s %lld", Kind.c_str(), static_cast<long long>(Count));
        std::printf("\n");
    }
    return 0;
}
