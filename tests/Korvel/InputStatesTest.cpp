#include "InputTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace korvel::test {
namespace {

// Every key with every modifier, every character class and the pointer
// buttons, in each state a user can bring the control into: the store stays
// consistent, the selection stays within the text, painting is not left
// suppressed, and nothing changes the text while it must not.
TEST(InputStatesTest, EveryEventInEveryStateLeavesTheControlConsistent) {
    struct TState {
        const char* Name;
        const char* Text;
        std::function<void(TInputView&)> Enter;
        bool TextFixed;
    };
    const std::vector<TState> States = {
        {"empty text", "", [](TInputView&) {}, false},
        {"update bracket held", "ab\r\ncd", [](TInputView& V) { V->BeginUpdate(); }, true},
        {"read only", "ab\r\ncd", [](TInputView& V) { V->SetReadOnly(true); }, true},
        {"display only", "ab\r\ncd", [](TInputView& V) { V->SetDisplayOnly(true); }, true},
        {"caret beyond the line end", "ab\r\ncd",
         [](TInputView& V) {
             V.Options(OptionBit(kvoKeepColumnPos) | OptionBit(kvoPutExtraSpaces),
                       OptionBit(kvoWrapCaret));
             V->SetSelStart(2);
             V.Key(VK_RIGHT);
             V.Key(VK_RIGHT);
         },
         false},
        {"column block", "abcd\r\nabcd\r\nabcd",
         [](TInputView& V) {
             V.Options(OptionBit(kvoBlockSelection));
             V->SelectBlock(1, 0, 2, 3);
         },
         false},
        {"drag running", "abcd\r\nabcd",
         [](TInputView& V) {
             V.Select(0, 4);
             V.Down(V.At(1, 0));
         },
         false},
        {"persistent kept selection", "abcd\r\nabcd",
         [](TInputView& V) {
             V.Options(OptionBit(kvoPersistentBlocks) | OptionBit(kvoNoOverwriteBlocks));
             V.Select(1, 2);
             V.Key(VK_END);
         },
         false},
    };
    const uint16_t Keys[] = {VK_BACK,   VK_TAB,  VK_RETURN, VK_PRIOR, VK_NEXT, VK_END,
                             VK_HOME,   VK_LEFT, VK_UP,     VK_RIGHT, VK_DOWN, VK_INSERT,
                             VK_DELETE, 'B',     'P',       'T',      'Z',     VK_CONTROL};
    const TShiftState Shifts[] = {
        0, ssShift, ssCtrl, ssAlt, ssShift | ssAlt, ssShift | ssCtrl, ssCtrl | ssAlt};
    const char Chars[] = {'x', ' ', '\t', '\r', 3, 5, 22, 24, 8, 127};
    for (const TState& State : States) {
        for (const TShiftState Shift : Shifts) {
            TInputView View(State.Text);
            State.Enter(View);
            const std::string Before = View.Text();
            auto Check = [&](const char* What, int Code) {
                SCOPED_TRACE(testing::Message() << State.Name << " " << What << " " << Code
                                                << " shift " << int{Shift});
                View.ExpectConsistent();
                EXPECT_GE(View->GetSelStartNav().GetPos(), 0);
                EXPECT_LE(View->GetSelEndNav().GetPos(), View->GetTextLength());
                EXPECT_FALSE(View->GetPaintSuppressed());
                if (State.TextFixed) {
                    EXPECT_EQ(View.Text(), Before);
                }
            };
            for (const uint16_t Key : Keys) {
                View.Key(Key, Shift);
                Check("key", Key);
            }
            for (const char Ch : Chars) {
                View.Type(std::string(1, Ch));
                Check("char", Ch);
            }
            for (const uint32_t Msg : {WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,
                                       WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}) {
                View.Host.Send(TMessage::Pointer(Msg, View.At(2, 1), Shift | ssLeft));
                Check("pointer", static_cast<int>(Msg));
            }
        }
    }
}

} // namespace
} // namespace korvel::test
