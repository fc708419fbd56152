#include "KVSupport/HighlightRun.h"

#include <memory>

namespace korvel {

const HighlightRun& DefaultRun() {
    static const HighlightRun Default = [] {
        HighlightRun Run{};
        Run.BackColor = -1;
        Run.TextColor = -1;
        return Run;
    }();
    return Default;
}

// Shared copies are created non-const on the heap, so adjusting the count
// through the const pointers the paragraphs hand out is well defined.
const HighlightRun* NewSharedRun(const HighlightRun& Source) {
    auto Copy = std::make_unique<HighlightRun>(Source);
    Copy->Offset = 1;
    return Copy.release();
}

const HighlightRun* ShareRun(const HighlightRun* Run) {
    if (Run != nullptr && !IsDefaultRun(Run))
        ++const_cast<HighlightRun*>(Run)->Offset;
    return Run;
}

void ReleaseSharedRun(const HighlightRun* Run) {
    if (Run == nullptr || IsDefaultRun(Run))
        return;
    auto* Owned = const_cast<HighlightRun*>(Run);
    if (--Owned->Offset <= 0)
        std::unique_ptr<HighlightRun>{Owned}.reset(); // the last user frees the copy
}

int32_t SharedRunCount(const HighlightRun* Run) {
    return Run == nullptr || IsDefaultRun(Run) ? 0 : Run->Offset;
}

} // namespace korvel
