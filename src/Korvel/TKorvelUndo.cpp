// Undo and redo: the replay of history records through the one replacement
// operation, and the limits of the history.

#include "KVSupport/TKorvelNavigator.h"
#include "Korvel/TFlagGuard.h"
#include "Korvel/TKorvel.h"
#include "framework/Exceptions.h"

namespace korvel {

void TKorvel::Undo() {
    if (UndoList == nullptr || UndoList->GetUndoIndex() <= 0)
        return;
    TUndoList& List = *UndoList;
    const int32_t Index = List.GetUndoIndex() - 1;
    const bool Grouped = List[Index].Grouped;
    ReplayUndoRecord(Index);
    if (List.GetUndoIndex() > 0)
        List.SetUndoIndex(List.GetUndoIndex() - 1);
    if (Grouped && List.GetUndoIndex() > 0) {
        Undo();
        // The replay that took the undone record's slot stays tied to it.
        const int32_t Tied = List.GetUndoIndex() + 1;
        if (Tied < List.GetCount())
            List[Tied].Grouped = true;
    }
}

void TKorvel::Redo() {
    if (UndoList == nullptr || UndoList->GetUndoIndex() >= UndoList->GetCount())
        return;
    TUndoList& List = *UndoList;
    ReplayUndoRecord(List.GetUndoIndex());
    const int32_t Next = List.GetUndoIndex();
    if (Next > 0 && Next < List.GetCount() && List[Next].Grouped) {
        Redo();
        List[List.GetUndoIndex() - 1].Grouped = true;
    }
}

// Puts the record's text over the range its step produced. The replay
// records the inverse step into the record's own slot. It inserts the text
// as it was, without closing codes or tidying: both would make the text
// differ from what the step replaced, and tidying would record steps of
// its own into the history being replayed.
//
// A record that no longer fits the text (the text was changed without a
// recorded replacement) or that holds a character the replacement cannot
// put back (a 0 byte) would damage the text; the history is dropped
// instead and the text left alone.
void TKorvel::ReplayUndoRecord(int32_t Index) {
    TUndoList& List = *UndoList;
    const TUndoRecord& Record = List[Index];
    const bool Fits = List.MatchesText() && Record.Start >= 0 && Record.Start <= Record.Stop &&
                      Record.Stop <= GetTextLength() && Record.Text.find('\0') == std::string::npos;
    if (!Fits) {
        ClearUndo();
        return;
    }
    const int32_t OldIndex = List.GetUndoIndex();
    if (Record.Start == Record.Stop && Record.Text.empty()) {
        // A step that replaced nothing by nothing (half a break selected) is
        // its own inverse; a replacement would not even record it.
        SetSelStart(Record.Start);
        List.SetUndoIndex(Index + 1);
        return;
    }
    SetSelStart(Record.Start);
    SetSelLength(Record.Stop - Record.Start);
    // The replay takes the record's slot: its text is borrowed rather than
    // copied (it may be huge), and handed back if the replay is refused.
    std::string Text = std::move(List[Index].Text);
    List.SetUndoIndex(Index);
    {
        const TFlagGuard Replaying(RawMode, true);
        const TFlagGuard NoTidy(TidySuppressed, true);
        List.SetUndoing(true);
        try {
            SetSelTextBuf(Text.c_str());
        } catch (...) {
            List.SetUndoing(false);
            // Refused before anything was recorded: the history stands as it
            // was. Otherwise it can no longer be trusted.
            if (List.GetUndoIndex() == Index) {
                List[Index].Text = std::move(Text);
                List.SetUndoIndex(OldIndex);
            } else
                ClearUndo();
            throw;
        }
        List.SetUndoing(false);
    }
    // Typing after a replay starts a step of its own.
    NoUndoMerge = true;
}

bool TKorvel::CanUndo() const {
    return UndoList != nullptr && UndoList->CanUndo();
}

bool TKorvel::CanRedo() const {
    return UndoList != nullptr && UndoList->CanRedo();
}

void TKorvel::ClearUndo() {
    if (UndoList != nullptr)
        UndoList->Clear();
}

void TKorvel::GroupUndoWithPrevious() {
    if (UndoList != nullptr && UndoList->GetUndoIndex() > 0)
        (*UndoList)[UndoList->GetUndoIndex() - 1].Grouped = true;
}

void TKorvel::SetUndoMaxLevel(int32_t Value) {
    if (Value > TUndoList::MaxUndoLevel)
        throw ERangeError(SUndoSetTooHigh);
    if (UndoList != nullptr)
        UndoList->SetMaxLevel(Value);
    UndoMaxLevel = Value;
}

void TKorvel::SetUndoMaxSpace(int32_t Value) {
    if (UndoList != nullptr)
        UndoList->SetMaxSpace(Value);
    UndoMaxSpace = Value;
}

} // namespace korvel
