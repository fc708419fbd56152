// The editing face of the control in a headless window of 80 x 50 characters
// (6 x 13 pixel cells), on-need formatting, timed by the machine's clock:
//
// - typing: one character through SetSelText at the start, the middle and
//   the end of texts of 1 M and 4 M paragraphs, word wrap on and off, beside
//   the paragraph list's own ReplaceRange of the same character on a list
//   holding the same text, in the same run; the control's own share is the
//   difference (goal under 20 us);
// - the write path of the program's pane: Clear, BeginUpdate, 1.4 M
//   Lines.Add of HTML lines (about 100 MB), EndUpdate and the first screen
//   formatted (goal under 0.4 s), beside one LoadFromStream of the same text
//   and its first screen (goal: the write path within 2x of it), both after
//   an untimed load that warms the process's memory, and beside the paragraph
//   list's own replacements of the same lines on a bare list;
// - GetAllText of that text beside a memcpy of as many bytes (warm; goal at
//   least 2 GB/s).
//
//   KorvelEditBench [--runs=N] [--paragraphs=N (typing; default 1 M and 4 M)]
//                   [--write-only (the write path and GetAllText alone)]
//
// The view's repair after a change is not part of these figures.

#include "BenchArguments.h"
#include "BenchText.h"
#include "BenchWindow.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelStrings.h"
#include "framework/TMemoryStream.h"
#include "platform/TSystemClock.h"
#include "platform/headless/THeadlessHost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace korvel;
using namespace bench;

namespace {

using TSteady = std::chrono::steady_clock;

constexpr double TypingGoalUs = 20;
constexpr double WritePathGoalS = 0.4;

class TTimedHost : public THeadlessHost {
public:
    using THeadlessHost::THeadlessHost;
    const TClock& GetClock() const override { return TSystemClock::Instance(); }
};

double Seconds(TSteady::duration D) {
    return std::chrono::duration<double>(D).count();
}

std::string MakeText(int32_t Paragraphs) {
    const auto LengthOf = [](int32_t I, std::mt19937& Random) -> size_t {
        return I % 16 == 0 ? 200 + Random() % 200 : 10 + Random() % 60;
    };
    return bench::GenerateParagraphs(Paragraphs, LengthOf, false,
                                     static_cast<size_t>(Paragraphs) * 58);
}

// Lines of mark-up as the program's pane receives them: about 71 bytes.
std::vector<std::string> HtmlLines(int32_t Count) {
    std::mt19937 Random(20261209);
    const char Letters[] = "etaoinshrdlucmfwypvbgkjqxz";
    std::vector<std::string> Lines;
    Lines.reserve(static_cast<size_t>(Count));
    for (int32_t I = 0; I < Count; ++I) {
        std::string Line = "<p class=\"c" + std::to_string(I % 97) + "\">";
        const size_t Words = 40 + Random() % 20;
        for (size_t K = 0; K < Words; ++K)
            Line += Random() % 6 == 0 ? ' ' : Letters[Random() % 26];
        Line += "</p>";
        Lines.push_back(std::move(Line));
    }
    return Lines;
}

// A control in a window of Columns x Rows cells of the headless "Courier
// New" -11 (6 pixels a byte), the margins beside them.
struct TPane {
    TTimedHost Host{{ClientWidth, ClientHeight}};
    TKorvel Control;

    explicit TPane(bool Wrap) {
        Control.GetFont().SetName("Courier New");
        Control.GetFont().SetHeight(-11);
        Control.SetWordWrap(Wrap);
        Control.SetUpdateMode(umOnNeed);
        // Typing past the window's edge scrolls it; an animated scroll
        // would add its waiting time to the keystroke that set it off.
        Control.SetScrollTime(0);
        Host.Attach(Control);
    }
    // The paragraphs of the first screen formatted and the top line found,
    // as painting asks for them.
    void FirstScreen() {
        const int32_t Visible = ClientHeight / Control.GetLineHeightPx() + 1;
        Control.FormatParagraphs(0, Visible - 1, false, false);
        Control.GetTopLineNavigator().SetGlobalLine(0);
        Control.GetScratchNav(0).SetGlobalLine(Visible - 1);
    }
};

// Mean microseconds of one typed character at Offset, over Count characters
// typed one after the other. The characters are deleted again afterwards
// (untimed), so that every run types into the text as loaded and not into a
// paragraph that earlier runs have made thousands of characters long.
double TypeAt(TKorvel& Control, int32_t Offset, int32_t Count) {
    Control.SetSelStart(Offset);
    const auto Start = TSteady::now();
    for (int32_t I = 0; I < Count; ++I)
        Control.SetSelText("x");
    const double Us = Seconds(TSteady::now() - Start) * 1e6 / Count;
    Control.SetSelStart(Offset);
    Control.SetSelLength(Count);
    Control.SetSelText("");
    return Us;
}

// The same through the paragraph list alone.
double ReplaceAt(TParagraphsList& List, int32_t Offset, int32_t Count) {
    // Find the paragraph of Offset once; each character goes after the last.
    int32_t Par = 0;
    {
        int32_t Lo = 0, Hi = List.GetCount() - 1;
        while (Lo < Hi) {
            const int32_t Mid = (Lo + Hi + 1) / 2;
            if (List.GetStartOffset(Mid) <= Offset)
                Lo = Mid;
            else
                Hi = Mid - 1;
        }
        Par = Lo;
    }
    const int32_t First = Offset - List.GetStartOffset(Par);
    int32_t At = First;
    const auto Start = TSteady::now();
    for (int32_t I = 0; I < Count; ++I) {
        const TTextPoint Point{Par, At, -1};
        (void)List.ReplaceRange("x", Point, Point, true, false);
        ++At;
    }
    const double Us = Seconds(TSteady::now() - Start) * 1e6 / Count;
    (void)List.ReplaceRange("", TTextPoint{Par, First, -1}, TTextPoint{Par, At, -1}, true, false);
    return Us;
}

void Typing(int32_t Paragraphs, int Runs) {
    const std::string Text = MakeText(Paragraphs);
    std::printf("Typing, %d paragraphs (%.0f MB):\n", Paragraphs,
                static_cast<double>(Text.size()) / 1e6);
    TParagraphsList List;
    {
        TMemoryStream Stream(Text);
        TKorvelLineBreak Break = kbCRLF;
        List.LoadText(Stream, 0, 0, nullptr, Break, false);
    }
    constexpr int32_t Count = 2000;
    for (const bool Wrap : {false, true}) {
        TPane Pane(Wrap);
        TMemoryStream Stream(Text);
        Pane.Control.LoadFromStream(Stream);
        Pane.FirstScreen();
        for (int R = 0; R < Runs; ++R) {
            const char* Names[] = {"start", "middle", "end"};
            for (int W = 0; W < 3; ++W) {
                const int32_t Length = Pane.Control.GetTextLength();
                const int32_t Offset = W == 0 ? 0 : W == 1 ? Length / 2 : Length;
                const double Control = TypeAt(Pane.Control, Offset, Count);
                const int32_t ListLength = List.GetTextLength();
                const int32_t ListOffset = W == 0 ? 0 : W == 1 ? ListLength / 2 : ListLength;
                const double Store = ReplaceAt(List, ListOffset, Count);
                std::printf("  run %d, word wrap %-3s, %-6s: SetSelText %6.2f us, ReplaceRange "
                            "%6.2f us, the control's share %6.2f us (goal < %.0f us)\n",
                            R + 1, Wrap ? "on" : "off", Names[W], Control, Store, Control - Store,
                            TypingGoalUs);
            }
        }
    }
}

void WritePath(int Runs) {
    const std::vector<std::string> Lines = HtmlLines(1'400'000);
    std::string Text;
    for (const std::string& Line : Lines) {
        Text += Line;
        Text += "\r\n";
    }
    std::printf("Write path, %zu lines (%.0f MB):\n", Lines.size(),
                static_cast<double>(Text.size()) / 1e6);
    // A fresh process pays for the first touch of its memory in whichever
    // operation comes first (on this machine up to 0.3 s for 100 MB). One
    // untimed load takes that cost, so that every run compares the two
    // paths on memory the process has used before.
    {
        TPane Pane(false);
        TMemoryStream Stream(Text);
        Pane.Control.LoadFromStream(Stream);
        Pane.FirstScreen();
    }
    for (int R = 0; R < Runs; ++R) {
        double AddSeconds = 0;
        double LinesSeconds = 0;
        double EndSeconds = 0;
        {
            TPane Pane(false);
            const auto Start = TSteady::now();
            Pane.Control.Clear();
            Pane.Control.BeginUpdate();
            TKorvelLinesStrings& View = Pane.Control.GetLines();
            for (const std::string& Line : Lines)
                View.Add(Line);
            const auto Added = TSteady::now();
            Pane.Control.EndUpdate();
            const auto Ended = TSteady::now();
            Pane.FirstScreen();
            AddSeconds = Seconds(TSteady::now() - Start);
            LinesSeconds = Seconds(Added - Start);
            EndSeconds = Seconds(Ended - Added);
            if (Pane.Control.GetTextLength() != static_cast<int32_t>(Text.size()))
                std::printf("  (length mismatch)\n");
        }
        // The store's own share: the same lines, each with its break,
        // replacing the empty last paragraph of a bare paragraph list.
        double StoreSeconds = 0;
        {
            TParagraphsList List;
            List.AddEmptyParagraph();
            std::string Appended;
            const auto Start = TSteady::now();
            for (const std::string& Line : Lines) {
                Appended.assign(Line);
                Appended += "\r\n";
                const TTextPoint End{List.GetCount() - 1, 0, -1};
                (void)List.ReplaceRange(Appended.c_str(), End, End, true, false);
            }
            StoreSeconds = Seconds(TSteady::now() - Start);
        }
        double LoadSeconds = 0;
        double ReadSeconds = 0;
        double CopySeconds = 0;
        {
            TPane Pane(false);
            TMemoryStream Stream(Text);
            const auto Start = TSteady::now();
            Pane.Control.LoadFromStream(Stream);
            Pane.FirstScreen();
            LoadSeconds = Seconds(TSteady::now() - Start);

            // Warm: the best of three of each.
            ReadSeconds = CopySeconds = 1e9;
            std::string Copy(Text.size(), '\0');
            for (int K = 0; K < 3; ++K) {
                auto T0 = TSteady::now();
                const std::string All = Pane.Control.GetAllText();
                ReadSeconds = std::min(ReadSeconds, Seconds(TSteady::now() - T0));
                if (All.size() != Text.size())
                    std::printf("  (GetAllText size mismatch)\n");
                T0 = TSteady::now();
                std::memcpy(Copy.data(), Text.data(), Text.size());
                CopySeconds = std::min(CopySeconds, Seconds(TSteady::now() - T0));
                if (Copy[Copy.size() / 2] != Text[Text.size() / 2])
                    std::printf("  (copy mismatch)\n");
            }
        }
        const double GB = static_cast<double>(Text.size()) / 1e9;
        std::printf("  run %d: Clear + BeginUpdate + Lines.Add x %zu + EndUpdate + first screen "
                    "%.3f s (goal < %.1f s) | LoadFromStream + first screen %.3f s | ratio %.2f "
                    "(goal <= 2)\n",
                    R + 1, Lines.size(), AddSeconds, WritePathGoalS, LoadSeconds,
                    AddSeconds / LoadSeconds);
        std::printf("         of it: Clear + Lines.Add %.3f s, EndUpdate %.3f s, first screen "
                    "%.3f s | the paragraph list's own replacements %.3f s\n",
                    LinesSeconds, EndSeconds, AddSeconds - LinesSeconds - EndSeconds, StoreSeconds);
        std::printf("         GetAllText %.2f GB/s (goal >= 2) | memcpy %.2f GB/s\n",
                    GB / ReadSeconds, GB / CopySeconds);
    }
}

} // namespace

int main(int argc, char** argv) {
    const long Paragraphs = bench::ArgumentValue(argc, argv, "--paragraphs=", 0);
    const int Runs = static_cast<int>(std::max(1L, bench::ArgumentValue(argc, argv, "--runs=", 2)));
    std::printf("Editor control in a headless window of %d x %d characters, on-need formatting, "
                "system clock\n",
                Columns, Rows);
    WritePath(Runs);
    if (bench::HasArgument(argc, argv, "--write-only"))
        return 0;
    if (Paragraphs > 0) {
        Typing(static_cast<int32_t>(Paragraphs), Runs);
        return 0;
    }
    Typing(1'000'000, Runs);
    Typing(4'000'000, Runs);
    return 0;
}
