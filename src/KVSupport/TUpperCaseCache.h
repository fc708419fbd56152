#pragma once

#include "KVSupport/TParagraph.h"
#include "KVSupport/UpperCaseRules.h"

#include <cstdint>
#include <string>

namespace korvel {

// One upper-cased slice of one paragraph, kept so that case-insensitive
// matching upper-cases the text it looks at once, not once per key.
//
// A request for another paragraph, or for a slice that neither overlaps nor
// touches the cached one, replaces the cache; a request that extends the
// cached slice upper-cases only the new parts. The cache is keyed by the
// paragraph's index and also remembers its text pointer, length and the
// rule, so a paragraph changed behind its back is never served stale; the
// replacement code still keeps the index in step (ParagraphsReplaced).
class TUpperCaseCache {
public:
    // Offset .. Offset + Length of paragraph Index (Par), upper-cased by Rule.
    // The slice must lie inside the paragraph. The pointer stays valid until
    // the next request or Drop.
    const char* Get(const TParagraph& Par, int32_t Index, int32_t Offset, int32_t Length,
                    TkvUpperCase Rule);

    // Forgets the cached slice.
    void Drop() { Index = -1; }

    // Paragraphs First .. Last were replaced and the paragraph count changed
    // by Delta: a cached paragraph after them moves, one among them is dropped.
    void ParagraphsReplaced(int32_t First, int32_t Last, int32_t Delta);

    // The cached paragraph (-1 for none) and slice, for inspection.
    int32_t GetIndex() const { return Index; }
    int32_t GetSliceStart() const { return Lo; }
    int32_t GetSliceLength() const { return Hi - Lo; }

private:
    void Fill(int32_t From, int32_t To);

    int32_t Index = -1;
    const char* Text = nullptr;
    int32_t Length = 0;
    TkvUpperCase Rule = kvuAscii;
    int32_t Lo = 0; // the cached slice is Buffer[Lo .. Hi), at paragraph offsets
    int32_t Hi = 0;
    std::string Buffer;
};

} // namespace korvel
