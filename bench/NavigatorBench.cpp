// Speed of the navigator on a text of 4 million paragraphs:
// - random SetPos followed by GetParIndex (the paragraph search from a
//   proportional guess), on a typical text (lengths 0 .. 94, a long paragraph
//   every 100000) and on a skewed one (short paragraphs in the first half,
//   long ones in the second, so the guess is far off), against a peer in
//   the same run: the plain step-by-step walk from the same guess;
// - random SetGlobalLine on the typical text;
// - sequential SetPos + 1 through one wrapped, highlighted paragraph with its
//   line and run caches known, for paragraphs of 1000 and of 150000 bytes
//   (the cost per step must not depend on the length);
// - sequential SetPos + 37 through the text, crossing paragraphs.
//
// Prints nanoseconds per operation: the best and the median of several runs.

#include "BenchText.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TParagraphsList.h"
#include "framework/TMemoryStream.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace korvel;

namespace {

constexpr int32_t Paragraphs = 4'000'000;
constexpr int32_t LongEvery = 100'000;
constexpr int Repeats = 5;
constexpr size_t RandomOps = 2'000'000;

// Lengths of paragraph I of the typical and of the skewed text.
size_t TypicalLength(int32_t I, std::mt19937& Random) {
    return I % LongEvery == LongEvery / 2 ? 70'000 + Random() % 130'001 : Random() % 95;
}
size_t SkewedLength(int32_t I, std::mt19937& Random) {
    return I < Paragraphs / 2 ? Random() % 10 : Random() % 180;
}

std::string GenerateText(size_t (*Length)(int32_t, std::mt19937&)) {
    return bench::GenerateParagraphs(Paragraphs, Length, false, 210'000'000);
}

void Load(TCustomKorvel& Control, const std::string& Text) {
    TMemoryStream Stream{Text};
    TKorvelLineBreak Break = kbCRLF;
    TParagraphsList& List = Control.GetParagraphsList();
    List.ClearText();
    List.LoadText(Stream, 0, 0, nullptr, Break, false);
}

void LoadGenerated(TCustomKorvel& Control, const char* Name,
                   size_t (*Length)(int32_t, std::mt19937&)) {
    std::printf("(generating and loading the %s text ...)\n", Name);
    Load(Control, GenerateText(Length));
    std::printf("%s text: %d paragraphs, %.1f MB\n", Name, Control.GetParagraphCount(),
                Control.GetTextLength() / 1e6);
}

// Nanoseconds per operation of Ops operations done by Body, best and median
// of Repeats runs.
struct TResult {
    double Best;
    double Median;
};

TResult Time(size_t Ops, const std::function<void()>& Body) {
    std::vector<double> Ns;
    for (int R = 0; R < Repeats; ++R) {
        const auto Start = std::chrono::steady_clock::now();
        Body();
        const std::chrono::duration<double, std::nano> Took =
            std::chrono::steady_clock::now() - Start;
        Ns.push_back(Took.count() / static_cast<double>(Ops));
    }
    std::sort(Ns.begin(), Ns.end());
    return {Ns.front(), Ns[Ns.size() / 2]};
}

void Print(const char* Name, TResult R) {
    std::printf("%-58s %8.1f %8.1f\n", Name, R.Best, R.Median);
}

// The peer: the plain walk from the same proportional guess, one paragraph
// per step.
int32_t WalkFromGuess(const TParagraphsList& List, int32_t Pos) {
    const int32_t N = List.GetCount();
    const int32_t T = List.GetTextLength();
    int32_t G = T > 0 ? static_cast<int32_t>(int64_t{Pos} * (N - 2) / T) : 0;
    G = std::clamp(G, 0, N - 1);
    if (Pos < List.GetStartOffset(G)) {
        while (List.GetStartOffset(G) > Pos)
            --G;
    } else {
        while (G < N - 1 && List.GetStartOffset(G) + List[G].ParLength() + 1 < Pos)
            ++G;
    }
    return G;
}

std::vector<int32_t> RandomPositions(int32_t TextLength) {
    std::mt19937 Random(7);
    std::vector<int32_t> Positions(RandomOps);
    for (int32_t& P : Positions)
        P = static_cast<int32_t>(Random() % (static_cast<uint32_t>(TextLength) + 1));
    return Positions;
}

// Random SetPos on Control's text, and the peer on the first PeerOps of the
// same positions (the peer can be very slow on a skewed text).
bool RandomSetPos(TCustomKorvel& Control, const char* Name, const char* PeerName, size_t PeerOps) {
    const TParagraphsList& List = Control.GetParagraphsList();
    const std::vector<int32_t> Positions = RandomPositions(List.GetTextLength());
    const std::vector<int32_t> PeerPositions(Positions.begin(),
                                             Positions.begin() + static_cast<long>(PeerOps));
    TKorvelNavigator Nav(&Control);
    int64_t Sum = 0;
    for (size_t I = 0; I < PeerOps; ++I) { // the peer must find the same paragraphs
        Nav.SetPos(Positions[I]);
        if (Nav.GetParIndex() != WalkFromGuess(List, Positions[I])) {
            std::printf("the peer disagrees at %d\n", Positions[I]);
            return false;
        }
    }
    const TResult Ours = Time(Positions.size(), [&] {
        for (const int32_t P : Positions) {
            Nav.SetPos(P);
            Sum += Nav.GetParIndex();
        }
    });
    const TResult Peer = Time(PeerPositions.size(), [&] {
        for (const int32_t P : PeerPositions)
            Sum += WalkFromGuess(List, P);
    });
    benchmark::DoNotOptimize(Sum);
    Print(Name, Ours);
    Print(PeerName, Peer);
    std::printf("%-58s %8.2f\n", "  ratio navigator / peer (best)", Ours.Best / Peer.Best);
    return true;
}

// Wraps paragraph Index into lines of 60 bytes and gives it a run every 12
// bytes, as formatting and highlighting would.
void WrapAndHighlight(TCustomKorvel& Control, int32_t Index) {
    TParagraph& Par = Control.GetParagraphsList()[Index];
    const int32_t Length = Par.ParLength();
    ParExtraInfo& Extra = Par.AttachExtra();
    Extra.Runs.clear();
    for (int32_t Offset = 0; Offset < Length; Offset += 12) {
        HighlightRun Run{};
        Run.Offset = Offset;
        Run.Flags = 0xC0 | static_cast<uint8_t>((Offset / 12) & 1);
        Extra.Runs.push_back(Run);
    }
    std::vector<TLineRecord> Lines;
    for (int32_t Start = 0; Start < Length; Start += 60) {
        const int32_t Stop = std::min(Start + 60, Length);
        Lines.push_back({Start, Stop, 360, 360, 0, Stop, 0, (Start + 11) / 12});
    }
    Extra.Line0 = Lines.front();
    Extra.MoreLines.assign(Lines.begin() + 1, Lines.end());
}

// SetPos + 1 through paragraph Index with the line and run caches known.
void SequentialInParagraph(TCustomKorvel& Control, int32_t Index) {
    WrapAndHighlight(Control, Index);
    TKorvelNavigator Nav(&Control);
    const int32_t Length = Control.GetParagraphsList()[Index].ParLength();
    const int32_t Passes = std::max(1, 3'000'000 / Length);
    int64_t Sum = 0;
    const TResult R = Time(static_cast<size_t>(Passes) * static_cast<size_t>(Length), [&] {
        for (int32_t Pass = 0; Pass < Passes; ++Pass) {
            Nav.SetParagraph(Index);
            const int32_t Start = Nav.GetPos();
            for (int32_t P = Start + 1; P <= Start + Length; ++P)
                Nav.SetPos(P);
            Sum += Nav.CachedLineIndex() + Nav.CachedRunIndex();
        }
    });
    benchmark::DoNotOptimize(Sum);
    if (Nav.CachedLineIndex() != Nav.GetLines().Count() - 1 ||
        Nav.CachedRunIndex() != Control.GetParagraphsList()[Index].RunCount())
        std::printf("the caches did not follow the moves\n");
    char Name[80];
    std::snprintf(Name, sizeof Name, "sequential SetPos + 1 within a %d-byte paragraph", Length);
    Print(Name, R);
}

} // namespace

int main() {
    std::printf("%-58s %8s %8s\n", "ns per operation", "best", "median");
    TCustomKorvel Control;
    LoadGenerated(Control, "typical", TypicalLength);
    if (!RandomSetPos(Control, "random SetPos + GetParIndex, typical text",
                      "  peer: step-by-step walk from the same guess", 200'000))
        return 1;

    {
        const TParagraphsList& List = Control.GetParagraphsList();
        std::mt19937 Random(11);
        std::vector<int32_t> Lines(RandomOps);
        for (int32_t& L : Lines)
            L = static_cast<int32_t>(Random() % static_cast<uint32_t>(List.GetLineCount()));
        TKorvelNavigator Nav(&Control);
        int64_t Sum = 0;
        Print("random SetGlobalLine, typical text (one line a paragraph)", Time(Lines.size(), [&] {
                  for (const int32_t L : Lines) {
                      Nav.SetGlobalLine(L);
                      Sum += Nav.GetPos();
                  }
              }));
        benchmark::DoNotOptimize(Sum);
    }

    {
        TKorvelNavigator Nav(&Control);
        const int32_t End = Control.GetTextLength();
        int64_t Sum = 0;
        const size_t Steps = static_cast<size_t>(End / 37);
        Print("sequential SetPos + 37 + GetParIndex through the text", Time(Steps, [&] {
                  Nav.SetPos(0);
                  for (int32_t P = 0; P < End - 37; P += 37) {
                      Nav.SetPos(P);
                      Sum += Nav.GetParIndex();
                  }
              }));
        benchmark::DoNotOptimize(Sum);
    }

    // One paragraph of about 1000 bytes and the longest one of the text.
    {
        const TParagraphsList& List = Control.GetParagraphsList();
        int32_t Longest = 0;
        for (int32_t I = LongEvery / 2; I < List.GetCount(); I += LongEvery)
            if (List[I].ParLength() > List[Longest].ParLength())
                Longest = I;
        std::string Text(1000, 'x');
        for (size_t K = 7; K < Text.size(); K += 8)
            Text[K] = ' ';
        TCustomKorvel Small;
        Load(Small, Text + "\r\n" + Text);
        SequentialInParagraph(Small, 0);
        SequentialInParagraph(Control, Longest);
    }

    LoadGenerated(Control, "skewed", SkewedLength);
    if (!RandomSetPos(Control, "random SetPos + GetParIndex, skewed text",
                      "  peer: step-by-step walk from the same guess", 1'000))
        return 1;
    return 0;
}
