// The view of a control in a headless window of 80 x 50 characters, on texts
// of 1 million and 4 million paragraphs, with word wrap off and on:
//
// - the repair of the view after one typed character (UpdateAfterChange:
//   the paragraph formatted again, bars, caret, invalidated line, OnChange),
//   the replacement itself not counted;
// - Page Down with its repaint (WM_VSCROLL SB_PAGEDOWN, which scrolls and
//   paints the uncovered lines at once), the paragraphs it shows formatted on
//   the way as the view needs them.
//
//   ViewBench [--paragraphs=N] [--large=N] [--runs=N]
//
// Prints the median and best microseconds of each; Page Down both through
// text shown for the first time and through the same pages again. The canvases record
// nothing, so that the figures are the control's own cost.

#include "BenchArguments.h"
#include "BenchWindow.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessCanvas.h"
#include "platform/headless/THeadlessHost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace korvel;
using namespace bench;
using TClockType = std::chrono::steady_clock;

// Prose-like paragraphs of 20 to 150 bytes, so that some wrap at 80 columns.
std::string MakeText(int32_t Paragraphs) {
    std::mt19937 Random(20261209);
    static const char* const Words[] = {"table", "cell", "north", "value", "a",     "price",
                                        "blue",  "item", "of",    "order", "stock", "the"};
    std::string Text;
    Text.reserve(static_cast<size_t>(Paragraphs) * 80);
    for (int32_t I = 0; I < Paragraphs; ++I) {
        if (I > 0)
            Text += "\r\n";
        const size_t Start = Text.size();
        const size_t Length = 20 + Random() % 131;
        while (Text.size() - Start < Length)
            Text += std::string(Words[Random() % 12]) + " ";
        Text.pop_back();
    }
    return Text;
}

struct TFigures {
    double Median = 0;
    double Best = 0;
};

TFigures Summarise(std::vector<double> Micros) {
    std::sort(Micros.begin(), Micros.end());
    return {Micros[Micros.size() / 2], Micros.front()};
}

double Since(TClockType::time_point Start) {
    return std::chrono::duration<double, std::micro>(TClockType::now() - Start).count();
}

void Run(const std::string& Text, int32_t Paragraphs, bool WordWrap, int32_t Runs) {
    THeadlessHost Host({ClientWidth, ClientHeight});
    Host.WindowCanvas().SetRecording(false);
    auto Control = std::make_unique<TKorvel>();
    Control->SetWordWrap(WordWrap);
    Control->SetScrollTime(0);
    Control->SetUpdateMode(umOnNeed);
    TMemoryStream Stream{Text};
    Control->LoadFromStream(Stream);
    Host.Attach(*Control);
    dynamic_cast<THeadlessCanvas&>(*Control->GetCanvas()).SetRecording(false);
    int32_t Changes = 0;
    Control->OnChange = [&](TObject*) { ++Changes; };

    // The middle of the text on screen, painted once (its paragraphs
    // formatted), the caret on a line in view.
    Control->SetTopLine(Control->GetLineCount() * 3 / 10);
    Control->Invalidate();
    Host.Update();
    const int32_t CaretPar = Control->GetTopLineNavigator().GetParIndex() + Rows / 2;
    TKorvelNavigator& Caret = Control->GetCaretNav();
    Caret.SetPos(Control->GetParagraphsList().GetStartOffset(CaretPar) + 10);
    Control->UpdateCaret(false);
    // The first repair after a load measures every paragraph's width once
    // (no widest line is known yet): not part of the per-keystroke cost.
    TKorvelNavigator& End = Control->GetScratchNav(1);
    End.SetPos(Caret.GetPos());
    Control->ReplaceRangeAndRehighlight(Caret, End, "x", false);
    Control->UpdateAfterChange();

    std::vector<double> Repair;
    for (int32_t I = 0; I < Runs; ++I) {
        End.SetPos(Caret.GetPos());
        Control->ReplaceRangeAndRehighlight(Caret, End, "x", false);
        Caret.SetPos(End.GetPos());
        const auto Start = TClockType::now();
        Control->UpdateAfterChange();
        Repair.push_back(Since(Start));
        Host.ClearInvalidated();
    }

    // Page Down through text shown for the first time (its paragraphs are
    // formatted as they come into view), then the same pages again.
    const int32_t FirstTop = Control->GetTopLine();
    auto PageDown = [&] {
        std::vector<double> Micros;
        for (int32_t I = 0; I < Runs; ++I) {
            Host.ClearScrolls();
            const auto Start = TClockType::now();
            Host.Send(TMessage::Scroll(WM_VSCROLL, SB_PAGEDOWN));
            Micros.push_back(Since(Start));
        }
        return Summarise(Micros);
    };
    const TFigures Fresh = PageDown();
    Control->SetTopLine(FirstTop);
    Host.Update();
    const TFigures Again = PageDown();

    const TFigures R = Summarise(Repair);
    std::printf("%9d paragraphs, wrap %-3s  repair after a keystroke %6.2f us (best %6.2f)   "
                "Page Down + paint: new text %6.2f us (best %6.2f), formatted %6.2f us (best "
                "%6.2f)   [%d changes]\n",
                Paragraphs, WordWrap ? "on" : "off", R.Median, R.Best, Fresh.Median, Fresh.Best,
                Again.Median, Again.Best, Changes);
}

} // namespace

int main(int argc, char** argv) {
    const auto Small =
        static_cast<int32_t>(bench::ArgumentValue(argc, argv, "--paragraphs=", 1000000));
    const auto Large = static_cast<int32_t>(bench::ArgumentValue(argc, argv, "--large=", 4000000));
    const auto Runs = static_cast<int32_t>(bench::ArgumentValue(argc, argv, "--runs=", 200));
    std::printf("View of a %d x %d window (%d x %d pixels)\n", Columns, Rows, ClientWidth,
                ClientHeight);
    for (const int32_t Paragraphs : {Small, Large}) {
        const std::string Text = MakeText(Paragraphs);
        for (const bool Wrap : {false, true})
            Run(Text, Paragraphs, Wrap, Runs);
    }
    return 0;
}
