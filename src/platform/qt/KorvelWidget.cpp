#include "platform/qt/KorvelWidget.h"

#include "Korvel/TKorvel.h"
#include "platform/qt/TQtHost.h"
#include "platform/qt/TQtInput.h"
#include "platform/qt/TQtOffscreenCanvas.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <string>

namespace korvel {

namespace {

uint32_t PressMessage(Qt::MouseButton Button, bool Double) {
    switch (Button) {
    case Qt::LeftButton:
        return Double ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
    case Qt::RightButton:
        return Double ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN;
    case Qt::MiddleButton:
        return Double ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN;
    default:
        return 0;
    }
}

uint32_t ReleaseMessage(Qt::MouseButton Button) {
    switch (Button) {
    case Qt::LeftButton:
        return WM_LBUTTONUP;
    case Qt::RightButton:
        return WM_RBUTTONUP;
    case Qt::MiddleButton:
        return WM_MBUTTONUP;
    default:
        return 0;
    }
}

TPoint PointOf(const QMouseEvent* Event) {
    const QPoint P = Event->position().toPoint();
    return {P.x(), P.y()};
}

} // namespace

KorvelWidget::KorvelWidget(QWidget* Parent)
    : QAbstractScrollArea(Parent), WindowHost(std::make_unique<TQtHost>(*this)),
      Control(std::make_unique<TKorvel>()) {
    WindowHost->Attach(*Control);
    // The control paints every pixel of its window itself.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setMouseTracking(true);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
    ApplyControlProperties();
}

KorvelWidget::~KorvelWidget() {
    // The window goes first, then the control, as when a form is destroyed.
    WindowHost->DestroyHandle();
    Control.reset();
}

void KorvelWidget::CreateHandle() {
    WindowHost->CreateHandle();
    SyncBounds();
}

void KorvelWidget::ApplyControlProperties() {
    setFocusPolicy(Control->GetTabStop() ? Qt::StrongFocus : Qt::ClickFocus);
    if (WindowHost->HandleAllocated())
        WindowHost->SetCursor(Control->GetCursor());
}

void KorvelWidget::SyncBounds() {
    // The control's bounds follow the widget's (the layout decides them).
    const QRect G = geometry();
    Control->TCustomControl::SetBounds(G.x(), G.y(), G.width(), G.height());
}

bool KorvelWidget::WantsTab() {
    TMessage Message = TMessage::Plain(WM_GETDLGCODE);
    return (WindowHost->Send(Message) & DLGC_WANTTAB) != 0;
}

bool KorvelWidget::event(QEvent* Event) {
    if (Event->type() == QEvent::KeyPress) {
        auto* Key = static_cast<QKeyEvent*>(Event);
        const bool TabKey = Key->key() == Qt::Key_Tab || Key->key() == Qt::Key_Backtab;
        // Tab moves the focus unless the control asks for it.
        if (TabKey && !(Key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && WantsTab()) {
            keyPressEvent(Key);
            return true;
        }
    }
    if (Event->type() == QEvent::ScreenChangeInternal)
        SetLineBitmapRatio(devicePixelRatioF());
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    if (Event->type() == QEvent::DevicePixelRatioChange)
        SetLineBitmapRatio(devicePixelRatioF());
#endif
    return QAbstractScrollArea::event(Event);
}

bool KorvelWidget::SetLineBitmapRatio(qreal Ratio) {
    auto* Bitmap = dynamic_cast<TQtOffscreenCanvas*>(Control->GetCanvas());
    if (Bitmap == nullptr || Bitmap->GetDevicePixelRatio() == Ratio)
        return false;
    Bitmap->SetDevicePixelRatio(Ratio);
    viewport()->update();
    return true;
}

void KorvelWidget::showEvent(QShowEvent* Event) {
    QAbstractScrollArea::showEvent(Event);
    CreateHandle();
}

void KorvelWidget::paintEvent(QPaintEvent* Event) {
    // A ratio change not announced by an event still gets a sharp bitmap.
    SetLineBitmapRatio(devicePixelRatioF());
    QPainter Painter(viewport());
    WindowHost->Paint(Painter, Event->rect());
}

void KorvelWidget::resizeEvent(QResizeEvent* Event) {
    QAbstractScrollArea::resizeEvent(Event);
    SyncBounds();
    WindowHost->ClientAreaResized();
}

void KorvelWidget::scrollContentsBy(int, int) {
    // The control scrolls its window itself, from the scroll requests.
}

void KorvelWidget::focusInEvent(QFocusEvent* Event) {
    QAbstractScrollArea::focusInEvent(Event);
    WindowHost->Send(TMessage::Plain(WM_SETFOCUS));
}

void KorvelWidget::focusOutEvent(QFocusEvent* Event) {
    QAbstractScrollArea::focusOutEvent(Event);
    WindowHost->Send(TMessage::Plain(WM_KILLFOCUS));
}

void KorvelWidget::TypeChars(const std::string& Bytes) {
    for (const char Byte : Bytes) {
        if (WindowHost->GetControl() == nullptr)
            return;
        WindowHost->Send(TMessage::Char(static_cast<uint8_t>(Byte)));
    }
}

void KorvelWidget::keyPressEvent(QKeyEvent* Event) {
    const int Key = Event->key();
    const Qt::KeyboardModifiers Modifiers = Event->modifiers();
    const bool System = IsSystemKey(Key, Modifiers);
    // Auto-repeat arrives as further key-downs, as on the window system.
    if (const uint16_t Vk = VirtualKeyOf(Key, Modifiers); Vk != 0)
        WindowHost->Send(
            TMessage::KeyMessage(System ? WM_SYSKEYDOWN : WM_KEYDOWN, Vk, ShiftStateOf(Modifiers)));
    TypeChars(CharsOfKey(Key, Modifiers, Event->text()));
    // Alt combinations are the window's (menu access keys).
    Event->setAccepted(!System || Key == Qt::Key_F10);
}

void KorvelWidget::keyReleaseEvent(QKeyEvent* Event) {
    // A held key repeats its key-down only.
    if (Event->isAutoRepeat())
        return;
    const int Key = Event->key();
    const Qt::KeyboardModifiers Modifiers = Event->modifiers();
    if (const uint16_t Vk = VirtualKeyOf(Key, Modifiers); Vk != 0)
        WindowHost->Send(TMessage::KeyMessage(IsSystemKey(Key, Modifiers) ? WM_SYSKEYUP : WM_KEYUP,
                                              Vk, ShiftStateOf(Modifiers)));
}

void KorvelWidget::inputMethodEvent(QInputMethodEvent* Event) {
    TypeChars(CharsOfText(Event->commitString()));
    Event->accept();
}

QVariant KorvelWidget::inputMethodQuery(Qt::InputMethodQuery Query) const {
    switch (Query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return QRectF(WindowHost->Caret().Rect().translated(viewport()->pos()));
    default:
        return QAbstractScrollArea::inputMethodQuery(Query);
    }
}

void KorvelWidget::mousePressEvent(QMouseEvent* Event) {
    if (const uint32_t Msg = PressMessage(Event->button(), false); Msg != 0)
        WindowHost->Send(TMessage::Pointer(Msg, PointOf(Event),
                                           ShiftStateOf(Event->modifiers(), Event->buttons())));
    Event->accept();
}

void KorvelWidget::mouseDoubleClickEvent(QMouseEvent* Event) {
    if (const uint32_t Msg = PressMessage(Event->button(), true); Msg != 0)
        WindowHost->Send(TMessage::Pointer(Msg, PointOf(Event),
                                           ShiftStateOf(Event->modifiers(), Event->buttons())));
    Event->accept();
}

void KorvelWidget::mouseReleaseEvent(QMouseEvent* Event) {
    if (const uint32_t Msg = ReleaseMessage(Event->button()); Msg != 0)
        WindowHost->Send(TMessage::Pointer(Msg, PointOf(Event),
                                           ShiftStateOf(Event->modifiers(), Event->buttons())));
    Event->accept();
}

void KorvelWidget::mouseMoveEvent(QMouseEvent* Event) {
    // Without a button held the window is asked for its cursor first; with
    // one it holds the pointer and keeps its cursor.
    if (Event->buttons() == Qt::NoButton)
        WindowHost->Send(TMessage::SetCursor(HTCLIENT));
    WindowHost->Send(TMessage::Pointer(WM_MOUSEMOVE, PointOf(Event),
                                       ShiftStateOf(Event->modifiers(), Event->buttons())));
    Event->accept();
}

void KorvelWidget::wheelEvent(QWheelEvent* Event) {
    // Qt's angle delta is in eighths of a degree: 120 a notch, as wheel
    // messages count. Alt turns a vertical wheel horizontal on some systems.
    int Delta = Event->angleDelta().y();
    if (Delta == 0 && Event->modifiers().testFlag(Qt::AltModifier))
        Delta = Event->angleDelta().x();
    if (Delta == 0) {
        Event->ignore();
        return;
    }
    const QPoint P = Event->position().toPoint();
    WindowHost->Send(
        TMessage::Wheel(Delta, {P.x(), P.y()}, ShiftStateOf(Event->modifiers(), Event->buttons())));
    Event->accept();
}

void KorvelWidget::contextMenuEvent(QContextMenuEvent* Event) {
    // The control opens its menu itself on the right button's release.
    Event->accept();
}

} // namespace korvel
