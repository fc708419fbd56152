#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/ParagraphLookups.h"
#include "KVSupport/TParagraph.h"

#include <cstdint>
#include <limits>

// Reading and editing the highlight runs of one paragraph by offset, for the
// highlighting passes. The state "at" an offset is the state of the
// character there: the last run starting at or before it, or the start run.
namespace korvel {

class TParagraphsList;

inline constexpr int32_t NoRun = std::numeric_limits<int32_t>::max();

// The runs of Par (empty without an extension).
inline const HighlightRun* RunsOf(const TParagraph& Par, int32_t& Count) {
    const ParExtraInfo* Extra = Par.GetExtra();
    Count = Extra != nullptr ? static_cast<int32_t>(Extra->Runs.size()) : 0;
    return Count > 0 ? Extra->Runs.data() : nullptr;
}

// The number of runs starting at or before Offset.
inline int32_t RunsAtOrBefore(const TParagraph& Par, int32_t Offset) {
    const ParExtraInfo* Extra = Par.GetExtra();
    return Extra != nullptr ? RunsUpTo(*Extra, Offset) : 0;
}

// The number of runs starting before Offset.
inline int32_t RunsStartingBefore(const TParagraph& Par, int32_t Offset) {
    const ParExtraInfo* Extra = Par.GetExtra();
    return Extra != nullptr ? RunsBefore(*Extra, Offset) : 0;
}

// The state in force after the first Index runs of Par: run Index - 1, or
// the start run when Index is 0.
inline const HighlightRun& StateAfterRuns(const TParagraph& Par, int32_t Index) {
    return Index > 0 ? Par.GetExtra()->Runs[static_cast<size_t>(Index - 1)] : *Par.StartRun();
}

// The state of the character at Offset.
inline const HighlightRun& StateAt(const TParagraph& Par, int32_t Offset) {
    return StateAfterRuns(Par, RunsAtOrBefore(Par, Offset));
}

// The state just before Offset (runs starting at Offset do not count).
inline const HighlightRun& StateBefore(const TParagraph& Par, int32_t Offset) {
    return StateAfterRuns(Par, RunsStartingBefore(Par, Offset));
}

// The state at the end of Par, which its successor starts with.
inline const HighlightRun& EndStateOf(const TParagraph& Par) {
    return StateAfterRuns(Par, Par.RunCount());
}

// The offset of the first run starting after Offset, or NoRun.
inline int32_t NextRunAfter(const TParagraph& Par, int32_t Offset) {
    const int32_t Index = RunsAtOrBefore(Par, Offset);
    return Index < Par.RunCount() ? Par.GetExtra()->Runs[static_cast<size_t>(Index)].Offset : NoRun;
}

// The run starting exactly at Offset, or null.
inline HighlightRun* RunStartingAt(TParagraph& Par, int32_t Offset) {
    const int32_t Index = RunsStartingBefore(Par, Offset);
    if (Index >= Par.RunCount())
        return nullptr;
    HighlightRun& Run = Par.GetExtra()->Runs[static_cast<size_t>(Index)];
    return Run.Offset == Offset ? &Run : nullptr;
}

// The run of Par in force at Offset (the last one starting at or before it),
// or null when the start run is in force there.
inline HighlightRun* RunInForce(TParagraph& Par, int32_t Offset) {
    const int32_t Index = RunsAtOrBefore(Par, Offset);
    return Index > 0 ? &Par.GetExtra()->Runs[static_cast<size_t>(Index - 1)] : nullptr;
}

// Sets CloseLen of the run in force at Offset of paragraph ParIndex to
// Value. When the paragraph's start run is in force there, that run is the
// last one of the nearest earlier paragraph that has runs; the start runs of
// the paragraphs after it, up to ParIndex, are copies of it and take the
// value too, so that the state read anywhere in between agrees.
void SetCloseLenInForce(TParagraphsList& List, int32_t ParIndex, int32_t Offset, uint8_t Value);

// Stores Run as the run starting at Offset: it replaces a run that starts
// there, else it is inserted in order.
void PutRunAt(TParagraph& Par, int32_t Offset, const HighlightRun& Run);

// Inserts Run at Offset before any run that already starts there (so that
// run now follows it at the same offset until the caller removes one).
void InsertRunBefore(TParagraph& Par, int32_t Offset, const HighlightRun& Run);

// Deletes the runs starting in (From, To], or [From, To] with IncludeFrom,
// for which Keep(run) is false. Returns the number deleted.
template <class TKeep>
int32_t DeleteRunsIn(TParagraph& Par, int32_t From, int32_t To, bool IncludeFrom, TKeep&& Keep) {
    ParExtraInfo* Extra = Par.GetExtra();
    if (Extra == nullptr || To < From)
        return 0;
    TDynInfoArray& Runs = Extra->Runs;
    const int32_t First = IncludeFrom ? RunsBefore(*Extra, From) : RunsUpTo(*Extra, From);
    const int32_t Last = RunsUpTo(*Extra, To); // one past the last in range
    if (First >= Last)
        return 0;
    auto Write = Runs.begin() + First;
    for (auto Read = Write; Read != Runs.begin() + Last; ++Read)
        if (Keep(*Read))
            *Write++ = *Read;
    const auto Deleted = static_cast<int32_t>(Runs.begin() + Last - Write);
    if (Deleted > 0)
        Extra->DropSamplesFrom(Runs[static_cast<size_t>(First)].Offset);
    Runs.erase(Write, Runs.begin() + Last);
    return Deleted;
}

inline int32_t DeleteRunsIn(TParagraph& Par, int32_t From, int32_t To, bool IncludeFrom) {
    return DeleteRunsIn(Par, From, To, IncludeFrom, [](const HighlightRun&) { return false; });
}

} // namespace korvel
