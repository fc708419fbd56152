// Formatting of a large text in an editor control that lives in a headless
// window of 800 x 600 client pixels, word wrap at the window's width, timed
// by the machine's clock (the window's clock is the system clock here):
//
// - first screen: from the load returning to the paragraphs that fill the
//   window formatted and the top line located, as painting needs them
//   (on-need formatting of the visible paragraphs); goal under 1 ms,
//   whatever the size of the text;
// - background formatting: the control's own steps (WM_USER + 1, 25 ms of
//   formatting each) delivered until nothing is left; paragraphs per second
//   (goal 2 M/s), and how far each step ran past its 25 ms (goal under 1 ms;
//   the worst is printed).
//
//   KorvelFormatBench [--paragraphs=N] [--runs=N] [--measure-words]
//
// The line bitmap offers its byte advances, as the Qt canvas does, so words
// are summed from that table; --measure-words withholds it, so every word is
// measured on the canvas instead.
//
// Without --paragraphs, texts of 1 M and 4 M paragraphs (about 56 and 225
// MB: 10 to 69 bytes, one in 16 of 200 to 399 bytes that wraps) are run side
// by side. The load is the control's LoadFromStream, which at this stage is
// the paragraph list's LoadText with the control's reset of its navigators
// and counters around it. No keywords or start/stop keys are set, so the
// highlighting passes only check their flags.

#include "BenchArguments.h"
#include "BenchHost.h"
#include "BenchText.h"
#include "KVSupport/TKorvelNavigator.h"
#include "Korvel/TKorvel.h"
#include "framework/TMemoryStream.h"
#include "platform/TSystemClock.h"
#include "platform/headless/THeadlessHost.h"
#include "platform/headless/THeadlessOffscreenCanvas.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace korvel;

namespace {

using TSteady = std::chrono::steady_clock;

constexpr double FirstScreenGoalMs = 1.0;
constexpr double ThroughputGoal = 2e6;
constexpr double OverrunGoalMs = 1.0;

bool OfferAdvances = true;

// A headless window whose clock is the machine's, and whose bitmaps offer
// their byte advances unless --measure-words.
class TTimedHost : public bench::TAdvancesHost {
public:
    explicit TTimedHost(TSize Size) : TAdvancesHost(Size, OfferAdvances) {}
    const TClock& GetClock() const override { return TSystemClock::Instance(); }
};

// CPU time of this thread in milliseconds: a step that ran long in wall time
// but not here was kept from running (the machine is shared).
double ThreadCpuMs() {
    timespec T{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
    return static_cast<double>(T.tv_sec) * 1e3 + static_cast<double>(T.tv_nsec) / 1e6;
}

double Ms(TSteady::duration D) {
    return std::chrono::duration<double, std::milli>(D).count();
}

std::string MakeText(int32_t Paragraphs) {
    const auto LengthOf = [](int32_t I, std::mt19937& Random) -> size_t {
        return I % 16 == 0 ? 200 + Random() % 200 : 10 + Random() % 60;
    };
    return bench::GenerateParagraphs(Paragraphs, LengthOf, false,
                                     static_cast<size_t>(Paragraphs) * 58);
}

struct TRun {
    double LoadMs = 0;
    double FirstScreenMs = 0;
    int32_t FirstScreenParagraphs = 0;
    double BackgroundSeconds = 0;
    int32_t Steps = 0;
    double WorstOverrunMs = 0;
    double WorstCpuOverrunMs = 0;
    double MeanStepMs = 0;
    int32_t Lines = 0;
    bool Complete = false;
};

TRun RunOnce(const std::string& Text) {
    TRun Run;
    TTimedHost Host({800, 600});
    TKorvel Control;
    Host.Attach(Control);

    TMemoryStream Stream(Text);
    const auto LoadStart = TSteady::now();
    Control.LoadFromStream(Stream);
    const auto Loaded = TSteady::now();
    Run.LoadMs = Ms(Loaded - LoadStart);

    // What painting the first screen asks for: the paragraphs from the top
    // until the window is full, and the top line's position.
    const int32_t Visible = 600 / Control.GetLineHeightPx() + 1;
    const auto ScreenStart = TSteady::now();
    Control.FormatParagraphs(0, Visible - 1, false, false);
    TKorvelNavigator& Top = Control.GetTopLineNavigator();
    Top.SetGlobalLine(0);
    TKorvelNavigator& Bottom = Control.GetScratchNav(0);
    Bottom.SetGlobalLine(Visible - 1);
    Run.FirstScreenMs = Ms(TSteady::now() - ScreenStart);
    Run.FirstScreenParagraphs = Bottom.GetParIndex() + 1;

    // The background run, step by step.
    std::vector<double> StepMs;
    const auto Start = TSteady::now();
    while (Host.PendingMessages() > 0) {
        const double CpuStart = ThreadCpuMs();
        const auto StepStart = TSteady::now();
        Host.PumpMessages(1);
        StepMs.push_back(Ms(TSteady::now() - StepStart));
        Run.WorstCpuOverrunMs = std::max(Run.WorstCpuOverrunMs, ThreadCpuMs() - CpuStart - 25.0);
    }
    Run.BackgroundSeconds = std::chrono::duration<double>(TSteady::now() - Start).count();
    Run.Steps = static_cast<int32_t>(StepMs.size());
    for (const double M : StepMs) {
        Run.WorstOverrunMs = std::max(Run.WorstOverrunMs, M - 25.0);
        Run.MeanStepMs += M / static_cast<double>(StepMs.size());
    }
    Run.Lines = Control.GetLineCount();
    Run.Complete = Control.GetParagraphsList().GetFormatCounters().GetFormatLast() == -1 &&
                   Control.GetFormatThreadState() == tsSuspended;
    return Run;
}

void RunSize(int32_t Paragraphs, int Runs) {
    const std::string Text = MakeText(Paragraphs);
    std::printf("%d paragraphs, %.0f MB:\n", Paragraphs, static_cast<double>(Text.size()) / 1e6);
    for (int R = 0; R < Runs; ++R) {
        const TRun Run = RunOnce(Text);
        // The steps before the last ran their full slice; the last one
        // formats what was left.
        const double PerSecond = Paragraphs / Run.BackgroundSeconds;
        std::printf(
            "  run %d: load %7.1f ms | first screen %.3f ms (%d paragraphs; goal < %.0f "
            "ms) | background %6.2f M paragraphs/s (%.1fx the goal) in %d steps, mean "
            "%.2f ms, worst overrun %.3f ms (goal < %.0f ms; %.3f ms of this thread's CPU time) | "
            "%d lines%s\n",
            R + 1, Run.LoadMs, Run.FirstScreenMs, Run.FirstScreenParagraphs, FirstScreenGoalMs,
            PerSecond / 1e6, PerSecond / ThroughputGoal, Run.Steps, Run.MeanStepMs,
            Run.WorstOverrunMs, OverrunGoalMs, Run.WorstCpuOverrunMs, Run.Lines,
            Run.Complete ? "" : " (INCOMPLETE)");
    }
}

} // namespace

int main(int argc, char** argv) {
    const long Paragraphs = bench::ArgumentValue(argc, argv, "--paragraphs=", 0);
    const int Runs = static_cast<int>(std::max(1L, bench::ArgumentValue(argc, argv, "--runs=", 2)));
    OfferAdvances = !bench::HasArgument(argc, argv, "--measure-words");
    std::printf("Editor control in a headless 800 x 600 window, word wrap at the window, system "
                "clock, words %s\n",
                OfferAdvances ? "summed from byte advances" : "measured on the canvas");
    if (Paragraphs > 0) {
        RunSize(static_cast<int32_t>(Paragraphs), Runs);
        return 0;
    }
    RunSize(1'000'000, Runs);
    RunSize(4'000'000, Runs);
    return 0;
}
