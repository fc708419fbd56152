#pragma once

#include <cstdint>
#include <vector>

namespace korvel {

class TKorvelNavigator;
class TParagraphsList;
struct TLayoutSettings;

// What a navigator is attached to: the text of one control, the layout
// settings its pixel work reads and the register of the navigators that
// every replacement keeps in step. The control derives from it and binds its
// own paragraph list and layout settings in its constructor; the host owns
// neither, only the register. It is a mixin beside the control's TObject
// line, so a navigator given the control as a TObject finds it by a cross
// cast.
class TNavigatorHost {
public:
    // Navigators still registered are detached (they are left without a
    // control); their owners free them.
    virtual ~TNavigatorHost();

    TParagraphsList& GetParagraphsList() { return *Paragraphs; }
    const TParagraphsList& GetParagraphsList() const { return *Paragraphs; }
    TLayoutSettings& GetLayout() { return *Layout; }
    const TLayoutSettings& GetLayout() const { return *Layout; }

    void RegisterNavigator(TKorvelNavigator* Navigator);
    void UnregisterNavigator(TKorvelNavigator* Navigator);
    const std::vector<TKorvelNavigator*>& GetNavigators() const { return Navigators; }

protected:
    TNavigatorHost() = default;
    TNavigatorHost(const TNavigatorHost&) = delete;
    TNavigatorHost& operator=(const TNavigatorHost&) = delete;

    void BindText(TParagraphsList& List, TLayoutSettings& Settings) {
        Paragraphs = &List;
        Layout = &Settings;
    }

private:
    TParagraphsList* Paragraphs = nullptr;
    TLayoutSettings* Layout = nullptr;
    std::vector<TKorvelNavigator*> Navigators;
};

} // namespace korvel
