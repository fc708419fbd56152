#include "platform/TCustomControl.h"

namespace korvel {

TCustomControl::~TCustomControl() {
    if (Host != nullptr)
        Host->ClientDestroyed();
}

void TCustomControl::RecreateWnd() {
    if (HandleAllocated())
        Host->RecreateWindow();
}

void TCustomControl::SetFocus() {
    if (HandleAllocated() && !Host->Focused())
        Host->SetFocus();
}

void TCustomControl::Invalidate() {
    if (HandleAllocated())
        Host->Invalidate(nullptr, true);
}

void TCustomControl::Update() {
    if (HandleAllocated())
        Host->Update();
}

int32_t TCustomControl::GetClientWidth() const {
    return HandleAllocated() ? Host->GetClientSize().cx : Width;
}

int32_t TCustomControl::GetClientHeight() const {
    return HandleAllocated() ? Host->GetClientSize().cy : Height;
}

void TCustomControl::EndLoading() {
    ComponentState &= static_cast<TComponentState>(~(csLoading | csReading));
    Loaded();
}

void TCustomControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
    Left = ALeft;
    Top = ATop;
    Width = AWidth;
    Height = AHeight;
}

void TCustomControl::SetColor(TColor Value) {
    if (Value == Color)
        return;
    Color = Value;
    ParentColor = false;
    Invalidate();
}

void TCustomControl::SetCursor(TCursor Value) {
    Cursor = Value;
    if (HandleAllocated())
        Host->SetCursor(Value);
}

void TCustomControl::SetCtl3D(bool Value) {
    if (Value == Ctl3D)
        return;
    Ctl3D = Value;
    TMessage Message = TMessage::Plain(CM_CTL3DCHANGED);
    Perform(Message);
}

intptr_t TCustomControl::Perform(TMessage& Message) {
    WndProc(Message);
    return Message.Result;
}

void TCustomControl::CreateParams(TCreateParams& Params) {
    Params = TCreateParams{};
}

void TCustomControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        uint16_t Key = Message.Key;
        KeyDown(Key, Message.Shift & ssModifiers);
        Message.Key = Key;
        break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        uint16_t Key = Message.Key;
        KeyUp(Key, Message.Shift & ssModifiers);
        Message.Key = Key;
        break;
    }
    case WM_CHAR: {
        char Key = static_cast<char>(Message.CharCode);
        KeyPress(Key);
        Message.CharCode = static_cast<uint8_t>(Key);
        break;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        DispatchPointer(Message);
        break;
    case WM_MOUSEWHEEL:
        Message.Result = DoMouseWheel(Message.Shift, Message.WheelDelta, Message.Pos) ? 1 : 0;
        break;
    case WM_SETFOCUS:
        DoEnter();
        break;
    case WM_KILLFOCUS:
        DoExit();
        break;
    case WM_PAINT:
        if (Message.Canvas != nullptr)
            PaintWindow(*Message.Canvas, Message.UpdateRect);
        break;
    case WM_SIZE:
        ClientResized(Message.Size);
        break;
    case WM_SETCURSOR:
        if (HandleAllocated() && Message.OwnWindow && Message.HitTest == HTCLIENT) {
            Host->SetCursor(Cursor);
            Message.Result = 1;
        }
        break;
    default:
        break;
    }
}

void TCustomControl::DispatchPointer(TMessage& Message) {
    const int32_t X = Message.Pos.X;
    const int32_t Y = Message.Pos.Y;
    const TShiftState Shift = Message.Shift;
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        MouseMove(Shift, X, Y);
        break;
    case WM_LBUTTONDOWN:
        Clicked = true;
        MouseDown(mbLeft, Shift | ssLeft, X, Y);
        break;
    case WM_LBUTTONDBLCLK:
        // The second press of a double click: the double-click notification
        // comes first, then the press itself.
        DblClick();
        MouseDown(mbLeft, Shift | ssLeft | ssDouble, X, Y);
        break;
    case WM_LBUTTONUP: {
        const bool WasClicked = Clicked;
        Clicked = false;
        MouseUp(mbLeft, Shift, X, Y);
        if (WasClicked && X >= 0 && Y >= 0 && X < GetClientWidth() && Y < GetClientHeight())
            Click();
        break;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, Shift | ssRight, X, Y);
        break;
    case WM_RBUTTONUP:
        MouseUp(mbRight, Shift, X, Y);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, Shift | ssMiddle, X, Y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, Shift, X, Y);
        break;
    default:
        break;
    }
}

void TCustomControl::KeyDown(uint16_t& Key, TShiftState Shift) {
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TCustomControl::KeyPress(char& Key) {
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

void TCustomControl::KeyUp(uint16_t& Key, TShiftState Shift) {
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TCustomControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TCustomControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TCustomControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TCustomControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TCustomControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

bool TCustomControl::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) {
    bool Handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, Shift, WheelDelta, MousePos, Handled);
    return Handled;
}

void TCustomControl::DoEnter() {
    if (OnEnter)
        OnEnter(this);
}

void TCustomControl::DoExit() {
    if (OnExit)
        OnExit(this);
}

void TCustomControl::PaintWindow(TCanvas&, const TRect&) {}

void TCustomControl::ClientResized(TSize) {}

} // namespace korvel
