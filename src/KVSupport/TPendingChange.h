#pragma once

#include <algorithm>
#include <cstdint>

namespace korvel {

// The change of the text that the view has not laid out yet: the paragraphs
// FirstPara .. LastPara, whose first touched display line is FirstLine and
// whose line count changed by LineDelta in all. LastPara = -1 means nothing
// is pending. LinesPatched tells that a wrapped paragraph was edited in place
// and its old line records shifted rather than dropped, so re-formatting may
// stop at the first line end that is unchanged.
class TPendingChange {
public:
    bool IsPending() const { return LastPara >= 0; }
    int32_t GetFirstPara() const { return FirstPara; }
    int32_t GetLastPara() const { return LastPara; }
    int32_t GetFirstLine() const { return FirstLine; }
    int32_t GetLineDelta() const { return LineDelta; }
    bool GetLinesPatched() const { return LinesPatched; }

    // Takes the paragraphs First .. Last in, whose first touched display line
    // is Line. EndLine, the line after the text, is where a change that
    // starts fresh begins before it is lowered to Line. A merged change is
    // no longer one paragraph patched in place.
    void Merge(int32_t First, int32_t Line, int32_t Last, int32_t EndParagraph, int32_t EndLine) {
        if (!IsPending()) {
            FirstPara = EndParagraph;
            FirstLine = EndLine;
        }
        if (FirstPara >= First) {
            FirstPara = First;
            FirstLine = std::min(FirstLine, Line);
        }
        LastPara = std::max(LastPara, Last);
        LinesPatched = false;
    }
    // Display lines before the change's first one turned out to be touched.
    void LowerFirstLine(int32_t Line) { FirstLine = std::min(FirstLine, Line); }
    // A replacement changed the line count by Lines and the paragraph count
    // by Paragraphs inside the change.
    void Grow(int32_t Lines, int32_t Paragraphs) {
        LineDelta += Lines;
        LastPara += Paragraphs;
    }
    void SetLinesPatched(bool Value) { LinesPatched = Value; }
    // The whole text of Count paragraphs is pending (after a load).
    void CoverAll(int32_t Count) {
        FirstPara = 0;
        FirstLine = 0;
        LastPara = Count - 1;
        LineDelta = 0;
    }
    // Laid out: nothing is pending.
    void Clear() {
        LastPara = -1;
        LineDelta = 0;
        LinesPatched = false;
    }

private:
    int32_t FirstLine = 0;
    int32_t FirstPara = 0;
    int32_t LastPara = -1;
    int32_t LineDelta = 0;
    bool LinesPatched = false;
};

} // namespace korvel
