#include "Korvel/TUndoList.h"

#include "framework/Exceptions.h"

#include <algorithm>
#include <utility>

namespace korvel {

TUndoList::TUndoList(std::function<int32_t()> TextLength) : TextLength(std::move(TextLength)) {}

bool TUndoList::RecordUndo(const TUndoStepStart& Step) {
    Waiting = -1;
    if (MaxLevel < 1)
        return false;
    // A new change loses the steps that could have been redone; a replay
    // writes into its own slot instead.
    if (!Undoing)
        while (GetCount() > UndoIndex)
            DeleteRecord(GetCount() - 1);

    // Typing at the end of the last step's new text continues that step.
    if (Step.SelLength == 0 && UndoIndex > 0 && !Undoing && !Step.NoUndoMerge) {
        const TUndoRecord& Last = Records[UndoIndex - 1];
        if (Step.Caret == Last.Stop && Step.Caret != Last.Start) {
            Waiting = UndoIndex - 1;
            return true;
        }
    }

    // A step that alone exceeds the budget would be recorded and discarded
    // at once together with every other step; the replaced text, which may
    // be huge, is then not even read.
    if (int64_t{Step.SelEnd} - Step.SelStart + TUndoRecord::RecordOverhead > MaxSpace) {
        Clear();
        return false;
    }

    TUndoRecord Record;
    Record.Start = Step.SelStart;
    Record.Stop = Step.SelStart;
    if (Step.ReadReplacedText && Step.SelEnd > Step.SelStart) {
        Record.SetText(Step.ReadReplacedText());
        // A text that cannot be read back whole (it holds a 0 byte) could
        // not be put back: undoing the step would damage the text, so no
        // step before it can be undone either.
        if (static_cast<int64_t>(Record.Text.size()) != int64_t{Step.SelEnd} - Step.SelStart) {
            Clear();
            return false;
        }
    }
    const int64_t Charge = Record.Charge();
    if (UndoIndex < GetCount()) {
        UndoSpace -= Records[UndoIndex].Charge();
        Records[UndoIndex] = std::move(Record);
    } else {
        while (UndoIndex > MaxLevel)
            DeleteRecord(0);
        Records.push_back(std::move(Record));
    }
    UndoSpace += Charge;
    ++UndoIndex;
    TrimToSpace();
    if (UndoIndex == 0)
        return false;
    Waiting = UndoIndex - 1;
    return true;
}

void TUndoList::FinishUndoRecord(int32_t Stop) {
    if (Waiting >= 0 && Waiting < GetCount())
        Records[Waiting].Stop = Stop;
    Waiting = -1;
    LengthAfter = TextLength ? TextLength() : 0;
}

void TUndoList::Clear() {
    Records.clear();
    UndoIndex = 0;
    UndoSpace = 0;
    Waiting = -1;
}

void TUndoList::DeleteRecord(int32_t Index) {
    if (Index < 0 || Index >= GetCount())
        return;
    UndoSpace -= Records[Index].Charge();
    if (Index == 0)
        Records.pop_front();
    else if (Index == GetCount() - 1)
        Records.pop_back();
    else
        Records.erase(Records.begin() + Index);
    if (Index < UndoIndex)
        --UndoIndex;
    if (Waiting == Index)
        Waiting = -1;
    else if (Waiting > Index)
        --Waiting;
}

void TUndoList::SetMaxLevel(int32_t Value) {
    if (Value > MaxUndoLevel)
        throw ERangeError(SUndoSetTooHigh);
    // Redo steps beyond the new limit go first, then the oldest steps. A
    // limit of 0 or less keeps no step at all.
    const int32_t Keep = std::max(Value, 0);
    while (GetCount() > std::max(UndoIndex, Keep))
        DeleteRecord(GetCount() - 1);
    while (UndoIndex > Keep && GetCount() > 0)
        DeleteRecord(0);
    MaxLevel = Value;
}

void TUndoList::SetMaxSpace(int32_t Value) {
    MaxSpace = Value;
    TrimToSpace();
}

void TUndoList::TrimToSpace() {
    while (UndoSpace > MaxSpace && UndoIndex < GetCount())
        DeleteRecord(GetCount() - 1);
    while (UndoSpace > MaxSpace && UndoIndex > 0)
        DeleteRecord(0);
}

bool TUndoList::MatchesText() const {
    return Records.empty() || !TextLength || TextLength() == LengthAfter;
}

} // namespace korvel
