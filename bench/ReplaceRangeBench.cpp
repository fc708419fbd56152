// Editing a large text through the paragraph list's one replacement
// operation: characters typed one at a time at the start, in the middle and
// at the end of the text, a block of 1,000 lines inserted into its middle and
// deleted again, and edits that alternate between two places a quarter and
// three quarters into the text (a character typed, or a line break typed, at
// each in turn). An edit shifts the start offsets of the paragraphs behind it
// lazily: repeated edits at one place cost the same whatever follows them,
// and alternating edits pay for the records between the two places (their
// worst case); shifting every offset is also timed on its own. Texts of 1, 4
// and 10 million paragraphs (about 20 bytes each).
//
//   ReplaceRangeBench [--chars=N] [--blocks=N] [--jumps=N] [--max-millions=N]
//
// Prints microseconds per edit: the median and the slowest of N typed
// characters per place, of the block edits and of the alternating edits;
// and, measured in the same run, a memcpy of as many bytes as the paragraph
// records occupy, the physical limit of a shift that writes every record.
// The navigators know their paragraphs before an edit is timed, as the caret
// does while typing.

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

constexpr double TypingGoal = 20;  // microseconds per typed character, at every size and place
constexpr double BlockGoal = 300;  // microseconds per block of 1,000 lines, 10 million paragraphs
constexpr double GrowthGoal = 2.0; // typing at 10 million paragraphs against 1 million

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
        OriginalLength = List.GetTextLength();
    }

    TParagraphsList& GetList() { return List; }

    // Replaces Pos1 .. Pos2 by Text the way the control's replacement does,
    // leaving the caret after the new text; returns the time taken.
    double Replace(int32_t Pos1, int32_t Pos2, const char* Text) {
        StartNav.SetPos(Pos1);
        EndNav.SetPos(Pos2);
        StartNav.GetParIndex();
        EndNav.GetParIndex();
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

    // Inserts Text (Length characters, breaks counting 2) Count times at A
    // and at B (A < B) in turn, each after the copies before it; returns
    // microseconds per insertion and deletes them again.
    TStats Alternate(int32_t A, int32_t B, int Count, const char* Text, int32_t Length) {
        std::vector<double> Times;
        for (int I = 0; I < Count; ++I) {
            Times.push_back(Replace(A + I * Length, A + I * Length, Text));
            const int32_t AtB = B + (2 * I + 1) * Length;
            Times.push_back(Replace(AtB, AtB, Text));
        }
        Replace(B + Count * Length, B + 2 * Count * Length, nullptr);
        Replace(A, A + Count * Length, nullptr);
        return Summarise(Times);
    }

    bool Intact() {
        return List.GetTextLength() == OriginalLength && List.FindInconsistency().empty();
    }

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
    const auto Jumps = static_cast<int>(bench::ArgumentValue(argc, argv, "--jumps=", 15));
    const long MaxMillions = bench::ArgumentValue(argc, argv, "--max-millions=", 10);
    const std::string Block = MakeBlock(1000);
    const auto BlockLength = static_cast<int32_t>(Block.size());

    std::printf("microseconds per edit (median / slowest of %d typed characters, of %d block "
                "edits, of %d alternating edits at each place)\n\n",
                Chars, Blocks, Jumps);
    std::printf("%-11s %8s %10s %17s %17s %17s %17s %17s\n", "paragraphs", "memcpy", "shift all",
                "type at start", "type in middle", "type at end", "insert 1000", "delete 1000");
    struct TRow {
        long Millions;
        double Typing; // the slowest place's median
        double Block;  // the slower median of inserting and deleting
        TStats Chars, Breaks;
    };
    std::vector<TRow> Rows;
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
        const TStats AtEnd = Editor.Type(List.GetTextLength(), Chars);
        std::vector<double> Inserts, Deletes;
        for (int R = 0; R < Blocks; ++R) {
            Inserts.push_back(Editor.Replace(Middle, Middle, Block.c_str()));
            Deletes.push_back(Editor.Replace(Middle, Middle + BlockLength, nullptr));
        }
        const int32_t Quarter = List.GetStartOffset(List.GetCount() / 4);
        const int32_t ThreeQuarters = List.GetStartOffset(List.GetCount() / 4 * 3);
        const TStats AlternateChars = Editor.Alternate(Quarter, ThreeQuarters, Jumps, "x", 1);
        const TStats AlternateBreaks = Editor.Alternate(Quarter, ThreeQuarters, Jumps, "\r\n", 2);
        AllIntact = AllIntact && Editor.Intact();

        const TStats Inserted = Summarise(Inserts);
        const TStats Deleted = Summarise(Deletes);
        Rows.push_back({Millions, std::max({AtStart.Median, InMiddle.Median, AtEnd.Median}),
                        std::max(Inserted.Median, Deleted.Median), AlternateChars,
                        AlternateBreaks});
        std::printf("%-11s %8.0f %10.1f %7.1f / %7.1f %7.1f / %7.1f %7.1f / %7.1f %7.0f / %7.0f "
                    "%7.0f / %7.0f\n",
                    (std::to_string(Millions) + " million").c_str(), CopyMicros(List.GetCount()),
                    Summarise(Shifts).Median, AtStart.Median, AtStart.Max, InMiddle.Median,
                    InMiddle.Max, AtEnd.Median, AtEnd.Max, Inserted.Median, Inserted.Max,
                    Deleted.Median, Deleted.Max);
    }

    std::printf("\nedits alternating between a quarter and three quarters into the text "
                "(median / slowest)\n");
    std::printf("%-11s %21s %21s\n", "paragraphs", "a typed character", "a typed line break");
    for (const TRow& Row : Rows)
        std::printf("%-11s %9.0f / %9.0f %9.0f / %9.0f\n",
                    (std::to_string(Row.Millions) + " million").c_str(), Row.Chars.Median,
                    Row.Chars.Max, Row.Breaks.Median, Row.Breaks.Max);

    std::printf("\n");
    for (const TRow& Row : Rows)
        std::printf("slowest place for a typed character in %ld million paragraphs: %.1f us "
                    "(goal under %.0f us): %s\n",
                    Row.Millions, Row.Typing, TypingGoal,
                    Row.Typing < TypingGoal ? "met" : "missed");
    if (Rows.size() == 3) {
        const double Growth = Rows[2].Typing / Rows[0].Typing;
        std::printf(
            "typing at 10 million / at 1 million paragraphs: %.2f (goal at most %.1f): %s\n",
            Growth, GrowthGoal, Growth <= GrowthGoal ? "met" : "missed");
        std::printf("1,000 lines inserted or deleted at 10 million paragraphs: %.0f us (goal "
                    "under %.0f us): %s\n",
                    Rows[2].Block, BlockGoal, Rows[2].Block < BlockGoal ? "met" : "missed");
    }
    if (!AllIntact) {
        std::printf("the text was not restored after the edits\n");
        return 1;
    }
    return 0;
}
