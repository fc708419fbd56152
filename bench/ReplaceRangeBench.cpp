// Editing a large text through the paragraph list's one replacement
// operation: characters typed one at a time at the start, in the middle and
// at the end of the text, and a block of 1,000 lines inserted into its middle
// and deleted again. Every edit shifts the start offsets of all paragraphs
// behind it, so an edit near the start costs most; that shift is also timed
// on its own. Texts of 1, 4 and 10 million paragraphs (about 20 bytes each).
//
//   ReplaceRangeBench [--chars=N] [--blocks=N] [--max-millions=N]
//
// Prints microseconds per edit: the median and the slowest of N typed
// characters per place, the median of the block edits; and, measured in the
// same run, a memcpy of as many bytes as the paragraph records occupy, the
// physical limit of the shift.

#include "BenchArguments.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "framework/TMemoryStream.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace korvel;
using TWallClock = std::chrono::steady_clock;

constexpr double GoalMicroseconds = 1000; // a typed character, 1 million paragraphs

std::string MakeText(int32_t Paragraphs) {
    std::mt19937 Random(7);
    const char Letters[] = "etaoinshrdlucmfwypvbgkjqxz";
    std::string Text;
    Text.reserve(static_cast<size_t>(Paragraphs) * 23);
    for (int32_t P = 0; P < Paragraphs; ++P) {
        if (P > 0)
            Text += "\r\n";
        for (uint32_t N = Random() % 41; N > 0; --N) {
            const uint32_t R = Random();
            Text += R % 6 == 0 ? ' ' : Letters[R % 26];
        }
    }
    return Text;
}

std::string MakeBlock(int Lines) {
    std::string Block;
    for (int I = 0; I < Lines; ++I)
        Block += "line " + std::to_string(I) + " of the inserted block\r\n";
    return Block;
}

double Micros(TWallClock::duration D) {
    return std::chrono::duration<double, std::micro>(D).count();
}

struct TStats {
    double Median;
    double Max;
};

TStats Summarise(std::vector<double> Values) {
    std::sort(Values.begin(), Values.end());
    return {Values[Values.size() / 2], Values.back()};
}

class TEditor {
public:
    explicit TEditor(int32_t Paragraphs) {
        const std::string Text = MakeText(Paragraphs);
        TMemoryStream Stream{Text};
        TKorvelLineBreak Break = kbCRLF;
        List.ClearText();
        List.LoadText(Stream, 0, 0, nullptr, Break, false);
        OriginalLength = List.TextLength;
    }

    TParagraphsList& GetList() { return List; }

    // Replaces Pos1 .. Pos2 by Text the way the control's replacement does,
    // leaving the caret after the new text; returns the time taken.
    double Replace(int32_t Pos1, int32_t Pos2, const char* Text) {
        StartNav.SetPos(Pos1);
        EndNav.SetPos(Pos2);
        const auto Start = TWallClock::now();
        ReplaceBetween(StartNav, EndNav, Text, true, false);
        const double Taken = Micros(TWallClock::now() - Start);
        StartNav.Assign(EndNav);
        return Taken;
    }

    // Types Count characters one at a time at Pos; returns microseconds per
    // character (median, slowest) and deletes them again.
    TStats Type(int32_t Pos, int Count) {
        std::vector<double> Times;
        for (int I = 0; I < Count; ++I)
            Times.push_back(Replace(Pos + I, Pos + I, "x"));
        Replace(Pos, Pos + Count, nullptr);
        return Summarise(Times);
    }

    bool Intact() { return List.TextLength == OriginalLength && List.FindInconsistency().empty(); }

private:
    TCustomKorvel Control;
    TParagraphsList& List = Control.GetParagraphsList();
    TKorvelNavigator StartNav{&Control};
    TKorvelNavigator EndNav{&Control};
    int32_t OriginalLength = 0;
};

// The physical yardstick for the shift: copying as many bytes as the records
// occupy (the shift reads and writes every cache line of them once).
double CopyMicros(int32_t Records) {
    const size_t Bytes = static_cast<size_t>(Records) * sizeof(TParagraph);
    auto From = std::make_unique_for_overwrite<char[]>(Bytes);
    auto To = std::make_unique_for_overwrite<char[]>(Bytes);
    std::memset(From.get(), 1, Bytes);
    std::memset(To.get(), 2, Bytes);
    std::vector<double> Times;
    for (int R = 0; R < 5; ++R) {
        const auto Start = TWallClock::now();
        std::memcpy(To.get(), From.get(), Bytes);
        benchmark::DoNotOptimize(To.get());
        Times.push_back(Micros(TWallClock::now() - Start));
    }
    return Summarise(Times).Median;
}

} // namespace

int main(int argc, char** argv) {
    const auto Chars = static_cast<int>(bench::ArgumentValue(argc, argv, "--chars=", 300));
    const auto Blocks = static_cast<int>(bench::ArgumentValue(argc, argv, "--blocks=", 7));
    const long MaxMillions = bench::ArgumentValue(argc, argv, "--max-millions=", 10);
    const std::string Block = MakeBlock(1000);

    std::printf("microseconds per edit (median / slowest of %d typed characters; median of %d "
                "block edits)\n\n",
                Chars, Blocks);
    std::printf("%-11s %8s %10s %19s %19s %19s %12s %12s\n", "paragraphs", "memcpy", "shift all",
                "type at start", "type in middle", "type at end", "insert 1000", "delete 1000");
    double TypedAt1M = 0;
    bool AllIntact = true;
    for (const long Millions : {1L, 4L, 10L}) {
        if (Millions > MaxMillions)
            break;
        TEditor Editor(static_cast<int32_t>(Millions * 1'000'000));
        TParagraphsList& List = Editor.GetList();

        std::vector<double> Shifts;
        for (int R = 0; R < 11; ++R) {
            const auto Start = TWallClock::now();
            List.ShiftStartOffsets(0, R % 2 == 0 ? 1 : -1);
            Shifts.push_back(Micros(TWallClock::now() - Start));
        }
        List.ShiftStartOffsets(0, -1);

        const int32_t Middle = List.GetStartOffset(List.GetCount() / 2);
        const TStats AtStart = Editor.Type(0, Chars);
        const TStats InMiddle = Editor.Type(Middle, Chars);
        const TStats AtEnd = Editor.Type(List.TextLength, Chars);
        std::vector<double> Inserts, Deletes;
        for (int R = 0; R < Blocks; ++R) {
            Inserts.push_back(Editor.Replace(Middle, Middle, Block.c_str()));
            const auto Length = static_cast<int32_t>(Block.size());
            Deletes.push_back(Editor.Replace(Middle, Middle + Length, nullptr));
        }
        AllIntact = AllIntact && Editor.Intact();
        if (Millions == 1)
            TypedAt1M = std::max({AtStart.Median, InMiddle.Median, AtEnd.Median});

        std::printf("%-11s %8.0f %10.0f %9.0f / %7.0f %9.0f / %7.0f %9.1f / %7.1f %12.0f %12.0f\n",
                    (std::to_string(Millions) + " million").c_str(), CopyMicros(List.GetCount()),
                    Summarise(Shifts).Median, AtStart.Median, AtStart.Max, InMiddle.Median,
                    InMiddle.Max, AtEnd.Median, AtEnd.Max, Summarise(Inserts).Median,
                    Summarise(Deletes).Median);
    }
    if (TypedAt1M > 0)
        std::printf("\nslowest place for a typed character in 1 million paragraphs: %.0f us "
                    "(goal under %.0f us): %s\n",
                    TypedAt1M, GoalMicroseconds, TypedAt1M < GoalMicroseconds ? "met" : "missed");
    if (!AllIntact) {
        std::printf("the text was not restored after the edits\n");
        return 1;
    }
    return 0;
}
