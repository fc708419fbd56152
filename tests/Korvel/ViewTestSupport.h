#pragma once

#include "KVSupport/TKorvelNavigator.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelPainter.h"
#include "KorvelTestSupport.h"
#include "platform/headless/THeadlessCanvas.h"
#include "platform/headless/THeadlessHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace korvel::test {

// The headless font the control starts with ("Arial" -11): a 13-pixel line,
// 6 pixels a byte, text starting at the left margin of 8 pixels.
inline constexpr int32_t LineH = 13;
inline constexpr int32_t CharW = 6;
inline constexpr int32_t Margin = 8;

// Replaces the text between From and To by Text through the control core
// and lays the change out, as an edit of the control does.
inline void Edit(TKorvel& Control, int32_t From, int32_t To, const char* Text) {
    TKorvelNavigator& Start = Control.GetScratchNav(0);
    TKorvelNavigator& End = Control.GetScratchNav(1);
    Start.SetPos(From);
    End.SetPos(To);
    Control.ReplaceRangeAndRehighlight(Start, End, Text, false);
    Control.UpdateAfterChange();
}

// Puts the caret at Pos and brings it into view, as a caret move does.
inline void MoveCaret(TKorvel& Control, int32_t Pos) {
    Control.GetCaretNav().SetPos(Pos);
    Control.UpdateCaret(false);
    Control.ScrollInView();
}

// A control in a headless window of Size, with Text loaded, all of it
// formatted at once (umImmediate) and scrolling without animation unless a
// test asks for it.
struct TView {
    THeadlessHost Host;
    std::unique_ptr<TKorvel> Control = std::make_unique<TKorvel>();

    explicit TView(std::string_view Text, TSize Size = {400, 300}, bool WordWrap = true)
        : Host(Size) {
        Control->SetWordWrap(WordWrap);
        Control->SetScrollTime(0);
        LoadText(*Control, Text);
        Control->SetUpdateMode(umImmediate);
        Host.Attach(*Control);
    }
    ~TView() { Control.reset(); }

    TKorvel& operator*() { return *Control; }
    TKorvel* operator->() { return Control.get(); }

    TScrollInfo VBar() const { return Host.GetScrollInfo(SB_VERT); }
    TScrollInfo HBar() const { return Host.GetScrollInfo(SB_HORZ); }
    // The line bitmap the control composes lines in.
    THeadlessCanvas& Bitmap() { return dynamic_cast<THeadlessCanvas&>(*Control->GetCanvas()); }
    void Send(uint32_t Msg, int32_t Code, int32_t Pos = 0) {
        Host.Send(TMessage::Scroll(Msg, Code, Pos));
    }
    // Forgets what the window recorded.
    void ClearRecords() {
        Host.ClearInvalidated();
        Host.ClearScrolls();
    }
};

} // namespace korvel::test
