#include "KVSupport/TNavigatorHost.h"

#include "KVSupport/TKorvelNavigator.h"

#include <algorithm>

namespace korvel {

TNavigatorHost::~TNavigatorHost() {
    // Detaching removes each navigator from the register; work on a copy.
    const std::vector<TKorvelNavigator*> Remaining = Navigators;
    for (TKorvelNavigator* Navigator : Remaining)
        Navigator->ControlDestroyed();
}

void TNavigatorHost::RegisterNavigator(TKorvelNavigator* Navigator) {
    Navigators.push_back(Navigator);
}

void TNavigatorHost::UnregisterNavigator(TKorvelNavigator* Navigator) {
    const auto Found = std::find(Navigators.rbegin(), Navigators.rend(), Navigator);
    if (Found != Navigators.rend())
        Navigators.erase(std::next(Found).base());
}

} // namespace korvel
