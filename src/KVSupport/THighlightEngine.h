#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/TKeywordPass.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TNavigatorHost.h"
#include "KVSupport/TStartStopMatcher.h"
#include "KVSupport/TUpperCaseCache.h"

#include <cstdint>

namespace korvel {

class TNavigatorHost;
class TParagraphsList;
struct THighlightContext;
struct TParagraph;
struct TTextChange;

// The highlighting of one control: the start/stop pass that opens ranges at
// start keys and closes them at stop keys (carrying the state from one
// paragraph into the next), the keyword pass, the re-highlighting after an
// edit, and the upper-case cache both passes read through. The control owns
// it; it keeps nothing but working state (the cache, ScanEndState and its own
// scratch navigators, which are in no register and are pointed at the
// control on every use).
//
// The results live in the paragraphs: their runs and start runs, and the
// flags pfScanned (start/stop ranges current, given that the paragraphs
// before are) and pfKeywords (keywords applied). ContextValidTo of the
// paragraph list is the last paragraph up to which every start run is
// current.
//
// Convergence. A scan that reaches the end of a paragraph compares the state
// there with the state the next paragraph was last scanned with (its start
// run); only when they differ is the next paragraph marked (its three flags
// cleared) and given the new state, so a change reaches later paragraphs one
// at a time and stops at the first one whose end state comes out unchanged.
// A scan that stops inside a paragraph compares with the end state it was
// given (the state that the runs after it were computed from) and, when they
// differ, goes on to the paragraph's end.
class THighlightEngine {
public:
    THighlightEngine(TNavigatorHost& Host, THighlightContext& Context);

    THighlightEngine(const THighlightEngine&) = delete;
    THighlightEngine& operator=(const THighlightEngine&) = delete;

    // The state that the previous scan left at the end of the span being
    // rescanned: set from the end of the replaced range before a replacement
    // (CaptureChangeStates) and moved by RehighlightChange.
    HighlightRun ScanEndState;

    // --- The start/stop pass ---

    // Scans [From, To] (possibly across paragraphs) with EndState as the
    // state expected at To, continuing past To while the result differs.
    void ScanStartStop(TKorvelNavigator& From, TKorvelNavigator& To, const HighlightRun& EndState);
    // Brings the start/stop ranges of every paragraph up to Last up to date:
    // each paragraph after ContextValidTo whose pfScanned is clear is
    // scanned whole.
    void ScanStartStopUpTo(int32_t Last);
    // Opens a range at the first start key of the list in [From, To] (or
    // lets the highlighter's start hook decide when none matches); on
    // success To moves to where scanning goes on.
    bool FindStartKey(TKorvelNavigator& From, TKorvelNavigator& To);
    // Closes the range open at From when its stop key begins by To (or at
    // the paragraph end for a range that stops there); a highlight that is
    // not a range of the list goes to the highlighter's stop hook. On a
    // close To moves to the end of the stop key.
    bool FindStopKey(TKorvelNavigator& From, TKorvelNavigator& To);

    // --- The keyword pass ---

    void ApplyKeywords(TKorvelNavigator& From, TKorvelNavigator& To);
    void ApplyKeywordMatches() { KeywordPass.ApplyKeywordMatches(); }
    // The keyword step of formatting one paragraph: its start/stop ranges
    // are brought up to date first; then, unless pfKeywords is set, the
    // keyword pass runs over the whole paragraph when ApplyKeyWords is set
    // or a highlighter is assigned, and pfKeywords is set.
    void HighlightParagraph(int32_t Index);

    // --- Upper-case cache ---

    // Length bytes of paragraph Index (Par) from Offset, upper-cased by the
    // control's UpperCaseType.
    const char* GetUpperText(const TParagraph& Par, int32_t Index, int32_t Length, int32_t Offset);
    TUpperCaseCache& GetUpperCache() { return UpperCache; }

    // --- After a replacement ---

    // Before the replacement of [SelStart, SelEnd]: returns the state in
    // force at SelStart and stores in ScanEndState the state of the text
    // after SelEnd (runs starting exactly at SelEnd count as in force there).
    HighlightRun CaptureChangeStates(TKorvelNavigator& SelStart, TKorvelNavigator& SelEnd);
    // After the replacement: the state in force just before the start of
    // the new text. The runs before it are those from before the
    // replacement, so this is the state at the start of the range that was
    // really replaced, wherever the replacement moved the start to.
    HighlightRun StateBeforeStart(const TTextChange& Change);
    // Re-highlights after the replacement Change, StartState as captured:
    // widens the span where a token at its edges may have changed, raises
    // OnParse with the new text's range and rescans at once, or, while the
    // control's update lock is held, leaves the paragraphs marked for the
    // formatter.
    void RehighlightChange(const HighlightRun& StartState, const TTextChange& Change);

    // Drops every run, start run and the three highlighting flags of every
    // paragraph; ContextValidTo becomes -1.
    void ClearHighlighting();

    // Where the last start/stop scan ended (paragraph, offset).
    int32_t GetScannedToPar() const { return ScannedToPar; }
    int32_t GetScannedToOffset() const { return ScannedToOffset; }

private:
    // The span highlighted again after a replacement: from offset AOffset of
    // paragraph APar to offset BOffset of BPar; S is the state in force at
    // A, E the state the old text ended with, EndState what the runs after
    // B were computed from.
    struct TChangeSpan {
        int32_t APar;
        int32_t AOffset;
        int32_t BPar;
        int32_t BOffset;
        HighlightRun S;
        HighlightRun E;
        HighlightRun EndState;
    };
    bool WidenChange(TChangeSpan& Span, bool RunsCut);
    void WalkBack(TChangeSpan& Span, bool ClearPatched);
    void WidenToRuns(TChangeSpan& Span);
    bool ReachNextRun(TChangeSpan& Span, bool Inclusive);
    void RescanChange(TChangeSpan& Span);

    TParagraphsList& Paragraphs() { return Host.GetParagraphsList(); }
    // Whether the start/stop pass over paragraph Par would only mark it scanned.
    bool ScanChangesNothing(int32_t Par);
    void EnterScratch();
    void Place(TKorvelNavigator& Navigator, int32_t Par, int32_t Offset);
    // The start/stop pass over paragraphs FirstPar .. LastPar from From to To,
    // with convergence and the carry into the next paragraph.
    void ScanSpan(int32_t FirstPar, int32_t From, int32_t LastPar, int32_t To,
                  HighlightRun EndState);
    // The segment-by-segment scan of one paragraph from P to Q (or on to the
    // paragraph end, when a key crosses Q); returns where it stopped. With
    // DeleteAtFrom a run starting exactly at P goes too.
    int32_t ScanParagraph(int32_t Par, int32_t P, int32_t Q, bool DeleteAtFrom, bool& Changed);
    // Gives paragraph Next the end state of the paragraph before it.
    void CarryInto(int32_t Next);
    bool FindStartKeyAt(TParagraph& Paragraph, int32_t Par, int32_t From, int32_t& To);
    bool FindStopKeyAt(TParagraph& Paragraph, int32_t Par, int32_t From, int32_t& To);
    // FindStartKey or FindStopKey (StopKey) from navigators.
    bool SearchByNavigators(TKorvelNavigator& From, TKorvelNavigator& To, bool StopKey);
    // Reads back where a hook left To, kept inside paragraph Par.
    int32_t HookResult(int32_t Par, int32_t Old);

    TNavigatorHost& Host;
    THighlightContext& Context;
    TUpperCaseCache UpperCache;
    TStartStopMatcher Matcher;
    TKeywordPass KeywordPass;
    // Scratch navigators: hook spans, the change span and a spare one.
    TKorvelNavigator HookFrom;
    TKorvelNavigator HookTo;
    TKorvelNavigator ChangeStart;
    TKorvelNavigator ChangeEnd;
    TKorvelNavigator Spare;
    int32_t ScannedToPar = -1;
    int32_t ScannedToOffset = 0;
};

} // namespace korvel
