#pragma once

#include "KVSupport/TSeparatorSet.h"
#include "KVSupport/UpperCaseRules.h"
#include "framework/TObject.h"

#include <cstdint>
#include <functional>

namespace korvel {

class TKeywordList;
class TKorvelHighlighter;
class TStartStopKeyList;

// Raised after a text change with the range of the new text, before it is
// highlighted again, and after a load with the whole text.
using TParseEvent = std::function<void(TObject* Sender, int32_t StartOffset, int32_t StopOffset)>;

// What the highlighting passes read: the control's two lists, its
// separators and upper-casing rule, its highlighter, the two Apply switches,
// the OnParse event, the update lock and the view's hook for stale line
// positions. The control owns one and hands a reference down; the values
// stored here are the control's own (its getters and setters read and write
// them), the pointers point at what the control owns.
struct THighlightContext {
    TKeywordList* Keywords = nullptr;
    TStartStopKeyList* StartStopKeys = nullptr;
    TSeparatorSet Separators;
    TkvUpperCase UpperCaseType = kvuAscii;
    // A highlighter shared with other controls, or none.
    TKorvelHighlighter* Highlighter = nullptr;
    bool ApplyKeyWords = true;
    bool ApplyStartStopKeys = true;

    // The sender of OnParse (the control), its event, and its update lock:
    // while that is above 0, changed paragraphs are only marked.
    TObject* Sender = nullptr;
    const TParseEvent* OnParse = nullptr;
    const int32_t* UpdateLock = nullptr;
    // Highlighting changed the states of paragraphs FirstPara .. LastPara,
    // so positions cached for their display lines may be stale.
    std::function<void(int32_t FirstPara, int32_t LastPara)> LinePositionsStale;

    bool UpdateLocked() const { return UpdateLock != nullptr && *UpdateLock > 0; }
    void Parse(int32_t StartOffset, int32_t StopOffset) const {
        if (OnParse != nullptr && *OnParse)
            (*OnParse)(Sender, StartOffset, StopOffset);
    }
    void MarkLinePositionsStale(int32_t FirstPara, int32_t LastPara) const {
        if (LinePositionsStale)
            LinePositionsStale(FirstPara, LastPara);
    }
};

} // namespace korvel
