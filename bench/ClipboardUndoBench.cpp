// Clipboard and undo figures of the control, windowless, on the headless
// clipboard, timed by the machine's clock (best of the runs, warm):
//
// - CopyToClipboard of a 100 MB selection and PasteFromClipboard of it into
//   an empty control, in MB/s, beside a memcpy of as many bytes (goal at
//   least 1 GB/s each way);
// - Undo and Redo of that paste (goal under 0.2 s each; the memory budget is
//   raised so that the 100 MB step is kept);
// - both with the allocator's default (every large block fresh from the
//   system, page faults included) and with freed blocks kept (warm);
// - the undo memory of 100,000 typed characters in bytes per character:
//   typed in one run (merged into one step), and with a caret move before
//   every word (one step a word, within the default limits).
//
//   ClipboardUndoBench [--runs=N] [--megabytes=N]

#include "BenchArguments.h"
#include "BenchText.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TUndoList.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessClipboard.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <string>
#include <vector>

using namespace korvel;

namespace {

using TSteady = std::chrono::steady_clock;

constexpr double CopyGoalMBs = 1000;
constexpr double UndoGoalS = 0.2;

double Seconds(TSteady::duration D) {
    return std::chrono::duration<double>(D).count();
}

template <class TWork>
double Time(TWork Work) {
    const auto T0 = TSteady::now();
    Work();
    return Seconds(TSteady::now() - T0);
}

void Load(TKorvel& Control, const std::string& Text) {
    TMemoryStream Stream{Text};
    Control.LoadFromStream(Stream);
}

// Heap bytes the history holds: the records and their texts.
size_t HistoryBytes(TUndoList& List) {
    size_t Bytes = 0;
    for (int32_t I = 0; I < List.GetCount(); ++I)
        Bytes += sizeof(TUndoRecord) + (List[I].Text.capacity() > 15 ? List[I].Text.capacity() : 0);
    return Bytes;
}

bool MeasureCopyPaste(const std::string& Text, int Runs, const char* Heap) {
    const double MB = static_cast<double>(Text.size()) / 1e6;
    THeadlessClipboard Board;
    TKorvel Source;
    Source.SetUpdateMode(umOnNeed);
    Source.SetClipboard(&Board);
    Load(Source, Text);
    Source.SelectAll();
    std::printf("-- %s\n", Heap);
    std::vector<char> Buffer(Text.size());
    double Memcpy = 1e9, Copy = 1e9, Paste = 1e9, Undo = 1e9, Redo = 1e9;
    for (int Run = 0; Run < Runs; ++Run) {
        Memcpy =
            std::min(Memcpy, Time([&] { std::memcpy(Buffer.data(), Text.data(), Text.size()); }));
        Copy = std::min(Copy, Time([&] { Source.CopyToClipboard(); }));
    }
    if (Board.GetContents().at(CF_TEXT) != Text) {
        std::printf("copy gave another text\n");
        return false;
    }
    for (int Run = 0; Run < Runs; ++Run) {
        TKorvel Target;
        Target.SetUpdateMode(umOnNeed);
        Target.SetClipboard(&Board);
        Target.SetUndoMaxSpace(INT32_MAX);
        Paste = std::min(Paste, Time([&] { Target.PasteFromClipboard(); }));
        if (Target.GetTextLength() != static_cast<int32_t>(Text.size())) {
            std::printf("paste gave %d characters\n", Target.GetTextLength());
            return false;
        }
        Undo = std::min(Undo, Time([&] { Target.Undo(); }));
        if (Target.GetTextLength() != 0) {
            std::printf("undo left %d characters\n", Target.GetTextLength());
            return false;
        }
        Redo = std::min(Redo, Time([&] { Target.Redo(); }));
        if (Target.GetTextLength() != static_cast<int32_t>(Text.size())) {
            std::printf("redo gave %d characters\n", Target.GetTextLength());
            return false;
        }
    }
    std::printf("memcpy:            %8.0f MB/s\n", MB / Memcpy);
    std::printf("CopyToClipboard:   %8.0f MB/s  (%.3f s; goal >= %.0f MB/s: %s)\n", MB / Copy, Copy,
                CopyGoalMBs, MB / Copy >= CopyGoalMBs ? "met" : "MISSED");
    std::printf("PasteFromClipboard:%8.0f MB/s  (%.3f s; goal >= %.0f MB/s: %s)\n", MB / Paste,
                Paste, CopyGoalMBs, MB / Paste >= CopyGoalMBs ? "met" : "MISSED");
    std::printf("Undo of the paste: %8.3f s     (goal < %.1f s: %s)\n", Undo, UndoGoalS,
                Undo < UndoGoalS ? "met" : "MISSED");
    std::printf("Redo of the paste: %8.3f s     (goal < %.1f s: %s)\n", Redo, UndoGoalS,
                Redo < UndoGoalS ? "met" : "MISSED");

    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int Runs = static_cast<int>(bench::ArgumentValue(argc, argv, "--runs=", 3));
    const long Megabytes = bench::ArgumentValue(argc, argv, "--megabytes=", 100);
    const size_t Target = static_cast<size_t>(Megabytes) << 20;
    const int32_t Paragraphs = static_cast<int32_t>(Target / 72);
    const std::string Text = bench::GenerateParagraphs(
        Paragraphs, [](int32_t, std::mt19937& R) { return 40 + R() % 61; }, false, Target + 4096);
    const double MB = static_cast<double>(Text.size()) / 1e6;
    std::printf("text: %.1f MB, %d paragraphs\n", MB, Paragraphs);

    if (!MeasureCopyPaste(Text, Runs,
                          "fresh memory for every large block (the allocator's default)"))
        return 1;
    // Large blocks kept by the allocator once freed, as in a long-running
    // program that copies and pastes repeatedly: no page faults.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    if (!MeasureCopyPaste(Text, Runs, "freed blocks kept by the allocator (warm memory)"))
        return 1;

    // Typing: 100,000 characters.
    constexpr int32_t Typed = 100000;
    for (const bool MoveEveryWord : {false, true}) {
        TKorvel Control;
        Control.SetUpdateMode(umOnNeed);
        const double Elapsed = Time([&] {
            for (int32_t I = 0; I < Typed; ++I) {
                if (MoveEveryWord && I % 7 == 0)
                    Control.SetSelStart(Control.GetSelStart());
                Control.SetSelText(I % 7 == 6 ? " " : "e");
            }
        });
        TUndoList& List = *Control.GetUndoList();
        std::printf("typing %d chars%s: %d steps, charged %lld bytes (%.4f bytes/char), heap "
                    "%zu bytes (%.4f bytes/char), %.3f us/char\n",
                    Typed, MoveEveryWord ? " with a caret move every word" : " in one run",
                    List.GetCount(), static_cast<long long>(List.GetUndoSpace()),
                    static_cast<double>(List.GetUndoSpace()) / Typed, HistoryBytes(List),
                    static_cast<double>(HistoryBytes(List)) / Typed, Elapsed * 1e6 / Typed);
    }
    return 0;
}
