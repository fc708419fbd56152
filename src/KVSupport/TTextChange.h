#pragma once

#include <cstdint>

namespace korvel {

// What one replacement did (TParagraphsList::ReplaceRange): the range it
// really took, where the new text lies, and by how much the text, the
// paragraphs and the display lines changed. The control hands it, in order,
// to the navigators, the highlighting and (later) undo and the view.
//
// Positions are absolute offsets (paragraph breaks count 2); paragraph and
// line numbers before the change are "old", after it "new".
struct TTextChange {
    // --- The range taken (old text) ---
    // It may start before the position asked for: at blanks before a break
    // that would end a paragraph, or at a break's start for a position
    // between its two characters. ToPos is the end as asked for (a position
    // in the middle of the break after the range counts as inside it); the
    // text taken ends at ToOffset of LastPara.
    int32_t FromPos = 0;
    int32_t ToPos = 0;
    int32_t FirstPara = 0;    // paragraph of FromPos (the same before and after)
    int32_t FromOffset = 0;   // offset of FromPos in FirstPara
    int32_t LastPara = 0;     // old paragraph of ToPos
    int32_t ToOffset = 0;     // offset of ToPos in LastPara
    int32_t FirstLine = 0;    // old display line of FromPos in the whole text: the first touched
    int32_t FromRunIndex = 0; // runs of FirstPara starting before FromOffset

    // --- The new text ---
    // It runs from FromPos to NewToPos, which lies at NewToOffset of
    // paragraph NewLastPara (closing format codes included).
    int32_t NewToPos = 0;
    int32_t NewLastPara = 0;
    int32_t NewToOffset = 0;
    int32_t NewToRunIndex = 0;   // runs of NewLastPara starting before NewToOffset
    int32_t NewToLineIndex = -1; // display line of NewToPos in NewLastPara; -1 = not known

    // --- Sizes ---
    int32_t ParagraphDelta = 0; // change of the paragraph count
    int32_t LineDelta = 0;      // change of the display-line count
    int32_t CharDelta = 0;      // change of the text length
    bool RunsCut = false;       // highlight runs lay in the range taken
    // Records of paragraphs from this index on may lie in other slots than
    // before (the record array's gap travelled over them), so an address
    // taken before the change is stale there; it is at most FirstPara.
    int32_t RecordsMovedFrom = 0;
};

} // namespace korvel
