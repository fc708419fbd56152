// Loads a generated text of about 200 MB in 4 million paragraphs (mixed
// lengths, a few longer than 65535) from a memory stream into a paragraph
// list and saves it back. Prints the load and save rates, the memory the list
// needs beyond the text, the peak memory of the process, and, measured on the
// same buffer in the same run, the rates of memcpy and of a memchr scan for
// line feeds, and of filling new memory as the list allocates it: loading
// has to copy the text once and find its breaks once, and a first load has
// to have its memory mapped.
//
// MB are 10^6 bytes. Each phase runs several times; the best and the median
// run are shown.

#include "BenchText.h"
#include "KVSupport/TParagraphsList.h"
#include "framework/TLargeBuffer.h"
#include "framework/TMemoryStream.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace korvel;

namespace {

constexpr int32_t Paragraphs = 4'000'000;
constexpr int32_t LongEvery = 100'000; // 40 paragraphs of 70000 .. 200000 bytes
constexpr int Repeats = 5;
constexpr double FirstLoadGoal = 800; // MB/s of the first load into new memory

std::string GenerateText() {
    const auto LengthOf = [](int32_t I, std::mt19937& Random) -> size_t {
        return I % LongEvery == LongEvery / 2 ? 70'000 + Random() % 130'001 : Random() % 95;
    };
    return bench::GenerateParagraphs(Paragraphs, LengthOf, true, 201'000'000);
}

// Wall-clock, user-mode and kernel-mode seconds of the runs of one phase. The
// machine may be shared: user time is the phase's own work, kernel time is
// mostly the page faults of freshly allocated memory.
struct TTimes {
    std::vector<double> Wall, User, System;
    void Add(double W, double U, double S) {
        Wall.push_back(W);
        User.push_back(U);
        System.push_back(S);
    }
    static double Best(std::vector<double> V) { return *std::min_element(V.begin(), V.end()); }
    static double Median(std::vector<double> V) {
        std::sort(V.begin(), V.end());
        return V[V.size() / 2];
    }
};

double CpuSeconds(const timeval& T) {
    return static_cast<double>(T.tv_sec) + T.tv_usec / 1e6;
}

template <class TBody>
void Measure(TTimes& Times, TBody&& Body) {
    rusage Before{}, After{};
    getrusage(RUSAGE_SELF, &Before);
    const auto Start = std::chrono::steady_clock::now();
    Body();
    const double Wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    getrusage(RUSAGE_SELF, &After);
    Times.Add(Wall, CpuSeconds(After.ru_utime) - CpuSeconds(Before.ru_utime),
              CpuSeconds(After.ru_stime) - CpuSeconds(Before.ru_stime));
}

double Rate(double Bytes, double Seconds) {
    return Bytes / Seconds / 1e6;
}

// Resident memory now, in bytes.
double ResidentBytes() {
    std::ifstream Statm("/proc/self/statm");
    double Pages = 0, Resident = 0;
    Statm >> Pages >> Resident;
    return Resident * 4096.0;
}

// Huge pages the kernel handed out so far (Linux), or -1 when unknown.
double HugePageFaults() {
    std::ifstream Stat("/proc/vmstat");
    std::string Name;
    double Value = 0;
    while (Stat >> Name >> Value)
        if (Name == "thp_fault_alloc")
            return Value;
    return -1;
}

double PeakBytes() {
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    return static_cast<double>(Usage.ru_maxrss) * 1024.0;
}

void PrintRow(const char* Name, double Bytes, const TTimes& T) {
    std::printf("%-32s %9.0f %9.0f %9.0f %9.1f\n", Name, Rate(Bytes, TTimes::Best(T.Wall)),
                Rate(Bytes, TTimes::Median(T.Wall)), Rate(Bytes, TTimes::Best(T.User)),
                TTimes::Median(T.System) * 1e3);
}

} // namespace

int main() {
    std::printf("generating %d paragraphs ...\n", Paragraphs);
    TMemoryStream Source;
    {
        const std::string Text = GenerateText();
        Source.WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
    }
    const int64_t Size = Source.GetSize();
    const auto Bytes = static_cast<double>(Size);
    const auto USize = static_cast<size_t>(Size);
    const char* const Data = reinterpret_cast<const char*>(Source.Memory());
    std::printf("text: %.1f MB\n\n", Bytes / 1e6);

    // The physical yardsticks: one copy (into memory already in use, and into
    // newly allocated memory, which the kernel must first map), one fill of
    // newly allocated memory the way the list allocates it (huge pages where
    // the system has them) and one scan for line feeds.
    TTimes WarmCopy, FreshCopy, FreshLarge, Scan;
    {
        auto Target = std::make_unique_for_overwrite<char[]>(USize);
        std::memset(Target.get(), 1, USize);
        for (int R = 0; R < Repeats; ++R) {
            Measure(WarmCopy, [&] { std::memcpy(Target.get(), Data, USize); });
            benchmark::DoNotOptimize(Target.get());
        }
    }
    for (int R = 0; R < Repeats; ++R) {
        Measure(FreshCopy, [&] {
            auto Target = std::make_unique_for_overwrite<char[]>(USize);
            std::memcpy(Target.get(), Data, USize);
            benchmark::DoNotOptimize(Target.get());
        });
    }
    for (int R = 0; R < Repeats; ++R) {
        Measure(FreshLarge, [&] {
            TLargeBuffer Target(USize);
            std::memset(Target.Data(), 1, USize);
            benchmark::DoNotOptimize(Target.Data());
        });
    }
    int64_t LineFeeds = 0;
    for (int R = 0; R < Repeats; ++R) {
        Measure(Scan, [&] {
            LineFeeds = 0;
            const char* P = Data;
            const char* const End = Data + Size;
            while ((P = static_cast<const char*>(std::memchr(P, '\n', End - P))) != nullptr) {
                ++LineFeeds;
                ++P;
            }
        });
        // Through its address: GCC 12 can keep two copies of a variable
        // handed to DoNotOptimize by reference and read the stale one later.
        benchmark::DoNotOptimize(&LineFeeds);
    }

    TParagraphsList List;
    TTimes Load;
    double ResidentBefore = 0, ResidentAfter = 0, HugeBefore = 0, HugeAfter = 0;
    for (int R = 0; R < Repeats; ++R) {
        List.ClearText();
        Source.SetPosition(0);
        if (R == 0) {
            ResidentBefore = ResidentBytes();
            HugeBefore = HugePageFaults();
        }
        TKorvelLineBreak Detected = kbCRLF;
        Measure(Load, [&] { List.LoadText(Source, 0, 0, nullptr, Detected, false); });
        if (R == 0) {
            ResidentAfter = ResidentBytes();
            HugeAfter = HugePageFaults();
        }
    }
    if (List.GetCount() != Paragraphs || LineFeeds != Paragraphs - 1) {
        std::printf("unexpected paragraph count %d (%lld line feeds)\n", List.GetCount(),
                    static_cast<long long>(LineFeeds));
        return 1;
    }

    TMemoryStream Target;
    Target.SetCapacity(Size);
    TTimes Save;
    for (int R = 0; R < Repeats; ++R) {
        Target.SetSize(0);
        Target.SetPosition(0);
        Measure(Save, [&] { List.SaveText(Target, false, 0, nullptr, kbCRLF, false); });
    }
    if (Target.GetSize() != Size || std::memcmp(Target.Memory(), Data, USize) != 0) {
        std::printf("the saved text differs from the loaded one\n");
        return 1;
    }

    // Memory of the list beyond the characters themselves.
    const double TextBytes = List.GetTextLength() - 2.0 * (List.GetCount() - 1);
    double BufferBytes = 0;
    for (int32_t I = 0; I < List.GetLoadBufferCount(); ++I)
        BufferBytes += static_cast<double>(List.GetLoadBuffer(I).size());
    int32_t Extended = 0;
    List.ForEachFrom(0, [&Extended](const TParagraph& P) { Extended += P.HasExtra() ? 1 : 0; });
    const double RecordBytes = static_cast<double>(List.GetBlockCount()) * TDynArray2::BlockBytes;
    const double ExtraBytes = Extended * static_cast<double>(sizeof(ParExtraInfo));
    const double ListBytes = RecordBytes + BufferBytes + ExtraBytes;
    const double PerParagraph = (ListBytes - TextBytes) / List.GetCount();

    std::printf("%-32s %9s %9s %9s %9s\n", "MB/s (kernel: ms)", "wall best", "median", "user CPU",
                "kernel");
    PrintRow("memcpy into memory in use", Bytes, WarmCopy);
    PrintRow("memcpy into new memory", Bytes, FreshCopy);
    PrintRow("memset of new large memory", Bytes, FreshLarge);
    PrintRow("memchr scan for line feeds", Bytes, Scan);
    PrintRow("LoadText from a memory stream", Bytes, Load);
    PrintRow("SaveText to a memory stream", Bytes, Save);
    std::printf("%-32s %9.0f %9s %9.0f %9.1f\n", "memset of new large memory, first",
                Rate(Bytes, FreshLarge.Wall[0]), "", Rate(Bytes, FreshLarge.User[0]),
                FreshLarge.System[0] * 1e3);
    std::printf("%-32s %9.0f %9s %9.0f %9.1f\n", "LoadText, first run (new memory)",
                Rate(Bytes, Load.Wall[0]), "", Rate(Bytes, Load.User[0]), Load.System[0] * 1e3);
    const double CopyScan = TTimes::Best(WarmCopy.Wall) + TTimes::Best(Scan.Wall);
    std::printf("\nload / (one copy + one memchr scan), best wall times:     %.2f\n",
                TTimes::Best(Load.Wall) / CopyScan);
    std::printf("load / memchr scan, best wall times:                       %.2f\n",
                TTimes::Best(Load.Wall) / TTimes::Best(Scan.Wall));
    std::printf("first load / (copy into new memory + scan), wall:          %.2f\n\n",
                Load.Wall[0] / (TTimes::Best(FreshCopy.Wall) + TTimes::Best(Scan.Wall)));
    const double FirstLoad = Rate(Bytes, Load.Wall[0]);
    std::printf("first LoadText into new memory: %.0f MB/s, kernel %.0f ms, %.0f huge pages "
                "(goal at least %.0f MB/s): %s\n\n",
                FirstLoad, Load.System[0] * 1e3, HugeAfter - HugeBefore, FirstLoadGoal,
                FirstLoad >= FirstLoadGoal ? "met" : "missed");
    std::printf("paragraphs %d (%d with extension), text %.1f MB\n", List.GetCount(), Extended,
                TextBytes / 1e6);
    std::printf("records %.1f MB, load buffers %.1f MB, extensions %.3f MB\n", RecordBytes / 1e6,
                BufferBytes / 1e6, ExtraBytes / 1e6);
    std::printf("overhead beyond the text: %.1f bytes per paragraph "
                "(record %d + break bytes and buffer ends)\n",
                PerParagraph, List.GetStride());
    std::printf("resident growth of the first load: %.1f MB, %.1f bytes per paragraph "
                "beyond the text\n",
                (ResidentAfter - ResidentBefore) / 1e6,
                (ResidentAfter - ResidentBefore - TextBytes) / List.GetCount());
    std::printf("peak resident memory of the process: %.1f MB (source and target streams of "
                "%.1f MB each included)\n",
                PeakBytes() / 1e6, Bytes / 1e6);
    return 0;
}
