#include "KVSupport/TLinesList.h"

#include "KVSupport/TParagraph.h"
#include "framework/Exceptions.h"

namespace korvel {

int32_t TLinesList::Count() const {
    return Paragraph->LineCountOf();
}

TLineRecord& TLinesList::Get(int32_t Index) {
    if (Index < 0 || Index >= Count())
        throw ERangeError(SListIndexError);
    ParExtraInfo* Extra = Paragraph->GetExtra();
    if (Extra == nullptr) {
        Scratch = Paragraph->GetLine0();
        return Scratch;
    }
    return Index == 0 ? Extra->Line0 : Extra->MoreLines[static_cast<size_t>(Index - 1)];
}

void TLinesList::SetLineCount(int32_t N) {
    if (N <= 0)
        N = 1;
    if (N == 1 && !Paragraph->HasExtra())
        return;
    Paragraph->AttachExtra().MoreLines.resize(static_cast<size_t>(N - 1), TLineRecord{});
}

} // namespace korvel
