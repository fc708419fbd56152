#pragma once

#include "KVSupport/ParExtraInfo.h"
#include "KVSupport/TLineRecord.h"
#include "KVSupport/TParagraph.h"
#include "framework/Exceptions.h"

#include <algorithm>
#include <cstdint>

// Look-ups on the display lines and highlight runs of one paragraph. Both are
// sorted (lines by Start and Stop, runs by Offset), so every look-up by offset
// is a binary search; a paragraph without extension has one line and no runs.
namespace korvel {

// Stop of line Index (0 .. MoreLines size) of a paragraph with extension.
inline int32_t LineStopOf(const ParExtraInfo& Extra, int32_t Index) {
    return Index == 0 ? Extra.Line0.Stop : Extra.MoreLines[static_cast<size_t>(Index - 1)].Stop;
}

// A copy of line Index; ERangeError "List index out of bounds" outside the
// paragraph's lines.
inline TLineRecord LineRecordOf(const TParagraph& Par, int32_t Index) {
    if (Index < 0 || Index >= Par.LineCountOf())
        throw ERangeError(SListIndexError);
    if (Index == 0)
        return Par.GetLine0();
    return Par.GetExtra()->MoreLines[static_cast<size_t>(Index - 1)];
}

// The line holding Offset: the first whose Stop is above it, or the last line
// (so an offset at a wrap belongs to the line after it).
inline int32_t LineContaining(const TParagraph& Par, int32_t Offset) {
    const ParExtraInfo* Extra = Par.GetExtra();
    if (Extra == nullptr || Extra->MoreLines.empty() || Extra->Line0.Stop > Offset)
        return 0;
    const auto& More = Extra->MoreLines;
    const auto Found =
        std::upper_bound(More.begin(), More.end(), Offset,
                         [](int32_t Value, const TLineRecord& Line) { return Value < Line.Stop; });
    if (Found == More.end())
        return static_cast<int32_t>(More.size());
    return static_cast<int32_t>(Found - More.begin()) + 1;
}

// The line that Offset ends or lies in when an offset at a line's Start counts
// as the end of the line before it: the number of lines after the first
// whose Start is below Offset.
inline int32_t LineEndingAt(const ParExtraInfo& Extra, int32_t Offset) {
    const auto& More = Extra.MoreLines;
    const auto Found =
        std::lower_bound(More.begin(), More.end(), Offset,
                         [](const TLineRecord& Line, int32_t Value) { return Line.Start < Value; });
    return static_cast<int32_t>(Found - More.begin());
}

// The number of runs starting before Offset.
inline int32_t RunsBefore(const ParExtraInfo& Extra, int32_t Offset) {
    const auto Found =
        std::lower_bound(Extra.Runs.begin(), Extra.Runs.end(), Offset,
                         [](const HighlightRun& Run, int32_t Value) { return Run.Offset < Value; });
    return static_cast<int32_t>(Found - Extra.Runs.begin());
}

// The number of runs starting at or before Offset.
inline int32_t RunsUpTo(const ParExtraInfo& Extra, int32_t Offset) {
    const auto Found =
        std::upper_bound(Extra.Runs.begin(), Extra.Runs.end(), Offset,
                         [](int32_t Value, const HighlightRun& Run) { return Value < Run.Offset; });
    return static_cast<int32_t>(Found - Extra.Runs.begin());
}

// Whether Count is the number of runs starting before Offset, checked on the
// two runs around it only.
inline bool RunCountFits(const TParagraph& Par, int32_t Offset, int32_t Count) {
    const int32_t Runs = Par.RunCount();
    if (Count < 0 || Count > Runs)
        return false;
    if (Runs == 0)
        return true;
    const TDynInfoArray& All = Par.GetExtra()->Runs;
    return (Count == 0 || All[static_cast<size_t>(Count - 1)].Offset < Offset) &&
           (Count == Runs || All[static_cast<size_t>(Count)].Offset >= Offset);
}

} // namespace korvel
