// Drives the control's public editing face at random against a plain string
// model of its text and selection: selections (column blocks included),
// replacements, paragraph and line view edits, update brackets, and saving
// and loading with every line break. QUOLT_EDIT_SEED and QUOLT_EDIT_ROUNDS
// choose the run.

#include "EditTestSupport.h"

#include "Korvel/TKorvelStrings.h"
#include "framework/TMemoryStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

// The text as GetAllText gives it (breaks as CR LF; a CR appears only in a
// break) and the selection, with the rules of the control spelled out
// plainly.
struct TModel {
    std::string Text;
    int32_t Caret = 0;
    int32_t Length = 0; // signed, as SelLength

    int32_t Size() const { return static_cast<int32_t>(Text.size()); }
    int32_t Start() const { return Length < 0 ? Caret + Length : Caret; }
    int32_t End() const { return Length < 0 ? Caret : Caret + Length; }
    TSel Selection() const { return {Start(), End(), Caret, Length}; }

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
        const int32_t Next = P + 1 < static_cast<int32_t>(Starts.size())
                                 ? Starts[static_cast<size_t>(P) + 1] - 2
                                 : Size();
        return Next - Starts[static_cast<size_t>(P)];
    }
    // The paragraph of an offset; the middle of a break belongs before it.
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
    // A CR or CR LF ends a paragraph; a lone LF stays a character.
    static std::string Normalized(const std::string& In) {
        std::string Out;
        for (size_t I = 0; I < In.size(); ++I) {
            if (In[I] == '\r') {
                Out += "\r\n";
                if (I + 1 < In.size() && In[I + 1] == '\n')
                    ++I;
            } else {
                Out += In[I];
            }
        }
        return Out;
    }
    // Replaces the selection; an end in the middle of a break stands for
    // the break's start.
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
    // The paragraphs a stream of Bytes loads into: CR LF, LF CR, CR and LF
    // each end one.
    void Load(const std::string& Bytes) {
        Text.clear();
        for (size_t I = 0; I < Bytes.size(); ++I) {
            const char C = Bytes[I];
            if (C == '\r' || C == '\n') {
                Text += "\r\n";
                const char Other = C == '\r' ? '\n' : '\r';
                if (I + 1 < Bytes.size() && Bytes[I + 1] == Other)
                    ++I;
            } else {
                Text += C;
            }
        }
        Caret = Length = 0;
    }
};

class TEditModelRun {
public:
    TEditModelRun(uint64_t Seed, bool Wrap) : Random(Seed), Wrap(Wrap) {
        Control.SetWordWrap(Wrap);
        Control.SetUpdateMode(umOnNeed);
        Host.Attach(Control);
    }

    void Step(int32_t Index) {
        std::ostringstream What;
        const int32_t Op = Pick(0, 15);
        switch (Op) {
        case 0:
        case 1: {
            const int32_t At = Pick(-3, Model.Size() + 3);
            What << "SetSelStart(" << At << ")";
            Control.SetSelStart(At);
            Model.SetSelStart(At);
            break;
        }
        case 2:
        case 3: {
            const int32_t Len = Pick(-Model.Size() - 3, Model.Size() + 3);
            What << "SetSelLength(" << Len << ")";
            Control.SetSelLength(Len);
            Model.SetSelLength(Len);
            break;
        }
        case 4:
        case 5:
        case 6: {
            const std::string Text = RandomText(8);
            What << "SetSelText(" << Quoted(Text) << ")";
            Control.SetSelText(Text);
            Model.Replace(Text);
            break;
        }
        case 7:
            if (Wrap)
                return;
            What << SelectBlockAndReplace();
            break;
        case 8: {
            const std::string S = RandomLine();
            What << "Paragraphs.Add(" << Quoted(S) << ")";
            Control.GetParagraphs().Add(S);
            ParagraphsAdd(S);
            break;
        }
        case 9: {
            const std::string S = RandomLine();
            What << "Lines.Add(" << Quoted(S) << ")";
            Control.GetLines().Add(S);
            Model.Length = 0;
            ParagraphsAdd(S);
            Model.SetSelStart(Model.Size());
            break;
        }
        case 10:
            What << ParagraphEdit();
            break;
        case 11:
            if (Wrap)
                return;
            What << LineEdit();
            break;
        case 12:
            if (Depth > 0 && Pick(0, 1) == 0) {
                What << "EndUpdate";
                Control.EndUpdate();
                --Depth;
            } else {
                What << "BeginUpdate";
                Control.BeginUpdate();
                ++Depth;
            }
            break;
        case 13: {
            static const TKorvelLineBreak Breaks[] = {kbCRLF, kbLFCR, kbCR, kbLF};
            const TKorvelLineBreak Break = Breaks[Pick(0, 3)];
            What << "save and load with break " << int{Break};
            Control.SetLineBreak(Break);
            TMemoryStream Stream;
            Control.SaveToStream(Stream);
            Stream.SetPosition(0);
            Control.LoadFromStream(Stream);
            Model.Load(Stream.DataString());
            break;
        }
        case 14: {
            const std::string Text = RandomText(30);
            What << "SetAllText(" << Quoted(Text) << ")";
            Control.SetAllText(Text);
            Model.Caret = 0;
            Model.Length = Model.Size();
            Model.Replace(Text);
            break;
        }
        default:
            What << "Clear";
            Control.Clear();
            Model.Caret = 0;
            Model.Length = Model.Size();
            Model.Replace("");
            break;
        }
        Check(What.str(), Index);
    }

    void Finish() {
        while (Depth-- > 0)
            Control.EndUpdate();
        CheckLines("end of run");
    }

    bool Failed() const { return ::testing::Test::HasFailure(); }

private:
    int32_t Pick(int32_t Lo, int32_t Hi) {
        return std::uniform_int_distribution<int32_t>(Lo, Hi)(Random);
    }
    std::string RandomText(int32_t MaxLength) {
        static const char Alphabet[] = "abcde  xyz\r\n\r";
        std::string Text;
        const int32_t N = Pick(0, MaxLength);
        for (int32_t I = 0; I < N; ++I)
            Text += Alphabet[Pick(0, sizeof Alphabet - 2)];
        return Text;
    }
    // A paragraph's text: no breaks (an LF stays a character).
    std::string RandomLine() {
        std::string Text = RandomText(12);
        std::replace(Text.begin(), Text.end(), '\r', '-');
        return Text;
    }
    static std::string Quoted(const std::string& Text) {
        std::string Out = "\"";
        for (char C : Text)
            Out += C == '\r'   ? std::string("\\r")
                   : C == '\n' ? std::string("\\n")
                               : std::string(1, C);
        return Out + "\"";
    }

    std::string SelectBlockAndReplace() {
        const int32_t Count = Model.ParCount();
        const int32_t StartPar = Pick(-1, Count);
        const int32_t EndPar = Pick(-1, Count);
        const int32_t StartCol = Pick(0, 10);
        const int32_t EndCol = Pick(0, 10);
        const std::string Text = Pick(0, 2) == 0 ? std::string() : RandomText(4);
        Control.SelectBlock(StartCol, StartPar, EndPar, EndCol);
        const int32_t P1 = std::clamp(StartPar, 0, Count - 1);
        const int32_t P2 = std::clamp(EndPar, 0, Count - 1);
        auto At = [this](int32_t P, int32_t Col) {
            return Model.ParStart(P) + std::min(Col, Model.ParLength(P));
        };
        Model.SetSelStart(At(P2, EndCol));
        Model.SetSelLength(At(P1, StartCol) - Model.Caret);
        Check("SelectBlock", -1);
        std::ostringstream What;
        What << "SelectBlock(" << StartCol << ", " << StartPar << ", " << EndPar << ", " << EndCol
             << ") and SetSelText(" << Quoted(Text) << ")";
        Control.SetSelText(Text);
        if (Model.Length == 0 && Text.empty())
            return What.str();
        const int32_t Lo = std::min(StartCol, EndCol);
        const int32_t Hi = std::max(StartCol, EndCol);
        for (int32_t P = std::min(P1, P2); P <= std::max(P1, P2); ++P) {
            Model.SetSelStart(At(P, Lo));
            Model.SetSelLength(At(P, Hi) - At(P, Lo));
            Model.Replace("");
        }
        Model.Replace(Text);
        return What.str();
    }

    // SetParText: the caret stays on its text, or goes to the start of its
    // own paragraph when that is the one set.
    void SetParText(int32_t Index, const std::string& S) {
        const int32_t CaretPar = Model.ParOf(Model.Caret);
        if (Index == CaretPar)
            Model.SetSelStart(Model.ParStart(Index));
        int32_t OldCaret = Model.Caret;
        const int32_t OldLength = Model.Length;
        while (Index >= Model.ParCount()) {
            Model.SetSelStart(Model.Size());
            Model.Replace("\r\n");
        }
        Model.SetSelStart(Model.ParStart(Index));
        Model.SetSelLength(Model.ParLength(Index));
        const int32_t Before = Model.Size();
        Model.Replace(S);
        if (Index < CaretPar)
            OldCaret += Model.Size() - Before;
        Model.SetSelStart(OldCaret);
        if (Index != CaretPar)
            Model.SetSelLength(OldLength);
    }
    void ParagraphsAdd(const std::string& S) {
        const int32_t Count = Model.ParCount();
        if (Model.ParLength(Count - 1) != 0)
            SetParText(Count, S);
        else
            SetParText(Count - 1, S + "\r\n");
    }

    std::string ParagraphEdit() {
        const int32_t Count = Model.ParCount();
        const int32_t Index = Pick(-1, Count + 2);
        const std::string S = RandomLine();
        std::ostringstream What;
        switch (Pick(0, 2)) {
        case 0:
            What << "Paragraphs.Put(" << Index << ", " << Quoted(S) << ")";
            if (Index < 0)
                return What.str();
            Control.GetParagraphs().Put(Index, S);
            SetParText(Index, S);
            break;
        case 1:
            What << "Paragraphs.Insert(" << Index << ", " << Quoted(S) << ")";
            Control.GetParagraphs().Insert(Index, S);
            Model.Length = 0;
            if (Index < Count) {
                Model.SetSelStart(Model.ParStart(std::max(Index, 0)));
                Model.Replace(S + "\r\n");
            } else {
                Model.SetSelStart(Model.Size());
                Model.Replace("\r\n" + S);
            }
            break;
        default:
            What << "Paragraphs.Delete(" << Index << ")";
            Control.GetParagraphs().Delete(Index);
            if (Index < 0 || Index >= Count)
                break;
            Model.SetSelStart(Model.ParStart(Index));
            Model.SetSelLength(Model.ParLength(Index) + (Index < Count - 1 ? 2 : 0));
            Model.Replace("");
            break;
        }
        return What.str();
    }

    // Without wrapping every paragraph is one display line.
    std::string LineEdit() {
        const int32_t Count = Model.ParCount();
        const int32_t Index = Pick(-1, Count + 1);
        const std::string S = RandomLine();
        std::ostringstream What;
        switch (Pick(0, 2)) {
        case 0:
            What << "Lines.Put(" << Index << ", " << Quoted(S) << ")";
            Control.GetLines().Put(Index, S);
            if (Index < 0 || Index >= Count)
                break;
            Model.SetSelStart(Model.ParStart(Index));
            Model.SetSelLength(Model.ParLength(Index));
            Model.Replace(S);
            break;
        case 1:
            What << "Lines.Insert(" << Index << ", " << Quoted(S) << ")";
            Control.GetLines().Insert(Index, S);
            if (Index > Count)
                break;
            Model.Length = 0;
            if (Index < Count) {
                Model.SetSelStart(Model.ParStart(std::max(Index, 0)));
                Model.Replace(S + "\r\n");
            } else {
                Model.SetSelStart(Model.Size());
                Model.Replace("\r\n" + S);
            }
            break;
        default: {
            What << "Lines.Delete(" << Index << ")";
            Control.GetLines().Delete(Index);
            const int32_t Counted = Model.ParLength(Count - 1) == 0 ? Count - 1 : Count;
            if (Index < 0 || Index >= Counted)
                break;
            Model.SetSelStart(Model.ParStart(Index));
            Model.SetSelLength(Model.ParLength(Index) + 2);
            Model.Replace("");
            break;
        }
        }
        return What.str();
    }

    void Check(const std::string& What, int32_t Index) {
        ASSERT_EQ(Control.GetAllText(), Model.Text)
            << "after " << What << " (step " << Index << ")";
        ASSERT_EQ(SelectionOf(Control), Model.Selection()) << "after " << What;
        ASSERT_EQ(Control.GetParagraphCount(), Model.ParCount()) << "after " << What;
        ASSERT_EQ(ListOf(Control).FindInconsistency(false), "") << "after " << What;
        if (std::getenv("QUOLT_EDIT_TRACE"))
            std::fprintf(stderr, "%d %s lines %d pars %d\n", Index, What.c_str(),
                         Control.GetLineCount(), Control.GetParagraphCount());
        if (Index >= 0 && Index % 16 == 15)
            CheckLines(What);
    }

    // Formatted whole, the edited text has the display lines of the same
    // text loaded into a fresh control.
    void CheckLines(const std::string& What) {
        if (Depth > 0)
            return;
        Control.FormatParagraphs(0, Control.GetParagraphCount() - 1, false, false);
        THeadlessHost FreshHost;
        TKorvel Fresh;
        Fresh.SetWordWrap(Wrap);
        Fresh.SetUpdateMode(umOnNeed);
        Fresh.SetAllText(Model.Text); // a lone LF stays a character
        FreshHost.Attach(Fresh);
        Fresh.FormatParagraphs(0, Fresh.GetParagraphCount() - 1, false, true);
        ASSERT_EQ(Control.GetLineCount(), Fresh.GetLineCount()) << "after " << What;
        if (!Wrap) {
            ASSERT_EQ(Control.GetLineCount(), Model.ParCount());
        }
        ASSERT_EQ(Control.GetLines().GetCount(), Fresh.GetLines().GetCount());
    }

    std::mt19937_64 Random;
    bool Wrap;
    THeadlessHost Host{{400, 300}};
    TKorvel Control;
    TModel Model;
    int32_t Depth = 0;
};

} // namespace

TEST(EditModelRandomTest, PublicEditingMatchesAStringModel) {
    const uint64_t Seed = EnvOr("QUOLT_EDIT_SEED", 20261209);
    const uint64_t Rounds = EnvOr("QUOLT_EDIT_ROUNDS", 40);
    for (uint64_t Round = 0; Round < Rounds; ++Round) {
        SCOPED_TRACE("QUOLT_EDIT_SEED=" + std::to_string(Seed) + " round " + std::to_string(Round));
        TEditModelRun Run(Seed * 7919 + Round, Round % 2 == 1);
        for (int32_t Step = 0; Step < 200 && !Run.Failed(); ++Step)
            Run.Step(Step);
        if (!Run.Failed())
            Run.Finish();
        if (Run.Failed())
            return;
    }
}
