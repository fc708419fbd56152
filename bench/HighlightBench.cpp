// Highlights a generated C-like text of about 50 MB (and, for comparison, one
// of about 1 MB) with 40 keywords (some whole-word, some ignoring case) and
// comment, line-comment, string and character start/stop pairs.
//
// Prints:
// - full highlighting (start/stop ranges of every paragraph, then the
//   keyword pass of every paragraph) in MB/s, and the two passes apart;
// - re-highlighting after typing inside the block comment at the top of the
//   text, in microseconds per edit: an edit that leaves the end state of its
//   paragraph as it was, and one that ends the comment early (or lets it go
//   on again), whose change is carried paragraph by paragraph until an end
//   state repeats. Each edit is measured whole (the store's replacement,
//   which shifts the offsets of every later paragraph, included) and for its
//   highlighting alone (re-highlighting and the catch-up of the paragraphs it
//   marked), on both texts. On the large text the replacement's walk over
//   the paragraph records leaves the caches cold for the highlighting after
//   it, so the highlighting is also timed from evicted caches on both texts.
//
// Full-highlighting rates are medians of the runs (the best run too), as
// the machine may be shared.
//
// MB are 10^6 bytes. --mb=N changes the size of the large text, --edits=N
// the number of edits timed (2000).

#include "BenchArguments.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/THighlightEngine.h"
#include "KVSupport/TKorvelNavigator.h"
#include "framework/TMemoryStream.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace korvel;

namespace {

using TClockType = std::chrono::steady_clock;

double Seconds(TClockType::time_point Since) {
    return std::chrono::duration<double>(TClockType::now() - Since).count();
}

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

constexpr int CommentLines = 20; // the block comment at the top

// Lines of a C-like program: declarations, statements with keywords,
// strings and characters, line comments and now and then a block comment.
std::string GenerateText(size_t TargetBytes) {
    std::mt19937 Random(20261211);
    static const char* const Words[] = {"count", "index", "value", "buffer", "length", "result",
                                        "node",  "next",  "item",  "total",  "offset", "state"};
    static const char* const Types[] = {"int", "char", "long", "unsigned", "double", "size_t"};
    static const char* const Flow[] = {"if", "while", "for", "switch", "return"};
    auto Word = [&] { return std::string(Words[Random() % 12]); };
    std::string Text = "/* Generated source.\r\n";
    for (int I = 1; I < CommentLines - 1; ++I)
        Text += " * line " + std::to_string(I) + " of the header comment\r\n";
    Text += " */\r\n";
    int Depth = 0;
    while (Text.size() < TargetBytes) {
        const std::string Indent(static_cast<size_t>(4 * Depth), ' ');
        const uint32_t Kind = Random() % 20;
        if (Kind == 0) {
            Text += Indent + "/* " + Word() + " and " + Word() + "\r\n" + Indent + "   " + Word() +
                    " */\r\n";
        } else if (Kind < 3) {
            Text += Indent + "// " + Word() + " " + Word() + " " + Word() + "\r\n";
        } else if (Kind < 7) {
            Text += Indent + Types[Random() % 6] + " " + Word() + " = " + Word() + " + " +
                    std::to_string(Random() % 1000) + ";\r\n";
        } else if (Kind < 10 && Depth < 4) {
            Text += Indent + Flow[Random() % 4] + " (" + Word() + " < " + Word() + ") {\r\n";
            ++Depth;
        } else if (Kind < 12 && Depth > 0) {
            --Depth;
            Text += std::string(static_cast<size_t>(4 * Depth), ' ') + "}\r\n";
        } else if (Kind < 14) {
            Text += Indent + "printf(\"" + Word() + " %d\\n\", " + Word() + ");\r\n";
        } else if (Kind < 15) {
            Text += Indent + "if (" + Word() + " == '" + static_cast<char>('a' + Random() % 26) +
                    "' && " + Word() + " != NULL) return TRUE;\r\n";
        } else {
            Text += Indent + Word() + " = " + Word() + "(" + Word() + ", sizeof(" +
                    Types[Random() % 6] + "));\r\n";
        }
    }
    return Text;
}

void SetRules(TCustomKorvel& Control) {
    TStartStopKeyList& Keys = Control.GetStartStopKeys();
    Keys.AddKey("/*", "*/", false, clGreen, clNone, 0, 1, 2, 0);
    Keys.AddKey("//", "", true, clGreen, clNone, 0, 2, 2, 0);
    Keys.AddKey("\"", "\"", false, clMaroon, clNone, 0, 0, 0, 0);
    Keys.AddKey("'", "'", false, clMaroon, clNone, 0, 3, 0, 0);
    static const char* const Whole[] = {
        "int",    "char",   "long",   "unsigned", "double", "size_t", "if",      "while",
        "for",    "switch", "return", "case",     "break",  "static", "const",   "struct",
        "void",   "else",   "do",     "goto",     "enum",   "union",  "typedef", "extern",
        "sizeof", "signed", "short",  "float",    "auto",   "inline"};
    static const char* const Caseless[] = {"null", "true", "false", "eof", "max_path"};
    static const char* const Parts[] = {"printf", "malloc", "free", "memcpy", "%d"};
    TKeywordList& Keywords = Control.GetKeywords();
    Keywords.BeginUpdate();
    for (const char* Key : Whole)
        Keywords.AddKeyword(Key, clBlue, clNone, 0, 1, 1, koWholeWords | koMatchCase);
    for (const char* Key : Caseless)
        Keywords.AddKeyword(Key, clNavy, clNone, 0, 2, 1, koWholeWords);
    for (const char* Key : Parts)
        Keywords.AddKeyword(Key, clMaroon, clNone, 0, 3, 4, koMatchCase);
    Keywords.EndUpdate();
}

void Load(TCustomKorvel& Control, const std::string& Text) {
    TParagraphsList& List = Control.GetParagraphsList();
    TMemoryStream Stream{Text};
    TKorvelLineBreak Break = kbCRLF;
    List.ClearText();
    List.LoadText(Stream, 0, 0, nullptr, Break, false);
    List.GetFormatCounters().MarkAllFormatted(List.GetCount());
}

// What the formatter does after an edit: every paragraph from the edited
// one up to the last one marked gets its ranges and keywords. Returns how
// many paragraphs that were.
int32_t CatchUp(TCustomKorvel& Control, int32_t From) {
    TParagraphsList& List = Control.GetParagraphsList();
    int32_t Last = std::max(List.GetFormatCounters().GetFormatLast(), From);
    int32_t P = From;
    for (; P <= Last && P < List.GetCount(); ++P) {
        Control.HighlightParagraph(P);
        Last = std::max(Last, List.GetFormatCounters().GetFormatLast());
    }
    List.GetFormatCounters().MarkAllFormatted(List.GetCount());
    return P - From;
}

// Fills a buffer larger than the caches, so that what follows starts from
// main memory whatever the size of the text.
void EvictCaches() {
    static std::vector<char> Buffer(64u << 20);
    static char Fill = 0;
    std::fill(Buffer.begin(), Buffer.end(), ++Fill);
    benchmark::DoNotOptimize(Buffer.data());
}

struct TEditCost {
    double Whole = 0;        // microseconds per edit
    double Highlighting = 0; // of which re-highlighting and catch-up
    double Cold = 0;         // the same from evicted caches
};

// Replaces Pos1 .. Pos2 by Text as the control's replacement entry does,
// timing the highlighting part on its own (with Cold, from evicted caches).
double TimedReplace(TCustomKorvel& Control, TKorvelNavigator& Start, TKorvelNavigator& End,
                    int32_t Pos1, int32_t Pos2, const char* Text, bool Cold = false) {
    Start.SetPos(Pos1);
    End.SetPos(Pos2);
    THighlightEngine& Engine = Control.GetHighlightEngine();
    Engine.CaptureChangeStates(Start, End);
    const TTextChange Change = ReplaceBetween(Start, End, Text, true, false);
    if (Cold)
        EvictCaches();
    const auto Began = TClockType::now();
    Engine.RehighlightChange(Engine.StateBeforeStart(Change), Change);
    CatchUp(Control, Start.GetParIndex());
    return Seconds(Began);
}

// Types Insert at Pos and takes it back again, Edits / 2 times.
TEditCost MeasureEdits(TCustomKorvel& Control, int32_t Pos, const char* Insert, int Edits) {
    TKorvelNavigator Start(&Control);
    TKorvelNavigator End(&Control);
    const auto Length = static_cast<int32_t>(std::char_traits<char>::length(Insert));
    double Highlighting = 0;
    const auto Began = TClockType::now();
    for (int I = 0; I < Edits / 2; ++I) {
        Highlighting += TimedReplace(Control, Start, End, Pos, Pos, Insert);
        Highlighting += TimedReplace(Control, Start, End, Pos, Pos + Length, "");
    }
    const double Whole = Seconds(Began);
    double Cold = 0;
    constexpr int ColdEdits = 100;
    for (int I = 0; I < ColdEdits / 2; ++I) {
        Cold += TimedReplace(Control, Start, End, Pos, Pos, Insert, true);
        Cold += TimedReplace(Control, Start, End, Pos, Pos + Length, "", true);
    }
    return {Whole / Edits * 1e6, Highlighting / Edits * 1e6, Cold / ColdEdits * 1e6};
}

double Best(const std::vector<double>& V) {
    return *std::min_element(V.begin(), V.end());
}

struct TFigures {
    double FirstMBs = 0; // right after loading (median)
    double FullMBs = 0;  // again after ResetHighlighting (median)
    double FullBestMBs = 0;
    double StartStopMBs = 0;
    double KeywordMBs = 0;
    TEditCost Plain;
    TEditCost Chain;
    int32_t ChainLength = 0;
};

TFigures Run(const std::string& Text, int Repeats, int Edits) {
    TCustomKorvel Control;
    SetRules(Control);
    TParagraphsList& List = Control.GetParagraphsList();
    const auto Bytes = static_cast<double>(Text.size());
    std::vector<double> First, Full, StartStop, Keyword;
    for (int R = 0; R < Repeats; ++R) {
        Load(Control, Text);
        const int32_t Count = List.GetCount();
        const auto Began = TClockType::now();
        Control.ScanStartStopUpTo(Count - 1);
        for (int32_t P = 0; P < Count; ++P)
            Control.HighlightParagraph(P);
        First.push_back(Seconds(Began));
    }
    const int32_t Count = List.GetCount();
    for (int R = 0; R < Repeats; ++R) {
        Control.ResetHighlighting();
        const auto Began = TClockType::now();
        Control.ScanStartStopUpTo(Count - 1);
        const double Scan = Seconds(Began);
        const auto KeywordsBegan = TClockType::now();
        for (int32_t P = 0; P < Count; ++P)
            Control.HighlightParagraph(P);
        const double Keywords = Seconds(KeywordsBegan);
        StartStop.push_back(Scan);
        Keyword.push_back(Keywords);
        Full.push_back(Scan + Keywords);
    }
    List.GetFormatCounters().MarkAllFormatted(List.GetCount());
    benchmark::DoNotOptimize(List[Count - 1].RunCount());

    TFigures Figures;
    Figures.FirstMBs = Bytes / Median(First) / 1e6;
    Figures.FullMBs = Bytes / Median(Full) / 1e6;
    Figures.FullBestMBs = Bytes / Best(Full) / 1e6;
    Figures.StartStopMBs = Bytes / Median(StartStop) / 1e6;
    Figures.KeywordMBs = Bytes / Median(Keyword) / 1e6;
    // Inside the third line of the header comment.
    const int32_t Inside = List.GetStartOffset(2) + 4;
    Figures.Plain = MeasureEdits(Control, Inside, "x", Edits);
    // Ending the comment there re-highlights its remaining lines one by one.
    TKorvelNavigator Start(&Control);
    TKorvelNavigator End(&Control);
    Start.SetPos(Inside);
    End.SetPos(Inside);
    Control.ReplaceRangeAndRehighlight(Start, End, "*/", true);
    Figures.ChainLength = CatchUp(Control, 2);
    End.SetPos(Inside + 2);
    Control.ReplaceRangeAndRehighlight(Start, End, "", true);
    CatchUp(Control, 2);
    Figures.Chain = MeasureEdits(Control, Inside, "*/", Edits);
    return Figures;
}

void Print(const char* Name, const std::string& Text, const TFigures& F) {
    std::printf("%s: %.1f MB\n", Name, static_cast<double>(Text.size()) / 1e6);
    std::printf("  full highlighting          %8.1f MB/s after loading\n", F.FirstMBs);
    std::printf("  again after a reset        %8.1f MB/s, best run %.1f MB/s (start/stop pass "
                "%.1f MB/s, keyword pass %.1f MB/s)\n",
                F.FullMBs, F.FullBestMBs, F.StartStopMBs, F.KeywordMBs);
    std::printf("  typing inside the comment  %8.2f us/edit, of which highlighting %.2f us "
                "(%.2f us from evicted caches)\n",
                F.Plain.Whole, F.Plain.Highlighting, F.Plain.Cold);
    std::printf("  ending the comment early   %8.2f us/edit, of which highlighting %.2f us "
                "(%.2f us from evicted caches; %d paragraphs highlighted again)\n",
                F.Chain.Whole, F.Chain.Highlighting, F.Chain.Cold, F.ChainLength);
}

} // namespace

int main(int argc, char** argv) {
    const long LargeMB = bench::ArgumentValue(argc, argv, "--mb=", 50);
    const int Edits =
        std::max(2, static_cast<int>(bench::ArgumentValue(argc, argv, "--edits=", 2000)));
    const std::string Small = GenerateText(1'000'000);
    const std::string Large = GenerateText(static_cast<size_t>(LargeMB) * 1'000'000);
    const TFigures SmallFigures = Run(Small, 5, Edits);
    Print("small text", Small, SmallFigures);
    const TFigures LargeFigures = Run(Large, 3, Edits);
    Print("large text", Large, LargeFigures);
    std::printf("highlighting per edit from evicted caches, large / small text: %.2f (typing), "
                "%.2f (ending the comment)\n",
                LargeFigures.Plain.Cold / SmallFigures.Plain.Cold,
                LargeFigures.Chain.Cold / SmallFigures.Chain.Cold);
    return 0;
}
