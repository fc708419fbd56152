// Line breaking of a whole text: every paragraph of a text of 4 million
// paragraphs is cut into display lines with word wrap at 80 columns, measured
// on the headless canvas, the way a formatting pass does it (running first
// line, font selected once).
//
// Each text is broken twice: measuring every word on the canvas, and summing
// the byte advances the canvas offers (as the Qt canvas always does).
//
//   LineBreakerBench [--paragraphs=N] [--runs=N]
//
// Two texts: short paragraphs that fit one line (the common case), and a
// mix in which one paragraph in eight wraps over several lines. Prints the
// best run's ns per paragraph and paragraphs per second.

#include "BenchArguments.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TLineBreaker.h"
#include "KVSupport/TParagraphsList.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessCanvas.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

namespace {

using namespace korvel;
using TClock = std::chrono::steady_clock;

constexpr int32_t Columns = 80;
constexpr double GoalPerSecond = 2e6;

// Prose of dictionary words, CR LF between paragraphs. Short paragraphs hold
// 2 to 9 words (about 40 bytes); long ones 20 to 60 words.
std::string MakeText(int32_t Paragraphs, int LongEvery) {
    static const char* const Words[] = {
        "the",    "quick",  "brown",   "fox",        "jumps", "over",   "lazy",    "dog",
        "lorem",  "ipsum",  "dolor",   "sit",        "amet",  "editor", "control", "paragraph",
        "line",   "wrap",   "width",   "measure",    "a",     "of",     "to",      "and",
        "window", "canvas", "display", "formatting", "text",  "Quolt",  "Korvel",  "x"};
    std::mt19937 Random(42);
    std::string Text;
    Text.reserve(static_cast<size_t>(Paragraphs) * 48);
    for (int32_t P = 0; P < Paragraphs; ++P) {
        if (P > 0)
            Text += "\r\n";
        const bool Long = LongEvery > 0 && P % LongEvery == 0;
        const uint32_t Count = Long ? 20 + Random() % 41 : 2 + Random() % 8;
        for (uint32_t W = 0; W < Count; ++W) {
            if (W > 0)
                Text += ' ';
            Text += Words[Random() % (sizeof Words / sizeof *Words)];
        }
    }
    return Text;
}

struct TResult {
    double Seconds;
    int32_t Lines;
};

// One formatting pass over every paragraph, as the formatter runs it.
TResult FormatAll(TCustomKorvel& Control, TLineBreaker& Breaker) {
    TParagraphsList& List = Control.GetParagraphsList();
    const int32_t Count = List.GetCount();
    const auto Start = TClock::now();
    int32_t Line = 0;
    for (int32_t I = 0; I < Count; ++I) {
        List.SetFirstLine(I, Line);
        int32_t FirstLine = 0;
        int32_t LastOld = 0;
        int32_t Delta = 0;
        Line += Breaker.BreakLines(Control.GetCanvas(), I == 0, FirstLine, LastOld, true, I,
                                   Control.GetView().TextWidth, Delta);
    }
    const std::chrono::duration<double> Elapsed = TClock::now() - Start;
    return {Elapsed.count(), Line};
}

void RunCase(const char* Name, int32_t Paragraphs, int LongEvery, bool Table, int Runs) {
    TCustomKorvel Control;
    THeadlessCanvas Canvas;
    Canvas.SetOfferByteAdvances(Table);
    Control.SetCanvas(&Canvas);
    Control.SetWordWrap(true);
    // The control font is 6 pixels a byte on the headless canvas; the
    // margins take 8 + 8 pixels.
    Control.GetView().SpaceWidth = 6;
    Control.GetView().TextWidth = Columns * 6 + Control.GetLeftMargin() + Control.GetRightMargin();

    const std::string Text = MakeText(Paragraphs, LongEvery);
    {
        TMemoryStream Stream{Text};
        TKorvelLineBreak Break = kbCRLF;
        TParagraphsList& List = Control.GetParagraphsList();
        List.ClearText();
        List.LoadText(Stream, 0, 300, nullptr, Break, false);
    }
    const int32_t Count = Control.GetParagraphCount();

    TLineBreaker Breaker(Control.GetParagraphsList(), Control.GetLayout());
    TResult Best{1e30, 0};
    for (int Run = 0; Run < Runs; ++Run) {
        const TResult R = FormatAll(Control, Breaker);
        if (R.Seconds < Best.Seconds)
            Best = R;
    }
    const double PerSecond = Count / Best.Seconds;
    std::printf("%-18s %-10s %9d paragraphs (%.1f MB) -> %9d lines: %7.1f ns/paragraph, "
                "%6.2f M paragraphs/s (%.1fx the goal of 2 M/s)\n",
                Name, Table ? "byte table" : "measuring", Count, Text.size() / 1e6, Best.Lines,
                Best.Seconds * 1e9 / Count, PerSecond / 1e6, PerSecond / GoalPerSecond);
    if (Control.GetLineCount() != Best.Lines)
        std::printf("  line count mismatch: list %d, pass %d\n", Control.GetLineCount(),
                    Best.Lines);
}

} // namespace

int main(int argc, char** argv) {
    const auto Paragraphs = static_cast<int32_t>(
        std::max(1L, bench::ArgumentValue(argc, argv, "--paragraphs=", 4000000)));
    const int Runs = static_cast<int>(std::max(1L, bench::ArgumentValue(argc, argv, "--runs=", 3)));
    std::printf("BreakLines, word wrap at %d columns, headless metrics, best of %d passes\n",
                Columns, Runs);
    for (const bool Table : {false, true}) {
        RunCase("short paragraphs", Paragraphs, 0, Table, Runs);
        RunCase("1 in 8 wrapped", Paragraphs, 8, Table, Runs);
    }
    return 0;
}
