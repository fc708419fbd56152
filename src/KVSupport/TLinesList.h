#pragma once

#include "KVSupport/TLineRecord.h"

#include <cstdint>

namespace korvel {

struct TParagraph;

// A view on the display lines of one paragraph. It owns nothing: binding it
// changes only which paragraph it reads and writes. Line 0 is the extension's
// Line0 or, for a paragraph without extension, a scratch record filled from
// the compact slot on each request; lines 1 .. n-1 are the extension's
// MoreLines.
class TLinesList {
public:
    TLinesList() = default;
    explicit TLinesList(TParagraph* Paragraph) : Paragraph(Paragraph) {}

    void Bind(TParagraph* Value) { Paragraph = Value; }
    TParagraph* GetParagraph() const { return Paragraph; }

    // LineCountOf of the bound paragraph.
    int32_t Count() const;

    // Line Index; ERangeError "List index out of bounds" outside 0 .. Count-1.
    // For line 0 of a paragraph without extension the result is the scratch
    // record, overwritten by the next such call; writing to it changes nothing
    // in the paragraph.
    TLineRecord& Get(int32_t Index);

    void CopyLine(int32_t Index, TLineRecord& Line) { Line = Get(Index); }
    // Stores Line as line Index (on line 0 of a paragraph without extension
    // only the scratch record is written: attach the extension first).
    void PutLine(int32_t Index, const TLineRecord& Line) { Get(Index) = Line; }

    // Makes the paragraph have N lines (N <= 0 counts as 1). A paragraph
    // without extension asked for one line is left alone; otherwise the
    // extension is attached and MoreLines gets N - 1 elements, new ones zero.
    void SetLineCount(int32_t N);

private:
    TParagraph* Paragraph = nullptr;
    TLineRecord Scratch{};
};

} // namespace korvel
