#pragma once

#include "Korvel/TUndoRecording.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>

namespace korvel {

// One step of the history: the replacement put new text at Start .. Stop in
// place of Text. Undoing it puts Text back over Start .. Stop; the replay
// records the inverse step in the same slot, so that redo works the same way.
struct TUndoRecord {
public:
    int32_t Start = 0;
    int32_t Stop = 0;
    // Undone and redone together with the record before it.
    bool Grouped = false;
    std::string Text;

    // What the record costs against the memory budget: its text's length
    // when it was recorded + 13 (kept while a replay borrows the text).
    int64_t Charge() const { return Charged; }
    void SetText(std::string Value) {
        Text = std::move(Value);
        Charged = static_cast<int64_t>(Text.size()) + RecordOverhead;
    }
    static constexpr int64_t RecordOverhead = 13;

private:
    int64_t Charged = RecordOverhead;
};

// The linear history of replacements, bounded by a number of steps
// (MaxLevel) and by a memory budget (MaxSpace). It is the control's undo
// recorder: every recorded replacement opens a record holding the text it is
// about to replace, or continues the last one while text is typed at its
// end. Records before UndoIndex can be undone, the ones from it on redone.
class TUndoList final : public TUndoRecording {
public:
    // Levels above this raise "Undo set too high".
    static constexpr int32_t MaxUndoLevel = 0x7FFFFFF;

    // TextLength reads the text length of the control the history belongs
    // to; it tells whether the text still is what the last step left.
    explicit TUndoList(std::function<int32_t()> TextLength);

    bool RecordUndo(const TUndoStepStart& Step) override;
    void FinishUndoRecord(int32_t Stop) override;

    int32_t GetCount() const { return static_cast<int32_t>(Records.size()); }
    const TUndoRecord& operator[](int32_t Index) const { return Records[Index]; }
    TUndoRecord& operator[](int32_t Index) { return Records[Index]; }
    int32_t GetUndoIndex() const { return UndoIndex; }
    void SetUndoIndex(int32_t Value) { UndoIndex = Value; }
    // The sum of the charges of all records.
    int64_t GetUndoSpace() const { return UndoSpace; }
    // True while a record is replayed.
    bool GetUndoing() const { return Undoing; }
    void SetUndoing(bool Value) { Undoing = Value; }

    bool CanUndo() const { return UndoIndex >= (Undoing ? 2 : 1); }
    bool CanRedo() const { return Undoing ? GetCount() >= UndoIndex : UndoIndex < GetCount(); }

    // Frees every record.
    void Clear();
    // Frees record Index, keeping UndoIndex on the same step.
    void DeleteRecord(int32_t Index);

    int32_t GetMaxLevel() const { return MaxLevel; }
    // Trims the history to Value steps (redo steps beyond it first); 0 or
    // less switches recording off. "Undo set too high" above MaxUndoLevel,
    // and nothing changes then.
    void SetMaxLevel(int32_t Value);
    int32_t GetMaxSpace() const { return MaxSpace; }
    // Trims the history to the budget: redo steps first, then the oldest.
    void SetMaxSpace(int32_t Value);

    // Whether the text has the length that the last recorded step left. A
    // text changed behind the history's back (no recorded replacement) makes
    // the records' offsets meaningless.
    bool MatchesText() const;

private:
    void TrimToSpace();

    std::function<int32_t()> TextLength;
    std::deque<TUndoRecord> Records;
    int32_t UndoIndex = 0;
    int64_t UndoSpace = 0;
    int32_t MaxLevel = 1024;
    int32_t MaxSpace = 65536;
    bool Undoing = false;
    // The record whose Stop the running replacement fills in; -1 when none.
    int32_t Waiting = -1;
    // The text length after the last recorded step.
    int32_t LengthAfter = 0;
};

} // namespace korvel
