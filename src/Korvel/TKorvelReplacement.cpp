// The one replacement operation of the control, SetSelTextBuf: the text
// hook, column-block deletion, undo recording, the store's replacement with
// its navigators and re-highlighting, the tidying of format codes, and the
// repair of the view.

#include "KVSupport/ColumnConversions.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TFlagGuard.h"
#include "Korvel/TKorvel.h"
#include "framework/Exceptions.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace korvel {

namespace {

bool IsEmptyText(const char* Text) {
    return Text == nullptr || *Text == '\0';
}

bool IsFormatCode(char Ch) {
    return (Ch >= 0x01 && Ch <= 0x04) || Ch == 0x15;
}

} // namespace

void TKorvel::SetSelTextBuf(const char* Text) {
    if (OnBeforeChange)
        OnBeforeChange(this, Text);
    if (SelLength == 0 && IsEmptyText(Text))
        return;
    if (BlockActive) {
        // The pieces go first; the text must fit even if they were kept.
        CheckReplacementFits(Text, 0);
        DeleteColumnBlock();
        if (IsEmptyText(Text))
            return;
    }
    const int32_t OldStart = SelStartNav->GetPos();
    const int32_t OldEnd = SelEndNav->GetPos();
    // Refused before anything changes, undo history included.
    CheckReplacementFits(Text, OldEnd - OldStart);
    ExtraColumns = 0;
    PreferredX = NoPreferredX;

    TViewMetrics& View = GetView();
    if (View.WidestPara >= 0 && View.WidestPara >= SelStartNav->GetGlobalLine() &&
        View.WidestPara <= SelEndNav->GetGlobalLine()) {
        View.WidestPara = -1;
        View.MaxLineWidth = 0;
    }
    HoverLine = -1;

    bool Recording = false;
    if (!IsLoading() && !IsDesigning() && UndoMaxLevel >= 1) {
        // An end between the two characters of a break stands for the
        // break's start: that is the range the store replaces, and the one
        // undo must put the old text back over.
        auto Replaced = [](TKorvelNavigator& End) {
            return End.GetPos() - (End.GetParOffset() > End.GetPar()->ParLength() ? 1 : 0);
        };
        const int32_t From = Replaced(*SelStartNav);
        const int32_t To = Replaced(*SelEndNav);
        TUndoStepStart Step;
        Step.SelStart = From;
        Step.SelEnd = To;
        Step.Caret = CaretNav->GetPos();
        Step.SelLength = SelLength;
        Step.NoUndoMerge = NoUndoMerge;
        Step.ReadReplacedText = [this, From, To] { return GetTextRange(From, To); };
        Recording = UndoRecording->RecordUndo(Step);
        NoUndoMerge = false;
    }

    ReplaceRangeAndRehighlight(*SelStartNav, *SelEndNav, Text, !RawMode);
    if (Recording)
        UndoRecording->FinishUndoRecord(SelEndNav->GetPos());

    ExtraColumns = 0;
    SelLength = 0;
    BlockActive = false;
    if (!TidySuppressed && GetStaticFormat() && CompactCodes) {
        // The tidying moves the selection navigators; the end of the new
        // text is kept in a registered navigator, which follows its
        // deletions.
        TKorvelNavigator& NewEnd = *ScratchNavs[1];
        NewEnd.Assign(*SelEndNav);
        TidyCodes(SelStartNav->GetParIndex(), SelEndNav->GetParIndex());
        SelEndNav->Assign(NewEnd);
    }
    SelStartNav->Assign(*SelEndNav);
    CaretNav = SelStartNav.get();
    if (UpdateLock == 0) {
        UpdateAfterChange();
        ScrollInView();
    }
}

void TKorvel::CheckReplacementFits(const char* Text, int32_t Removed) const {
    const int64_t Kept = int64_t{GetTextLength()} - Removed;
    const size_t Length = Text != nullptr ? std::strlen(Text) : 0;
    // Closing codes: at most one of each of the five format codes.
    const int64_t Closing = GetStaticFormat() && !RawMode ? 5 : 0;
    // Each break counts 2: a lone CR grows by one character. Counted only
    // when the text could come near the limit.
    if (Kept + 2 * static_cast<int64_t>(Length) + Closing <= INT32_MAX)
        return;
    int64_t Added = static_cast<int64_t>(Length);
    for (size_t I = 0; I < Length; ++I)
        if (Text[I] == '\r' && Text[I + 1] != '\n')
            ++Added;
    if (Kept + Added + Closing > INT32_MAX)
        throw Exception(STextTooLong);
}

// Each paragraph's piece is a replacement of its own (and its own undo
// step); the caret ends where the last piece was.
void TKorvel::DeleteColumnBlock() {
    BlockActive = false;
    const int32_t Lo = std::min(BlockCol1, BlockCol2);
    const int32_t Hi = std::max(BlockCol1, BlockCol2);
    const int32_t First = SelStartNav->GetParIndex();
    const int32_t Last = SelEndNav->GetParIndex();
    BeginUpdate();
    try {
        for (int32_t P = First; P <= Last && P < GetParagraphCount(); ++P) {
            const TParagraph& Par = GetParagraphsList()[P];
            const int32_t From = ColumnToOffset(Par, Lo, GetTabStops(), GetStaticFormat());
            const int32_t To = ColumnToOffset(Par, Hi, GetTabStops(), GetStaticFormat());
            SetSelStart(ParagraphStart(P) + From);
            SetSelLength(To - From);
            SetSelTextBuf(nullptr);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// Removes code pairs that enclose no text: a code followed, across other
// codes only, by the same code again.
void TKorvel::TidyCodes(int32_t First, int32_t Last) {
    const TFlagGuard Raw(RawMode, true);
    const TFlagGuard Suppressed(TidySuppressed, true);
    const TParagraphsList& List = GetParagraphsList();
    for (int32_t P = First; P <= Last && P < List.GetCount(); ++P) {
        int32_t I = 0;
        while (I < List[P].ParLength()) {
            const TParagraph& Par = List[P];
            const int32_t Length = Par.ParLength();
            const char Code = Par.Text[I];
            if (IsFormatCode(Code)) {
                int32_t K = I + 1;
                while (K < Length && IsFormatCode(Par.Text[K]) && Par.Text[K] != Code)
                    ++K;
                if (K < Length && Par.Text[K] == Code) {
                    const int32_t Start = List.GetStartOffset(P);
                    DeleteCodeAt(Start + I);
                    DeleteCodeAt(Start + K - 1);
                    continue; // look at I again
                }
            }
            ++I;
        }
    }
}

void TKorvel::DeleteCodeAt(int32_t Offset) {
    SetSelStart(Offset);
    SetSelLength(1);
    SetSelTextBuf(nullptr);
}

} // namespace korvel
