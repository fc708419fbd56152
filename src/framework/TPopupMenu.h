#pragma once

#include "framework/TObject.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel {

// One entry of a popup menu. A caption of "-" makes a separator line; an
// ampersand marks the following character as the access key.
class TMenuItem : public TObject {
public:
    explicit TMenuItem(std::string Caption) : Caption(std::move(Caption)) {}

    const std::string& GetCaption() const { return Caption; }
    void SetCaption(std::string Value) { Caption = std::move(Value); }
    bool GetEnabled() const { return Enabled; }
    void SetEnabled(bool Value) { Enabled = Value; }
    bool IsSeparator() const { return Caption == "-"; }

    // Fired with the item as sender when the user chooses it.
    TNotifyEvent OnClick;

    // What the window system calls when the item is chosen: nothing for a
    // disabled item or a separator.
    void Click() {
        if (Enabled && !IsSeparator() && OnClick)
            OnClick(this);
    }

private:
    std::string Caption;
    bool Enabled = true;
};

// A menu shown at a screen position by the host (TControlHost::Popup). It
// owns its items.
class TPopupMenu : public TObject {
public:
    TMenuItem& Add(std::string Caption) {
        Items.push_back(std::make_unique<TMenuItem>(std::move(Caption)));
        return *Items.back();
    }
    int32_t GetCount() const { return static_cast<int32_t>(Items.size()); }
    TMenuItem& GetItem(int32_t Index) { return *Items.at(static_cast<size_t>(Index)); }
    const TMenuItem& GetItem(int32_t Index) const { return *Items.at(static_cast<size_t>(Index)); }

    // Fired with the menu as sender just before it opens, so that its owner
    // can enable and disable items.
    TNotifyEvent OnPopup;

    // What the host calls before it shows the menu.
    void DoPopup() {
        if (OnPopup)
            OnPopup(this);
    }

private:
    std::vector<std::unique_ptr<TMenuItem>> Items;
};

} // namespace korvel
