#pragma once

#include "KVSupport/FormatCodes.h"
#include "KVSupport/HighlightRun.h"
#include "KVSupport/ParagraphLookups.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TLineRecord.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TParagraphsList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// Builds display lines and highlight runs directly on paragraphs, so that
// navigator tests do not depend on line breaking or the highlighting passes.
namespace korvel::test {

// Gives every paragraph its FirstLine from the line counts before it and sets
// the list's LineCount, as laying out a change does.
inline void UpdateFirstLines(TCustomKorvel& Control) {
    TParagraphsList& List = Control.GetParagraphsList();
    int32_t Line = 0;
    for (int32_t I = 0; I < List.GetCount(); ++I) {
        List.SetFirstLine(I, Line);
        Line += List[I].LineCountOf();
    }
    List.AdjustLineCount(Line - List.GetLineCount());
}

// Replaces the display lines of paragraph Index by Lines (Line 0 keeps the
// paragraph's start code state) and updates the first lines.
inline void SetLines(TCustomKorvel& Control, int32_t Index, std::vector<TLineRecord> Lines) {
    TParagraph& Par = Control.GetParagraphsList()[Index];
    const uint8_t StartState = Par.StartCodeState();
    ParExtraInfo& Extra = Par.AttachExtra();
    Lines.front().StartCodeState = StartState;
    Extra.Line0 = Lines.front();
    Extra.MoreLines.assign(Lines.begin() + 1, Lines.end());
    UpdateFirstLines(Control);
}

// Cuts paragraph Index into lines starting at Starts (the first 0, rising);
// each line gets its code state and run count at its start, 6 pixels per
// byte as width, and no justification.
inline void WrapAt(TCustomKorvel& Control, int32_t Index, const std::vector<int32_t>& Starts) {
    TParagraph& Par = Control.GetParagraphsList()[Index];
    const int32_t Length = Par.ParLength();
    const bool StaticFormat = Control.GetStaticFormat();
    std::vector<TLineRecord> Lines;
    for (size_t K = 0; K < Starts.size(); ++K) {
        TLineRecord Line{};
        Line.Start = Starts[K];
        Line.Stop = K + 1 < Starts.size() ? Starts[K + 1] : Length;
        Line.Width = Line.FullWidth = 6 * (Line.Stop - Line.Start);
        Line.JustifyFrom = Line.Stop;
        const std::string_view Before = Par.View().substr(0, static_cast<size_t>(Line.Start));
        Line.StartCodeState =
            StaticFormat ? ToggleCodes(Par.StartCodeState(), Before) : Par.StartCodeState();
        Line.StartRunIndex = Par.HasExtra() ? RunsBefore(*Par.GetExtra(), Line.Start) : 0;
        Lines.push_back(Line);
    }
    SetLines(Control, Index, Lines);
}

// A run with automatic formatting in Style (bits 0..5).
inline HighlightRun StyleRun(uint8_t Style, int32_t Context = 0) {
    HighlightRun Run{};
    Run.Flags = static_cast<uint8_t>(hfKeyState | Style);
    Run.BackColor = -1;
    Run.TextColor = -1;
    Run.Context = Context;
    return Run;
}

// Adds Run at Offset of paragraph Index, keeping the runs sorted.
inline void AddRun(TCustomKorvel& Control, int32_t Index, int32_t Offset,
                   HighlightRun Run = StyleRun(0)) {
    TDynInfoArray& Runs = Control.GetParagraphsList()[Index].AttachExtra().Runs;
    Run.Offset = Offset;
    const auto At = std::upper_bound(
        Runs.begin(), Runs.end(), Offset,
        [](int32_t Value, const HighlightRun& Other) { return Value < Other.Offset; });
    Runs.insert(At, Run);
}

// Whether every cache Nav holds agrees with a navigator freshly placed on
// the same position. With RunsHere the run index may also count the runs
// starting exactly at the position (after SkipRunsHere or InsertRun); with
// LineEnd the line index may name the line that the position ends (a
// position at a wrap kept on its line by SetParOffset or SetLineOffset).
inline ::testing::AssertionResult CachesAgree(TKorvelNavigator& Nav, bool RunsHere = false,
                                              bool LineEnd = false) {
    TKorvelNavigator Fresh(*Nav.GetControl());
    Fresh.SetPos(Nav.GetPos());
    if (Fresh.GetPos() != Nav.GetPos())
        return ::testing::AssertionFailure() << "Pos " << Nav.GetPos() << " outside the text";
    if (!Nav.HasParCache()) {
        if (Nav.CachedRunIndex() != -1 || Nav.CachedLineIndex() != -1)
            return ::testing::AssertionFailure() << "run or line cached without a paragraph";
        return ::testing::AssertionSuccess();
    }
    const int32_t Index = Fresh.GetParIndex();
    if (Nav.CachedParIndex() != Index || Nav.GetPar() != Fresh.GetPar() ||
        Nav.CachedParOffset() != Fresh.GetParOffset())
        return ::testing::AssertionFailure()
               << "at " << Nav.GetPos() << ": paragraph " << Nav.CachedParIndex() << " offset "
               << Nav.CachedParOffset() << ", fresh " << Index << " " << Fresh.GetParOffset();
    const TParagraph& Par = *Fresh.GetPar();
    const int32_t Offset = Fresh.GetParOffset();
    if (Nav.CachedRunIndex() >= 0) {
        const int32_t Runs = Fresh.GetRunIndex();
        int32_t Here = 0;
        while (RunsHere && Runs + Here < Par.RunCount() &&
               Par.GetExtra()->Runs[static_cast<size_t>(Runs + Here)].Offset == Offset)
            ++Here;
        if (Nav.CachedRunIndex() < Runs || Nav.CachedRunIndex() > Runs + Here)
            return ::testing::AssertionFailure() << "at " << Nav.GetPos() << ": run index "
                                                 << Nav.CachedRunIndex() << ", fresh " << Runs;
    }
    if (Nav.CachedLineIndex() >= 0) {
        const int32_t Line = Fresh.GetLineIndex();
        const bool EndOfPrevious = LineEnd && Line > 0 && Nav.CachedLineIndex() == Line - 1 &&
                                   LineRecordOf(Par, Line).Start == Offset;
        if (Nav.CachedLineIndex() != Line && !EndOfPrevious)
            return ::testing::AssertionFailure() << "at " << Nav.GetPos() << ": line "
                                                 << Nav.CachedLineIndex() << ", fresh " << Line;
    }
    return ::testing::AssertionSuccess();
}

} // namespace korvel::test
