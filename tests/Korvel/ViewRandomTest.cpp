// Random edits, scrolls, resizes, caret moves and word-wrap switches on a
// text of regular words, checked after every step against a model of the
// display lines: the line count of every paragraph, the scroll-bar range,
// page and thumb, the top line against the vertical offset, the caret in
// view after it was brought there, and the lines a full repaint copies.
// QUOLT_VIEW_SEED and QUOLT_VIEW_ROUNDS override the seed and the number of
// steps.

#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace korvel::test {
namespace {

uint64_t EnvOr(const char* Name, uint64_t Default) {
    const char* Value = std::getenv(Name);
    return Value != nullptr && *Value != 0 ? std::strtoull(Value, nullptr, 10) : Default;
}

// Every word is five letters (30 pixels), words are parted by one blank.
constexpr int32_t WordW = 5 * CharW;

// The text as word counts per paragraph.
struct TModel {
    std::vector<int32_t> Words;
    bool Wrap = true;
    int32_t Width = 400;

    // Words that fit a line: k words take 36 k - 6 pixels.
    int32_t WordsPerLine() const {
        return std::max((Width - 2 * Margin + CharW) / (WordW + CharW), 1);
    }
    int32_t LinesOf(int32_t Par) const {
        if (!Wrap || Words[Par] == 0)
            return 1;
        return (Words[Par] + WordsPerLine() - 1) / WordsPerLine();
    }
    int32_t TotalLines() const {
        int32_t Total = 0;
        for (size_t I = 0; I < Words.size(); ++I)
            Total += LinesOf(static_cast<int32_t>(I));
        return Total;
    }
    std::string Text() const {
        std::string Out;
        for (size_t I = 0; I < Words.size(); ++I) {
            if (I > 0)
                Out += "\r\n";
            for (int32_t W = 0; W < Words[I]; ++W)
                Out += W > 0 ? " qbcde" : "qbcde";
        }
        return Out;
    }
};

class TViewRandom {
public:
    // In background mode the posted formatting steps run before each check.
    TViewRandom(uint64_t Seed, TkvUpdateMode Mode) : Rng(Seed) {
        const int32_t Count = Pick(1, 120);
        for (int32_t I = 0; I < Count; ++I)
            Model.Words.push_back(Pick(0, 25));
        V = std::make_unique<TView>(Model.Text(), TSize{400, 300});
        (*V)->SetUpdateMode(Mode);
    }

    void Step(int32_t Round) {
        const int32_t Op = Pick(0, 11);
        SCOPED_TRACE(testing::Message() << "round " << Round << " step " << Op);
        bool CaretShown = false;
        bool WithinText = false;
        switch (Op) {
        case 0:
        case 1:
            InsertWord();
            break;
        case 2:
            DeleteWord();
            break;
        case 3:
            Split();
            break;
        case 4:
            Join();
            break;
        case 5:
            V->Send(WM_VSCROLL,
                    std::array{SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN}[Pick(0, 3)]);
            break;
        case 6:
            V->Host.Send(TMessage::Wheel(Pick(-5, 5) * 60, {1, 1}, 0));
            WithinText = true;
            break;
        case 7:
            Model.Width = Pick(120, 600);
            V->Host.Resize({Model.Width, Pick(60, 400)});
            break;
        case 8:
            Model.Wrap = !Model.Wrap;
            (*V)->SetWordWrap(Model.Wrap);
            WithinText = true;
            break;
        case 9:
        case 10:
            MoveCaret(**V, Pick(0, (*V)->GetTextLength()));
            CaretShown = true;
            break;
        default:
            (*V)->SetTopPixel(Pick(0, std::max((*V)->MaxTopPixel(), 0)));
            break;
        }
        for (int32_t Rounds = 0; V->Host.PendingMessages() > 0 && Rounds < 100000; ++Rounds)
            V->Host.PumpMessages();
        Check(CaretShown, WithinText);
    }

private:
    int32_t Pick(int32_t Lo, int32_t Hi) {
        return std::uniform_int_distribution<int32_t>(Lo, Hi)(Rng);
    }
    int32_t Par() { return Pick(0, static_cast<int32_t>(Model.Words.size()) - 1); }
    int32_t Start(int32_t P) { return ListOf(**V).GetStartOffset(P); }

    void InsertWord() {
        const int32_t P = Par();
        Edit(**V, Start(P), Start(P), Model.Words[P] > 0 ? "qbcde " : "qbcde");
        ++Model.Words[P];
    }
    void DeleteWord() {
        const int32_t P = Par();
        if (Model.Words[P] == 0)
            return;
        Edit(**V, Start(P), Start(P) + (Model.Words[P] > 1 ? 6 : 5), "");
        --Model.Words[P];
    }
    // The blank after word K becomes a break.
    void Split() {
        const int32_t P = Par();
        if (Model.Words[P] < 2)
            return;
        const int32_t K = Pick(1, Model.Words[P] - 1);
        const int32_t At = Start(P) + 6 * K - 1;
        Edit(**V, At, At + 1, "\r\n");
        Model.Words.insert(Model.Words.begin() + P + 1, Model.Words[P] - K);
        Model.Words[P] = K;
    }
    void Join() {
        if (Model.Words.size() < 2)
            return;
        const int32_t P = Pick(0, static_cast<int32_t>(Model.Words.size()) - 2);
        const bool Blank = Model.Words[P] > 0 && Model.Words[P + 1] > 0;
        Edit(**V, Start(P + 1) - 2, Start(P + 1), Blank ? " " : "");
        Model.Words[P] += Model.Words[P + 1];
        Model.Words.erase(Model.Words.begin() + P + 1);
    }

    void Check(bool CaretShown, bool WithinText) {
        TKorvel& C = **V;
        ASSERT_EQ(ListOf(C).FindInconsistency(), "");
        ASSERT_EQ(C.GetParagraphCount(), static_cast<int32_t>(Model.Words.size()));
        for (int32_t P = 0; P < C.GetParagraphCount(); ++P)
            ASSERT_EQ(ListOf(C)[P].LineCountOf(), Model.LinesOf(P)) << "paragraph " << P;
        const int32_t Total = Model.TotalLines();
        ASSERT_EQ(C.GetLineCount(), Total);

        const int32_t Height = V->Host.GetClientSize().cy;
        const int64_t TextHeight = int64_t{Total} * LineH;
        const int32_t Unit = static_cast<int32_t>(TextHeight / 32760 + 1);
        const TScrollInfo Bar = V->VBar();
        EXPECT_EQ(C.GetVertUnit(), Unit);
        EXPECT_EQ(Bar.Max, std::max<int64_t>(TextHeight / Unit, Height - LineH - 1));
        EXPECT_EQ(Bar.Page, std::max(Height - 3, 0) / Unit);
        EXPECT_EQ(Bar.Pos,
                  std::clamp(C.GetTopPixel() / Unit, 0, std::max(Bar.Max - Bar.Page + 1, 0)));
        EXPECT_EQ(C.GetVisibleLines(), Height / LineH + 1);
        EXPECT_EQ(C.GetTextWidth(), Model.Width);

        ASSERT_GE(C.GetTopPixel(), -1);
        EXPECT_EQ(C.GetTopLine(),
                  std::min(std::max(C.GetTopPixel(), 0) / LineH, std::max(Total - 1, 0)));
        if (WithinText) {
            EXPECT_LE(C.GetTopLine(), std::max(Total - C.GetVisibleLines() + 1, 0));
        }
        if (CaretShown) {
            const int32_t Line = C.GetCaretNav().GetGlobalLine();
            EXPECT_EQ(C.GetCaretY(), Line * LineH - C.GetTopPixel());
            EXPECT_GE(C.GetCaretY(), 0);
            if (Height >= LineH + 4) {
                EXPECT_LE(C.GetCaretY() + LineH, Height);
            }
            if (!Model.Wrap) {
                EXPECT_GE(C.GetCaretX(), 0);
                EXPECT_LT(C.GetCaretX(), Model.Width);
            }
        }

        // A full repaint copies every line that meets the window.
        V->Bitmap().ClearRecords();
        V->Host.WindowCanvas().ClearRecords();
        C.Invalidate();
        V->Host.Update();
        const int32_t First = std::max(C.GetTopPixel(), 0) / LineH;
        const int32_t Last = (Height + C.GetTopPixel() - 1) / LineH;
        const int32_t Shown = std::max(std::min(Last, Total - 1) - First + 1, 0);
        EXPECT_EQ(static_cast<int32_t>(V->Host.WindowCanvas().RecordsOf(coCopyFrom).size()), Shown);
    }

    std::mt19937_64 Rng;
    TModel Model;
    std::unique_ptr<TView> V;
};

TEST(ViewRandomTest, ScrollRangesTopLineAndCaretFollowTheModelOfDisplayLines) {
    const uint64_t Seed = EnvOr("QUOLT_VIEW_SEED", 20261209);
    const int32_t Rounds = static_cast<int32_t>(EnvOr("QUOLT_VIEW_ROUNDS", 2000));
    SCOPED_TRACE(testing::Message() << "QUOLT_VIEW_SEED=" << Seed);
    for (uint64_t Run = 0; Run < 4; ++Run) {
        TViewRandom Random(Seed + Run, Run % 2 == 0 ? umImmediate : umBackground);
        for (int32_t Round = 0; Round < Rounds / 4; ++Round) {
            Random.Step(Round);
            if (testing::Test::HasFatalFailure() || testing::Test::HasNonfatalFailure())
                return;
        }
    }
}

} // namespace
} // namespace korvel::test
