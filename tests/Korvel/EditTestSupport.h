#pragma once

#include "KorvelTestSupport.h"

#include "KVSupport/TKorvelNavigator.h"
#include "Korvel/TUndoRecording.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel::test {

// Remembers what the control hands to undo recording: one entry per
// RecordUndo, its Stop filled by the FinishUndoRecord that follows.
struct TUndoSpy : TUndoRecording {
    struct TEntry {
        int32_t SelStart;
        int32_t SelEnd;
        int32_t Caret;
        int32_t SelLength;
        bool NoUndoMerge;
        std::string Replaced;
        int32_t Stop = -1;
    };
    std::vector<TEntry>& Entries;

    explicit TUndoSpy(std::vector<TEntry>& Entries) : Entries(Entries) {}
    bool RecordUndo(const TUndoStepStart& Step) override {
        Entries.push_back({Step.SelStart, Step.SelEnd, Step.Caret, Step.SelLength, Step.NoUndoMerge,
                           Step.ReadReplacedText()});
        return true;
    }
    void FinishUndoRecord(int32_t Stop) override { Entries.back().Stop = Stop; }
};

// Installs a spy on Control; the entries live in the returned vector.
inline std::shared_ptr<std::vector<TUndoSpy::TEntry>> SpyOnUndo(TKorvel& Control) {
    auto Entries = std::make_shared<std::vector<TUndoSpy::TEntry>>();
    Control.SetUndoRecording(std::make_unique<TUndoSpy>(*Entries));
    return Entries;
}

// The selection as (start offset, end offset, caret offset, signed length).
struct TSel {
    int32_t Start, End, Caret, Length;
    friend bool operator==(const TSel&, const TSel&) = default;
};

inline TSel SelectionOf(TKorvel& Control) {
    return {Control.GetSelStartNav().GetPos(), Control.GetSelEndNav().GetPos(),
            Control.GetSelStart(), Control.GetSelLength()};
}

inline std::ostream& operator<<(std::ostream& Out, const TSel& S) {
    return Out << "[" << S.Start << ", " << S.End << "] caret " << S.Caret << " length "
               << S.Length;
}

// The text as the model sees it: paragraphs joined by CR LF.
inline std::string TextOf(TKorvel& Control) {
    return Control.GetAllText();
}

} // namespace korvel::test
