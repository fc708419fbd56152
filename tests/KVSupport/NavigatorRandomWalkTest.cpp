#include "KVSupport/TKorvelNavigator.h"

#include "KVSupport/TSeparatorSet.h"
#include "KorvelTestSupport.h"
#include "NavigatorTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

// A text of uneven paragraphs over several record blocks: runs of empty
// ones, short words, long lines and a few very long paragraphs, so that the
// paragraph search meets poor guesses. Some paragraphs are wrapped and some
// carry highlight runs.
class TWalkText {
public:
    explicit TWalkText(uint32_t Seed) : Random(Seed) {
        std::string Text;
        const int Paragraphs = 2600;
        for (int I = 0; I < Paragraphs; ++I) {
            if (I > 0)
                Text += "\r\n";
            const int Kind = static_cast<int>(Random() % 10);
            int Length = 0;
            if (I > 800 && I < 1400)
                Length = 0; // a long stretch of empty paragraphs
            else if (Kind < 5)
                Length = static_cast<int>(Random() % 12);
            else if (Kind < 9)
                Length = static_cast<int>(Random() % 90);
            else
                Length = static_cast<int>(Random() % 3000);
            for (int C = 0; C < Length; ++C)
                Text += Alphabet[Random() % (sizeof(Alphabet) - 1)];
        }
        Model = Text;
        Korvel = std::make_unique<TTestKorvel>(Text);
        TCustomKorvel& Control = Korvel->Control;
        TParagraphsList& List = Control.GetParagraphsList();
        for (int32_t I = 0; I < List.GetCount(); ++I) {
            const int32_t Length = List[I].ParLength();
            if (Length > 2 && Random() % 3 == 0)
                for (int32_t Offset = static_cast<int32_t>(Random() % 4); Offset <= Length;
                     Offset += 1 + static_cast<int32_t>(Random() % 20))
                    AddRun(Control, I, Offset);
            if (Length > 8 && Random() % 2 == 0) {
                std::vector<int32_t> Starts{0};
                while (Starts.back() + 8 < Length)
                    Starts.push_back(Starts.back() + 1 + static_cast<int32_t>(Random() % 40));
                if (Starts.back() >= Length)
                    Starts.pop_back();
                WrapAt(Control, I, Starts);
            }
        }
        UpdateFirstLines(Control);
    }

    TCustomKorvel& Control() { return Korvel->Control; }
    int32_t Length() const { return static_cast<int32_t>(Model.size()); }
    // The character CharAt reads at Pos: the text with CR LF breaks, and 13
    // at the end of the text.
    uint8_t CharAt(int32_t Pos) const {
        return Pos < Length() ? static_cast<uint8_t>(Model[static_cast<size_t>(Pos)]) : 13;
    }
    const std::string& GetModel() const { return Model; }

    std::mt19937 Random;

private:
    static constexpr char Alphabet[] = "abcdefgh  ,.\t";
    std::string Model;
    std::unique_ptr<TTestKorvel> Korvel;
};

// The word moves over the flat text, as a reader of CharAt sees them.
int32_t ExpectedWordLeft(const TWalkText& T, const TSeparatorSet& Seps, int32_t P) {
    do {
        if (P == 0)
            return 0;
        --P;
    } while (Seps.IsSeparator(T.CharAt(P)));
    while (P > 0) {
        if (Seps.IsSeparator(T.CharAt(P - 1)))
            return P;
        --P;
    }
    return 0;
}

int32_t ExpectedWordRight(const TWalkText& T, const TSeparatorSet& Seps, int32_t P) {
    if (T.CharAt(P) == 13)
        return std::min(P + 2, T.Length());
    while (P < T.Length() && !Seps.IsSeparator(T.CharAt(P)))
        ++P;
    while (P < T.Length() && Seps.IsSeparator(T.CharAt(P)))
        ++P;
    return P;
}

} // namespace

TEST(NavigatorRandomWalkTest, EveryCacheAgreesWithAFreshNavigator) {
    for (const uint32_t Seed : {1u, 2u, 3u}) {
        TWalkText T(Seed);
        TCustomKorvel& Control = T.Control();
        const TSeparatorSet& Seps = Control.GetSeparatorSet();
        TKorvelNavigator Nav(&Control);
        std::mt19937& R = T.Random;
        const int32_t Length = T.Length();
        const int32_t Lines = Control.GetLineCount();
        // Whether the run cache may count the runs starting at the position,
        // and whether the line cache may hold a position at a wrap on the
        // line it ends: set by the operations that do so, kept by those that
        // leave those caches alone.
        bool RunsHere = false;
        bool LineEnd = false;
        for (int Step = 0; Step < 20000; ++Step) {
            const int32_t Before = Nav.GetPos();
            const int Op = static_cast<int>(R() % 20);
            switch (Op) {
            case 0:
            case 1: { // anywhere, also outside the text
                const int32_t A = static_cast<int32_t>(R() % (Length + 20)) - 10;
                Nav.SetPos(A);
                ASSERT_EQ(Nav.GetPos(), std::clamp(A, 0, Length));
                break;
            }
            case 2:
            case 3:
            case 4: // a little forward, the common case
                Nav.SetPos(Before + static_cast<int32_t>(R() % 6));
                break;
            case 5: // a little backward
                Nav.SetPos(Before - static_cast<int32_t>(R() % 6));
                break;
            case 6:
                Nav.SetParagraph(static_cast<int32_t>(R() % Control.GetParagraphCount()));
                break;
            case 7:
                Nav.SetParOffset(static_cast<int32_t>(R() % 100) - 5);
                break;
            case 8: {
                const int32_t L = static_cast<int32_t>(R() % (Lines + 4)) - 2;
                Nav.SetGlobalLine(L);
                ASSERT_EQ(Nav.GetGlobalLine(), std::clamp(L, 0, Lines - 1));
                ASSERT_EQ(Nav.GetLineOffset(), 0);
                break;
            }
            case 9: {
                const int32_t N = static_cast<int32_t>(R() % 50);
                const TLineRecord Line = LineRecordOf(*Nav.GetPar(), Nav.GetLineIndex());
                Nav.SetLineOffset(N);
                ASSERT_EQ(Nav.GetLineOffset(), std::min(N, Line.Stop - Line.Start));
                break;
            }
            case 10:
                Nav.WordLeft(Seps);
                ASSERT_EQ(Nav.GetPos(), ExpectedWordLeft(T, Seps, Before));
                break;
            case 11:
                Nav.WordRight(Seps);
                ASSERT_EQ(Nav.GetPos(), ExpectedWordRight(T, Seps, Before));
                break;
            case 12:
                Nav.WordStart(Seps);
                Nav.WordEnd(Seps);
                break;
            case 13: // fill the caches the operations above may have dropped
                Nav.GetLineIndex();
                Nav.GetRunIndex();
                break;
            case 14:
                Nav.SkipRunsHere();
                break;
            case 15:
                if (Nav.PrevRun(std::max(0, Before - 500)))
                    ASSERT_LE(Nav.GetPos(), Before);
                else
                    ASSERT_EQ(Nav.GetPos(), Before);
                break;
            case 16:
                if (Nav.NextRun(Before + 500))
                    ASSERT_GE(Nav.GetPos(), Before);
                else
                    ASSERT_EQ(Nav.GetPos(), Before);
                break;
            case 17: // runs come and go, at most one at an offset
                RunsHere = false;
                Nav.Reset();
                Nav.SetPos(Before);
                try {
                    Nav.DeleteRun();
                } catch (const Exception&) {
                    Nav.InsertRun(StyleRun(fsBold));
                    RunsHere = true;
                }
                break;
            case 18: {
                ASSERT_EQ(Nav.CharAt(), T.CharAt(Before));
                std::string Buffer(33, '\0');
                const int32_t N = Nav.CopyText(Buffer.data(), 32);
                ASSERT_EQ(Buffer.substr(0, static_cast<size_t>(N)),
                          T.GetModel().substr(static_cast<size_t>(Before), 32));
                ASSERT_EQ(Nav.GetPos(), Before);
                break;
            }
            default: {
                std::string Line;
                Nav.GetLineText(Line);
                const int32_t Start = Nav.GetPos() - Nav.GetLineOffset();
                ASSERT_EQ(Line, T.GetModel().substr(static_cast<size_t>(Start), Line.size()));
                break;
            }
            }
            const bool Moved = Nav.GetPos() != Before;
            const bool Reads = Op == 13 || Op == 18 || Op >= 19;
            LineEnd = Op == 7 || Op == 9 ||
                      (LineEnd && (Reads || Op == 14 || ((Op == 15 || Op == 16) && !Moved)));
            RunsHere = Op == 14 || (Op == 17 && RunsHere) ||
                       (RunsHere && !Moved && (Op <= 5 || Op >= 10) && Op != 17);
            ASSERT_TRUE(CachesAgree(Nav, RunsHere, LineEnd))
                << "step " << Step << " op " << Op << " seed " << Seed;
        }
    }
}
