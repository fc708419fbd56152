#include "framework/TPopupMenu.h"
#include "platform/TCustomControl.h"
#include "platform/headless/THeadlessHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace korvel;

namespace {

// A control that logs what reaches it, in order.
class TLoggingControl : public TCustomControl {
public:
    std::vector<std::string> Log;
    std::function<void()> OnAnyMessage;
    // When set, a key press destroys the control from inside its own handler.
    std::unique_ptr<TLoggingControl>* SelfOwner = nullptr;

    void CreateParams(TCreateParams& Params) override {
        TCustomControl::CreateParams(Params);
        Params.Style |= WS_VSCROLL;
    }
    void HandleCreated() override { Log.push_back("created"); }
    void HandleDestroying() override { Log.push_back("destroying"); }
    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_USER + 1)
            Log.push_back("user1");
        TCustomControl::WndProc(Message);
        if (SelfOwner != nullptr && Message.Msg == WM_KEYDOWN) {
            SelfOwner->reset();
            return; // nothing of this object may be touched now
        }
        if (OnAnyMessage)
            OnAnyMessage();
    }

protected:
    void KeyDown(uint16_t& Key, TShiftState Shift) override {
        TCustomControl::KeyDown(Key, Shift);
        Log.push_back("keydown " + std::to_string(Key) + " " + std::to_string(Shift));
    }
    void KeyPress(char& Key) override {
        TCustomControl::KeyPress(Key);
        Log.push_back(std::string("char ") + Key);
    }
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override {
        Log.push_back("down " + std::to_string(Button) + " " + std::to_string(Shift) + " " +
                      std::to_string(X) + "," + std::to_string(Y));
    }
    void MouseUp(TMouseButton Button, TShiftState, int32_t, int32_t) override {
        Log.push_back("up " + std::to_string(Button));
    }
    void Click() override { Log.push_back("click"); }
    void DblClick() override { Log.push_back("dblclick"); }
    void DoEnter() override { Log.push_back("enter"); }
    void DoExit() override { Log.push_back("exit"); }
    void PaintWindow(TCanvas&, const TRect& R) override {
        Log.push_back("paint " + std::to_string(R.Top) + ".." + std::to_string(R.Bottom));
    }
    void ClientResized(TSize Size) override {
        Log.push_back("size " + std::to_string(Size.cx) + "x" + std::to_string(Size.cy));
    }
};

} // namespace

TEST(HeadlessHostTest, DeliversInputInTheOrderAControlExpects) {
    THeadlessHost Host({200, 100});
    TLoggingControl Control;
    Control.OnKeyDown = [](TObject*, uint16_t& Key, TShiftState) {
        if (Key == VK_F1)
            Key = 0; // an application handler may swallow a key
    };
    Host.Attach(Control);
    EXPECT_TRUE(Control.HandleAllocated());
    EXPECT_TRUE(Host.HasVertBar());
    EXPECT_FALSE(Host.HasHorzBar());

    Host.Send(TMessage::KeyMessage(WM_KEYDOWN, VK_LEFT, ssShift | ssLeft));
    Host.Send(TMessage::KeyMessage(WM_KEYDOWN, VK_F1, 0));
    Host.Send(TMessage::Char('x'));
    Host.Send(TMessage::Pointer(WM_LBUTTONDOWN, {5, 6}, ssCtrl));
    Host.Send(TMessage::Pointer(WM_LBUTTONUP, {5, 6}, ssCtrl));
    Host.Send(TMessage::Pointer(WM_LBUTTONDBLCLK, {5, 6}, 0));
    Host.Send(TMessage::Pointer(WM_LBUTTONUP, {500, 6}, 0)); // released outside: no click
    Host.Send(TMessage::Pointer(WM_RBUTTONUP, {1, 1}, 0));
    Host.SetFocus();
    Host.SetFocus(); // already focused: nothing more
    Host.KillFocus();
    Host.Resize({300, 50});

    const std::vector<std::string> Expected = {
        "created", "keydown 37 1", "keydown 0 0", "char x",        "down 0 12 5,6",
        "up 0",    "click",        "dblclick",    "down 0 72 5,6", "up 0",
        "up 1",    "enter",        "exit",        "size 300x50"};
    EXPECT_EQ(Control.Log, Expected);
    EXPECT_FALSE(Host.Focused());
}

TEST(HeadlessHostTest, PaintsOnlyWhatIsInvalidAndScrollsInvalidAreasAlong) {
    THeadlessHost Host({100, 100});
    TLoggingControl Control;
    Host.Attach(Control);
    Control.Log.clear();

    Host.Update(); // nothing invalid
    const TRect Strip{0, 10, 100, 20};
    Host.Invalidate(&Strip, false);
    Host.ScrollWindow(0, -5, nullptr); // content up by 5: the strip follows, the bottom is bared
    EXPECT_EQ(Host.InvalidRect(), (TRect{0, 5, 100, 100}));
    Host.Update();
    Host.Update();
    EXPECT_EQ(Control.Log, std::vector<std::string>{"paint 5..100"});
    EXPECT_EQ(Host.PaintCount(), 1);
    ASSERT_EQ(Host.Scrolls().size(), 1u);
    EXPECT_EQ(Host.Scrolls()[0].Dy, -5);

    const TRect Outside{0, 200, 100, 300};
    Host.Invalidate(&Outside, false); // recorded, but nothing to paint
    EXPECT_EQ(Host.Invalidated().back(), Outside);
    EXPECT_TRUE(Host.InvalidRect().IsEmpty());
}

TEST(HeadlessHostTest, PostedMessagesWaitAndSurviveReentrantProcessing) {
    THeadlessHost Host;
    TLoggingControl Control;
    Host.Attach(Control);
    int Reposts = 0;
    // A handler that posts again (as a background step does) must not make
    // one pump run forever.
    Control.OnAnyMessage = [&] {
        if (Control.Log.back() == "user1" && Reposts < 3) {
            ++Reposts;
            Host.PostMessage(TMessage::Plain(WM_USER + 1));
        }
    };
    Host.PostMessage(TMessage::Plain(WM_USER + 1));
    EXPECT_EQ(Host.PendingMessages(), 1);
    EXPECT_EQ(Host.PumpMessages(), 1);
    EXPECT_EQ(Host.PendingMessages(), 1);
    int Hooked = 0;
    Host.OnProcessMessages = [&] { ++Hooked; };
    Host.ProcessMessages();
    EXPECT_EQ(Hooked, 1);
    EXPECT_EQ(Host.PumpMessages(), 1);
    EXPECT_EQ(Host.PumpMessages(), 1);
    EXPECT_EQ(Host.PumpMessages(), 0);
}

TEST(HeadlessHostTest, AControlDestroyedInItsOwnHandlerIsNeverTouchedAgain) {
    THeadlessHost Host;
    auto Control = std::make_unique<TLoggingControl>();
    Host.Attach(*Control);
    Control->SelfOwner = &Control;
    Host.PostMessage(TMessage::Char('a'));
    EXPECT_EQ(Host.Send(TMessage::KeyMessage(WM_KEYDOWN, VK_DELETE, 0)), 0);
    EXPECT_FALSE(Host.HandleAllocated());
    EXPECT_EQ(Host.PumpMessages(), 0); // the queued character is dropped with its control
}

TEST(HeadlessHostTest, RecreationScrollBarsCaretAndPopup) {
    THeadlessHost Host({100, 100});
    TLoggingControl Control;
    Host.Attach(Control);
    Host.SetFocus();
    Host.CreateCaret(2, 14);
    Host.SetCaretPos(3, 4);
    Host.ShowCaret();
    EXPECT_TRUE(Host.Caret().Visible);

    Host.SetScrollRange(SB_VERT, 0, 99, 10, true);
    Host.SetScrollPos(SB_VERT, 500, true); // the thumb stays inside the range
    EXPECT_EQ(Host.GetScrollInfo(SB_VERT).Pos, 90);
    Host.SetScrollRange(SB_VERT, 0, 20, 10, true);
    EXPECT_EQ(Host.GetScrollInfo(SB_VERT).Pos, 11);

    Control.Log.clear();
    Host.RecreateWindow();
    EXPECT_EQ(Control.Log, (std::vector<std::string>{"destroying", "created", "enter"}));
    EXPECT_EQ(Host.GetScrollInfo(SB_VERT), TScrollInfo{});
    EXPECT_FALSE(Host.Caret().Exists); // the caret went with the old window

    TPopupMenu Menu;
    int Chosen = -1;
    Menu.OnPopup = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &Menu);
        Menu.GetItem(1).SetEnabled(false);
    };
    for (const char* Caption : {"&One", "&Two", "-", "T&hree"})
        Menu.Add(Caption).OnClick = [&](TObject* Item) {
            Chosen = static_cast<TMenuItem*>(Item)->GetCaption().back();
        };
    Host.OnChoosePopupItem = [](const THeadlessPopup& Shown) {
        EXPECT_EQ(Shown.Captions.size(), 4u);
        EXPECT_FALSE(Shown.Enabled[1]);
        return 1; // disabled: choosing it does nothing
    };
    Host.SetScreenOrigin({100, 200});
    Host.Popup(Menu, Host.ClientToScreen({1, 2}));
    EXPECT_EQ(Chosen, -1);
    EXPECT_EQ(Host.Popups().back().ScreenPos, (TPoint{101, 202}));
    Host.OnChoosePopupItem = [](const THeadlessPopup&) { return 3; };
    Host.Popup(Menu, {0, 0});
    EXPECT_EQ(Chosen, 'e');
}
