#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace korvel {

// What a replacement tells undo recording just before the paragraph list
// replaces the selection: where the selection lies, where the caret stands
// and whether a selection change since the last recorded replacement forbids
// merging into the last record.
struct TUndoStepStart {
    int32_t SelStart = 0;  // offset of the selection's lower end
    int32_t SelEnd = 0;    // offset of its upper end
    int32_t Caret = 0;     // offset of the caret
    int32_t SelLength = 0; // signed selection length (0: nothing selected)
    bool NoUndoMerge = false;
    // The text about to be replaced (SelStart .. SelEnd, breaks as CR LF);
    // read only when a new record is opened.
    std::function<std::string()> ReadReplacedText;
};

// Where a replacement hands its undo information. The control calls
// RecordUndo before every recorded replacement (not while it is being read
// from a form description or sits in the designer, and not when its undo
// level is below 1), and FinishUndoRecord after the list has replaced the
// text when RecordUndo said a record waits for its end. The history itself
// lives behind this interface; the control starts with one that records
// nothing.
class TUndoRecording {
public:
    virtual ~TUndoRecording() = default;

    // Opens a new record holding the text about to be replaced, or continues
    // the last one. True when a record (opened or continued) waits for the
    // end offset of the new text.
    virtual bool RecordUndo(const TUndoStepStart& Step) = 0;
    // The new text of the waiting record ends at Stop.
    virtual void FinishUndoRecord(int32_t Stop) = 0;
};

// Records nothing.
class TNoUndoRecording final : public TUndoRecording {
public:
    bool RecordUndo(const TUndoStepStart&) override { return false; }
    void FinishUndoRecord(int32_t) override {}
};

} // namespace korvel
