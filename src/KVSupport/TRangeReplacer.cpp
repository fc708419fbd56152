#include "KVSupport/TRangeReplacer.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/ParagraphLookups.h"
#include "KVSupport/TParagraphsList.h"
#include "KVSupport/TextBuffer.h"
#include "framework/Exceptions.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

namespace korvel {

namespace {

bool IsBlank(char Ch) {
    return Ch == ' ' || Ch == '\t';
}

std::string_view WithoutTrailingBlanks(std::string_view Text) {
    while (!Text.empty() && IsBlank(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

// The bytes From .. To - 1 of a paragraph.
std::string_view BytesOf(const TParagraph& Par, int32_t From, int32_t To) {
    return From < To ? std::string_view(Par.Text + From, static_cast<size_t>(To - From))
                     : std::string_view();
}

// Length as the length of a text; "Text too long" outside the 32-bit range.
int32_t TextSize(int64_t Length) {
    if (Length < 0 || Length > INT32_MAX)
        throw Exception(STextTooLong);
    return static_cast<int32_t>(Length);
}

// Copies Bytes to Dest and returns the place after them.
char* Put(char* Dest, std::string_view Bytes) {
    if (!Bytes.empty())
        std::memcpy(Dest, Bytes.data(), Bytes.size());
    return Dest + Bytes.size();
}

bool Overlaps(const char* A, int64_t ASize, std::string_view B) {
    const std::less<const char*> Before;
    return ASize > 0 && !B.empty() && Before(A, B.data() + B.size()) && Before(B.data(), A + ASize);
}

// The display line of a point at Offset of Par: the line it is known to
// stand on when that line holds the offset (a navigator may keep a position
// at a line's end on that line), else the line found from the offset.
int32_t LineOfPoint(int32_t Line, const TParagraph& Par, int32_t Offset) {
    if (Line >= 0 && Line < Par.LineCountOf()) {
        const TLineRecord Record = LineRecordOf(Par, Line);
        if (Record.Start <= Offset && Offset <= Record.Stop)
            return Line;
    }
    return LineContaining(Par, Offset);
}

TLineRecord& LineAt(ParExtraInfo& Extra, int32_t Index) {
    return Index == 0 ? Extra.Line0 : Extra.MoreLines[static_cast<size_t>(Index - 1)];
}

} // namespace

TRangeReplacer::TRangeReplacer(TParagraphsList& List, const TTextPoint& Start,
                               const TTextPoint& End, const char* NewText, bool CloseFormats,
                               bool DiscardTrailing)
    : List(List), Start(Start), End(End), NewText(NewText), CloseFormats(CloseFormats),
      DiscardTrailing(DiscardTrailing), Pieces(List.ReplacePieces),
      NewRecords(List.ReplaceRecords) {
    Pieces.clear();
    NewRecords.clear();
}

TRangeReplacer::~TRangeReplacer() {
    FreeTextBuffer(PreparedBuffer);
    for (TParagraph& Record : NewRecords)
        List.ReleaseParagraph(Record);
    List.ReleaseReplaceScratch();
}

TTextChange TRangeReplacer::Run() {
    if (AppendsLine()) {
        AppendLine();
        return Outcome();
    }
    LocateEnds();
    CutNewText();
    DiscardTrailingBlanks();
    RecordEntryValues();
    ScanReplacedRange();
    ChooseClosingCodes();
    MeasureCharDelta();
    RecordsMovedFrom = P1;
    if (P1 == P2 && Breaks == 0)
        ReplaceInParagraph();
    else
        ReplaceParagraphs();
    CarryCodesToLaterParagraphs();
    return Outcome();
}

// Toggles the replacement leaves open (no closing codes were asked for, as
// when undo puts back a lone code) flip the style of all text behind it, so
// every later paragraph's start state, and each of its display lines, flips
// by the same bits.
uint8_t TRangeReplacer::CarriedCodes() const {
    return static_cast<uint8_t>(NetCodes ^ ToggleCodes(0, Closing));
}

void TRangeReplacer::CarryCodesToLaterParagraphs() {
    if (!List.StaticFormat)
        return;
    const uint8_t Carry = CarriedCodes();
    if (Carry == 0)
        return;
    // The flipped styles change the text's widths, so each later paragraph
    // loses pfFormatted: it is broken into lines again when it is next shown
    // or the caret reaches it, not all at once here (the formatting counters
    // are left alone, or an immediate-mode repair would re-break every
    // paragraph behind). Until then its lines carry the new states.
    const int32_t Count = List.GetCount();
    for (int32_t I = P1 + Breaks + 1; I < Count; ++I) {
        TParagraph& Par = List.At(I);
        Par.SetStartCodeState(static_cast<uint8_t>(Par.StartCodeState() ^ Carry));
        Par.Flags &= static_cast<uint8_t>(~pfFormatted);
        if (ParExtraInfo* Extra = Par.GetExtra())
            for (TLineRecord& Line : Extra->MoreLines)
                Line.StartCodeState ^= Carry;
    }
}

// --- A line appended at the end ---

// Whether the replacement puts one piece and a break into an empty last
// paragraph that has no extension (so no runs, start state or display lines
// beyond the one implied), where the general way would plan a case B with
// nothing to carry over: no code left open (so no closing codes, and the new
// empty paragraph starts in state 0), no trailing blank to discard, and a
// piece short enough for the compact slot. The fields the outcome reads are
// set on the way.
bool TRangeReplacer::AppendsLine() {
    OldCount = List.GetCount();
    const int32_t Last = OldCount - 1;
    if (Start.Par != Last || End.Par != Last || Start.Offset != 0 || End.Offset != 0 ||
        NewText == nullptr)
        return false;
    const TParagraph& Par = List.At(Last);
    if (Par.HasExtra() || Par.ParLength() != 0)
        return false;
    const std::string_view Text(NewText);
    if (Text.size() < 2 || Text.size() - 2 >= static_cast<size_t>(CompactLengthLimit) ||
        Text.find('\r') != Text.size() - 2 || Text.back() != '\n')
        return false;
    const std::string_view Piece = Text.substr(0, Text.size() - 2);
    if (List.StaticFormat && ToggleCodes(0, Piece) != 0)
        return false;
    if (DiscardTrailing && !Piece.empty() && IsBlank(Piece.back()))
        return false;
    if (int64_t{List.TextLength} + static_cast<int64_t>(Text.size()) > INT32_MAX)
        return false; // the general way refuses it
    P1 = P2 = Last;
    Pos1 = Pos2 = GivenEnd = List.TextLength;
    Pieces.push_back(Piece);
    Pieces.push_back(std::string_view());
    Breaks = 1;
    Len = static_cast<int32_t>(Piece.size());
    CharDelta = Len + 2;
    D = 1;
    LineDelta = 1; // the empty paragraph had one display line; now there are two
    return true;
}

// Case B's steps for this case, in the same order: the slot and the text
// are taken first (either may fail while nothing has changed), then the
// records are written.
void TRangeReplacer::AppendLine() {
    List.EnsureGap(1);
    TParagraph Filled = TParagraph::Empty();
    if (Len > 0) {
        const TParagraphsList::TPlacedText Placed = List.PlaceText(Len, int64_t{Len} + 1);
        Filled.Text = Placed.Text;
        Filled.BufferSlot = Placed.Slot;
        *Put(Filled.Text, Pieces.front()) = 0;
    } else {
        Filled.Flags = pfOwnText;
    }
    Filled.SetParLength(Len);
    TParagraph Empty = TParagraph::Empty();
    Empty.Flags = pfOwnText;

    StartChange();
    TParagraph& Old = List.At(P1);
    Filled.Flags |= Old.Flags & (pfScanned | pfKeywords);
    List.Counters.ParagraphsReplaced(P1, P2, 2, 1);
    List.ReleaseParagraph(Old);
    const int32_t Offset = List.GetStartOffset(P1);
    const int32_t Line = List.GetFirstLine(P1);
    RecordsMovedFrom = std::min(P1, List.GetGapStart());
    List.ReplaceSlots(P1, 1, 2);
    List.At(P1) = Filled;
    List.At(P1 + 1) = Empty;
    List.SetStartOffset(P1, Offset);
    List.SetFirstLine(P1, Line);
    List.SetStartOffset(P1 + 1, Offset + Len + 2);
    List.SetFirstLine(P1 + 1, Line + 1);
    List.ShrinkCapacityIfOversized();
    AddTotals();
}

// --- Planning ---

void TRangeReplacer::LocateEnds() {
    OldCount = List.GetCount();
    P1 = Start.Par;
    O1 = Start.Offset;
    P2 = End.Par;
    O2 = End.Offset;
    for (const TTextPoint* Point : {&Start, &End})
        if (Point->Par < 0 || Point->Par >= OldCount || Point->Offset < 0)
            throw Exception(SInternalKorvelError);
    // A position between the two characters of a break stands for the break
    // itself: half a break cannot be replaced, nor text put into its middle.
    if (const int32_t End = List.At(P1).ParLength(); O1 > End) {
        O1 = End;
        StartMoved = true;
    }
    if (const int32_t End = List.At(P2).ParLength(); O2 > End) {
        O2 = End;
        EndMoved = true;
    }
    if (P1 > P2 || (P1 == P2 && O1 > O2))
        throw Exception(SInternalKorvelError);
}

// The pieces end at each CR; a CR LF is one break. A lone LF is no break
// here: it stays in the text as a character.
void TRangeReplacer::CutNewText() {
    const std::string_view Text = NewText != nullptr ? std::string_view(NewText) : "";
    TextSize(static_cast<int64_t>(Text.size()));
    if (List.StaticFormat)
        NetCodes = ToggleCodes(0, Text);
    size_t PieceStart = 0;
    for (size_t Cr = Text.find('\r'); Cr != std::string_view::npos; Cr = Text.find('\r', Cr + 1)) {
        Pieces.push_back(Text.substr(PieceStart, Cr - PieceStart));
        if (Cr + 1 < Text.size() && Text[Cr + 1] == '\n')
            ++Cr;
        PieceStart = Cr + 1;
    }
    Pieces.push_back(Text.substr(PieceStart));
    Breaks = static_cast<int32_t>(Pieces.size() - 1);
}

// Trailing blanks and tabs are not kept in the new paragraphs. When the new
// text starts with a break after nothing but blanks, the blanks before the
// start are replaced too, since they would end a paragraph. The last piece
// keeps its blanks when the rest of EndNav's paragraph follows it.
void TRangeReplacer::DiscardTrailingBlanks() {
    if (DiscardTrailing) {
        if (Breaks > 0 && WithoutTrailingBlanks(Pieces.front()).empty()) {
            const TParagraph& Par = List.At(P1);
            const int32_t Before = O1;
            while (O1 > 0 && IsBlank(Par.Text[O1 - 1]))
                --O1;
            StartMoved |= O1 != Before;
        }
        const bool EndsParagraph = O2 == List.At(P2).ParLength();
        for (size_t K = 0; K < Pieces.size(); ++K)
            if (K + 1 < Pieces.size() || EndsParagraph)
                Pieces[K] = WithoutTrailingBlanks(Pieces[K]);
    }
    int64_t Bytes = 0;
    for (const std::string_view Piece : Pieces)
        Bytes += static_cast<int64_t>(Piece.size());
    Len = TextSize(Bytes);
}

void TRangeReplacer::RecordEntryValues() {
    const TParagraph& First = List.At(P1);
    const TParagraph& Last = List.At(P2);
    Pos1 = List.GetStartOffset(P1) + O1;
    Pos2 = List.GetStartOffset(P2) + O2;
    GivenEnd = List.GetStartOffset(P2) + End.Offset;
    Removed = Pos2 - Pos1;
    L1 = StartMoved ? LineContaining(First, O1) : LineOfPoint(Start.Line, First, O1);
    L2 = EndMoved ? LineContaining(Last, O2) : LineOfPoint(End.Line, Last, O2);
    if (P1 == P2)
        L2 = std::max(L2, L1);
    const ParExtraInfo* FirstExtra = First.GetExtra();
    R1 = FirstExtra != nullptr ? RunsBefore(*FirstExtra, O1) : 0;
    RunAtStart = R1 > 0 ? FirstExtra->Runs[static_cast<size_t>(R1 - 1)] : *First.StartRun();
    // The runs that start exactly at the end of the range are replaced too.
    R2 = Last.HasExtra() ? RunsUpTo(*Last.GetExtra(), O2) : 0;
}

// NetCodes gathers the toggles of the new and of the removed text; RunsCut
// whether runs lie in the removed range.
void TRangeReplacer::ScanReplacedRange() {
    for (int32_t I = P1; I <= P2; ++I) {
        const TParagraph& Par = List.At(I);
        const int32_t From = I == P1 ? O1 : 0;
        const int32_t To = I == P2 ? O2 : Par.ParLength();
        if (List.StaticFormat)
            NetCodes = ToggleCodes(NetCodes, BytesOf(Par, From, To));
        if (I < P2 && (I == P1 ? R1 < Par.RunCount() : Par.RunCount() > 0))
            RunsCut = true;
    }
    if (P2 > P1 ? R2 > 0 : R1 < R2)
        RunsCut = true;
}

// The codes that switch the net toggles back off go after the new text, so
// the text behind the range keeps its formatting.
void TRangeReplacer::ChooseClosingCodes() {
    if (CloseFormats && NetCodes != 0)
        Closing = ClosingCodes(NetCodes);
}

// The inserted length counts every break as 2 and includes the closing codes.
void TRangeReplacer::MeasureCharDelta() {
    const int64_t Inserted =
        int64_t{Len} + 2 * int64_t{Breaks} + static_cast<int64_t>(Closing.size());
    TextSize(List.TextLength + Inserted - Removed);
    CharDelta = static_cast<int32_t>(Inserted - Removed);
}

// --- One paragraph, no break ---

void TRangeReplacer::ReplaceInParagraph() {
    PlanParagraphStorage();
    PrepareParagraphStorage();
    StartChange();
    TParagraph& Par = List.At(P1);
    RemoveRunsInRange(Par);
    Par.DropLineSamplesFrom(O1); // widths before the range stay as measured
    StoreParagraphText(Par);
    Par.SetParLength(NewLen);
    PatchDisplayLines(Par);
    ShiftLaterParagraphs(P1 + 1);
    AddTotals();
}

// The text is edited in place while its buffer is large enough and has less
// than 1/8 slack; otherwise it gets a new buffer with 1/64 slack (none when
// it becomes empty). A text still in a load buffer counts as an exact copy
// of itself, which is what taking ownership of it gives.
void TRangeReplacer::PlanParagraphStorage() {
    const TParagraph& Par = List.At(P1);
    const int32_t OldLen = Par.ParLength();
    NewLen = TextSize(int64_t{OldLen} - (O2 - O1) + Len + static_cast<int64_t>(Closing.size()));
    const bool Owned = (Par.Flags & pfOwnText) != 0;
    const int64_t Cap = Owned ? TextBufferSize(Par.Text) : OldLen > 0 ? int64_t{OldLen} + 1 : 0;
    // Text read from the buffer itself must not be overwritten while it is copied.
    const bool Aliased = Owned && Overlaps(Par.Text, Cap, Pieces.front());
    if (NewLen < Cap && Cap < int64_t{NewLen} + NewLen / 8 && !Aliased) {
        Storage = TStorage::InPlace;
    } else if (NewLen == 0) {
        Storage = TStorage::NoText;
    } else {
        Storage = TStorage::NewBuffer;
        BufferSize = SlackBufferSize(NewLen);
    }
}

void TRangeReplacer::PrepareParagraphStorage() {
    TParagraph& Par = List.At(P1);
    if (Storage == TStorage::InPlace && (Par.Flags & pfOwnText) == 0)
        PreparedBuffer = NewTextBuffer(Par.Text, Par.ParLength(), Par.ParLength() + 1);
    else if (Storage == TStorage::NewBuffer)
        PreparedBuffer = AllocTextBuffer(BufferSize);
    // A length from 65535 on lives in the extension: attach it now, while a
    // failure still changes nothing.
    if (NewLen >= CompactLengthLimit)
        Par.AttachExtra();
}

// Runs in the range go; the runs behind it move with their characters.
void TRangeReplacer::RemoveRunsInRange(TParagraph& Par) {
    ParExtraInfo* Extra = Par.GetExtra();
    if (Extra == nullptr)
        return;
    TDynInfoArray& Runs = Extra->Runs;
    for (size_t I = static_cast<size_t>(R2); I < Runs.size(); ++I)
        Runs[I].Offset += CharDelta;
    if (R1 < R2)
        Runs.erase(Runs.begin() + R1, Runs.begin() + R2);
}

void TRangeReplacer::StoreParagraphText(TParagraph& Par) {
    const bool Owned = (Par.Flags & pfOwnText) != 0;
    const bool Shared = Par.HasSharedText();
    char* const Old = Par.Text;
    const int32_t OldLen = Par.ParLength();
    const int32_t Inserted = Len + static_cast<int32_t>(Closing.size());
    switch (Storage) {
    case TStorage::InPlace: {
        char* Buffer = Owned ? Old : PreparedBuffer;
        std::memmove(Buffer + O1 + Inserted, Buffer + O2, static_cast<size_t>(OldLen - O2) + 1);
        Put(Put(Buffer + O1, Pieces.front()), Closing);
        Par.Text = Buffer;
        break;
    }
    case TStorage::NewBuffer: {
        char* End = Put(PreparedBuffer, BytesOf(Par, 0, O1));
        End = Put(Put(End, Pieces.front()), Closing);
        *Put(End, BytesOf(Par, O2, OldLen)) = 0;
        if (Owned)
            FreeTextBuffer(Old);
        Par.Text = PreparedBuffer;
        break;
    }
    case TStorage::NoText:
        if (Owned)
            FreeTextBuffer(Old);
        Par.Text = nullptr;
        break;
    }
    PreparedBuffer = nullptr;
    Par.Flags |= pfOwnText;
    if (Shared) // read above; the buffer may go now
        List.DropBufferUser(Par.BufferSlot);
}

// A wrapped paragraph keeps its display lines, shifted over the edit, so
// that it stays paintable and re-formatting can stop at the first line end
// that is unchanged. Lines that lay wholly in the range become empty lines at
// its end. When runs were cut, the lines after the first changed one are
// dropped instead: re-highlighting changes them anyway. So they are when
// the edit leaves format codes open: the style, and with it the width, of
// all the text behind changes, and the old line ends prove nothing.
void TRangeReplacer::PatchDisplayLines(TParagraph& Par) {
    ParExtraInfo* Extra = Par.GetExtra();
    if (Extra == nullptr)
        return;
    const int32_t Count = Par.LineCountOf();
    if (RunsCut || (List.StaticFormat && CarriedCodes() != 0)) {
        LineDelta = L1 + 1 - Count;
        Extra->MoreLines.resize(static_cast<size_t>(L1));
        LineAt(*Extra, L1).Stop = NewLen;
        List.Pending.SetLinesPatched(false);
        return;
    }
    if (L2 > L1) {
        const int32_t EndOfInsert = O1 + Len + static_cast<int32_t>(Closing.size());
        LineAt(*Extra, L1).Stop = EndOfInsert;
        for (int32_t I = L1 + 1; I < L2; ++I)
            LineAt(*Extra, I).Start = LineAt(*Extra, I).Stop = EndOfInsert;
        LineAt(*Extra, L2).Start = EndOfInsert;
    }
    LineAt(*Extra, L2).Stop += CharDelta;
    for (int32_t I = L2 + 1; I < Count; ++I) {
        TLineRecord& Line = LineAt(*Extra, I);
        Line.Start += CharDelta;
        Line.Stop += CharDelta;
        Line.JustifyFrom += CharDelta;
    }
    List.Pending.SetLinesPatched(true);
}

// --- Several paragraphs or breaks ---

void TRangeReplacer::ReplaceParagraphs() {
    D = Breaks - (P2 - P1);
    for (int32_t K = 0; K <= Breaks; ++K)
        SlackBufferSize(TextSize(NewRecordLength(K)));
    ChooseSharedRecords();
    BuildNewRecords();
    if (D > 0)
        List.EnsureGap(D); // the record slots, taken before anything changes
    StartChange();
    AdjustFormatCounters();
    ReleaseOldParagraphs();
    MoveRecordsIntoPlace();
    AddTotals();
}

// New paragraph K holds piece K; the first one is preceded by the part of P1
// before the range, the last one followed by the closing codes and the part
// of P2 after the range.
int64_t TRangeReplacer::NewRecordLength(int32_t K) const {
    int64_t Length = static_cast<int64_t>(Pieces[static_cast<size_t>(K)].size());
    if (K == 0)
        Length += O1;
    if (K == Breaks)
        Length += static_cast<int64_t>(Closing.size()) + List.At(P2).ParLength() - O2;
    return Length;
}

// Paragraphs appended at the end of the text (all but the new last one, which
// typing usually goes on in) and the inner paragraphs of a large insertion
// are placed one after the other in the list's append buffer: no allocation
// per paragraph, and their memory goes back when the last of them is deleted.
// Other new paragraphs own their buffers, with slack for the edits that
// usually follow a small insertion.
void TRangeReplacer::ChooseSharedRecords() {
    const bool AtEnd = P2 == OldCount - 1 && O2 == List.At(P2).ParLength();
    if (AtEnd) {
        SharedFrom = 0;
        SharedTo = Breaks;
    } else if (Breaks >= SharedInsertBreaks) {
        SharedFrom = 1;
        SharedTo = Breaks;
    }
    for (int32_t K = SharedFrom; K < SharedTo; ++K)
        SharedAhead += NewRecordLength(K) + 1;
}

void TRangeReplacer::BuildNewRecords() {
    NewRecords.reserve(static_cast<size_t>(Breaks) + 1);
    FirstPar = &List.At(P1); // the records stay where they are until committed
    LastPar = &List.At(P2);
    uint8_t CodeState = FirstPar->StartCodeState();
    for (int32_t K = 0; K <= Breaks; ++K)
        BuildNewRecord(K, CodeState);
}

// Each new paragraph has its text in the append buffer (see
// ChooseSharedRecords) or owns a buffer with 1/64 slack (none when empty),
// and has one display line until it is formatted. The first keeps P1's runs
// before the range, its highlighting flags, start code state and start run;
// the last takes over P2's runs behind the range, moved with their
// characters. CodeState comes in as the state at the record's start and goes
// out as the state at its end.
void TRangeReplacer::BuildNewRecord(int32_t K, uint8_t& CodeState) {
    const auto Length = static_cast<int32_t>(NewRecordLength(K));
    NewRecords.push_back(TParagraph::Empty());
    TParagraph& Record = NewRecords.back();
    if (Length > 0 && K >= SharedFrom && K < SharedTo) {
        const TParagraphsList::TPlacedText Placed = List.PlaceText(Length, SharedAhead);
        SharedAhead -= int64_t{Length} + 1;
        Record.Text = Placed.Text;
        Record.BufferSlot = Placed.Slot;
    } else {
        Record.Text = Length > 0 ? AllocTextBuffer(SlackBufferSize(Length)) : nullptr;
        Record.Flags = pfOwnText;
    }
    if (Length > 0)
        WriteNewText(Record.Text, K);
    Record.SetParLength(Length);
    if (ParExtraInfo* Extra = Record.GetExtra())
        Extra->Line0 = TLineRecord::Whole(Length, 0);

    if (K == 0) {
        Record.Flags |= FirstPar->Flags & (pfScanned | pfKeywords);
        if (R1 > 0) {
            const TDynInfoArray& Runs = FirstPar->GetExtra()->Runs;
            Record.AttachExtra().Runs.assign(Runs.begin(), Runs.begin() + R1);
        }
    }
    if (K == Breaks && R2 < LastPar->RunCount()) {
        const int32_t Shift = Length - (LastPar->ParLength() - O2) - O2;
        const TDynInfoArray& Runs = LastPar->GetExtra()->Runs;
        TDynInfoArray& Taken = Record.AttachExtra().Runs;
        for (auto Run = Runs.begin() + R2; Run != Runs.end(); ++Run) {
            Taken.push_back(*Run);
            Taken.back().Offset += Shift;
        }
    }
    Record.SetStartCodeState(CodeState);
    GiveStartRun(Record, K);
    CodeState = List.StaticFormat ? ToggleCodes(CodeState, Record.View()) : 0;
}

// The bytes of new paragraph K and its 0 byte.
void TRangeReplacer::WriteNewText(char* Dest, int32_t K) const {
    if (K == 0)
        Dest = Put(Dest, BytesOf(*FirstPar, 0, O1));
    Dest = Put(Dest, Pieces[static_cast<size_t>(K)]);
    if (K == Breaks) {
        Dest = Put(Put(Dest, Closing), BytesOf(*LastPar, O2, LastPar->ParLength()));
    }
    *Dest = 0;
}

// The first new paragraph shares P1's start run; the others start with the
// run in force at the start of the range (all sharing one copy of it).
void TRangeReplacer::GiveStartRun(TParagraph& Record, int32_t K) {
    if (K == 0 || R1 == 0) {
        Record.SetStartRun(FirstPar->StartRun(), false);
    } else if (SharedStartRun == nullptr) {
        Record.SetStartRun(&RunAtStart, true);
        SharedStartRun = Record.StartRun();
    } else {
        Record.SetStartRun(SharedStartRun, false);
    }
}

// The formatter's range follows the paragraphs it names; when it named one
// of the replaced paragraphs it restarts at the new ones.
void TRangeReplacer::AdjustFormatCounters() {
    List.Counters.ParagraphsReplaced(P1, P2, Breaks + 1, D);
}

void TRangeReplacer::ReleaseOldParagraphs() {
    int32_t RemovedLines = 0;
    for (int32_t I = P1; I <= P2; ++I) {
        TParagraph& Par = List.At(I);
        RemovedLines += Par.LineCountOf();
        List.ReleaseParagraph(Par);
    }
    LineDelta = Breaks + 1 - RemovedLines;
}

// The slots of P1 .. P2 become those of the Breaks + 1 new records: the
// record array opens or closes D slots behind them at its gap, so the
// records after P2 move only as far as the gap has to travel. The offsets and
// first lines behind the new records take CharDelta and LineDelta as a
// pending shift. The record array gives back blocks only when it is clearly
// oversized.
void TRangeReplacer::MoveRecordsIntoPlace() {
    // Where the new records start, read before their slots are overwritten.
    int32_t Offset = List.GetStartOffset(P1);
    const int32_t Line = List.GetFirstLine(P1);
    // The gap travels from where it is to the range: the records between
    // move, those before both stay in their slots.
    RecordsMovedFrom = std::min(P1, List.GetGapStart());
    List.ReplaceSlots(P1, P2 - P1 + 1, Breaks + 1);
    ShiftLaterParagraphs(P1 + Breaks + 1);
    for (int32_t K = 0; K <= Breaks; ++K) {
        List.At(P1 + K) = NewRecords[static_cast<size_t>(K)];
        List.SetStartOffset(P1 + K, Offset);
        List.SetFirstLine(P1 + K, Line + K);
        Offset += List.At(P1 + K).ParLength() + 2;
    }
    NewRecords.clear(); // the slots own them now
    List.ShrinkCapacityIfOversized();
}

// --- Both ---

void TRangeReplacer::StartChange() {
    List.TextChanged = true;
    List.MarkChanged(P1, L1, P2);
    FirstLine = List.GetFirstLine(P1) + L1;
}

void TRangeReplacer::ShiftLaterParagraphs(int32_t From) {
    List.ShiftBoth(From, CharDelta, LineDelta);
}

void TRangeReplacer::AddTotals() {
    List.Pending.Grow(LineDelta, D);
    List.TextLength += CharDelta;
    List.LineCount += LineDelta;
}

TTextChange TRangeReplacer::Outcome() const {
    TTextChange Change;
    Change.FromPos = Pos1;
    Change.ToPos = GivenEnd;
    Change.FirstPara = P1;
    Change.FromOffset = O1;
    Change.LastPara = P2;
    Change.ToOffset = O2;
    Change.FirstLine = FirstLine;
    Change.FromRunIndex = R1;
    Change.NewToPos = Pos1 + CharDelta + Removed;
    if (Breaks == 0) {
        Change.NewLastPara = P1;
        Change.NewToOffset = O1 + CharDelta + Removed;
        Change.NewToRunIndex = R1;
        Change.NewToLineIndex = -1;
    } else {
        Change.NewLastPara = P1 + Breaks;
        Change.NewToOffset = static_cast<int32_t>(Pieces.back().size() + Closing.size());
        Change.NewToRunIndex = 0;
        Change.NewToLineIndex = 0;
    }
    Change.ParagraphDelta = D;
    Change.LineDelta = LineDelta;
    Change.CharDelta = CharDelta;
    Change.RunsCut = RunsCut;
    Change.RecordsMovedFrom = RecordsMovedFrom;
    return Change;
}

// --- The list's entry point ---

TTextChange TParagraphsList::ReplaceRange(const char* NewText, const TTextPoint& Start,
                                          const TTextPoint& End, bool CloseFormats,
                                          bool DiscardTrailing) {
    return TRangeReplacer(*this, Start, End, NewText, CloseFormats, DiscardTrailing).Run();
}

} // namespace korvel
