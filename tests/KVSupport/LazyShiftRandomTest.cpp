// Edits and shifts at places far apart, interleaved with reads of offsets and
// first lines, against plain models: every jump of the shift step and of the
// record array's gap is followed by reads on both sides of it.
// QUOLT_SHIFT_SEED and QUOLT_SHIFT_ROUNDS override the seed and the number
// of operations of each test.

#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TKorvelNavigator.h"
#include "ParagraphsListSupport.h"
#include "RandomTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

uint64_t ShiftSeed() {
    return EnvOr("QUOLT_SHIFT_SEED", 20261209);
}

int ShiftRounds(int Default) {
    return static_cast<int>(EnvOr("QUOLT_SHIFT_ROUNDS", static_cast<uint64_t>(Default)));
}

class TRandom {
public:
    explicit TRandom(uint64_t Seed) : Engine(Seed) {}
    int32_t Below(int64_t N) { return static_cast<int32_t>(Engine() % static_cast<uint64_t>(N)); }
    bool Chance(int OneIn) { return Below(OneIn) == 0; }
    uint32_t Bits() { return static_cast<uint32_t>(Engine()); }

    // An index of 0 .. Count - 1 in turn near the start, near the end, in
    // the middle and anywhere, so that consecutive picks lie far apart.
    int32_t FarIndex(int32_t Count) {
        const int32_t Near = std::min(Count, 40);
        switch (Turn++ % 4) {
        case 0:
            return Below(Near);
        case 1:
            return Count - 1 - Below(Near);
        case 2:
            return std::min(Count - 1, Count / 2 + Below(Near));
        default:
            return Below(Count);
        }
    }

private:
    std::mt19937_64 Engine;
    int Turn = 0;
};

int32_t Wrapped(int64_t Value) {
    return static_cast<int32_t>(static_cast<uint32_t>(Value));
}

// Shifts from indexes far apart, single writes and record copies on a list
// whose offsets and first lines are arbitrary numbers (near the ends of the
// 32-bit range too), compared with two plain arrays.
TEST(LazyShiftRandomTest, ShiftsWritesAndRecordCopiesAgreeWithPlainArrays) {
    const uint64_t Seed = ShiftSeed();
    const int Total = ShiftRounds(20000);
    TRandom R(Seed);
    for (int Done = 0; Done < Total;) {
        TParagraphsList List;
        const int32_t Start = R.Chance(4) ? 1 + R.Below(5) : 1000 + R.Below(4000);
        Load(List, Repeat("p\r\n", Start - 1) + "p");
        std::vector<int32_t> Offsets, Lines;
        for (int32_t I = 0; I < Start; ++I) {
            Offsets.push_back(3 * I);
            Lines.push_back(I);
        }
        std::string Last;
        const auto Delta = [&R]() {
            return R.Chance(8) ? static_cast<int32_t>(R.Bits()) : R.Below(2001) - 1000;
        };
        const auto Check = [&](int32_t Index) {
            if (Index < 0 || Index >= List.GetCount())
                return true;
            return List.GetStartOffset(Index) == Offsets[static_cast<size_t>(Index)] &&
                   List.GetFirstLine(Index) == Lines[static_cast<size_t>(Index)];
        };
        for (int Op = 0; Op < 400 && Done < Total; ++Op, ++Done) {
            const auto Count = static_cast<int32_t>(Offsets.size());
            int32_t At = R.FarIndex(Count);
            switch (R.Below(10)) {
            case 0: // from before the start or beyond the end
                At = R.Chance(2) ? -1 - R.Below(3) : Count + R.Below(3);
                [[fallthrough]];
            case 1:
            case 2:
            case 3:
            case 4: {
                const int Kind = R.Below(3);
                const int32_t D1 = Kind != 1 ? Delta() : 0;
                const int32_t D2 = Kind != 0 ? Delta() : 0;
                if (Kind == 0)
                    List.ShiftStartOffsets(At, D1);
                else if (Kind == 1)
                    List.ShiftFirstLines(At, D2);
                else
                    List.ShiftBoth(At, D1, D2);
                for (int32_t I = std::max(At, 0); I < Count; ++I) {
                    int32_t& Offset = Offsets[static_cast<size_t>(I)];
                    int32_t& Line = Lines[static_cast<size_t>(I)];
                    Offset = Wrapped(int64_t{Offset} + D1);
                    Line = Wrapped(int64_t{Line} + D2);
                }
                Last = "shift from " + std::to_string(At);
                break;
            }
            case 5:
            case 6: {
                const auto Value = static_cast<int32_t>(R.Bits());
                if (R.Chance(2))
                    List.SetStartOffset(At, Offsets[static_cast<size_t>(At)] = Value);
                else
                    List.SetFirstLine(At, Lines[static_cast<size_t>(At)] = Value);
                Last = "write at " + std::to_string(At);
                break;
            }
            case 7:
            case 8: {
                TParagraph Record = TParagraph::Empty();
                List.GetParagraph(At, Record);
                if (Record.StartOffset != Offsets[static_cast<size_t>(At)] ||
                    Record.FirstLine != Lines[static_cast<size_t>(At)]) {
                    ADD_FAILURE() << "seed " << Seed << ": the copy of record " << At
                                  << " does not hold its values";
                    return;
                }
                Record.StartOffset = Offsets[static_cast<size_t>(At)] =
                    static_cast<int32_t>(R.Bits());
                Record.FirstLine = Lines[static_cast<size_t>(At)] = R.Below(1000);
                List.PutParagraph(At, Record); // the same slot: ownership stays
                Last = "record copies at " + std::to_string(At);
                break;
            }
            default: {
                // Appending behind pending shifts.
                Offsets.push_back(List.GetTextLength() + 2);
                Lines.push_back(List.GetLineCount());
                List.AddEmptyParagraph();
                Last = "append";
                break;
            }
            }
            const int32_t Step = List.GetShiftStep();
            bool Agree = Check(Step - 1) && Check(Step) && Check(At - 1) && Check(At);
            for (int K = 0; K < 4; ++K)
                Agree = Agree && Check(R.FarIndex(List.GetCount()));
            if (Op % 50 == 49)
                for (int32_t I = 0; I < List.GetCount(); ++I)
                    Agree = Agree && Check(I);
            if (!Agree) {
                ADD_FAILURE() << "seed " << Seed << ", operation " << Done << " (" << Last
                              << "): offsets or first lines differ";
                return;
            }
        }
    }
}

// The text of a control and a model of its paragraphs and their display-line
// counts, edited at places far apart through the control's replacement, with
// display lines added to paragraphs the way the formatter does (their first
// lines shifted lazily). After each edit the offsets, first lines and totals
// are read at far-apart places, navigators find paragraphs and lines by
// position, and navigators that stood anywhere before the edit still hold
// the paragraph they name.
class TFarEditHarness {
public:
    explicit TFarEditHarness(uint64_t Seed) : R(Seed) { Control.SetWordWrap(true); }

    ::testing::AssertionResult Episode(int Rounds) {
        Pars.clear();
        const int32_t Count = R.Chance(3) ? 1 + R.Below(10) : 2000 + R.Below(4000);
        std::string Text;
        for (int32_t I = 0; I < Count; ++I) {
            Pars.push_back(Letters(R.Chance(5) ? 0 : R.Below(30)));
            Text += (I > 0 ? "\r\n" : "") + Pars.back();
        }
        Lines.assign(Pars.size(), 1);
        List.ClearText();
        Load(List, Text);
        for (TKorvelNavigator* Nav : Control.GetNavigators())
            Nav->Reset(); // as after every load
        for (int Round = 0; Round < Rounds; ++Round) {
            Recount();
            if (auto Result = Step(); !Result)
                return Result << " (round " << Round << ", " << Pars.size() << " paragraphs)";
        }
        return ::testing::AssertionSuccess();
    }

private:
    std::string Letters(int32_t N) {
        std::string Bytes;
        for (int32_t I = 0; I < N; ++I)
            Bytes += static_cast<char>('a' + R.Below(26));
        return Bytes;
    }

    int32_t Size() const { return static_cast<int32_t>(Pars.size()); }
    int32_t Length(int32_t Par) const {
        return static_cast<int32_t>(Pars[static_cast<size_t>(Par)].size());
    }

    void Recount() {
        Starts.assign(Pars.size(), 0);
        FirstLines.assign(Pars.size(), 0);
        for (size_t I = 1; I < Pars.size(); ++I) {
            Starts[I] = Starts[I - 1] + static_cast<int32_t>(Pars[I - 1].size()) + 2;
            FirstLines[I] = FirstLines[I - 1] + Lines[I - 1];
        }
        TextLength = Starts.back() + Length(Size() - 1);
        LineCount = FirstLines.back() + Lines.back();
    }

    // The paragraph of Pos: the last one starting at or before it.
    int32_t ParOf(int32_t Pos) const {
        return static_cast<int32_t>(std::upper_bound(Starts.begin(), Starts.end(), Pos) -
                                    Starts.begin() - 1);
    }

    ::testing::AssertionResult Step() {
        // Navigators standing anywhere, with their caches, before the edit.
        std::vector<int32_t> Before;
        for (const auto& Nav : Watchers) {
            Nav->SetPos(R.Below(TextLength + 1));
            Nav->GetParIndex();
            if (R.Chance(2))
                Nav->GetLineIndex();
            Before.push_back(Nav->GetPos());
        }

        const int32_t P1 = R.FarIndex(Size());
        int32_t O1 = R.Below(Length(P1) + 1);
        int32_t P2 = P1;
        int32_t O2 = O1;
        std::string New;
        switch (R.Below(Size() > 12000 ? 4 : 9)) {
        case 0: // several paragraphs go, many when the text is large
            P2 = std::min(Size() - 1, P1 + R.Below(Size() > 12000 ? 6000 : R.Chance(8) ? 1500 : 8));
            O2 = P2 == P1 ? O1 + R.Below(Length(P1) - O1 + 1) : R.Below(Length(P2) + 1);
            break;
        case 1: // a character or two go
            O2 = std::min(Length(P1), O1 + 1 + R.Below(2));
            break;
        case 2: // a break goes
            if (P1 + 1 < Size()) {
                O1 = Length(P1);
                P2 = P1 + 1;
                O2 = 0;
            }
            break;
        case 3:
        case 4: // typing
            New = Letters(1 + R.Below(3));
            break;
        case 5: // a break
            New = "\r\n";
            break;
        case 6: { // lines pasted
            const int32_t K = 1 + R.Below(R.Chance(6) ? 1500 : 20);
            for (int32_t I = 0; I < K; ++I)
                New += Letters(R.Below(12)) + "\r\n";
            New += Letters(R.Below(5));
            break;
        }
        case 7:
            return WrapOne();
        default:
            if (R.Chance(4))
                return AppendEmpty();
            return Reads("a read-only round");
        }
        const int32_t Pos1 = Starts[static_cast<size_t>(P1)] + O1;
        const int32_t Pos2 = Starts[static_cast<size_t>(P2)] + O2;
        StartNav.SetPos(Pos1);
        EndNav.SetPos(Pos2);
        Control.ReplaceRangeAndRehighlight(StartNav, EndNav, New.c_str(), false);
        const int32_t CharDelta = Apply(P1, O1, P2, O2, New);
        Recount();

        const std::string What = "replacing " + std::to_string(Pos1) + " .. " +
                                 std::to_string(Pos2) + " by " + std::to_string(New.size()) +
                                 " bytes";
        for (size_t K = 0; K < Watchers.size(); ++K) {
            const int32_t Was = Before[K];
            const int32_t Expected = Was < Pos1 ? Was : Was <= Pos2 ? Pos1 : Was + CharDelta;
            if (auto Result = NavigatorAgrees(*Watchers[K], Expected); !Result)
                return Result << " after " << What;
        }
        return Reads(What);
    }

    // Applies the replacement to the model; returns the change of the length.
    int32_t Apply(int32_t P1, int32_t O1, int32_t P2, int32_t O2, const std::string& New) {
        std::vector<std::string> Pieces{""};
        for (size_t I = 0; I < New.size(); ++I) {
            if (New.compare(I, 2, "\r\n") == 0) {
                Pieces.emplace_back();
                ++I;
            } else {
                Pieces.back() += New[I];
            }
        }
        const int32_t Before = TextLength;
        const std::string Head = Pars[static_cast<size_t>(P1)].substr(0, static_cast<size_t>(O1));
        const std::string Tail = Pars[static_cast<size_t>(P2)].substr(static_cast<size_t>(O2));
        if (P1 == P2 && Pieces.size() == 1) {
            Pars[static_cast<size_t>(P1)] = Head + Pieces[0] + Tail; // its lines are kept
        } else {
            Pieces.front() = Head + Pieces.front();
            Pieces.back() += Tail;
            Pars.erase(Pars.begin() + P1, Pars.begin() + P2 + 1);
            Pars.insert(Pars.begin() + P1, Pieces.begin(), Pieces.end());
            Lines.erase(Lines.begin() + P1, Lines.begin() + P2 + 1);
            Lines.insert(Lines.begin() + P1, Pieces.size(), 1); // one line each until formatted
        }
        int64_t After = 0;
        for (const std::string& Par : Pars)
            After += static_cast<int64_t>(Par.size()) + 2;
        return static_cast<int32_t>(After - 2 - Before);
    }

    // Gives a paragraph new display lines (tiling its text) and shifts the
    // first lines after it, as laying out a change does.
    ::testing::AssertionResult WrapOne() {
        const int32_t P = R.FarIndex(Size());
        const int32_t Length = this->Length(P);
        const int32_t Count = 1 + R.Below(std::min(Length, 6) + 1);
        TParagraph& Par = List[P];
        ParExtraInfo& Extra = Par.AttachExtra();
        const int32_t Old = Par.LineCountOf();
        std::vector<TLineRecord> New;
        for (int32_t K = 0; K < Count; ++K) {
            TLineRecord Line{};
            Line.Start = Length * K / Count;
            Line.Stop = Length * (K + 1) / Count;
            Line.Width = Line.FullWidth = 6 * (Line.Stop - Line.Start);
            Line.JustifyFrom = Line.Stop;
            New.push_back(Line);
        }
        Extra.Line0 = New.front();
        Extra.MoreLines.assign(New.begin() + 1, New.end());
        List.ShiftFirstLines(P + 1, Count - Old);
        List.AdjustLineCount(Count - Old);
        Lines[static_cast<size_t>(P)] = Count;
        Recount();
        return Reads("wrapping paragraph " + std::to_string(P) + " into " + std::to_string(Count) +
                     " lines");
    }

    ::testing::AssertionResult AppendEmpty() {
        List.AddEmptyParagraph();
        Pars.emplace_back();
        Lines.push_back(1);
        Recount();
        return Reads("appending an empty paragraph");
    }

    ::testing::AssertionResult NavigatorAgrees(TKorvelNavigator& Nav, int32_t Pos) {
        const int32_t Par = ParOf(Pos);
        if (Nav.GetPos() != Pos || Nav.GetParIndex() != Par ||
            Nav.GetParOffset() != Pos - Starts[static_cast<size_t>(Par)] ||
            Nav.GetPar() != &List[Par])
            return ::testing::AssertionFailure()
                   << "a navigator at " << Nav.GetPos() << " names paragraph " << Nav.GetParIndex()
                   << " offset " << Nav.GetParOffset() << "; expected " << Pos << " in paragraph "
                   << Par << (Nav.GetPar() != &List[Par] ? " (stale record)" : "");
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult Reads(const std::string& What) {
        const auto Failure = [&What]() { return ::testing::AssertionFailure() << What << ": "; };
        if (List.GetTextLength() != TextLength || List.GetLineCount() != LineCount ||
            List.GetCount() != Size())
            return Failure() << "totals " << List.GetTextLength() << ", " << List.GetLineCount()
                             << ", " << List.GetCount() << " paragraphs";
        for (int K = 0; K < 6; ++K) {
            const int32_t I = R.FarIndex(Size());
            if (List.GetStartOffset(I) != Starts[static_cast<size_t>(I)] ||
                List.GetFirstLine(I) != FirstLines[static_cast<size_t>(I)])
                return Failure() << "paragraph " << I << " has offset " << List.GetStartOffset(I)
                                 << " and first line " << List.GetFirstLine(I) << ", expected "
                                 << Starts[static_cast<size_t>(I)] << " and "
                                 << FirstLines[static_cast<size_t>(I)];
        }
        Probe.SetPos(R.Below(TextLength + 1));
        if (auto Result = NavigatorAgrees(Probe, Probe.GetPos()); !Result)
            return Failure() << Result.message();
        const int32_t Line = R.Below(LineCount);
        Probe.SetGlobalLine(Line);
        const auto Par = static_cast<int32_t>(
            std::upper_bound(FirstLines.begin(), FirstLines.end(), Line) - FirstLines.begin() - 1);
        if (Probe.GetParIndex() != Par ||
            Probe.GetLineIndex() != Line - FirstLines[static_cast<size_t>(Par)])
            return Failure() << "line " << Line << " found in paragraph " << Probe.GetParIndex()
                             << " line " << Probe.GetLineIndex() << ", expected paragraph " << Par;
        if (++Checks % 25 == 0) {
            if (const std::string Problem = List.FindInconsistency(); !Problem.empty())
                return Failure() << Problem;
            if (Texts(List) != Pars)
                return Failure() << "the texts differ";
        }
        return ::testing::AssertionSuccess();
    }

    TRandom R;
    TCustomKorvel Control;
    TParagraphsList& List = Control.GetParagraphsList();
    TKorvelNavigator StartNav{&Control};
    TKorvelNavigator EndNav{&Control};
    TKorvelNavigator Probe{&Control};
    std::vector<std::unique_ptr<TKorvelNavigator>> Watchers = MakeWatchers();
    std::vector<std::string> Pars;
    std::vector<int32_t> Lines;
    std::vector<int32_t> Starts;
    std::vector<int32_t> FirstLines;
    int32_t TextLength = 0;
    int32_t LineCount = 0;
    int Checks = 0;

    std::vector<std::unique_ptr<TKorvelNavigator>> MakeWatchers() {
        std::vector<std::unique_ptr<TKorvelNavigator>> Result;
        for (int I = 0; I < 3; ++I)
            Result.push_back(std::make_unique<TKorvelNavigator>(&Control));
        return Result;
    }
};

TEST(LazyShiftRandomTest, FarApartEditsKeepOffsetsFirstLinesAndNavigators) {
    const uint64_t Seed = ShiftSeed();
    const int Rounds = ShiftRounds(3000);
    constexpr int PerEpisode = 300;
    TFarEditHarness Harness(Seed);
    for (int Done = 0; Done < Rounds; Done += PerEpisode)
        ASSERT_TRUE(Harness.Episode(std::min(PerEpisode, Rounds - Done)))
            << "seed " << Seed << ", episode " << Done / PerEpisode;
}

} // namespace
