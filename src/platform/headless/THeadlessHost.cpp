#include "platform/headless/THeadlessHost.h"

#include "framework/Exceptions.h"
#include "framework/TPopupMenu.h"
#include "platform/TCustomControl.h"
#include "platform/headless/THeadlessOffscreenCanvas.h"

#include <algorithm>

namespace korvel {

THeadlessHost::THeadlessHost(TSize ClientSize, TClipboard* Clipboard)
    : Clipboard(Clipboard), ClientSize(ClientSize) {
    TickClock.SetAutoStep(1);
}

THeadlessHost::~THeadlessHost() {
    if (Control != nullptr)
        Detach();
}

void THeadlessHost::Attach(TCustomControl& Value) {
    if (Control != nullptr)
        Detach();
    Control = &Value;
    Control->SetHost(this);
    CreateHandle();
}

void THeadlessHost::Detach() {
    if (Control == nullptr)
        return;
    DestroyHandle();
    if (Control != nullptr)
        Control->SetHost(nullptr);
    Control = nullptr;
    Posted.clear();
}

void THeadlessHost::DestroyHandle() {
    if (!Allocated)
        return;
    if (Control != nullptr)
        Control->HandleDestroying();
    Allocated = false;
    HasFocus = false;
    // The caret belongs to the window.
    CaretState.Exists = false;
    CaretState.Visible = false;
}

void THeadlessHost::CreateHandle() {
    if (Allocated || Control == nullptr)
        return;
    Params = TCreateParams{};
    Control->CreateParams(Params);
    Bars[SB_HORZ] = TScrollInfo{};
    Bars[SB_VERT] = TScrollInfo{};
    Invalid = TRect{};
    Allocated = true;
    Control->HandleCreated();
}

void THeadlessHost::ClientDestroyed() {
    Control = nullptr;
    Allocated = false;
    HasFocus = false;
    Posted.clear();
}

intptr_t THeadlessHost::Send(TMessage Message) {
    if (Control == nullptr)
        return 0;
    Control->WndProc(Message);
    return Message.Result;
}

void THeadlessHost::Resize(TSize Size) {
    ClientSize = {std::max(Size.cx, 0), std::max(Size.cy, 0)};
    if (Allocated)
        Send(TMessage::Resize(ClientSize));
}

void THeadlessHost::KillFocus() {
    if (!HasFocus)
        return;
    // The control hears of it while it still holds the focus, as on the
    // window system, then loses it.
    Send(TMessage::Plain(WM_KILLFOCUS));
    HasFocus = false;
}

void THeadlessHost::SetFocus() {
    if (HasFocus || !Allocated)
        return;
    HasFocus = true;
    Send(TMessage::Plain(WM_SETFOCUS));
}

int32_t THeadlessHost::PumpMessages(int32_t Limit) {
    int32_t Waiting = static_cast<int32_t>(Posted.size());
    if (Limit >= 0)
        Waiting = std::min(Waiting, Limit);
    int32_t Delivered = 0;
    while (Delivered < Waiting && !Posted.empty() && Control != nullptr) {
        TMessage Message = Posted.front();
        Posted.pop_front();
        Send(Message);
        ++Delivered;
    }
    return Delivered;
}

void THeadlessHost::ProcessMessages() {
    if (OnProcessMessages)
        OnProcessMessages();
    PumpMessages();
}

void THeadlessHost::ClearInvalidated() {
    InvalidatedRects.clear();
    Invalid = TRect{};
}

void THeadlessHost::AddInvalid(const TRect& Rect) {
    const TRect Clipped = IntersectRects(Rect, ClientRect());
    if (!Clipped.IsEmpty())
        Invalid = UnionRects(Invalid, Clipped);
}

void THeadlessHost::RecreateWindow() {
    if (Control == nullptr)
        return;
    ++RecreateCount;
    const bool HadFocus = HasFocus;
    DestroyHandle();
    CreateHandle();
    if (HadFocus)
        SetFocus();
}

void THeadlessHost::Invalidate(const TRect* Rect, bool /*Erase*/) {
    const TRect Area = Rect != nullptr ? *Rect : ClientRect();
    InvalidatedRects.push_back(Area);
    AddInvalid(Area);
}

void THeadlessHost::Update() {
    if (!Allocated || Invalid.IsEmpty())
        return;
    const TRect Area = Invalid;
    Invalid = TRect{};
    ++Paints;
    Send(TMessage::Paint(Window, Area));
}

void THeadlessHost::ScrollWindow(int32_t Dx, int32_t Dy, const TRect* Clip) {
    const TRect Area = Clip != nullptr ? IntersectRects(*Clip, ClientRect()) : ClientRect();
    ScrollCalls.push_back({Dx, Dy, Area});
    if (Area.IsEmpty())
        return;
    // What was invalid moves with the pixels; the strips the move uncovered
    // become invalid.
    if (!Invalid.IsEmpty())
        Invalid = IntersectRects(
            {Invalid.Left + Dx, Invalid.Top + Dy, Invalid.Right + Dx, Invalid.Bottom + Dy},
            ClientRect());
    if (Dy > 0)
        AddInvalid({Area.Left, Area.Top, Area.Right, Area.Top + Dy});
    else if (Dy < 0)
        AddInvalid({Area.Left, Area.Bottom + Dy, Area.Right, Area.Bottom});
    if (Dx > 0)
        AddInvalid({Area.Left, Area.Top, Area.Left + Dx, Area.Bottom});
    else if (Dx < 0)
        AddInvalid({Area.Right + Dx, Area.Top, Area.Right, Area.Bottom});
}

std::unique_ptr<TOffscreenCanvas> THeadlessHost::CreateOffscreenCanvas(int32_t Width,
                                                                       int32_t Height) {
    auto Canvas = std::make_unique<THeadlessOffscreenCanvas>(Width, Height);
    for (const auto& [Ch, ChWidth] : CharWidths)
        Canvas->SetCharWidth(Ch, ChWidth);
    return Canvas;
}

TScrollInfo THeadlessHost::GetScrollInfo(TScrollBarKind Bar) const {
    return Bars[Bar == SB_VERT ? 1 : 0];
}

void THeadlessHost::SetScrollRange(TScrollBarKind Bar, int32_t Min, int32_t Max, int32_t Page,
                                   bool /*Redraw*/) {
    TScrollInfo& Info = Bars[Bar == SB_VERT ? 1 : 0];
    Info.Min = Min;
    Info.Max = Max;
    Info.Page = Page;
    // As on the window system, the thumb stays inside the new range.
    const int32_t Top = std::max(Min, Max - std::max(Page - 1, 0));
    Info.Pos = std::clamp(Info.Pos, Min, std::max(Min, Top));
}

void THeadlessHost::SetScrollPos(TScrollBarKind Bar, int32_t Pos, bool /*Redraw*/) {
    TScrollInfo& Info = Bars[Bar == SB_VERT ? 1 : 0];
    const int32_t Top = std::max(Info.Min, Info.Max - std::max(Info.Page - 1, 0));
    Info.Pos = std::clamp(Pos, Info.Min, std::max(Info.Min, Top));
}

void THeadlessHost::CreateCaret(int32_t Width, int32_t Height) {
    CaretState.Exists = true;
    CaretState.Visible = false;
    CaretState.Width = Width;
    CaretState.Height = Height;
    ++CaretState.Creations;
}

void THeadlessHost::DestroyCaret() {
    CaretState.Exists = false;
    CaretState.Visible = false;
}

void THeadlessHost::SetCaretPos(int32_t X, int32_t Y) {
    CaretState.X = X;
    CaretState.Y = Y;
}

void THeadlessHost::ShowCaret() {
    if (CaretState.Exists)
        CaretState.Visible = true;
}

TPoint THeadlessHost::ClientToScreen(TPoint Client) const {
    return {Client.X + ScreenOrigin.X, Client.Y + ScreenOrigin.Y};
}

void THeadlessHost::Popup(TPopupMenu& Menu, TPoint ScreenPos) {
    Menu.DoPopup();
    THeadlessPopup Shown;
    Shown.Menu = &Menu;
    Shown.ScreenPos = ScreenPos;
    for (int32_t I = 0; I < Menu.GetCount(); ++I) {
        Shown.Captions.push_back(Menu.GetItem(I).GetCaption());
        Shown.Enabled.push_back(Menu.GetItem(I).GetEnabled());
    }
    PopupsShown.push_back(Shown);
    if (!OnChoosePopupItem)
        return;
    const int32_t Choice = OnChoosePopupItem(Shown);
    if (Choice >= 0 && Choice < Menu.GetCount())
        Menu.GetItem(Choice).Click();
}

void THeadlessHost::MessageBox(const std::string& Text, const std::string& /*Caption*/) {
    Boxes.push_back(Text);
}

TClipboard& THeadlessHost::GetClipboard() {
    if (Clipboard == nullptr)
        throw Exception("No clipboard");
    return *Clipboard;
}

} // namespace korvel
