#pragma once

#include "platform/TControlHost.h"
#include "platform/qt/TQtCaret.h"

#include <QObject>
#include <QRegion>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>

class QAbstractScrollArea;
class QPainter;
class QScrollBar;
class QWidget;

namespace korvel {

class TCustomControl;
class TQtCanvas;
class TQtClipboard;

// The window of a control on Qt: the host port over a QAbstractScrollArea
// (normally a KorvelWidget, which delivers the input events). The area's
// viewport is the client area; its two scroll bars are the window's scroll
// bars, shown while the window's style asks for them and their range exceeds
// their page, and their user actions come back to the control as
// WM_VSCROLL / WM_HSCROLL requests, the thumb moving only when the control
// sets its position (while the user drags it, it follows the pointer).
//
// Posted messages wait in a queue; a zero-delay timer delivers one each time
// the event loop comes round, so that input is handled between two of them
// (the background formatting steps). Messages reach the control only while it
// exists; an exception escaping a handler is shown to the user (the
// framework's handling of an exception in the message loop) unless a handler
// of OnException takes it.
class TQtHost final : public QObject, public TControlHost {
    Q_OBJECT
public:
    explicit TQtHost(QAbstractScrollArea& Area);
    ~TQtHost() override;

    // Takes Control (not owned); the window is created by CreateHandle.
    void Attach(TCustomControl& Control);
    TCustomControl* GetControl() const { return Control; }
    // Creates the window: reads the control's creation parameters, applies
    // its border and scroll bars, then HandleCreated.
    void CreateHandle();
    // HandleDestroying, then the window is gone (caret, scroll infos).
    void DestroyHandle();

    // Delivers Message to the control now; its result (0 without a control).
    intptr_t Send(TMessage& Message);
    intptr_t Send(TMessage&& Message) { return Send(Message); }
    // The client area was resized: WM_SIZE when its size changed since the
    // last one delivered.
    void ClientAreaResized();
    // Paints Rect of the client area with Painter: WM_PAINT, then the caret.
    void Paint(QPainter& Painter, const QRect& Rect);

    const TCreateParams& GetCreateParams() const { return Params; }
    TQtCaret& Caret() { return CaretObject; }
    const TQtCaret& Caret() const { return CaretObject; }
    TCursor GetCursor() const { return Cursor; }
    TCursor GetScreenCursor() const { return ScreenCursor; }
    int32_t PendingMessages() const { return static_cast<int32_t>(Posted.size()); }
    // The parts of the client area invalidated and not painted yet.
    const QRegion& InvalidRegion() const { return Invalid; }

    // Sees every message on its way to the control (diagnostics and tests).
    std::function<void(const TMessage&)> OnDeliver;
    // Called with the message text of an exception escaping a handler;
    // without it the text is shown in a message box.
    std::function<void(const std::string&)> OnException;

    // A modal box with an OK button over Parent's window, texts in the code
    // page.
    static void ShowMessage(QWidget* Parent, const std::string& Text, const std::string& Caption);
    // Text of the code page as a QString.
    static QString ToQString(const std::string& Text);

    // --- TControlHost ---

    void ClientDestroyed() override;
    bool HandleAllocated() const override { return Allocated; }
    void RecreateWindow() override;
    TSize GetClientSize() const override;
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
    void SetCursor(TCursor Value) override;
    void SetScreenCursor(TCursor Value) override;
    bool Focused() const override;
    void SetFocus() override;
    TPoint ClientToScreen(TPoint Client) const override;
    void PostMessage(const TMessage& Message) override;
    void ProcessMessages() override;
    void Popup(TPopupMenu& Menu, TPoint ScreenPos) override;
    void MessageBox(const std::string& Text, const std::string& Caption) override;
    const TClock& GetClock() const override;
    TClipboard& GetClipboard() override;
    void OutputDebugString(const std::string& Text) override;
    // The desktop's setting, as Qt reads it.
    int32_t GetWheelScrollLines() const override;

protected:
    // Wheel turns over a scroll bar go to the control, as over the window.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QScrollBar* Bar(TScrollBarKind Kind) const;
    // Shows Bars[Kind] on its Qt scroll bar.
    void ApplyBar(TScrollBarKind Kind);
    void ApplyCreateParams();
    void BarAction(TScrollBarKind Kind, int Action);
    void BarReleased(TScrollBarKind Kind);
    // Delivers the next posted message.
    void DeliverPosted();
    void Report(const std::string& Text);
    void RepaintRect(const QRect& Rect);

    QAbstractScrollArea& Area;
    TCustomControl* Control = nullptr;
    TCreateParams Params;
    bool Allocated = false;
    TScrollInfo Bars[2];
    TQtCaret CaretObject;
    TCursor Cursor = crDefault;
    TCursor ScreenCursor = crDefault;
    QRegion Invalid;
    QSize LastClientSize{-1, -1};
    std::deque<TMessage> Posted;
    QTimer PostTimer;
    std::unique_ptr<TQtCanvas> WindowCanvas;
    std::unique_ptr<TQtClipboard> Clipboard;
};

} // namespace korvel
