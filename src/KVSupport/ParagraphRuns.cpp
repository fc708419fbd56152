#include "KVSupport/ParagraphRuns.h"

#include "KVSupport/TParagraphsList.h"

namespace korvel {

void PutRunAt(TParagraph& Par, int32_t Offset, const HighlightRun& Run) {
    if (HighlightRun* Existing = RunStartingAt(Par, Offset)) {
        if (Existing->Flags != Run.Flags)
            Par.DropLineSamplesFrom(Offset);
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
    Par.DropLineSamplesFrom(Offset);
}

void SetCloseLenInForce(TParagraphsList& List, int32_t ParIndex, int32_t Offset, uint8_t Value) {
    if (HighlightRun* Run = RunInForce(List[ParIndex], Offset)) {
        Run->CloseLen = Value;
        return;
    }
    int32_t First = ParIndex;
    while (First > 0 && List[First - 1].RunCount() == 0)
        --First;
    if (First > 0)
        List[First - 1].GetExtra()->Runs.back().CloseLen = Value;
    // Paragraphs that shared one start run share one changed copy.
    const HighlightRun* Old = nullptr;
    const HighlightRun* New = nullptr;
    for (int32_t P = First; P <= ParIndex; ++P) {
        TParagraph& Par = List[P];
        const HighlightRun* Start = Par.StartRun();
        if (Start->CloseLen == Value || (Start->Flags & hfAutomatic) == 0)
            continue; // the default run holds nothing to change
        if (Start == Old) {
            Par.SetStartRun(New, false);
            continue;
        }
        HighlightRun Changed = *Start;
        Changed.CloseLen = Value;
        Old = Start;
        Par.SetStartRun(&Changed, true);
        New = Par.StartRun();
    }
}

} // namespace korvel
