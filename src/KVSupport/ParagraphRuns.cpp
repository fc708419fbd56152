#include "KVSupport/ParagraphRuns.h"

namespace korvel {

void PutRunAt(TParagraph& Par, int32_t Offset, const HighlightRun& Run) {
    if (HighlightRun* Existing = RunStartingAt(Par, Offset)) {
        *Existing = Run;
        Existing->Offset = Offset;
        return;
    }
    InsertRunBefore(Par, Offset, Run);
}

void InsertRunBefore(TParagraph& Par, int32_t Offset, const HighlightRun& Run) {
    const int32_t Index = RunsStartingBefore(Par, Offset);
    TDynInfoArray& Runs = Par.AttachExtra().Runs;
    if (Runs.capacity() == 0)
        Runs.reserve(4); // a range or a keyword comes with the run that ends it
    HighlightRun Placed = Run;
    Placed.Offset = Offset;
    Runs.insert(Runs.begin() + Index, Placed);
}

} // namespace korvel
