// Random replacements applied to a paragraph list and to the reference model
// side by side. QUOLT_REPLACE_SEED and QUOLT_REPLACE_ROUNDS override the seed
// and the number of replacements.

#include "KVSupport/TKorvelNavigator.h"
#include "NavigatorTestSupport.h"
#include "ParagraphsListSupport.h"
#include "RandomTestSupport.h"
#include "ReplaceModel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

class TReplaceHarness {
public:
    explicit TReplaceHarness(uint64_t Seed) : Random(Seed) {}

    // A fresh text; then Rounds replacements, each checked against the model.
    ::testing::AssertionResult Episode(int Rounds) {
        StaticFormat = Chance(2);
        Control.SetStaticFormat(StaticFormat);
        Model = TReplaceModel{};
        Model.StaticFormat = StaticFormat;
        const int Paragraphs = Chance(10) ? 1500 : 1 + static_cast<int>(Below(60));
        for (int I = 0; I < Paragraphs; ++I)
            Model.Text += (I > 0 ? "\r\n" : "") + RandomPiece(Chance(3) ? 0 : 40, false);
        TParagraphsList& List = Control.GetParagraphsList();
        List.ClearText();
        Load(List, Model.Text);
        StartNav.Reset(); // as after every load: the records they cached are gone
        EndNav.Reset();
        for (TKorvelNavigator& Nav : Bystanders)
            Nav.Reset();
        NextRunId = 1;
        Inverse.reset();
        for (int Round = 0; Round < Rounds; ++Round) {
            Decorate();
            if (auto Result = ReplaceOnce(); !Result)
                return Result << " (round " << Round << ")";
        }
        return ::testing::AssertionSuccess();
    }

private:
    bool Chance(uint32_t OneIn) { return Random() % OneIn == 0; }
    uint32_t Below(uint32_t N) { return static_cast<uint32_t>(Random() % N); }

    // Bytes without breaks: letters, blanks, tabs, codes and, unless the
    // piece is loaded (where it would be a break), lone LFs.
    std::string RandomPiece(uint32_t MaxLength, bool WithLf = true) {
        static constexpr char Bytes[] = "abcdefgh  \t\x01\x02\x03\x04\x15\n";
        std::string Piece;
        for (uint32_t N = MaxLength > 0 ? Below(MaxLength) : 0; N > 0; --N)
            Piece += Bytes[Below(sizeof(Bytes) - (WithLf ? 1 : 2))];
        return Piece;
    }

    std::string RandomNewText() {
        if (Chance(400))
            return std::string(70000, 'w'); // a paragraph that needs the extension
        std::string Text;
        // Many paragraphs at once go into the list's shared load buffers.
        const uint32_t Pieces = Chance(150)  ? 1100 + Below(400)
                                : Chance(25) ? 60 + Below(40)
                                             : Below(4);
        for (uint32_t K = 0; K < Pieces; ++K) {
            static constexpr const char* Breaks[] = {"\r\n", "\r", "\r\n", "\r\r\n"};
            Text += RandomPiece(Chance(2) ? 3 : 12);
            if (K + 1 < Pieces || Chance(4))
                Text += Breaks[Below(4)];
        }
        return Text;
    }

    // Highlight runs and wrapped lines on random paragraphs, a start run now
    // and then, so that replacements have something to keep in step.
    void Decorate() {
        TParagraphsList& List = Control.GetParagraphsList();
        const auto Index = static_cast<int32_t>(Below(static_cast<uint32_t>(List.GetCount())));
        const int32_t Length = List[Index].ParLength();
        if (Chance(3)) {
            const auto Offset = static_cast<int32_t>(Below(static_cast<uint32_t>(Length) + 1));
            const TRunMark Mark{List.GetStartOffset(Index) + Offset, NextRunId};
            const auto At = std::lower_bound(
                Model.Runs.begin(), Model.Runs.end(), Mark,
                [](const TRunMark& A, const TRunMark& B) { return A.Pos < B.Pos; });
            if (At == Model.Runs.end() || At->Pos != Mark.Pos) {
                AddRun(Control, Index, Offset,
                       StyleRun(static_cast<uint8_t>(Below(64)), NextRunId++));
                Model.Runs.insert(At, Mark);
            }
        }
        if (Chance(4) && Length >= 2) {
            std::vector<int32_t> Starts{0};
            for (int32_t Start = 1 + static_cast<int32_t>(Below(30)); Start < Length && !Chance(4);
                 Start += 1 + static_cast<int32_t>(Below(30)))
                Starts.push_back(Start);
            WrapAt(Control, Index, Starts);
        }
        if (Chance(25)) {
            const HighlightRun Start = StyleRun(1, -Index - 1);
            List[Index].SetStartRun(&Start, true);
        }
        // As the control does after laying out or highlighting a paragraph:
        // navigators there forget the lines and runs they cached.
        TKorvelNavigator::InvalidateNavigators(Control, List.GetStartOffset(Index), Index);
    }

    // Navigators reach their positions through different paths and with
    // different caches, as the control's own navigators do.
    void Place(TKorvelNavigator& Nav, int32_t Pos) {
        Nav.SetPos(Pos);
        if (Chance(2))
            Nav.GetLineIndex();
        if (Chance(3))
            Nav.SkipRunsHere();
    }

    ::testing::AssertionResult ReplaceOnce() {
        TParagraphsList& List = Control.GetParagraphsList();
        const uint32_t Length = static_cast<uint32_t>(List.GetTextLength());
        const bool Shrink = Length > 40000;
        int32_t Pos1 = static_cast<int32_t>(Below(Length + 1));
        const uint32_t Span = Shrink ? Length / 2 : Chance(20) ? Length : Chance(3) ? 200 : 8;
        int32_t Pos2 =
            std::min<int32_t>(List.GetTextLength(), Pos1 + static_cast<int32_t>(Below(Span + 1)));
        if (!Shrink && Chance(4)) { // appending, as text written line by line
            Pos2 = static_cast<int32_t>(Length);
            Pos1 = Pos2 - static_cast<int32_t>(Below(std::min(Length, 30u) + 1));
        }
        std::string New = Shrink ? std::string() : RandomNewText();
        if (!Shrink && List[List.GetCount() - 1].ParLength() == 0 && Chance(2)) {
            // A line written at the end, as the program writes its output.
            Pos1 = Pos2 = static_cast<int32_t>(Length);
            New = (Chance(10) ? std::string(CompactLengthLimit - 2 + Below(4), 'w')
                              : RandomPiece(Chance(8) ? 0 : 40)) +
                  "\r\n";
        }
        bool CloseFormats = !Chance(4);
        bool DiscardTrailing = Chance(3);
        if (Inverse && Chance(3)) { // undoing the last replacement, or redoing it
            Pos1 = Inverse->Pos1;
            Pos2 = Inverse->Pos2;
            New = Inverse->Text;
            CloseFormats = DiscardTrailing = false;
        }
        const char* NewText = New.empty() && Chance(2) ? nullptr : New.c_str();
        const auto Edit = Model.Plan(Pos1, Pos2, NewText, CloseFormats, DiscardTrailing);
        const std::string Removed = Model.Text.substr(static_cast<size_t>(Edit.Pos1),
                                                      static_cast<size_t>(Edit.Pos2 - Edit.Pos1));

        TKorvelNavigator Probe(&Control);
        Probe.SetPos(Edit.Pos1);
        const HighlightRun InForce = Probe.CurrentRun();
        const HighlightRun* FirstStartRun = List[Edit.FirstPara].StartRun();
        const std::vector<uint8_t> StatesBefore = StartCodeStates(List);
        const int32_t CountBefore = List.GetCount();
        const int32_t LinesBefore = List.GetLineCount();
        Place(EndNav, Pos2);
        Place(StartNav, Pos1);
        int32_t BystanderPos[std::size(Bystanders)];
        for (size_t K = 0; K < std::size(Bystanders); ++K) {
            BystanderPos[K] = K == 0 ? static_cast<int32_t>(Below(static_cast<uint32_t>(Pos1) + 1))
                                     : static_cast<int32_t>(Below(Length + 1));
            Place(Bystanders[K], BystanderPos[K]);
        }

        const TTextChange Change =
            ReplaceBetween(StartNav, EndNav, NewText, CloseFormats, DiscardTrailing);
        const bool RunsCut = Change.RunsCut;
        const int32_t LineDelta = Change.LineDelta;
        const int32_t CharDelta = Change.CharDelta;
        for (TKorvelNavigator& Nav : Bystanders)
            Nav.AdjustAfterReplace(StartNav, Change);
        Model.Apply(Edit);
        Inverse = TInverse{Edit.Pos1, Edit.EndPos(), Removed};

        const auto Failure = [&]() {
            return ::testing::AssertionFailure()
                   << "replacing " << Pos1 << " .. " << Pos2 << " by \"" << Escaped(New)
                   << "\" (close " << CloseFormats << ", discard " << DiscardTrailing << ", static "
                   << StaticFormat << "): ";
        };
        if (CharDelta != Edit.CharDelta || List.GetCount() - CountBefore != Edit.ParagraphDelta ||
            LineDelta != List.GetLineCount() - LinesBefore || RunsCut != Edit.RunsCut)
            return Failure() << "CharDelta " << CharDelta << ", LineDelta " << LineDelta
                             << ", RunsCut " << RunsCut << ", " << List.GetCount() << " paragraphs";
        const std::vector<uint8_t> Expected = ExpectedStartCodeStates(StatesBefore, List, Edit);
        if (const std::vector<uint8_t> Got = StartCodeStates(List); Got != Expected) {
            const auto First = std::mismatch(Got.begin(), Got.end(), Expected.begin()).first;
            return Failure() << "start code state of paragraph " << First - Got.begin()
                             << " (first replaced " << Edit.FirstPara << ")";
        }
        RepairStartCodeStates();
        if (auto Result = ListMatchesModel(List, Model); !Result)
            return Failure() << Result.message();
        if (StartNav.GetPos() != Edit.Pos1 || EndNav.GetPos() != Edit.EndPos() ||
            !CachesAgree(StartNav) || !CachesAgree(EndNav))
            return Failure() << "navigators at " << StartNav.GetPos() << " and " << EndNav.GetPos()
                             << ", expected " << Edit.Pos1 << " and " << Edit.EndPos();
        for (size_t K = 0; K < std::size(Bystanders); ++K) {
            const int32_t Was = BystanderPos[K];
            const int32_t Expected = Was < Change.FromPos  ? Was
                                     : Was <= Change.ToPos ? Edit.Pos1
                                                           : Was + CharDelta;
            if (Bystanders[K].GetPos() != Expected)
                return Failure() << "a navigator at " << Was << " went to "
                                 << Bystanders[K].GetPos() << ", expected " << Expected;
            if (auto Agree = CachesAgree(Bystanders[K], true); !Agree)
                return Failure() << "a navigator from " << Was << ": " << Agree.message();
        }
        // Lines are kept shifted only while the text behind keeps its style.
        const bool Patched =
            Edit.OneParagraph && !RunsCut && Edit.Carry == 0 && List[Edit.FirstPara].HasExtra();
        if (List.GetPendingChange().GetLinesPatched() != Patched)
            return Failure() << "LinesPatched " << List.GetPendingChange().GetLinesPatched();
        if (List[Edit.FirstPara].StartRun() != FirstStartRun)
            return Failure() << "the first paragraph lost its start run";
        for (int32_t K = 1; K <= Edit.NewParagraphs; ++K) {
            const HighlightRun& Start = *List[Edit.FirstPara + K].StartRun();
            const bool Automatic = (InForce.Flags & hfAutomatic) != 0;
            if (Start.Context != (Automatic ? InForce.Context : 0))
                return Failure() << "new paragraph " << K
                                 << " does not start with the run in force";
        }
        return ::testing::AssertionSuccess();
    }

    // Replacements without closing codes may leave the start code states of
    // the paragraphs behind stale (as expected above); the next round starts
    // from consistent ones.
    void RepairStartCodeStates() {
        TParagraphsList& List = Control.GetParagraphsList();
        uint8_t State = 0;
        for (int32_t I = 0; I < List.GetCount(); ++I) {
            List[I].SetStartCodeState(State);
            if (StaticFormat)
                State = ToggleCodes(State, List[I].View());
        }
    }

    // The replacement that takes the last one back: its range and the text
    // it removed.
    struct TInverse {
        int32_t Pos1;
        int32_t Pos2;
        std::string Text;
    };
    std::optional<TInverse> Inverse;

    std::mt19937_64 Random;
    TCustomKorvel Control;
    TKorvelNavigator StartNav{&Control};
    TKorvelNavigator EndNav{&Control};
    // Other navigators of the control, which follow each change as the
    // control moves them: some before the range, some in it, some behind.
    TKorvelNavigator Bystanders[4] = {TKorvelNavigator{&Control}, TKorvelNavigator{&Control},
                                      TKorvelNavigator{&Control}, TKorvelNavigator{&Control}};
    TReplaceModel Model;
    bool StaticFormat = false;
    int32_t NextRunId = 1;
};

} // namespace

TEST(ReplaceRangeDifferentialTest, RandomReplacementsAgreeWithTheModel) {
    const uint64_t Seed = EnvOr("QUOLT_REPLACE_SEED", 20261208);
    const auto Rounds = static_cast<int>(EnvOr("QUOLT_REPLACE_ROUNDS", 6000));
    constexpr int PerEpisode = 150;
    TReplaceHarness Harness(Seed);
    for (int Done = 0; Done < Rounds; Done += PerEpisode)
        ASSERT_TRUE(Harness.Episode(std::min(PerEpisode, Rounds - Done)))
            << "seed " << Seed << ", episode " << Done / PerEpisode;
}
