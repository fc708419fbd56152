#include "platform/headless/THeadlessClipboard.h"

namespace korvel {

bool THeadlessClipboard::AcquireClipboard() {
    if (OpenFails)
        return false;
    ++AcquireCount;
    return true;
}

void THeadlessClipboard::CommitData(const TClipboardData& Data) {
    Contents = Data;
    ++CommitCount;
}

bool THeadlessClipboard::SystemHasFormat(TClipboardFormat Format) const {
    return Contents.count(Format) != 0;
}

bool THeadlessClipboard::SystemGetData(TClipboardFormat Format, std::string& Bytes) const {
    const auto It = Contents.find(Format);
    if (It == Contents.end())
        return false;
    Bytes = It->second;
    return true;
}

} // namespace korvel
