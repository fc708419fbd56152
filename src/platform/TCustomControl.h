#pragma once

#include "framework/ControlTypes.h"
#include "framework/TColor.h"
#include "framework/TObject.h"
#include "platform/TControlHost.h"
#include "platform/TCursorId.h"
#include "platform/TMessage.h"

#include <cstdint>
#include <functional>
#include <string>

namespace korvel {

class TCanvas;
class TPopupMenu;

using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift,
                                       int32_t X, int32_t Y)>;
using TMouseMoveEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t WheelDelta,
                                            TPoint MousePos, bool& Handled)>;

// The base of a control with a window of its own: its bounds, colour,
// cursor, focus behaviour and the standard input events, and the dispatch of
// the window messages its host delivers to the handlers below. A derived
// control overrides a handler, runs this class's version first (which fires
// the matching event, where the event may change or clear a key), then does
// its own work; messages this class does not map go to WndProc overrides.
//
// A control may live without a window: until a host attaches it (SetHost),
// HandleAllocated is false and everything that needs the window is skipped.
class TCustomControl : public TPersistent, public TWindowClient {
public:
    TCustomControl() = default;
    TCustomControl(const TCustomControl&) = delete;
    TCustomControl& operator=(const TCustomControl&) = delete;
    // Tells the host, which then forgets the control.
    ~TCustomControl() override;

    // --- The window ---

    // Attaches the control to its window (null detaches it). The host calls
    // this when it takes the control, before it creates the window.
    void SetHost(TControlHost* Value) { Host = Value; }
    TControlHost* GetHost() const { return Host; }
    bool HandleAllocated() const { return Host != nullptr && Host->HandleAllocated(); }
    // Re-creates the window when it exists, so that changed creation
    // parameters apply.
    void RecreateWnd();
    bool Focused() const { return HandleAllocated() && Host->Focused(); }
    void SetFocus();
    void Invalidate();
    // Repaints what is invalid now.
    void Update();

    // The client area: the host's when there is a window, else the bounds.
    int32_t GetClientWidth() const;
    int32_t GetClientHeight() const;

    // --- Component state ---

    const std::string& GetName() const { return Name; }
    void SetName(std::string Value) { Name = std::move(Value); }
    TComponentState GetComponentState() const { return ComponentState; }
    bool IsLoading() const { return (ComponentState & csLoading) != 0; }
    bool IsDesigning() const { return (ComponentState & csDesigning) != 0; }
    // Reading a form description brackets the property writes with these;
    // Loaded is the derived control's notification that reading ended.
    void BeginLoading() { ComponentState |= csLoading | csReading; }
    // A form designer (or a test) puts the control into design mode.
    void SetDesigning(bool Value) {
        ComponentState = static_cast<TComponentState>(Value ? ComponentState | csDesigning
                                                            : ComponentState & ~csDesigning);
    }
    void EndLoading();
    virtual void Loaded() {}

    // --- Properties of every control ---

    int32_t GetLeft() const { return Left; }
    int32_t GetTop() const { return Top; }
    int32_t GetWidth() const { return Width; }
    int32_t GetHeight() const { return Height; }
    virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);

    TColor GetColor() const { return Color; }
    virtual void SetColor(TColor Value);
    TCursor GetCursor() const { return Cursor; }
    void SetCursor(TCursor Value);
    bool GetTabStop() const { return TabStop; }
    void SetTabStop(bool Value) { TabStop = Value; }
    bool GetParentColor() const { return ParentColor; }
    void SetParentColor(bool Value) { ParentColor = Value; }
    bool GetParentFont() const { return ParentFont; }
    void SetParentFont(bool Value) { ParentFont = Value; }
    bool GetCtl3D() const { return Ctl3D; }
    void SetCtl3D(bool Value);
    // The application's own context menu; none by default.
    TPopupMenu* GetPopupMenu() const { return PopupMenu; }
    void SetPopupMenu(TPopupMenu* Value) { PopupMenu = Value; }

    // --- Events ---

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // --- Messages ---

    // Sends Message to the control now and returns its result.
    intptr_t Perform(TMessage& Message);
    void WndProc(TMessage& Message) override;
    void CreateParams(TCreateParams& Params) override;
    void HandleCreated() override {}
    void HandleDestroying() override {}

protected:
    // The framework's handling of each input; derived handlers call these
    // first. Each fires its event; the key events may change or clear Key.
    virtual void KeyDown(uint16_t& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void KeyUp(uint16_t& Key, TShiftState Shift);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void Click();
    virtual void DblClick();
    // Fires OnMouseWheel; true when a handler took the turn.
    virtual bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos);
    virtual void DoEnter();
    virtual void DoExit();
    // Draws UpdateRect of the window on Canvas (WM_PAINT).
    virtual void PaintWindow(TCanvas& Canvas, const TRect& UpdateRect);
    // The window's client area now has Size (WM_SIZE).
    virtual void ClientResized(TSize Size);

private:
    void DispatchPointer(TMessage& Message);

    TControlHost* Host = nullptr;
    std::string Name;
    TComponentState ComponentState = 0;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    TColor Color = clWindow;
    TCursor Cursor = crDefault;
    bool TabStop = false;
    bool ParentColor = true;
    bool ParentFont = true;
    bool Ctl3D = true;
    TPopupMenu* PopupMenu = nullptr;
    // A left press whose release makes a click.
    bool Clicked = false;
};

} // namespace korvel
