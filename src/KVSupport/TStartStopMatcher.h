#pragma once

#include "KVSupport/HighlightRun.h"

#include <array>
#include <cstdint>
#include <vector>

namespace korvel {

class TParagraphsList;
struct StartStopInfo;
struct THighlightContext;
class TUpperCaseCache;
struct TParagraph;

// Matching the start and stop keys of a control's start/stop list in one
// paragraph: finding the next start key and opening a range there, and
// closing the range that is open. The highlighter hooks and the walk over
// spans are the engine's (THighlightEngine); this class works on paragraph
// offsets only.
//
// Start keys are found with a table of the records that can start with each
// byte (a record that ignores case is listed under every byte that
// upper-cases to its first byte), so the scan looks at each character once
// and compares keys only where one can begin. That table assumes the
// upper-casing rule maps each byte on its own, as every rule of the control
// does.
class TStartStopMatcher {
public:
    TStartStopMatcher(TParagraphsList& List, THighlightContext& Context,
                      TUpperCaseCache& UpperCache);

    // Computes the word flags of the records when the list is not Prepared
    // (against the control's separators) and rebuilds the look-up tables
    // when the list or its rule changed since they were built.
    void Prepare();

    // Looks for the first start key in paragraph Par (index ParIndex) whose match ends after
    // From and begins at or before To, trying the records in list order at
    // each position and skipping text under a state that forbids start keys.
    // On a match the range is opened there (a run at the key's start) and To
    // becomes the key's end.
    bool MatchStartKey(TParagraph& Par, int32_t ParIndex, int32_t From, int32_t& To);

    enum class TStopResult {
        Foreign, // the innermost open highlight is not a range of the list
        None,    // the range stays open
        Closed,  // the range was closed; To is where the closing state starts
    };
    // Looks for the stop key of the range open at From (state of the
    // character at From) in paragraph Par, beginning at or before To, and
    // closes the range after it, or at the paragraph end for a range that
    // stops there.
    TStopResult MatchStopKey(TParagraph& Par, int32_t ParIndex, int32_t From, int32_t& To);

    // How far before an edit a run may start and still have its opening
    // token touched by it (TokenLen, or the key's true length where the
    // 8-bit field could not hold it).
    int32_t TokenReach(const HighlightRun& State) const;
    // How far after an edit the run that ends the highlight open in State may
    // lie and still have its closing token touched: the stop token's length
    // (stop key, one more with a separator required before it) for a range
    // of the list, the keyword's length for a keyword, else CloseLen.
    int32_t CloseReach(const HighlightRun& State) const;

private:
    bool IsWordSeparator(char Ch) const;
    // Opens the range of record Record at At of paragraph Par (index
    // ParIndex); To becomes the start key's end.
    void OpenRange(TParagraph& Par, int32_t ParIndex, int32_t At, int32_t Record, int32_t& To);
    // Where an occurrence of Key's stop key may begin when the range open at
    // From is closed: up to the key's length before From, but never inside
    // the token that opened the range.
    int32_t StopSearchStart(TParagraph& Par, int32_t From, const StartStopInfo& Key) const;
    // The first occurrence of Key's stop key that begins in [Start, End - StopLen]
    // and passes its word rules (against the real neighbours), or -1.
    int32_t FindStopOccurrence(TParagraph& Par, int32_t ParIndex, const StartStopInfo& Key,
                               int32_t Start, int32_t End);
    // The state after the stop key of range RecordIndex open in State at
    // From: the continuing record's when a later record shares the start
    // key, else the state from before the range was opened.
    HighlightRun ClosingState(const HighlightRun& State, int32_t RecordIndex, int32_t ParIndex,
                              int32_t From) const;
    // The state in force before the range of depth Depth open at From was
    // opened: the nearest run at or before From (in this or earlier
    // paragraphs) whose depth is below Depth.
    HighlightRun StateBeforeRange(int32_t Par, int32_t From, int32_t Depth) const;
    // The length of the token that opens (or, with Closing, closes) the
    // innermost highlight of State, from its keyword or start/stop record;
    // Stored for a highlight of a highlighter's own.
    int32_t TokenLengthOf(const HighlightRun& State, bool Closing, int32_t Stored) const;
    // Where the token of the run Opener ends (the key itself, without the
    // separator counted after a whole-word key).
    int32_t TokenEnd(const HighlightRun& Opener) const;

    TParagraphsList& Paragraphs;
    THighlightContext& Context;
    TUpperCaseCache& UpperCache;

    // Built by Prepare.
    bool TablesBuilt = false;
    int32_t TableCount = -1;
    uint8_t TableRule = 0;
    std::array<int32_t, 257> CandidateStart{}; // records that can start with byte c:
    std::vector<int32_t> Candidates;           // Candidates[CandidateStart[c] .. [c + 1])
    std::vector<int32_t> NextSameStart;        // first later record with SameStart = r, or -1
};

} // namespace korvel
