#pragma once

#include "ViewTestSupport.h"
#include "platform/headless/THeadlessClipboard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace korvel::test {

// A control in a headless window that takes keys, characters and pointer
// events as the window system delivers them (no word wrap unless asked, all
// formatted at once, focused).
struct TInputView {
    THeadlessClipboard Board;
    THeadlessHost Host;
    std::unique_ptr<TKorvel> Control = std::make_unique<TKorvel>();

    explicit TInputView(std::string_view Text, bool WordWrap = false, TSize Size = {400, 300})
        : Host(Size, &Board) {
        Control->SetWordWrap(WordWrap);
        Control->SetScrollTime(0);
        LoadText(*Control, Text);
        Control->SetUpdateMode(umImmediate);
        Host.Attach(*Control);
        Host.SetFocus();
    }
    ~TInputView() { Control.reset(); }
    TInputView(const TInputView&) = delete;
    TInputView& operator=(const TInputView&) = delete;

    TKorvel& operator*() { return *Control; }
    TKorvel* operator->() { return Control.get(); }
    void ClearRecords() {
        Host.ClearInvalidated();
        Host.ClearScrolls();
    }

    void Options(TKorvelOptions Add, TKorvelOptions Remove = 0) {
        Control->SetOptions((Control->GetOptions() | Add) & ~Remove);
    }
    // A key pressed and released.
    void Key(uint16_t Code, TShiftState Shift = 0) {
        Host.Send(TMessage::KeyMessage(WM_KEYDOWN, Code, Shift));
        Host.Send(TMessage::KeyMessage(WM_KEYUP, Code, Shift));
    }
    void Type(std::string_view Text) {
        for (const char Ch : Text)
            Host.Send(TMessage::Char(static_cast<uint8_t>(Ch)));
    }
    // Client x of column Column, y in the middle of display line Line.
    static TPoint At(int32_t Column, int32_t Line) {
        return TPoint{Margin + Column * CharW, Line * LineH + LineH / 2};
    }
    void Move(TPoint P, TShiftState Shift = 0) {
        Host.Send(TMessage::Pointer(WM_MOUSEMOVE, P, Shift));
    }
    void Down(TPoint P, TShiftState Shift = 0) {
        Move(P, Shift);
        Host.Send(TMessage::Pointer(WM_LBUTTONDOWN, P, Shift));
    }
    void Up(TPoint P, TShiftState Shift = 0) {
        Host.Send(TMessage::Pointer(WM_LBUTTONUP, P, Shift));
    }
    void Click(TPoint P, TShiftState Shift = 0) {
        Down(P, Shift);
        Up(P, Shift);
    }
    void Select(int32_t Start, int32_t Length) {
        Control->SetSelStart(Start);
        Control->SetSelLength(Length);
    }
    std::string Text() { return Control->GetAllText(); }
    int32_t Caret() { return Control->GetSelStart(); }
    void ExpectConsistent() { EXPECT_EQ(ListOf(*Control).FindInconsistency(), ""); }
};

} // namespace korvel::test
