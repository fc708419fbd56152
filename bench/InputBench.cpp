// Keys held down in a control in a headless window of 80 x 50 characters:
//
// - Page Down held (key-down messages repeating, no release) through a text
//   of 4 million paragraphs with word wrap on, each key with its repaint;
//   measured near the start, in the middle and near the end of the text, so
//   that the cost can be seen to stay flat;
// - a character typed and repeating in the middle of a text of 1 million
//   paragraphs, end to end (the key press, the replacement, the view repair
//   and the repaint).
//
//   InputBench [--paragraphs=N] [--large=N] [--runs=N]
//
// Prints the median and best microseconds of each. The canvases record
// nothing, so that the figures are the control's own cost.

#include "BenchArguments.h"
#include "BenchWindow.h"
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

struct TBenchView {
    THeadlessHost Host{{ClientWidth, ClientHeight}};
    std::unique_ptr<TKorvel> Control = std::make_unique<TKorvel>();

    TBenchView(const std::string& Text, bool WordWrap) {
        Host.WindowCanvas().SetRecording(false);
        Control->SetWordWrap(WordWrap);
        Control->SetScrollTime(0);
        Control->SetUpdateMode(umOnNeed);
        TMemoryStream Stream{Text};
        Control->LoadFromStream(Stream);
        Host.Attach(*Control);
        dynamic_cast<THeadlessCanvas&>(*Control->GetCanvas()).SetRecording(false);
        Host.SetFocus();
    }
    ~TBenchView() { Control.reset(); }

    // Where the caret stood after the last run of Page Down.
    int32_t ReachedPar = 0;

    // Page Down held Runs times from the start of paragraph Par.
    TFigures PageDownFrom(int32_t Par, int32_t Runs) {
        Control->SetSelStart(Control->ParagraphStart(Par));
        Control->ScrollInView();
        Host.Update();
        std::vector<double> Micros;
        for (int32_t I = 0; I < Runs; ++I) {
            const auto Start = TClockType::now();
            Host.Send(TMessage::KeyMessage(WM_KEYDOWN, VK_NEXT, 0));
            Micros.push_back(Since(Start));
        }
        Host.Send(TMessage::KeyMessage(WM_KEYUP, VK_NEXT, 0));
        ReachedPar = Control->GetCaretPar();
        return Summarise(Micros);
    }
};

} // namespace

int main(int argc, char** argv) {
    const auto Small =
        static_cast<int32_t>(bench::ArgumentValue(argc, argv, "--paragraphs=", 1000000));
    const auto Large = static_cast<int32_t>(bench::ArgumentValue(argc, argv, "--large=", 4000000));
    const auto Runs = static_cast<int32_t>(bench::ArgumentValue(argc, argv, "--runs=", 300));
    std::printf("Keys in a %d x %d window (%d x %d pixels)\n", Columns, Rows, ClientWidth,
                ClientHeight);
    {
        TBenchView View(MakeText(Large), true);
        for (const int32_t Par : {0, Large / 2, Large - Runs * Rows - 1}) {
            const TFigures F = View.PageDownFrom(std::max(Par, 0), Runs);
            std::printf("%9d paragraphs, wrap on   Page Down held from paragraph %9d: %7.2f us "
                        "(best %7.2f), caret reached paragraph %d\n",
                        Large, Par, F.Median, F.Best, View.ReachedPar);
        }
    }
    {
        TBenchView View(MakeText(Small), true);
        View.Control->SetSelStart(View.Control->ParagraphStart(Small / 2) + 10);
        View.Control->ScrollInView();
        View.Host.Update();
        // The first change measures every paragraph's width once: not part of
        // the per-key cost.
        View.Host.Send(TMessage::Char('x'));
        const int32_t LengthBefore = View.Control->GetTextLength();
        std::vector<double> Micros;
        for (int32_t I = 0; I < Runs; ++I) {
            const auto Start = TClockType::now();
            View.Host.Send(TMessage::KeyMessage(WM_KEYDOWN, 'X', 0));
            View.Host.Send(TMessage::Char('x'));
            Micros.push_back(Since(Start));
        }
        const TFigures F = Summarise(Micros);
        std::printf("%9d paragraphs, wrap on   typed character repeating in the middle: %7.2f us "
                    "(best %7.2f), %d characters inserted\n",
                    Small, F.Median, F.Best, View.Control->GetTextLength() - LengthBefore);
    }
    return 0;
}
