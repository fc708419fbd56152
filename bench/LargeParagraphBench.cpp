// Typing at the end of one paragraph of 100 MB (words of HTML-like text, no
// break anywhere) in a headless window of 80 x 50 characters, word wrap off
// and on, on-need formatting:
//
// - the load of the text and the first key at its end (the caret is moved
//   there and the view scrolled, which lays out what the view needs);
// - then each key end to end: the key-down, the character (replacement,
//   view repair) and the repaint. Goal: under 20 ms per key.
//
//   LargeParagraphBench [--megabytes=N (default 100)] [--keys=N (default 200)]
//
// Prints the median, mean and worst milliseconds per key. The canvases record
// nothing, so that the figures are the control's own cost. The line bitmap
// offers its byte advances, as the Qt window's does for its fonts; a further
// run with word wrap off shows a canvas that measures by extents only (no
// goal: such a canvas gives no exact sums to resume measuring from).

#include "BenchArguments.h"
#include "BenchHost.h"
#include "BenchText.h"
#include "BenchWindow.h"
#include "Korvel/TKorvel.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessCanvas.h"
#include "platform/headless/THeadlessHost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace korvel;
using namespace bench;
using TClockType = std::chrono::steady_clock;
constexpr double GoalMs = 20;

// Words and tags separated by blanks, Bytes long, without a break.
std::string MakeParagraph(size_t Bytes) {
    static const char* const Words[] = {"<td>", "cell", "north", "</td>", "a",     "price",
                                        "blue", "<tr>", "of",    "order", "</tr>", "the"};
    std::string Text = GenerateWordRun(Bytes, Words, 20261209);
    Text.resize(Bytes);
    return Text;
}

double MillisSince(TClockType::time_point Start) {
    return std::chrono::duration<double, std::milli>(TClockType::now() - Start).count();
}

void Run(const std::string& Text, bool WordWrap, bool OfferAdvances, int32_t Keys) {
    TAdvancesHost Host({ClientWidth, ClientHeight}, OfferAdvances);
    Host.WindowCanvas().SetRecording(false);
    auto Control = std::make_unique<TKorvel>();
    Control->SetWordWrap(WordWrap);
    Control->SetScrollTime(0);
    Control->SetUpdateMode(umOnNeed);
    auto Start = TClockType::now();
    {
        TMemoryStream Stream{Text};
        Control->LoadFromStream(Stream);
    }
    const double LoadMs = MillisSince(Start);
    Host.Attach(*Control);
    dynamic_cast<THeadlessCanvas&>(*Control->GetCanvas()).SetRecording(false);
    Host.SetFocus();

    Start = TClockType::now();
    Control->SetSelStart(Control->GetTextLength());
    Control->ScrollInView();
    Host.Send(TMessage::KeyMessage(WM_KEYDOWN, 'X', 0));
    Host.Send(TMessage::Char('x'));
    Host.Update();
    const double FirstMs = MillisSince(Start);

    const int32_t LengthBefore = Control->GetTextLength();
    std::vector<double> Millis;
    for (int32_t I = 0; I < Keys; ++I) {
        const char Ch = I % 6 == 5 ? ' ' : static_cast<char>('a' + I % 26);
        Start = TClockType::now();
        Host.Send(TMessage::KeyMessage(WM_KEYDOWN, 'X', 0));
        Host.Send(TMessage::Char(static_cast<uint8_t>(Ch)));
        Host.Update();
        Millis.push_back(MillisSince(Start));
    }
    Host.Send(TMessage::KeyMessage(WM_KEYUP, 'X', 0));
    const double Mean =
        std::accumulate(Millis.begin(), Millis.end(), 0.0) / static_cast<double>(Millis.size());
    std::sort(Millis.begin(), Millis.end());
    const bool AtEnd = Control->GetSelStart() == Control->GetTextLength() &&
                       Control->GetTextLength() - LengthBefore == Keys;
    char Verdict[48] = "no goal";
    if (OfferAdvances)
        std::snprintf(Verdict, sizeof Verdict, "goal < %.0f ms: %s", GoalMs,
                      Millis.back() < GoalMs ? "met" : "MISSED");
    std::printf("wrap %-3s %-13s load %8.1f ms, first key at the end %8.2f ms; per key: median "
                "%7.3f ms, mean %7.3f ms, worst %7.3f ms (%s)%s\n",
                WordWrap ? "on" : "off", OfferAdvances ? "advances" : "extents only", LoadMs,
                FirstMs, Millis[Millis.size() / 2], Mean, Millis.back(), Verdict,
                AtEnd && Control->GetParagraphCount() == 1 ? "" : " [caret or text wrong]");
}

} // namespace

int main(int argc, char** argv) {
    const long Megabytes = bench::ArgumentValue(argc, argv, "--megabytes=", 100);
    const auto Keys = static_cast<int32_t>(bench::ArgumentValue(argc, argv, "--keys=", 200));
    const std::string Text = MakeParagraph(static_cast<size_t>(Megabytes) << 20);
    std::printf("One paragraph of %ld MB, %d keys typed at its end, %d x %d window\n", Megabytes,
                std::max(Keys, 1), Columns, Rows);
    for (const bool WordWrap : {false, true})
        Run(Text, WordWrap, true, std::max(Keys, 1));
    // Each key measures the line from its start: a few keys tell the cost.
    Run(Text, false, false, std::min(std::max(Keys, 1), 5));
    return 0;
}
