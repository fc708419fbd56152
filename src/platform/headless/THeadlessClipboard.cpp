#include "platform/headless/THeadlessClipboard.h"

#include <utility>

namespace korvel {

bool THeadlessClipboard::AcquireClipboard() {
    if (OpenFails)
        return false;
    ++AcquireCount;
    return true;
}

void THeadlessClipboard::CommitData(TClipboardData&& Data) {
    Contents = std::move(Data);
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
