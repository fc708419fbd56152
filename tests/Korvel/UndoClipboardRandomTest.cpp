// Drives typing, replacements, copy, cut, stream and column-block paste,
// undo and redo at random against a string model of the text and of the
// history: after every undo the text is the one before the undone step,
// after every redo the one after it, and the integrity check passes after
// every step. QUOLT_UNDO_SEED and QUOLT_UNDO_ROUNDS choose the run;
// QUOLT_UNDO_TRACE=1 prints each step.

#include "EditTestSupport.h"

#include "Korvel/TUndoList.h"
#include "platform/headless/THeadlessClipboard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

uint64_t EnvOr(const char* Name, uint64_t Default) {
    const char* Value = std::getenv(Name);
    return Value != nullptr && *Value != 0 ? std::strtoull(Value, nullptr, 10) : Default;
}

// The text (breaks as CR LF, no other CR or LF) and the selection.
struct TTextModel {
    std::string Text;
    int32_t Caret = 0;
    int32_t Length = 0;

    int32_t Size() const { return static_cast<int32_t>(Text.size()); }
    int32_t Start() const { return Length < 0 ? Caret + Length : Caret; }
    int32_t End() const { return Length < 0 ? Caret : Caret + Length; }
    std::vector<int32_t> ParStarts() const {
        std::vector<int32_t> Starts{0};
        for (int32_t I = 0; I + 1 < Size(); ++I)
            if (Text[I] == '\r')
                Starts.push_back(I + 2);
        return Starts;
    }
    int32_t ParCount() const { return static_cast<int32_t>(ParStarts().size()); }
    int32_t ParStart(int32_t P) const { return ParStarts()[static_cast<size_t>(P)]; }
    int32_t ParLength(int32_t P) const {
        const auto Starts = ParStarts();
        const int32_t Next = P + 1 < ParCount() ? Starts[static_cast<size_t>(P) + 1] - 2 : Size();
        return Next - Starts[static_cast<size_t>(P)];
    }
    int32_t ParOf(int32_t Offset) const {
        const auto Starts = ParStarts();
        return static_cast<int32_t>(std::upper_bound(Starts.begin(), Starts.end(), Offset) -
                                    Starts.begin()) -
               1;
    }
    bool MidBreak(int32_t Offset) const {
        return Offset > 0 && Offset < Size() && Text[Offset - 1] == '\r';
    }
    void SetSelStart(int32_t Offset) {
        Caret = std::clamp(Offset, 0, Size());
        Length = 0;
    }
    void SetSelLength(int32_t Len) {
        const int64_t Anchor = std::clamp<int64_t>(int64_t{Caret} + Len, 0, Size());
        Length = static_cast<int32_t>(Anchor - Caret);
    }
    // A lone CR, or CR LF, is a break.
    static std::string Normalized(const std::string& In) {
        std::string Out;
        for (size_t I = 0; I < In.size(); ++I) {
            Out += In[I];
            if (In[I] == '\r') {
                Out += '\n';
                if (I + 1 < In.size() && In[I + 1] == '\n')
                    ++I;
            }
        }
        return Out;
    }
    void Replace(const std::string& New) {
        if (Length == 0 && New.empty())
            return;
        int32_t From = Start();
        int32_t To = End();
        if (MidBreak(From))
            --From;
        if (MidBreak(To))
            --To;
        const std::string Inserted = Normalized(New);
        Text.replace(static_cast<size_t>(From), static_cast<size_t>(To - From), Inserted);
        Caret = From + static_cast<int32_t>(Inserted.size());
        Length = 0;
    }
};

// One record of the history: the text before and after it, where known (a
// step made of several records knows only the outer two).
struct THistoryEntry {
    std::optional<std::string> Before;
    std::optional<std::string> After;
};

class TUndoClipboardRun {
public:
    explicit TUndoClipboardRun(uint64_t Seed) : Host({400, 300}, &Board), Random(Seed) {
        Control.SetUpdateMode(umOnNeed);
        Control.SetWordWrap(false);
        Control.SetUndoMaxLevel(1 << 20); // trimming is tested on its own
        Control.SetUndoMaxSpace(1 << 30);
        Host.Attach(Control);
    }

    void Step(int32_t Index) {
        std::ostringstream What;
        const std::string Before = Model.Text;
        const int32_t Records = UndoIndex();
        bool Recorded = true; // the step may add records
        switch (Pick(0, 15)) {
        case 0:
        case 1: {
            const int32_t At = Pick(-2, Model.Size() + 2);
            What << "SetSelStart(" << At << ")";
            Control.SetSelStart(At);
            Model.SetSelStart(At);
            Recorded = false;
            break;
        }
        case 2: {
            const int32_t Len = Pick(-Model.Size() - 2, Model.Size() + 2);
            What << "SetSelLength(" << Len << ")";
            Control.SetSelLength(Len);
            Model.SetSelLength(Len);
            Recorded = false;
            break;
        }
        case 3:
        case 4: {
            // Typing: a few characters one by one, merging into one step.
            const int32_t N = Pick(1, 4);
            What << "type " << N;
            for (int32_t I = 0; I < N; ++I) {
                const std::string Key(1, "abcxyz \r"[Pick(0, 7)]);
                Control.SetSelText(Key);
                Model.Replace(Key);
            }
            break;
        }
        case 5: {
            const std::string Text = RandomText(10);
            What << "SetSelText of [" << Text << "]";
            Control.SetSelText(Text);
            Model.Replace(Text);
            break;
        }
        case 6:
            What << "copy";
            Copy();
            Recorded = false;
            break;
        case 7:
            What << "cut";
            Copy();
            Control.CutToClipboard();
            Model.Replace("");
            break;
        case 8:
            What << "paste";
            Paste(false);
            break;
        case 9:
            What << "block copy";
            BlockCopy();
            Recorded = false;
            break;
        case 10:
            What << "block paste";
            Paste(true);
            break;
        case 11:
        case 12:
        case 13:
            What << "undo";
            Undo(Index);
            return;
        case 14:
            What << "redo";
            Redo(Index);
            return;
        default:
            What << "clear";
            Control.Clear();
            Model.Caret = 0;
            Model.Length = Model.Size();
            Model.Replace("");
            break;
        }
        if (Recorded)
            Note(Before, Records);
        Check(What.str(), Index);
    }

    bool Failed() const { return ::testing::Test::HasFailure(); }

private:
    int32_t Pick(int32_t Lo, int32_t Hi) {
        return std::uniform_int_distribution<int32_t>(Lo, Hi)(Random);
    }
    std::string RandomText(int32_t MaxLength) {
        static const char Alphabet[] = "abcde  xyz\r";
        std::string Text;
        const int32_t N = Pick(0, MaxLength);
        for (int32_t I = 0; I < N; ++I)
            Text += Alphabet[Pick(0, sizeof Alphabet - 2)];
        return Text;
    }
    int32_t UndoIndex() { return Control.GetUndoList()->GetUndoIndex(); }
    int32_t RecordCount() { return Control.GetUndoList()->GetCount(); }

    // The records a step added (or the last one it continued).
    void Note(const std::string& Before, int32_t Records) {
        const int32_t Added = UndoIndex() - Records;
        ASSERT_GE(Added, 0);
        if (Added == 0 && Model.Text == Before)
            return;                            // nothing was replaced: the redo steps stay
        ASSERT_EQ(RecordCount(), UndoIndex()); // a change loses the redo steps
        History.resize(static_cast<size_t>(Records));
        if (Added == 0) {
            if (Model.Text != Before) {
                ASSERT_FALSE(History.empty()) << "a change continued no step";
                History.back().After = Model.Text;
            }
            return;
        }
        for (int32_t I = 0; I < Added; ++I)
            History.push_back({});
        History[static_cast<size_t>(Records)].Before = Before;
        History.back().After = Model.Text;
    }

    void Copy() {
        const std::string Selected = Control.GetSelText();
        const auto Old = Board.GetContents();
        Control.CopyToClipboard();
        if (Model.Length == 0) {
            EXPECT_EQ(Board.GetContents(), Old) << "copy of nothing changed the clipboard";
            return;
        }
        ASSERT_EQ(Board.GetContents().count(CF_TEXT), 1u);
        EXPECT_EQ(Board.GetContents().at(CF_TEXT), Selected);
        EXPECT_EQ(Board.GetContents().count(TKorvel::RegisterBlockFormat()), 0u);
        // The characters between the ends as they stand (half a break too).
        EXPECT_EQ(Selected, Model.Text.substr(static_cast<size_t>(Model.Start()),
                                              static_cast<size_t>(Model.End() - Model.Start())));
    }

    void BlockCopy() {
        const int32_t Count = Model.ParCount();
        const int32_t P1 = Pick(0, Count - 1);
        const int32_t P2 = Pick(0, Count - 1);
        const int32_t C1 = Pick(0, 8);
        const int32_t C2 = Pick(0, 8);
        Control.SelectBlock(C1, P1, P2, C2);
        auto At = [this](int32_t P, int32_t Col) {
            return Model.ParStart(P) + std::min(Col, Model.ParLength(P));
        };
        Model.SetSelStart(At(P2, C2));
        Model.SetSelLength(At(P1, C1) - Model.Caret);
        if (Model.Length != 0) {
            std::string Expected;
            for (int32_t P = std::min(P1, P2); P <= std::max(P1, P2); ++P) {
                const int32_t Lo = std::min(C1, C2);
                const int32_t Hi = std::max(C1, C2);
                Expected += Model.Text.substr(static_cast<size_t>(At(P, Lo)),
                                              static_cast<size_t>(At(P, Hi) - At(P, Lo)));
                Expected += "\r\n";
            }
            Control.CopyToClipboard();
            EXPECT_EQ(Board.GetContents().at(CF_TEXT), Expected);
            EXPECT_EQ(Board.GetContents().at(TKorvel::RegisterBlockFormat()), "\x02");
        }
        Control.SetSelStart(Model.Caret);
        Model.SetSelStart(Model.Caret);
    }

    void Paste(bool BlockOption) {
        Control.SetOptions(BlockOption ? Control.GetOptions() | OptionBit(kvoBlockSelection)
                                       : Control.GetOptions() & ~OptionBit(kvoBlockSelection));
        const auto& Contents = Board.GetContents();
        if (Contents.count(CF_TEXT) == 0) {
            Control.PasteFromClipboard();
            return;
        }
        const std::string Text = Contents.at(CF_TEXT);
        const bool IsBlock = BlockOption && Contents.count(TKorvel::RegisterBlockFormat()) != 0;
        Control.PasteFromClipboard();
        if (!IsBlock) {
            Model.Replace(Text);
            return;
        }
        // Column paste: the selection is dropped, each line goes in at the
        // caret's column of successive paragraphs.
        // (a caret in the middle of a break stands at its start)
        const int32_t Caret = Model.Caret - (Model.MidBreak(Model.Caret) ? 1 : 0);
        const int32_t Column = Caret - Model.ParStart(Model.ParOf(Caret));
        const int32_t First = Model.ParOf(Model.Start());
        std::vector<std::string> Lines;
        size_t Start = 0;
        for (size_t I = 0; I < Text.size(); ++I)
            if (Text[I] == '\r' || Text[I] == '\n') {
                Lines.push_back(Text.substr(Start, I - Start));
                if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
                    ++I;
                Start = I + 1;
            }
        if (Start < Text.size())
            Lines.push_back(Text.substr(Start));
        for (size_t I = 0; I < Lines.size(); ++I) {
            const int32_t P = First + static_cast<int32_t>(I);
            if (P >= Model.ParCount())
                Model.Text += "\r\n";
            const int32_t Length = Model.ParLength(P);
            Model.SetSelStart(Model.ParStart(P) + std::min(Column, Length));
            Model.Replace(std::string(static_cast<size_t>(std::max(0, Column - Length)), ' ') +
                          Lines[I]);
        }
        Model.Length = 0;
    }

    void Undo(int32_t Index) {
        const int32_t At = UndoIndex();
        Control.Undo();
        if (Control.GetAllText() != Model.Text || UndoIndex() != At) {
            Model.Text = Control.GetAllText();
            Model.SetSelStart(Control.GetSelStart());
        }
        if (At == 0) {
            EXPECT_EQ(UndoIndex(), 0);
        } else {
            EXPECT_EQ(UndoIndex(), At - 1);
            const THistoryEntry& Entry = History[static_cast<size_t>(At - 1)];
            if (Entry.Before) {
                EXPECT_EQ(Model.Text, *Entry.Before) << "undo of record " << At - 1;
            }
        }
        Check("undo", Index);
    }

    void Redo(int32_t Index) {
        const int32_t At = UndoIndex();
        Control.Redo();
        if (Control.GetAllText() != Model.Text || UndoIndex() != At) {
            Model.Text = Control.GetAllText();
            Model.SetSelStart(Control.GetSelStart());
        }
        if (At >= RecordCount()) {
            EXPECT_EQ(UndoIndex(), At);
        } else {
            EXPECT_EQ(UndoIndex(), At + 1);
            const THistoryEntry& Entry = History[static_cast<size_t>(At)];
            if (Entry.After) {
                EXPECT_EQ(Model.Text, *Entry.After) << "redo of record " << At;
            }
        }
        Check("redo", Index);
    }

    void Check(const std::string& What, int32_t Index) {
        if (std::getenv("QUOLT_UNDO_TRACE"))
            std::fprintf(stderr, "%d %s: [%s] caret %d len %d undo %d/%d\n", Index, What.c_str(),
                         Control.GetAllText().c_str(), Control.GetSelStart(),
                         Control.GetSelLength(), UndoIndex(), RecordCount());
        SCOPED_TRACE("step " + std::to_string(Index) + ": " + What);
        EXPECT_EQ(Control.GetAllText(), Model.Text);
        EXPECT_EQ(Control.GetSelStart(), Model.Caret);
        EXPECT_EQ(Control.GetSelLength(), Model.Length);
        EXPECT_EQ(static_cast<int32_t>(History.size()), RecordCount());
        EXPECT_NO_THROW(Control.CheckIntegrity());
    }

    THeadlessClipboard Board;
    THeadlessHost Host;
    TKorvel Control;
    TTextModel Model;
    std::vector<THistoryEntry> History;
    std::mt19937_64 Random;
};

} // namespace

TEST(UndoClipboardRandomTest, UndoAndRedoGiveBackEveryTextOfTheHistory) {
    const uint64_t Seed = EnvOr("QUOLT_UNDO_SEED", 20261209);
    const uint64_t Rounds = EnvOr("QUOLT_UNDO_ROUNDS", 30);
    for (uint64_t Round = 0; Round < Rounds; ++Round) {
        SCOPED_TRACE("QUOLT_UNDO_SEED=" + std::to_string(Seed) + " round " + std::to_string(Round));
        TUndoClipboardRun Run(Seed * 7919 + Round);
        for (int32_t I = 0; I < 300 && !Run.Failed(); ++I)
            Run.Step(I);
        if (Run.Failed())
            break;
    }
}
