#pragma once

#include "platform/TCursorId.h"
#include "platform/TMessage.h"
#include "platform/Types.h"
#include "platform/WindowsCodes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace korvel {

class TClipboard;
class TClock;
class TOffscreenCanvas;
class TPopupMenu;
class TWindowClient;

// Range, page and thumb position of one scroll bar.
struct TScrollInfo {
    int32_t Min = 0;
    int32_t Max = 0;
    int32_t Page = 0;
    int32_t Pos = 0;
    friend bool operator==(const TScrollInfo&, const TScrollInfo&) = default;
};

// What a control asks of its window when the window is created: the style bits
// (WS_VSCROLL, WS_HSCROLL, WS_BORDER) and extended style bits
// (WS_EX_CLIENTEDGE). The host shows scroll bars and a border accordingly.
struct TCreateParams {
    uint32_t Style = 0;
    uint32_t ExStyle = 0;
};

// The window a control lives in: everything the control needs from the
// window system, named after what the control needs. A control talks to its
// window only through this port; the Qt adapter implements it over a widget,
// the headless host over plain data for tests.
//
// Coordinates are client pixels unless a name says screen. A host delivers
// every input and window event to its client as a TMessage through
// TWindowClient::WndProc, on the one thread the control lives on.
class TControlHost {
public:
    TControlHost() = default;
    TControlHost(const TControlHost&) = delete;
    TControlHost& operator=(const TControlHost&) = delete;
    virtual ~TControlHost() = default;

    // --- The window ---

    // The control is being destroyed (possibly inside one of its own
    // messages): deliver nothing more to it and never touch it again.
    virtual void ClientDestroyed() = 0;
    // Whether the window exists (it is created when the host is attached and
    // re-created on request).
    virtual bool HandleAllocated() const = 0;
    // Destroys and creates the window again, so that new creation parameters
    // (scroll bars, border) take effect. The client sees HandleDestroying and
    // HandleCreated around it.
    virtual void RecreateWindow() = 0;
    // The size of the client area, scroll bars and border excluded.
    virtual TSize GetClientSize() const = 0;

    // --- Painting ---

    // Adds Rect (null: the whole client area) to the area to repaint; Erase asks
    // for the background to be erased first (the control answers
    // WM_ERASEBKGND itself).
    virtual void Invalidate(const TRect* Rect, bool Erase) = 0;
    // Repaints the invalid area now (a WM_PAINT delivered before returning).
    virtual void Update() = 0;
    // Moves the client area's pixels by Dx, Dy within Clip (the whole client
    // area when null) and invalidates what was uncovered.
    virtual void ScrollWindow(int32_t Dx, int32_t Dy, const TRect* Clip) = 0;
    // A bitmap to compose lines in before they are copied to the window.
    virtual std::unique_ptr<TOffscreenCanvas> CreateOffscreenCanvas(int32_t Width,
                                                                    int32_t Height) = 0;

    // --- Scroll bars (present when the creation parameters ask for them) ---

    virtual TScrollInfo GetScrollInfo(TScrollBarKind Bar) const = 0;
    // Sets the range and page (Pos is ignored; use SetScrollPos).
    virtual void SetScrollRange(TScrollBarKind Bar, int32_t Min, int32_t Max, int32_t Page,
                                bool Redraw) = 0;
    virtual void SetScrollPos(TScrollBarKind Bar, int32_t Pos, bool Redraw) = 0;

    // --- The system caret (one per window; the control creates it while
    // focused) ---

    virtual void CreateCaret(int32_t Width, int32_t Height) = 0;
    virtual void DestroyCaret() = 0;
    virtual void SetCaretPos(int32_t X, int32_t Y) = 0;
    virtual void ShowCaret() = 0;

    // --- Cursors ---

    // The cursor the pointer shows over the control from now on (the
    // control's own cursor and WM_SETCURSOR answers).
    virtual void SetCursor(TCursor Cursor) = 0;
    // A cursor shown everywhere, over the control's own, while a drag runs;
    // crDefault ends it.
    virtual void SetScreenCursor(TCursor Cursor) = 0;

    // --- Focus and coordinates ---

    virtual bool Focused() const = 0;
    // Gives the window the keyboard focus (the client gets WM_SETFOCUS).
    virtual void SetFocus() = 0;
    virtual TPoint ClientToScreen(TPoint Client) const = 0;

    // --- Messages ---

    // Queues Message for the client; it is delivered after the events already
    // waiting. Safe to call from within WndProc.
    virtual void PostMessage(const TMessage& Message) = 0;
    // Delivers the input and posted messages waiting now (re-entrant: loops
    // that wait for the user, such as auto-scrolling, call it).
    virtual void ProcessMessages() = 0;

    // --- Dialogs ---

    // Shows Menu at ScreenPos (after its OnPopup) and runs the chosen item.
    virtual void Popup(TPopupMenu& Menu, TPoint ScreenPos) = 0;
    // A modal message box with an OK button.
    virtual void MessageBox(const std::string& Text, const std::string& Caption) = 0;

    // --- Services ---

    virtual const TClock& GetClock() const = 0;
    virtual TClipboard& GetClipboard() = 0;
    // A line for developers (nothing the user sees).
    virtual void OutputDebugString(const std::string& Text) = 0;
    // The lines one notch of the mouse wheel scrolls, as the user set it
    // for the whole system (3 where the system keeps no such setting).
    virtual int32_t GetWheelScrollLines() const { return 3; }
};

// The side of a control that its host calls.
class TWindowClient {
public:
    virtual ~TWindowClient() = default;
    // The style the window is to be created with.
    virtual void CreateParams(TCreateParams& Params) = 0;
    // The window exists now (also after a re-creation).
    virtual void HandleCreated() = 0;
    // The window is about to be destroyed.
    virtual void HandleDestroying() = 0;
    // One message; its handler may destroy the control.
    virtual void WndProc(TMessage& Message) = 0;
};

} // namespace korvel
