#pragma once

#include "platform/TControlHost.h"
#include "platform/headless/THeadlessCanvas.h"
#include "platform/headless/THeadlessClock.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

class TCustomControl;

// The system caret of a headless window, as plain data.
struct THeadlessCaret {
    bool Exists = false;
    bool Visible = false;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Creations = 0; // how often it was created
};

// One ScrollWindow call.
struct THeadlessScroll {
    int32_t Dx = 0;
    int32_t Dy = 0;
    TRect Clip;
};

// A popup menu as it was shown: captions and enabled states when it opened.
struct THeadlessPopup {
    TPopupMenu* Menu = nullptr;
    TPoint ScreenPos;
    std::vector<std::string> Captions;
    std::vector<bool> Enabled;
};

// A window without a display, for tests: everything the control asks of it is
// kept as plain data that a test reads, and everything the window system
// would deliver is delivered when the test says so. Deterministic: time moves
// only by the clock's automatic step (1 ms a reading unless changed) or when a
// test advances it; posted messages wait until PumpMessages or
// ProcessMessages; nothing is painted until Update.
//
// Scroll bars do not take room from the client area: the client size is
// exactly what the test sets.
class THeadlessHost : public TControlHost {
public:
    // Clipboard may be null while no test needs one (GetClipboard then
    // raises).
    explicit THeadlessHost(TSize ClientSize = {400, 300}, TClipboard* Clipboard = nullptr);
    ~THeadlessHost() override;

    // Takes Control: attaches it and creates the window (its creation
    // parameters are read, then HandleCreated).
    void Attach(TCustomControl& Control);
    // Destroys the window and releases the control.
    void Detach();
    // Destroys or creates the window of the attached control.
    void DestroyHandle();
    void CreateHandle();

    // --- Driving the window as a user and the system would ---

    // Delivers Message to the control now; returns its result (0 without a control).
    intptr_t Send(TMessage Message);
    // New client size, then WM_SIZE.
    void Resize(TSize ClientSize);
    // Focus leaving the window (WM_KILLFOCUS) or entering it (SetFocus).
    void KillFocus();
    // Delivers up to Limit posted messages (all that are waiting when -1),
    // in order; messages posted meanwhile wait for the next call. Returns how
    // many were delivered.
    int32_t PumpMessages(int32_t Limit = -1);
    int32_t PendingMessages() const { return static_cast<int32_t>(Posted.size()); }
    // Called by ProcessMessages before it delivers what waits: a test uses it
    // to move the pointer or release a button while the control loops.
    std::function<void()> OnProcessMessages;
    // Answers a popup: the index of the item to choose (-1: close the menu
    // without a choice).
    std::function<int32_t(const THeadlessPopup&)> OnChoosePopupItem;

    // --- What the control did (read by tests) ---

    THeadlessClock& Clock() { return TickClock; }
    // The canvas WM_PAINT draws on; it keeps its records until cleared.
    THeadlessCanvas& WindowCanvas() { return Window; }
    const TCreateParams& GetCreateParams() const { return Params; }
    bool HasVertBar() const { return (Params.Style & WS_VSCROLL) != 0; }
    bool HasHorzBar() const { return (Params.Style & WS_HSCROLL) != 0; }
    const THeadlessCaret& Caret() const { return CaretState; }
    TCursor GetCursor() const { return Cursor; }
    TCursor GetScreenCursor() const { return ScreenCursor; }
    // Every Invalidate since the last ClearInvalidated, in order.
    const std::vector<TRect>& Invalidated() const { return InvalidatedRects; }
    // The area Update would repaint now (empty when nothing is invalid).
    const TRect& InvalidRect() const { return Invalid; }
    void ClearInvalidated();
    const std::vector<THeadlessScroll>& Scrolls() const { return ScrollCalls; }
    void ClearScrolls() { ScrollCalls.clear(); }
    int32_t PaintCount() const { return Paints; }
    const std::vector<THeadlessPopup>& Popups() const { return PopupsShown; }
    const std::vector<std::string>& MessageBoxes() const { return Boxes; }
    const std::vector<std::string>& DebugStrings() const { return Debug; }
    int32_t Recreations() const { return RecreateCount; }
    // Byte Ch gets its own width in the off-screen canvases created from now
    // on (the control measures its text on one), for proportional text.
    void SetCharWidth(uint8_t Ch, int32_t Width) { CharWidths.emplace_back(Ch, Width); }
    void SetScreenOrigin(TPoint Origin) { ScreenOrigin = Origin; }
    // The system's wheel setting the control reads (3 unless set).
    void SetWheelScrollLines(int32_t Value) { WheelScrollLines = Value; }

    // --- TControlHost ---

    void ClientDestroyed() override;
    bool HandleAllocated() const override { return Allocated; }
    void RecreateWindow() override;
    TSize GetClientSize() const override { return ClientSize; }
    void Invalidate(const TRect* Rect, bool Erase) override;
    void Update() override;
    void ScrollWindow(int32_t Dx, int32_t Dy, const TRect* Clip) override;
    std::unique_ptr<TOffscreenCanvas> CreateOffscreenCanvas(int32_t Width, int32_t Height) override;
    TScrollInfo GetScrollInfo(TScrollBarKind Bar) const override;
    void SetScrollRange(TScrollBarKind Bar, int32_t Min, int32_t Max, int32_t Page,
                        bool Redraw) override;
    void SetScrollPos(TScrollBarKind Bar, int32_t Pos, bool Redraw) override;
    void CreateCaret(int32_t Width, int32_t Height) override;
    void DestroyCaret() override;
    void SetCaretPos(int32_t X, int32_t Y) override;
    void ShowCaret() override;
    void SetCursor(TCursor Value) override { Cursor = Value; }
    void SetScreenCursor(TCursor Value) override { ScreenCursor = Value; }
    bool Focused() const override { return HasFocus; }
    void SetFocus() override;
    TPoint ClientToScreen(TPoint Client) const override;
    void PostMessage(const TMessage& Message) override { Posted.push_back(Message); }
    void ProcessMessages() override;
    void Popup(TPopupMenu& Menu, TPoint ScreenPos) override;
    void MessageBox(const std::string& Text, const std::string& Caption) override;
    const TClock& GetClock() const override { return TickClock; }
    TClipboard& GetClipboard() override;
    void OutputDebugString(const std::string& Text) override { Debug.push_back(Text); }
    int32_t GetWheelScrollLines() const override { return WheelScrollLines; }

private:
    TRect ClientRect() const { return {0, 0, ClientSize.cx, ClientSize.cy}; }
    void AddInvalid(const TRect& Rect);

    TCustomControl* Control = nullptr;
    TClipboard* Clipboard = nullptr;
    TSize ClientSize;
    TCreateParams Params;
    bool Allocated = false;
    bool HasFocus = false;
    THeadlessClock TickClock;
    THeadlessCanvas Window;
    TScrollInfo Bars[2];
    THeadlessCaret CaretState;
    TCursor Cursor = crDefault;
    TCursor ScreenCursor = crDefault;
    TPoint ScreenOrigin;
    std::vector<TRect> InvalidatedRects;
    TRect Invalid;
    std::vector<THeadlessScroll> ScrollCalls;
    int32_t Paints = 0;
    std::deque<TMessage> Posted;
    std::vector<THeadlessPopup> PopupsShown;
    std::vector<std::string> Boxes;
    std::vector<std::string> Debug;
    int32_t RecreateCount = 0;
    std::vector<std::pair<uint8_t, int32_t>> CharWidths;
    int32_t WheelScrollLines = 3;
};

} // namespace korvel
