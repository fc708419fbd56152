// Throughput of the tag cleaner on a large generated HTML page, in both modes,
// against perl and sed doing the nearest equivalent rewrite on the same file.
//
//   CleanerBench [--size-mb=N] [--runs=N] [--no-peers]
//
// Prints MB/s (1 MB = 10^6 bytes) of the best run of each, by the processor
// time it took on one core, and the ratios.

#include "Quolt_fm_Main/TagCleaner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <malloc.h>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

// A page of the kind the cleaner is for: exported tables full of attributes,
// font and col tags, attributes running over several lines, upper- and
// lower-case tags, CR LF breaks and blank lines.
class TPageGenerator {
public:
    std::string Generate(size_t Size) {
        std::string Page;
        Page.reserve(Size + 4096);
        Page += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
                "<HTML><HEAD><TITLE>Quarterly figures</TITLE></HEAD>\r\n<BODY bgcolor=white>\r\n";
        while (Page.size() < Size)
            AddTable(Page);
        Page += "</BODY></HTML>\r\n";
        return Page;
    }

private:
    void AddTable(std::string& Page) {
        const bool Upper = Random() % 2 == 0;
        Page += Upper ? "<TABLE border=\"1\" cellspacing=\"0\"\r\n       cellpadding=\"3\" "
                        "width=\"100%\" class=\"grid\">\r\n"
                      : "<table class=\"report\" style=\"border-collapse: collapse\">\r\n";
        Page += "<colgroup><col width=\"30%\"><COL span=\"2\" align=\"right\"></colgroup>\r\n";
        Page += "<thead><TR bgcolor=\"#C0C0C0\">\r\n";
        for (int c = 0; c < 4; ++c)
            Page += "  <th align=left><font face=\"Arial\" size=\"2\"><b>" + Word() +
                    "</b></font></th>\r\n";
        Page += "</TR></thead>\r\n";
        const int Rows = 5 + static_cast<int>(Random() % 20);
        for (int r = 0; r < Rows; ++r) {
            Page += r % 2 ? "<tr class=\"odd\">\r\n" : "<TR CLASS=\"even\" valign=\"top\">\r\n";
            for (int c = 0; c < 4; ++c) {
                if (Random() % 5 == 0)
                    Page += "  <td nowrap\r\n      style=\"padding: 2px; color: #333\"\r\n      "
                            "title=\"" +
                            Word() + "\">";
                else
                    Page += "  <TD width=\"" + std::to_string(Random() % 200) + "\">";
                Page += "<FONT color=\"#000080\" face=\"Verdana, Arial\">" +
                        Words(1 + Random() % 5) + "</FONT></TD>\r\n";
            }
            Page += "</tr>\r\n";
            if (Random() % 7 == 0)
                Page += "\r\n   \r\n";
        }
        Page += "</TABLE>\r\n\r\n<p class=\"note\">" + Words(12) +
                " <a href=\"https://example.org/" + Word() + ".html\">" + Word() +
                "</a>.</p>\r\n<br>\r\n\r\n";
    }

    std::string Word() {
        static const char* const Dictionary[] = {
            "revenue", "Total",  "net",     "quarter",      "Q3",       "region", "North",
            "sales",   "margin", "cost",    "units",        "forecast", "actual", "1,204.50",
            "12%",     "Umsatz", "caf\xE9", "r\xE9sum\xE9", "n/a",      "growth", "EBITDA"};
        return Dictionary[Random() % (sizeof Dictionary / sizeof *Dictionary)];
    }

    std::string Words(size_t Count) {
        std::string Text = Word();
        while (--Count > 0)
            Text += ' ' + Word();
        return Text;
    }

    std::mt19937 Random{20240611};
};

double MegabytesPerSecond(size_t Bytes, double Seconds) {
    return Bytes / 1e6 / Seconds;
}

// Processor time spent so far by this process and by the commands it has run
// and waited for. Measuring it rather than the wall clock keeps the figures
// steady on a machine busy with other work; all the work timed is single-threaded.
double CpuSeconds() {
    timespec Self{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Self);
    rusage Children{};
    getrusage(RUSAGE_CHILDREN, &Children);
    auto Seconds = [](const timeval& T) { return T.tv_sec + T.tv_usec / 1e6; };
    return Self.tv_sec + Self.tv_nsec / 1e9 + Seconds(Children.ru_utime) +
           Seconds(Children.ru_stime);
}

struct TTiming {
    double Seconds = 1e100;
    long PageFaults = 0; // minor faults in the best run
    size_t LineCount = 0;
};

long MinorFaults() {
    rusage Self{};
    getrusage(RUSAGE_SELF, &Self);
    return Self.ru_minflt;
}

// The best of Runs timings of Work; Prepare runs untimed before each.
TTiming BestOf(
    int Runs, const std::function<void()>& Work, const std::function<void()>& Prepare = [] {}) {
    TTiming Best;
    for (int i = 0; i < Runs; ++i) {
        Prepare();
        const long Faults = MinorFaults();
        const double Start = CpuSeconds();
        Work();
        const double Seconds = CpuSeconds() - Start;
        if (Seconds < Best.Seconds)
            Best = {Seconds, MinorFaults() - Faults, 0};
    }
    return Best;
}

// What first touching a page of fresh memory costs, in microseconds.
double MicrosecondsPerPageFault() {
    constexpr size_t Bytes = 64 << 20;
    const long Faults = MinorFaults();
    const double Start = CpuSeconds();
    {
        auto Memory = std::make_unique_for_overwrite<char[]>(Bytes);
        for (size_t i = 0; i < Bytes; i += 4096)
            Memory[i] = 1;
    }
    return (CpuSeconds() - Start) * 1e6 / static_cast<double>(std::max(1L, MinorFaults() - Faults));
}

bool HaveCommand(const char* Name) {
    return std::system(("command -v " + std::string(Name) + " >/dev/null 2>&1").c_str()) == 0;
}

// Times a shell command reading the page file and writing to /dev/null;
// a negative result when it failed.
double TimeCommand(int Runs, const std::string& Command) {
    bool Failed = false;
    const double Seconds =
        BestOf(Runs, [&] { Failed |= std::system(Command.c_str()) != 0; }).Seconds;
    return Failed ? -1 : Seconds;
}

struct TModeCase {
    quolt::TTagMode Mode;
    const char* Name;
    const char* Tags;
    std::string Perl; // perl -pe program
    std::string Sed;  // sed -E script
    double FasterPeerRate = -1;
};

TTiming TimeCleanTags(int Runs, const TModeCase& Case, const std::string& Page) {
    // The caller's freeing of the lines is not part of the clean.
    std::optional<std::vector<std::string>> Lines;
    TTiming Timing = BestOf(
        Runs, [&] { Lines = quolt::CleanTags(Case.Mode, Case.Tags, Page); },
        [&] { Lines.reset(); });
    Timing.LineCount = Lines->size();
    return Timing;
}

long ArgumentValue(int argc, char** argv, std::string_view Prefix, long Default) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view Arg = argv[i];
        if (Arg.substr(0, Prefix.size()) == Prefix)
            return std::strtol(argv[i] + Prefix.size(), nullptr, 10);
    }
    return Default;
}

} // namespace

int main(int argc, char** argv) {
    const size_t Size =
        static_cast<size_t>(std::max(1L, ArgumentValue(argc, argv, "--size-mb=", 100))) * 1000000;
    const int Runs = static_cast<int>(std::max(1L, ArgumentValue(argc, argv, "--runs=", 3)));
    const int PeerRuns = Runs > 1 ? 2 : 1;
    bool NoPeers = false;
    for (int i = 1; i < argc; ++i)
        NoPeers |= std::string_view(argv[i]) == "--no-peers";

    const std::string Page = TPageGenerator().Generate(Size);
    const std::string PageFile = (std::filesystem::temp_directory_path() /
                                  ("quolt-cleaner-bench-" + std::to_string(getpid()) + ".html"))
                                     .string();
    std::ofstream(PageFile, std::ios::binary) << Page;
    std::printf("page: %.1f MB of generated HTML in %s\n"
                "MB/s by processor time on one core, best of %d runs (peers: of %d)\n"
                "first touch of fresh memory here: %.2f us per 4 KiB page\n",
                Page.size() / 1e6, PageFile.c_str(), Runs, PeerRuns, MicrosecondsPerPageFault());

    std::vector<TModeCase> Cases = {
        {quolt::tmStripAttribs, "strip attributes", "table tr td thead th font col",
         R"(s/<(\/?(?:table|tr|td|thead|th|font|col))(?:\s[^>]*)?>/<$1>/gi)",
         R"(s/<(\/?(table|tr|td|thead|th|font|col))([[:space:]][^>]*)?>/<\1>/Ig)"},
        {quolt::tmRemoveTags, "remove tags", "font col colgroup",
         R"(s/<\/?(?:font|col|colgroup)(?:\s[^>]*)?>//gi)",
         R"(s/<\/?(font|col|colgroup)([[:space:]][^>]*)?>//Ig)"},
    };
    const bool HavePerl = !NoPeers && HaveCommand("perl");
    const bool HaveSed = !NoPeers && HaveCommand("sed");
    if (!NoPeers && !HavePerl)
        std::printf("perl not found: its comparison is skipped\n");
    if (!NoPeers && !HaveSed)
        std::printf("sed not found: its comparison is skipped\n");

    for (TModeCase& Case : Cases) {
        std::printf("\n== %s (%s)\n", Case.Name, Case.Tags);
        const TTiming Clean = TimeCleanTags(Runs, Case, Page);
        std::printf("  CleanTags (lines)       %8.0f MB/s  %.3f s, %zu lines, %ld page faults\n",
                    MegabytesPerSecond(Page.size(), Clean.Seconds), Clean.Seconds, Clean.LineCount,
                    Clean.PageFaults);

        // The same work without building one string per line, as quolt-clean does it.
        size_t OutBytes = 0;
        const double ScanSeconds = BestOf(Runs, [&] {
                                       quolt::TTagCleaner Cleaner(Case.Mode);
                                       Cleaner.ParseTagList(Case.Tags);
                                       OutBytes = 0;
                                       Cleaner.Clean(Page, [&OutBytes](std::string_view Line) {
                                           OutBytes += Line.size() + 1;
                                       });
                                   }).Seconds;
        std::printf("  TTagCleaner (streamed)  %8.0f MB/s  %.3f s, %.1f MB out\n",
                    MegabytesPerSecond(Page.size(), ScanSeconds), ScanSeconds, OutBytes / 1e6);

        auto RunPeer = [&](const char* Name, const std::string& Command) {
            const double Seconds = TimeCommand(PeerRuns, Command);
            if (Seconds < 0) {
                std::printf("  %-23s failed: %s\n", Name, Command.c_str());
                return;
            }
            const double Rate = MegabytesPerSecond(Page.size(), Seconds);
            std::printf("  %-23s %8.0f MB/s  %.3f s; CleanTags is %.1fx, streamed %.1fx\n", Name,
                        Rate, Seconds, Seconds / Clean.Seconds, Seconds / ScanSeconds);
            Case.FasterPeerRate = std::max(Case.FasterPeerRate, Rate);
        };
        if (HavePerl)
            RunPeer("perl -pe", "perl -pe '" + Case.Perl + "' '" + PageFile + "' >/dev/null");
        if (HaveSed)
            RunPeer("sed -E", "LC_ALL=C sed -E '" + Case.Sed + "' '" + PageFile + "' >/dev/null");
        if (Case.FasterPeerRate > 0)
            std::printf("  ratio to the faster peer: CleanTags %.1fx, streamed %.1fx\n",
                        MegabytesPerSecond(Page.size(), Clean.Seconds) / Case.FasterPeerRate,
                        MegabytesPerSecond(Page.size(), ScanSeconds) / Case.FasterPeerRate);
    }

    // The lines of a large result are fresh memory, and where first touching
    // a page is costly that dominates the figures above. Kept by the heap, as
    // in a program that cleans again and again, the memory is touched once.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    std::printf("\n== CleanTags with a warm heap (freed memory kept for reuse)\n");
    for (const TModeCase& Case : Cases) {
        const TTiming Clean = TimeCleanTags(Runs + 1, Case, Page);
        std::printf("  %-23s %8.0f MB/s  %.3f s, %ld page faults", Case.Name,
                    MegabytesPerSecond(Page.size(), Clean.Seconds), Clean.Seconds,
                    Clean.PageFaults);
        if (Case.FasterPeerRate > 0)
            std::printf("; %.1fx the faster peer",
                        MegabytesPerSecond(Page.size(), Clean.Seconds) / Case.FasterPeerRate);
        std::printf("\n");
    }
    std::filesystem::remove(PageFile);
    return 0;
}
