#include "KVSupport/TKorvelHighlighter.h"

#include "KVSupport/TCustomKorvel.h"

#include <algorithm>

namespace korvel {

TKorvelHighlighter::~TKorvelHighlighter() {
    // Each control's setter takes it off the list; work on a copy.
    const std::vector<TCustomKorvel*> Remaining = Clients;
    for (TCustomKorvel* Control : Remaining)
        Control->SetHighlighter(nullptr);
}

void TKorvelHighlighter::KeywordHook(TKorvelNavigator&, TKorvelNavigator&, int32_t) {}

bool TKorvelHighlighter::StartKeyHook(TKorvelNavigator&, TKorvelNavigator&, int32_t) {
    return false;
}

bool TKorvelHighlighter::StopKeyHook(TKorvelNavigator&, TKorvelNavigator&, int32_t) {
    return false;
}

void TKorvelHighlighter::SpareHook() {}

void TKorvelHighlighter::AddClient(TCustomKorvel* Control) {
    if (std::find(Clients.begin(), Clients.end(), Control) == Clients.end())
        Clients.push_back(Control);
}

void TKorvelHighlighter::RemoveClient(TCustomKorvel* Control) {
    Clients.erase(std::remove(Clients.begin(), Clients.end(), Control), Clients.end());
}

} // namespace korvel
