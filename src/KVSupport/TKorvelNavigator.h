#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/TLineRecord.h"
#include "KVSupport/TLinesList.h"
#include "KVSupport/TParagraphsList.h"
#include "KVSupport/TTextChange.h"
#include "framework/TObject.h"
#include "platform/Types.h"

#include <cstdint>
#include <memory>
#include <string>

namespace korvel {

class TNavigatorHost;
class TParagraphsList;
class TSeparatorSet;
struct TParagraph;

// A position in the text of one control. Its one authoritative value is the
// absolute offset Pos (paragraph breaks count 2; between the two characters
// of a break is a valid position). Everything else is a cache that lets
// repeated work near one place run without searching: the paragraph, the
// offset in it, its display line and the index of the highlight run there.
// Each cache is computed on first use and dropped (-1 / null) when it may be
// stale.
//
// Two caches may legitimately differ from what a search from Pos alone would
// give, and callers rely on it:
// - RunIndex counts the runs starting before ParOffset; after SkipRunsHere it
//   also counts those starting exactly there.
// - LineIndex normally names the line whose Stop is above ParOffset (a
//   position at a wrap belongs to the next line); SetParOffset, SetLineOffset
//   and XToOffset keep a position at the end of a line on that line, so that
//   a caret moved to a line's end stays there.
//
// A navigator created with a control is registered with it, so that every
// replacement keeps it in step; one created without a control (the
// highlighting engine's scratch navigators) is in no register and gets its
// control set before each use. Using a navigator without a control for
// anything that reads the text raises Exception "Internal Korvel error".
class TKorvelNavigator {
public:
    // Control may be null; an object that is not a control (a
    // TNavigatorHost) raises Exception "Internal error: component is not a
    // TKorvel".
    explicit TKorvelNavigator(TObject* Control = nullptr);
    // A navigator registered with Control, which is known to be one.
    explicit TKorvelNavigator(TNavigatorHost& Control);
    // Leaves the control's register.
    ~TKorvelNavigator();

    TKorvelNavigator(const TKorvelNavigator&) = delete;
    TKorvelNavigator& operator=(const TKorvelNavigator&) = delete;

    TNavigatorHost* GetControl() const { return Control; }
    // Points an unregistered navigator at a control (or none); its caches
    // are dropped. Registered navigators keep their control for life.
    void SetControl(TNavigatorHost* Value);
    // Called by a control that is destroyed while this navigator is still
    // registered: the navigator is left without a control.
    void ControlDestroyed();

    // Copies the position and every cache of Other, a navigator of the same
    // text, and re-binds the line view.
    void Assign(const TKorvelNavigator& Other);
    // Drops every cache; Pos stays.
    void Reset();

    // --- Position ---

    int32_t GetPos() const { return Pos; }
    // Moves to A, limited to 0 .. TextLength. Forward within the paragraph
    // the caches follow without searching; backward within it the line and
    // run caches are dropped; leaving the paragraph drops all of them.
    void SetPos(int32_t A);
    // The paragraph containing Pos (a break's middle belongs to the
    // paragraph before it), found from a proportional guess when not cached.
    int32_t GetParIndex();
    TParagraph* GetPar();
    int32_t GetParOffset();
    // Start of paragraph Index; every cache becomes known (line 0, run 0).
    // An index outside the list raises ERangeError "List index out of bounds".
    void SetParagraph(int32_t Index);
    // Offset N (limited to 0 .. ParLength) in the current paragraph. Known
    // run and line caches are recomputed; a position at a line's Start counts
    // as the end of the line before it.
    void SetParOffset(int32_t N);
    // The byte at the position; a break reads as 13 then 10, and so does the
    // end of the text (13).
    uint8_t CharAt();
    // Up to N characters from the position into Buffer, each break as 13 10,
    // followed by a 0 byte (Buffer holds N + 1 bytes). Stops at the end of
    // the text; returns the number of characters written. The navigator does
    // not move.
    int32_t CopyText(char* Buffer, int32_t N);

    // --- Display lines ---

    // The view on the lines of the current paragraph (created on first use).
    TLinesList& GetLines();
    // The display line of the position within its paragraph.
    int32_t GetLineIndex();
    int32_t GetGlobalLine();
    // Start of display line L of the whole text (limited to the text's
    // lines). Without word wrap and with left alignment every paragraph is
    // one line, so line L is paragraph L.
    void SetGlobalLine(int32_t L);
    int32_t GetLineOffset();
    // Offset N (limited to the line's length) on the current display line;
    // the line stays the current one even at its end. Returns the new Pos.
    int32_t SetLineOffset(int32_t N);
    void GetLineText(std::string& Text);
    // CodeState at the position (0 while StaticFormat is off).
    uint8_t GetCodeState();

    // --- Pixels (measured on the control's canvas) ---

    // Client x of the position.
    int32_t OffsetToX();
    // Moves to the character boundary of the current display line nearest to
    // client x XTarget.
    void XToOffset(int32_t XTarget);
    // Client y of the baseline of the current display line.
    int32_t LineY();
    void GetPoint(TPoint& Point);
    void SetFromPoint(const TPoint& Point);

    // --- Highlight runs ---

    int32_t GetRunIndex();
    // The state in force at the position: the run before RunIndex, or the
    // paragraph's start run. Valid until the runs change.
    const HighlightRun& CurrentRun();
    void GetRun(HighlightRun& Run) { Run = CurrentRun(); }
    // Counts the runs starting exactly at the position as in force.
    void SkipRunsHere();
    // Inserts Run at the position (its Offset becomes ParOffset) and counts
    // it as in force.
    void InsertRun(const HighlightRun& Run);
    // Removes the run starting exactly at the position (the one at
    // RunIndex); raises Exception "Internal Korvel error" when there is none.
    void DeleteRun();
    // To the start of the run before the position (RunIndex - 1), searching
    // back through earlier paragraphs but not before Limit. False, and the
    // navigator unchanged, when there is none.
    bool PrevRun(int32_t Limit);
    // To the start of the run at RunIndex, searching forward through later
    // paragraphs but not after Limit. False, unchanged, when there is none.
    bool NextRun(int32_t Limit);

    // --- Words (Separators: the control's separator set) ---

    void WordLeft(const TSeparatorSet& Separators);
    void WordRight(const TSeparatorSet& Separators);
    void WordEnd(const TSeparatorSet& Separators);
    void WordStart(const TSeparatorSet& Separators);

    // --- Keeping the register in step ---

    // Drops the line and run caches of every navigator of Control that has a
    // cached paragraph, stands after From and lies in a paragraph up to
    // LastPara (the formatter re-formatted paragraphs up to LastPara, the
    // first of which starts at From).
    static void InvalidateNavigators(TNavigatorHost& Control, int32_t From, int32_t LastPara);
    // Follows a replacement of the text between Pos1 and Pos2 (P2 the
    // paragraph of Pos2) that changed the text length by CharDelta and the
    // paragraph count by D: before Pos1 nothing changes, inside the range the
    // navigator becomes a copy of SelStart, after it it moves with the text.
    // A cached paragraph is fetched again by its index where its record may
    // have moved (from paragraph MovedFrom on, which is at most the first
    // paragraph of the range: the record array's gap may have travelled
    // over records before the range too).
    void AdjustAfterReplace(const TKorvelNavigator& SelStart, int32_t Pos1, int32_t Pos2,
                            int32_t P2, int32_t CharDelta, int32_t D, int32_t MovedFrom = 0);
    // The same for the change a replacement reported.
    void AdjustAfterReplace(const TKorvelNavigator& SelStart, const TTextChange& Change);
    // Places the navigator where a replacement left one of its ends: at the
    // start of the range taken, or (AtEnd) after the new text, with every
    // cache the change knows.
    void PlaceAtChange(const TTextChange& Change, bool AtEnd);
    // The position as one end of a range to replace.
    TTextPoint TextPoint();

    // --- Cache state (for the engine's own bookkeeping and for tests) ---

    bool HasParCache() const { return Par != nullptr; }
    int32_t CachedParIndex() const { return ParIndex; }
    int32_t CachedParOffset() const { return ParOffset; }
    int32_t CachedRunIndex() const { return RunIndex; }
    int32_t CachedLineIndex() const { return LineIndex; }

private:
    void Place(int32_t Index, int32_t Offset, int32_t At, int32_t Run, int32_t Line);

    // The text; raises "Internal Korvel error" without a control.
    TParagraphsList& List() const;
    // Par and ParIndex become paragraph Index and the line view follows.
    void BindPar(int32_t Index);
    // Drops the paragraph cache and everything that depends on it.
    void DropPar();
    // Places the navigator at Offset in paragraph Index: through SetPos when
    // that is the cached paragraph (its caches follow), else directly.
    void PlaceAt(int32_t Index, int32_t Offset);
    // A copy of the current display line (range-checked like TLinesList).
    TLineRecord CurrentLine();

    TNavigatorHost* Control = nullptr;
    int32_t Pos = 0;
    TParagraph* Par = nullptr;
    int32_t ParIndex = -1;
    int32_t ParOffset = -1;
    int32_t RunIndex = -1;
    int32_t LineIndex = -1;
    // Where the next paragraph search starts when it is known to be near
    // (the paragraph next to the one just left); -1 = use the proportional
    // guess. Only a hint: the search checks it like any guess.
    int32_t SearchHint = -1;
    std::unique_ptr<TLinesList> LineView;
    bool Registered = false;
};

// Replaces the text between StartNav and EndNav (StartNav not after EndNav,
// both navigators of one control) by NewText: the paragraph list's
// ReplaceRange (see there) between the navigators' positions. Afterwards
// StartNav stands at the start of the range taken and EndNav after the new
// text and its closing codes. Navigators without a control or of different
// controls raise Exception "Internal Korvel error" before anything changes.
// Other navigators of the control are not moved.
TTextChange ReplaceBetween(TKorvelNavigator& StartNav, TKorvelNavigator& EndNav,
                           const char* NewText, bool CloseFormats, bool DiscardTrailing);

} // namespace korvel
