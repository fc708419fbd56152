// The selection model: the caret and the signed selection length between
// the two selection navigators, column blocks, caret placement by paragraph
// and display line, and the reading of the selection.

#include "KVSupport/ColumnConversions.h"
#include "KVSupport/HighlightRun.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"

#include <algorithm>
#include <string>

namespace korvel {

namespace {

// Offset clamped to 0 .. Length, computed without overflow.
int32_t ClampedSum(int32_t Offset, int32_t Delta, int32_t Length) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{Offset} + Delta, 0, Length));
}

} // namespace

int32_t TKorvel::GetSelStart() const {
    return CaretNav->GetPos();
}

void TKorvel::SetSelStart(int32_t Offset) {
    SetSelLength(0);
    ExtraColumns = 0;
    PreferredX = NoPreferredX;
    SelStartNav->SetPos(std::clamp(Offset, 0, GetTextLength()));
    SelEndNav->Assign(*SelStartNav);
    CaretNav = SelStartNav.get();
    NoUndoMerge = true;
    if (HandleAllocated())
        UpdateCaret(false);
}

void TKorvel::SetSelLength(int32_t Len) {
    BlockActive = false;
    if (Len == SelLength)
        return;
    NoUndoMerge = true;
    const bool CaretWasSelectionEnd = CaretNav == SelStartNav.get() || CaretNav == SelEndNav.get();
    const int32_t OldStart = SelStartNav->GetPos();
    const int32_t OldEnd = SelEndNav->GetPos();
    // The caret end stays; the anchor moves.
    TKorvelNavigator& CaretEnd = SelLength < 0 ? *SelEndNav : *SelStartNav;
    const int32_t C = CaretEnd.GetPos();
    const int32_t OldAnchor = SelLength < 0 ? OldStart : OldEnd;
    const int32_t Anchor = ClampedSum(C, Len, GetTextLength());
    Len = Anchor - C;
    SelLength = Len;
    if (Len <= 0) {
        if (&CaretEnd != SelEndNav.get())
            SelEndNav->Assign(CaretEnd);
        SelStartNav->SetPos(Anchor);
        CaretNav = SelEndNav.get();
    } else {
        if (&CaretEnd != SelStartNav.get())
            SelStartNav->Assign(CaretEnd);
        SelEndNav->SetPos(Anchor);
        CaretNav = SelStartNav.get();
    }

    if (!HandleAllocated() || PaintSuppressed)
        return;
    TKorvelNavigator& Probe = *ScratchNavs[2];
    auto LineOf = [&Probe](int32_t Offset) {
        Probe.SetPos(Offset);
        return Probe.GetGlobalLine();
    };
    int32_t From = std::min(OldAnchor, Anchor);
    int32_t To = std::max(OldAnchor, Anchor);
    if (!CaretWasSelectionEnd) {
        From = std::min({OldStart, SelStartNav->GetPos()});
        To = std::max({OldEnd, SelEndNav->GetPos()});
    }
    InvalidateLines(LineOf(From), LineOf(To), false);
}

void TKorvel::SelectAll() {
    SetSelStart(GetTextLength());
    SetSelLength(-GetTextLength());
}

std::string TKorvel::GetSelText() {
    if (SelLength == 0)
        return {};
    if (BlockActive)
        return GetBlockText();
    return GetTextRange(SelStartNav->GetPos(), SelEndNav->GetPos());
}

int32_t TKorvel::GetSelTextBuf(char* Buffer, int32_t Size) {
    if (Buffer == nullptr || Size <= 0)
        return 0;
    const int32_t Count = std::min(SelLength < 0 ? -SelLength : SelLength, Size - 1);
    return SelStartNav->CopyText(Buffer, Count);
}

void TKorvel::SetSelText(const std::string& Text) {
    if (ExtraColumns > 0 && HasOption(kvoPutExtraSpaces) && (!BlockActive || SelLength == 0)) {
        const std::string Padded = std::string(static_cast<size_t>(ExtraColumns), ' ') + Text;
        SetSelTextBuf(Padded.c_str());
        return;
    }
    SetSelTextBuf(Text.c_str());
}

// Block columns are display columns (a tab reaching to its stop, format
// codes taking none) everywhere: in the block text, the block deletion and
// here, where the ends are placed, so that a block over lines with tabs
// covers the same rectangle whichever of them reads it.
void TKorvel::SelectBlock(int32_t StartCol, int32_t StartPar, int32_t EndPar, int32_t EndCol) {
    if (GetWordWrap())
        return;
    const int32_t LastPar = GetParagraphCount() - 1;
    StartPar = std::clamp(StartPar, 0, LastPar);
    EndPar = std::clamp(EndPar, 0, LastPar);
    const TParagraphsList& List = GetParagraphsList();
    const int32_t Tabs = GetTabStops();
    const bool Codes = GetStaticFormat();
    TKorvelNavigator& Probe = *ScratchNavs[3];
    // Offset of Column on the first display line of paragraph Par.
    auto PlaceOnFirstLine = [&](int32_t Par, int32_t Column) {
        Probe.SetParagraph(Par);
        const int32_t LineLength = Probe.GetLines().Get(0).Stop;
        return std::min(ColumnToOffset(List[Par], Column, Tabs, Codes), LineLength);
    };
    const int32_t CaretOffset = PlaceOnFirstLine(EndPar, EndCol);
    SetSelStart(List.GetStartOffset(EndPar) + CaretOffset);
    const int32_t AnchorOffset = PlaceOnFirstLine(StartPar, StartCol);
    SetSelLength(List.GetStartOffset(StartPar) + AnchorOffset - GetSelStart());
    ExtraColumns = std::max(0, EndCol - OffsetToColumn(List[EndPar], CaretOffset, Tabs, Codes));
    BlockActive = true;
    if (HandleAllocated())
        UpdateCaret(false);
    BlockCol1 = StartCol;
    BlockCol2 = EndCol;
}

std::string TKorvel::GetBlockText() {
    std::string Text;
    if (!BlockActive || SelLength == 0)
        return Text;
    const TParagraphsList& List = GetParagraphsList();
    const int32_t Lo = std::min(BlockCol1, BlockCol2);
    const int32_t Hi = std::max(BlockCol1, BlockCol2);
    const int32_t Tabs = GetTabStops();
    const bool Codes = GetStaticFormat();
    const int32_t Last = SelEndNav->GetParIndex();
    for (int32_t P = SelStartNav->GetParIndex(); P <= Last; ++P) {
        const TParagraph& Par = List[P];
        const int32_t From = ColumnToOffset(Par, Lo, Tabs, Codes);
        const int32_t To = ColumnToOffset(Par, Hi, Tabs, Codes);
        Text.append(Par.View().substr(static_cast<size_t>(From), static_cast<size_t>(To - From)));
        Text += "\r\n";
    }
    return Text;
}

void TKorvel::InsertFormatPair(uint8_t Code) {
    if (!GetStaticFormat())
        return;
    const int32_t OldLength = SelLength;
    const int32_t Start = SelStartNav->GetPos();
    const char CodeChar = static_cast<char>(Code);
    const std::string Piece = CodeChar + GetSelText() + CodeChar;
    RawMode = true;
    TidySuppressed = OldLength == 0;
    try {
        SetSelText(Piece);
    } catch (...) {
        RawMode = false;
        TidySuppressed = false;
        throw;
    }
    RawMode = false;
    TidySuppressed = false;
    const int32_t End = GetSelStart();
    if (OldLength > 0) {
        SetSelStart(Start);
        SetSelLength(End - Start);
    } else if (OldLength < 0) {
        SetSelStart(End);
        SetSelLength(Start - End);
    } else {
        SetSelStart(End - 1); // between the two codes
    }
}

// --- caret by paragraph and display line ---

void TKorvel::SetCaretPar(int32_t Index) {
    SetSelStart(ParagraphStart(Index));
}

int32_t TKorvel::ParagraphStart(int32_t Index) const {
    const TParagraphsList& List = GetParagraphsList();
    return List.GetStartOffset(std::clamp(Index, 0, List.GetCount() - 1));
}

void TKorvel::SetCaretLineOffset(int32_t Offset) {
    SetSelLength(0);
    ExtraColumns = 0;
    if (CaretNav != SelStartNav.get())
        SelStartNav->Assign(*CaretNav);
    SelStartNav->SetLineOffset(Offset);
    SelEndNav->Assign(*SelStartNav);
    CaretNav = SelStartNav.get();
    if (HasOption(kvoKeepColumnPos) && !GetWordWrap()) {
        TLineRecord Line{};
        SelStartNav->GetLines().CopyLine(SelStartNav->GetLineIndex(), Line);
        ExtraColumns = std::max(0, Offset - (Line.Stop - Line.Start));
    }
    if (HandleAllocated())
        UpdateCaret(false);
}

int32_t TKorvel::GetCaretPar() {
    return CaretNav->GetParIndex();
}

int32_t TKorvel::GetCaretLine() {
    return CaretNav->GetGlobalLine();
}

int32_t TKorvel::GetCaretLineOffset() {
    return CaretNav->GetLineOffset() + ExtraColumns;
}

void TKorvel::SetCaretLine(int32_t Index) {
    SetSelStart(NavigatorOnLine(Index).GetPos());
}

uint8_t TKorvel::GetStyleAtCaret() {
    ScanStartStopUpTo(CaretNav->GetParIndex());
    return GetLayout().EffectiveStyle(CaretNav->GetCodeState(), CaretNav->CurrentRun().Flags);
}

// --- insertion beside a kept selection ---

void TKorvel::PrepareNoOverwriteInsert() {
    if (HasOption(kvoNoOverwriteBlocks))
        ProtectBlock();
}

void TKorvel::FinishNoOverwriteInsert() {
    if (HasOption(kvoNoOverwriteBlocks))
        RestoreBlock();
}

void TKorvel::ProtectBlock() {
    if (!HasOption(kvoPersistentBlocks) || SavedBlock) {
        SetSelLength(0);
        return;
    }
    auto Saved = std::make_unique<TSavedBlock>();
    TNavigatorHost& Host = *this;
    TKorvelNavigator& CaretEnd = SelLength < 0 ? *SelEndNav : *SelStartNav;
    TKorvelNavigator& AnchorEnd = SelLength < 0 ? *SelStartNav : *SelEndNav;
    Saved->Anchor = std::make_unique<TKorvelNavigator>(Host);
    Saved->Anchor->Assign(AnchorEnd);
    Saved->Caret = std::make_unique<TKorvelNavigator>(Host);
    Saved->Caret->Assign(CaretEnd);
    Saved->Column = BlockActive;
    if (BlockActive) {
        const TParagraphsList& List = GetParagraphsList();
        auto ColumnOf = [&](TKorvelNavigator& End) {
            return OffsetToColumn(List[End.GetParIndex()], End.GetParOffset(), GetTabStops(),
                                  GetStaticFormat());
        };
        Saved->AnchorColumnDelta = BlockCol1 - ColumnOf(AnchorEnd);
        Saved->CaretColumnDelta = BlockCol2 - ColumnOf(CaretEnd);
    }
    // The edit goes in at the caret, which may stand away from the kept
    // selection.
    TKorvelNavigator& Caret = *CaretNav;
    if (&Caret == SelStartNav.get() || &Caret == SelEndNav.get()) {
        SetSelLength(0);
    } else {
        CollapseOnto(Caret);
        BlockActive = false;
    }
    SavedBlock = std::move(Saved);
    BeginUpdate();
}

void TKorvel::RestoreBlock() {
    if (!SavedBlock)
        return;
    const std::unique_ptr<TSavedBlock> Saved = std::move(SavedBlock);
    SpareNav->Assign(*CaretNav); // the end of the inserted text
    TKorvelNavigator& Anchor = *Saved->Anchor;
    TKorvelNavigator& Caret = *Saved->Caret;
    if (Saved->Column) {
        const TParagraphsList& List = GetParagraphsList();
        auto ColumnOf = [&](TKorvelNavigator& End) {
            return OffsetToColumn(List[End.GetParIndex()], End.GetParOffset(), GetTabStops(),
                                  GetStaticFormat());
        };
        SelectBlock(ColumnOf(Anchor) + Saved->AnchorColumnDelta, Anchor.GetParIndex(),
                    Caret.GetParIndex(), ColumnOf(Caret) + Saved->CaretColumnDelta);
    } else {
        const bool AnchorFirst = Anchor.GetPos() <= Caret.GetPos();
        SelStartNav->Assign(AnchorFirst ? Anchor : Caret);
        SelEndNav->Assign(AnchorFirst ? Caret : Anchor);
        SelLength = SelEndNav->GetPos() - SelStartNav->GetPos();
    }
    ExtraColumns = 0;
    CaretNav = SpareNav.get();
    EndUpdate();
    if (UpdateLock == 0)
        ScrollInView();
}

// Null installs a fresh history of the control's own, with its limits.
void TKorvel::SetUndoRecording(std::unique_ptr<TUndoRecording> Value) {
    if (!Value) {
        auto List = std::make_unique<TUndoList>([this] { return GetTextLength(); });
        List->SetMaxLevel(UndoMaxLevel);
        List->SetMaxSpace(UndoMaxSpace);
        Value = std::move(List);
    }
    UndoRecording = std::move(Value);
    UndoList = dynamic_cast<TUndoList*>(UndoRecording.get());
}

} // namespace korvel
