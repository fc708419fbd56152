#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TTextChange.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class TParagraphsList;
struct TTextPoint;

// Replaces the text between two points of one paragraph list by a new
// text: the work of TParagraphsList::ReplaceRange, one object per call. Its
// fields carry the names of the algorithm: the range runs from offset O1 of
// paragraph P1 to offset O2 of paragraph P2 (R1, R2 runs before them, L1, L2
// their display lines); the new text is cut at its breaks into Breaks + 1
// pieces.
//
// The work has three phases, so that a failure leaves the list exactly as it
// was:
// - planning reads the list and the navigators and computes every size,
//   raising Exception "Text too long" when a buffer or the text would leave
//   the 32-bit range;
// - preparing allocates what the new text needs (buffers, new records, record
//   slots); if an allocation fails, what was taken is given back;
// - committing changes the list and cannot fail.
//
// One paragraph edited without a break ("case A") is edited in its own buffer
// (in place while the slack allows) and its display lines are shifted rather
// than dropped; anything else ("case B") builds new records for the
// paragraphs P1 .. P2 and opens or closes slots for them in the record
// array. The offsets (and line numbers) of all later paragraphs are shifted
// in both cases, lazily (TParagraphsList::ShiftBoth).
//
// A line appended to a text that ends in an empty paragraph (the text
// written line by line: new text = one piece and a break, at the end) takes
// a short way through both phases with the same result: the empty last
// record takes the piece and one empty record follows.
//
// The result is one value (TTextChange); the caller places its navigators
// from it.
class TRangeReplacer {
public:
    // An insertion of at least this many breaks places its inner paragraphs
    // in the list's load buffers (see ChooseSharedRecords).
    static constexpr int32_t SharedInsertBreaks = 64;

    // NewText is zero-terminated (null means empty); it is only read and must
    // stay valid during Run. Start must not lie after End and both must lie
    // in List ("Internal Korvel error" else).
    TRangeReplacer(TParagraphsList& List, const TTextPoint& Start, const TTextPoint& End,
                   const char* NewText, bool CloseFormats, bool DiscardTrailing);
    // Gives back what was prepared but not committed.
    ~TRangeReplacer();

    TRangeReplacer(const TRangeReplacer&) = delete;
    TRangeReplacer& operator=(const TRangeReplacer&) = delete;

    TTextChange Run();

private:
    // --- A line appended at the end ---
    bool AppendsLine();
    void AppendLine();

    // --- Planning ---
    void LocateEnds();
    void CutNewText();
    void DiscardTrailingBlanks();
    void RecordEntryValues();
    void ScanReplacedRange();
    void ChooseClosingCodes();
    void MeasureCharDelta();

    // --- One paragraph, no break (case A) ---
    void ReplaceInParagraph();
    void PlanParagraphStorage();
    void PrepareParagraphStorage();
    void RemoveRunsInRange(TParagraph& Par);
    void StoreParagraphText(TParagraph& Par);
    void PatchDisplayLines(TParagraph& Par);

    // --- Several paragraphs or breaks (case B) ---
    void ReplaceParagraphs();
    int64_t NewRecordLength(int32_t K) const;
    void ChooseSharedRecords();
    void BuildNewRecords();
    void BuildNewRecord(int32_t K, uint8_t& CodeState);
    // The format toggles the replacement leaves open for the text behind it.
    uint8_t CarriedCodes() const;
    void WriteNewText(char* Dest, int32_t K) const;
    void CarryCodesToLaterParagraphs();
    void GiveStartRun(TParagraph& Record, int32_t K);
    void AdjustFormatCounters();
    void ReleaseOldParagraphs();
    void MoveRecordsIntoPlace();

    // --- Both ---
    void StartChange();
    void ShiftLaterParagraphs(int32_t From);
    void AddTotals();
    TTextChange Outcome() const;

    TParagraphsList& List;
    const TTextPoint& Start;
    const TTextPoint& End;
    const char* NewText;
    const bool CloseFormats;
    const bool DiscardTrailing;

    int32_t OldCount = 0;
    int32_t P1 = 0, O1 = 0, P2 = 0, O2 = 0;
    bool StartMoved = false; // O1 is not the offset of Start
    bool EndMoved = false;   // O2 is not the offset of End
    int32_t Pos1 = 0, Pos2 = 0, Removed = 0;
    int32_t GivenEnd = 0;   // the end as given (Pos2 before it was moved off a break's middle)
    int32_t L1 = 0, L2 = 0; // display lines within their paragraphs
    int32_t FirstLine = 0;  // L1 in the whole text
    int32_t R1 = 0, R2 = 0; // R2 counts the runs starting exactly at O2 too
    HighlightRun RunAtStart{};

    int32_t Len = 0;                       // bytes of the pieces (breaks not counted)
    std::vector<std::string_view>& Pieces; // views into NewText (the list's scratch array)
    int32_t Breaks = 0;
    uint8_t NetCodes = 0;
    std::string Closing;

    bool RunsCut = false;
    int32_t RecordsMovedFrom = 0; // see TTextChange
    int32_t LineDelta = 0;
    int32_t CharDelta = 0;
    int32_t D = 0; // change of the paragraph count

    // Case A: where the edited text goes.
    enum class TStorage { InPlace, NewBuffer, NoText };
    TStorage Storage = TStorage::NoText;
    int32_t NewLen = 0;
    int32_t BufferSize = 0;
    char* PreparedBuffer = nullptr; // owned until committed

    // Case B: the records of paragraphs P1 .. P1 + Breaks, owned until
    // committed (the list's scratch array).
    std::vector<TParagraph>& NewRecords;
    const TParagraph* FirstPar = nullptr; // P1 and P2 while the records are built
    const TParagraph* LastPar = nullptr;
    int32_t SharedFrom = 0, SharedTo = 0;         // the records K (From <= K < To) placed shared
    int64_t SharedAhead = 0;                      // their bytes not placed yet, 0 bytes included
    const HighlightRun* SharedStartRun = nullptr; // the start run of records 1 .. Breaks
};

} // namespace korvel
