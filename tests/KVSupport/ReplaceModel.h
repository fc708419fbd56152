#pragma once

#include "KVSupport/FormatCodes.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TParagraphsList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A reference model of the text under replacement, simple enough to be
// obviously right: the whole text as one string with CR LF breaks, and the
// highlight runs as absolute positions. Tests apply each replacement to the
// model and to the paragraph list and compare.
namespace korvel::test {

// The whole text of a list, paragraphs joined by CR LF.
inline std::string WholeText(const TParagraphsList& List) {
    std::string Text;
    for (int32_t I = 0; I < List.GetCount(); ++I) {
        if (I > 0)
            Text += "\r\n";
        Text += List[I].View();
    }
    return Text;
}

// A run of the model: where it starts in the whole text and who it is (the
// run's Context).
struct TRunMark {
    int32_t Pos;
    int32_t Id;
    friend bool operator==(const TRunMark&, const TRunMark&) = default;
};

inline std::vector<TRunMark> RunMarks(const TParagraphsList& List) {
    std::vector<TRunMark> Marks;
    for (int32_t I = 0; I < List.GetCount(); ++I)
        if (const ParExtraInfo* Extra = List[I].GetExtra())
            for (const HighlightRun& Run : Extra->Runs)
                Marks.push_back({List.GetStartOffset(I) + Run.Offset, Run.Context});
    return Marks;
}

// The start code state of every paragraph.
inline std::vector<uint8_t> StartCodeStates(const TParagraphsList& List) {
    std::vector<uint8_t> States;
    for (int32_t I = 0; I < List.GetCount(); ++I)
        States.push_back(List[I].StartCodeState());
    return States;
}

class TReplaceModel {
public:
    std::string Text;
    std::vector<TRunMark> Runs;
    bool StaticFormat = false;

    // What one replacement is expected to do.
    struct TEdit {
        int32_t Pos1 = 0; // the range actually replaced
        int32_t Pos2 = 0;
        std::string Inserted; // CR LF breaks, closing codes included
        int32_t CharDelta = 0;
        int32_t ParagraphDelta = 0;
        int32_t FirstPara = 0;     // paragraph of Pos1
        int32_t NewParagraphs = 0; // breaks in Inserted
        bool RunsCut = false;
        bool OneParagraph = false; // no break removed or inserted
        uint8_t Carry = 0;         // toggles left open for the text behind
        int32_t EndPos() const { return Pos1 + static_cast<int32_t>(Inserted.size()); }
    };

    int32_t ParagraphCount() const { return BreaksIn(Text) + 1; }

    // What replacing Pos1 .. Pos2 by NewText does, the model left unchanged.
    TEdit Plan(int32_t Pos1, int32_t Pos2, const char* NewText, bool CloseFormats,
               bool DiscardTrailing) const {
        TEdit Edit;
        // A position between CR and LF stands for the start of the break.
        Edit.Pos1 = Pos1 > 0 && At(Pos1 - 1) == '\r' ? Pos1 - 1 : Pos1;
        Edit.Pos2 = Pos2 > 0 && At(Pos2 - 1) == '\r' ? Pos2 - 1 : Pos2;
        const std::string_view New = NewText != nullptr ? NewText : "";
        std::vector<std::string> Pieces(1);
        for (size_t I = 0; I < New.size(); ++I) {
            if (New[I] != '\r') {
                Pieces.back() += New[I];
                continue;
            }
            if (I + 1 < New.size() && New[I + 1] == '\n')
                ++I;
            Pieces.emplace_back();
        }
        if (DiscardTrailing) {
            if (Pieces.size() > 1 && Trimmed(Pieces.front()).empty())
                while (Edit.Pos1 > 0 && IsBlank(At(Edit.Pos1 - 1)))
                    --Edit.Pos1;
            const bool EndsParagraph =
                Edit.Pos2 == static_cast<int32_t>(Text.size()) || At(Edit.Pos2) == '\r';
            for (size_t K = 0; K < Pieces.size(); ++K)
                if (K + 1 < Pieces.size() || EndsParagraph)
                    Pieces[K] = Trimmed(Pieces[K]);
        }
        const std::string_view Old = std::string_view(Text).substr(
            static_cast<size_t>(Edit.Pos1), static_cast<size_t>(Edit.Pos2 - Edit.Pos1));
        const uint8_t Net = StaticFormat ? ToggleCodes(ToggleCodes(0, New), Old) : 0;
        for (size_t K = 0; K < Pieces.size(); ++K)
            Edit.Inserted += (K > 0 ? "\r\n" : "") + Pieces[K];
        if (CloseFormats)
            Edit.Inserted += ClosingCodes(Net);
        else
            Edit.Carry = Net;
        Edit.CharDelta = static_cast<int32_t>(Edit.Inserted.size()) - (Edit.Pos2 - Edit.Pos1);
        Edit.NewParagraphs = static_cast<int32_t>(Pieces.size() - 1);
        Edit.ParagraphDelta = Edit.NewParagraphs - BreaksIn(Old);
        Edit.FirstPara = BreaksIn(std::string_view(Text).substr(0, static_cast<size_t>(Edit.Pos1)));
        Edit.OneParagraph = Edit.NewParagraphs == 0 && BreaksIn(Old) == 0;
        Edit.RunsCut = std::any_of(Runs.begin(), Runs.end(), [&Edit](const TRunMark& Mark) {
            return Mark.Pos >= Edit.Pos1 && Mark.Pos <= Edit.Pos2;
        });
        return Edit;
    }

    // Carries out a planned edit: runs in the range go, those behind it move.
    void Apply(const TEdit& Edit) {
        std::vector<TRunMark> Kept;
        for (TRunMark Mark : Runs) {
            if (Mark.Pos >= Edit.Pos1 && Mark.Pos <= Edit.Pos2)
                continue;
            if (Mark.Pos > Edit.Pos2)
                Mark.Pos += Edit.CharDelta;
            Kept.push_back(Mark);
        }
        Runs = Kept;
        Text.replace(static_cast<size_t>(Edit.Pos1), static_cast<size_t>(Edit.Pos2 - Edit.Pos1),
                     Edit.Inserted);
    }

private:
    char At(int32_t Pos) const { return Text[static_cast<size_t>(Pos)]; }
    static bool IsBlank(char Ch) { return Ch == ' ' || Ch == '\t'; }
    static std::string Trimmed(std::string Piece) {
        while (!Piece.empty() && IsBlank(Piece.back()))
            Piece.pop_back();
        return Piece;
    }
    static int32_t BreaksIn(std::string_view Bytes) {
        return static_cast<int32_t>(std::count(Bytes.begin(), Bytes.end(), '\r'));
    }
};

// The start code states a replacement leaves: paragraphs up to the first
// replaced one keep theirs, the new ones after it get the state reached at
// the end of the one before, and the paragraphs behind keep theirs (which
// stays right as long as the closing codes restore the state at the end).
inline std::vector<uint8_t> ExpectedStartCodeStates(const std::vector<uint8_t>& Before,
                                                    const TParagraphsList& After,
                                                    const TReplaceModel::TEdit& Edit) {
    std::vector<uint8_t> States(Before.begin(), Before.begin() + Edit.FirstPara + 1);
    for (int32_t K = 1; K <= Edit.NewParagraphs; ++K)
        States.push_back(After.GetStaticFormat()
                             ? ToggleCodes(States.back(), After[Edit.FirstPara + K - 1].View())
                             : 0);
    const auto Behind =
        static_cast<size_t>(Edit.FirstPara + Edit.NewParagraphs + 1 - Edit.ParagraphDelta);
    for (auto State = Before.begin() + static_cast<std::ptrdiff_t>(Behind); State != Before.end();
         ++State)
        States.push_back(static_cast<uint8_t>(*State ^ Edit.Carry));
    return States;
}

// The list holds the model's text and runs, and every invariant holds,
// including that no display line ends before it starts (the list's own check
// sees only that the lines tile the paragraph).
inline ::testing::AssertionResult ListMatchesModel(const TParagraphsList& List,
                                                   const TReplaceModel& Model) {
    if (std::string Problem = List.FindInconsistency(); !Problem.empty())
        return ::testing::AssertionFailure() << Problem;
    for (int32_t I = 0; I < List.GetCount(); ++I)
        if (const ParExtraInfo* Extra = List[I].GetExtra())
            for (size_t K = 0; K < Extra->MoreLines.size(); ++K)
                if (Extra->MoreLines[K].Start > Extra->MoreLines[K].Stop)
                    return ::testing::AssertionFailure()
                           << "paragraph " << I << ": line " << K + 1 << " ends before it starts";
    if (WholeText(List) != Model.Text)
        return ::testing::AssertionFailure() << "the text differs from the model";
    if (RunMarks(List) != Model.Runs)
        return ::testing::AssertionFailure() << "the runs differ from the model";
    return ::testing::AssertionSuccess();
}

} // namespace korvel::test
