#include "KVSupport/TKorvelHighlighter.h"

#include <algorithm>

namespace korvel {

TKorvelHighlighter::~TKorvelHighlighter() {
    // Each client takes itself off the list; work on a copy.
    const std::vector<THighlightClient*> Remaining = Clients;
    for (THighlightClient* Client : Remaining)
        Client->HighlighterDestroyed(this);
}

void TKorvelHighlighter::KeywordHook(TKorvelNavigator&, TKorvelNavigator&, int32_t) {}

bool TKorvelHighlighter::StartKeyHook(TKorvelNavigator&, TKorvelNavigator&, int32_t) {
    return false;
}

bool TKorvelHighlighter::StopKeyHook(TKorvelNavigator&, TKorvelNavigator&, int32_t) {
    return false;
}

void TKorvelHighlighter::SpareHook() {}

void TKorvelHighlighter::AddClient(THighlightClient* Client) {
    if (std::find(Clients.begin(), Clients.end(), Client) == Clients.end())
        Clients.push_back(Client);
}

void TKorvelHighlighter::RemoveClient(THighlightClient* Client) {
    Clients.erase(std::remove(Clients.begin(), Clients.end(), Client), Clients.end());
}

} // namespace korvel
