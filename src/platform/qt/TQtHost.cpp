#include "platform/qt/TQtHost.h"

#include "framework/CodePage.h"
#include "framework/TPopupMenu.h"
#include "platform/TCustomControl.h"
#include "platform/TSystemClock.h"
#include "platform/qt/TQtCanvas.h"
#include "platform/qt/TQtClipboard.h"
#include "platform/qt/TQtCursors.h"
#include "platform/qt/TQtInput.h"
#include "platform/qt/TQtOffscreenCanvas.h"
#include "platform/qt/TQtScrollBar.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtDebug>

#include <algorithm>
#include <exception>
#include <vector>

namespace korvel {

namespace {

QRect ToQRect(const TRect& R) {
    return QRect(R.Left, R.Top, R.Width(), R.Height());
}

// The highest thumb position of a bar: the page's last unit at Max.
int32_t TopPos(const TScrollInfo& Info) {
    return std::max(Info.Min, Info.Max - std::max(Info.Page - 1, 0));
}

} // namespace

TQtHost::TQtHost(QAbstractScrollArea& Area)
    : Area(Area), CaretObject([this](const QRect& R) { RepaintRect(R); }) {
    PostTimer.setSingleShot(true);
    PostTimer.setInterval(0);
    connect(&PostTimer, &QTimer::timeout, this, &TQtHost::DeliverPosted);
    // Bars that skip repaints their thumb does not need (owned by the area).
    Area.setHorizontalScrollBar(new TQtScrollBar(Qt::Horizontal));
    Area.setVerticalScrollBar(new TQtScrollBar(Qt::Vertical));
    for (const TScrollBarKind Kind : {SB_HORZ, SB_VERT}) {
        QScrollBar* S = Bar(Kind);
        S->installEventFilter(this);
        connect(S, &QAbstractSlider::actionTriggered, this,
                [this, Kind](int Action) { BarAction(Kind, Action); });
        connect(S, &QAbstractSlider::sliderReleased, this, [this, Kind] { BarReleased(Kind); });
    }
    Area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

TQtHost::~TQtHost() {
    if (ScreenCursor != crDefault)
        QGuiApplication::restoreOverrideCursor();
}

void TQtHost::Attach(TCustomControl& Value) {
    Control = &Value;
    Control->SetHost(this);
}

void TQtHost::CreateHandle() {
    if (Allocated || Control == nullptr)
        return;
    Params = TCreateParams{};
    Control->CreateParams(Params);
    Bars[SB_HORZ] = TScrollInfo{};
    Bars[SB_VERT] = TScrollInfo{};
    ApplyCreateParams();
    WindowCanvas = std::make_unique<TQtCanvas>();
    Invalid = QRegion(Area.viewport()->rect());
    LastClientSize = Area.viewport()->size();
    Allocated = true;
    Area.viewport()->setCursor(QtCursor(Control->GetCursor()));
    Cursor = Control->GetCursor();
    try {
        Control->HandleCreated();
    } catch (const std::exception& Error) {
        Report(Error.what());
    }
    Area.viewport()->update();
}

void TQtHost::DestroyHandle() {
    if (!Allocated)
        return;
    if (Control != nullptr) {
        try {
            Control->HandleDestroying();
        } catch (const std::exception& Error) {
            Report(Error.what());
        }
    }
    Allocated = false;
    CaretObject.Destroy(); // the caret belongs to the window
    Posted.clear();
    PostTimer.stop();
}

void TQtHost::ClientDestroyed() {
    Control = nullptr;
    Allocated = false;
    CaretObject.Destroy();
    Posted.clear();
    PostTimer.stop();
}

void TQtHost::RecreateWindow() {
    if (Control == nullptr)
        return;
    const bool HadFocus = Focused();
    DestroyHandle();
    CreateHandle();
    if (HadFocus && Control != nullptr)
        Send(TMessage::Plain(WM_SETFOCUS));
}

void TQtHost::ApplyCreateParams() {
    if ((Params.ExStyle & WS_EX_CLIENTEDGE) != 0) {
        Area.setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        Area.setLineWidth(2);
    } else if ((Params.Style & WS_BORDER) != 0) {
        Area.setFrameStyle(QFrame::Box | QFrame::Plain);
        Area.setLineWidth(1);
    } else {
        Area.setFrameStyle(QFrame::NoFrame);
    }
    ApplyBar(SB_HORZ);
    ApplyBar(SB_VERT);
}

intptr_t TQtHost::Send(TMessage& Message) {
    if (Control == nullptr)
        return 0;
    if (OnDeliver)
        OnDeliver(Message);
    try {
        Control->WndProc(Message);
    } catch (const std::exception& Error) {
        Report(Error.what());
    }
    return Message.Result;
}

void TQtHost::Report(const std::string& Text) {
    if (OnException)
        OnException(Text);
    else
        ShowMessage(&Area, Text, QApplication::applicationName().toStdString());
}

void TQtHost::ClientAreaResized() {
    const QSize Size = Area.viewport()->size();
    if (!Allocated || Size == LastClientSize)
        return;
    LastClientSize = Size;
    Send(TMessage::Resize({Size.width(), Size.height()}));
}

void TQtHost::Paint(QPainter& Painter, const QRect& Rect) {
    Invalid -= Rect;
    if (!Allocated || Control == nullptr) {
        Painter.fillRect(Rect, Area.palette().base());
        return;
    }
    WindowCanvas->SetPainter(&Painter);
    Send(TMessage::Paint(*WindowCanvas,
                         {Rect.left(), Rect.top(), Rect.right() + 1, Rect.bottom() + 1}));
    if (WindowCanvas != nullptr)
        WindowCanvas->SetPainter(nullptr);
    if (CaretObject.IsDrawn() && CaretObject.Rect().intersects(Rect)) {
        // Inverted, as a system caret is, so it shows on any background.
        Painter.save();
        Painter.setClipRect(Rect);
        Painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        Painter.fillRect(CaretObject.Rect(), Qt::white);
        Painter.restore();
    }
}

TSize TQtHost::GetClientSize() const {
    const QSize Size = Area.viewport()->size();
    return {Size.width(), Size.height()};
}

void TQtHost::RepaintRect(const QRect& Rect) {
    Invalid += Rect;
    Area.viewport()->update(Rect);
}

void TQtHost::Invalidate(const TRect* Rect, bool /*Erase*/) {
    if (!Allocated)
        return;
    RepaintRect(Rect != nullptr ? ToQRect(*Rect) : Area.viewport()->rect());
}

void TQtHost::Update() {
    if (!Allocated)
        return;
    Invalid &= QRegion(Area.viewport()->rect());
    if (Invalid.isEmpty() || !Area.viewport()->isVisible())
        return;
    Area.viewport()->repaint(Invalid);
}

void TQtHost::ScrollWindow(int32_t Dx, int32_t Dy, const TRect* Clip) {
    if (!Allocated)
        return;
    const QRect Client = Area.viewport()->rect();
    const QRect Region = Clip != nullptr ? ToQRect(*Clip) & Client : Client;
    if (Region.isEmpty())
        return;
    // The caret's pixels travel with the content: repaint where they land
    // and where the caret really is.
    const bool CaretDrawn = CaretObject.IsDrawn();
    // What waited to be painted moves with the pixels; the strips the move
    // uncovers are painted afresh.
    const QRegion Inside = Invalid & Region;
    Invalid = (Invalid - Region) + (Inside.translated(Dx, Dy) & Region);
    QRegion Uncovered(Region);
    Uncovered -= Region.translated(Dx, Dy);
    Invalid += Uncovered;
    Area.viewport()->scroll(Dx, Dy, Region);
    if (CaretDrawn) {
        RepaintRect(CaretObject.Rect().translated(Dx, Dy) & Region);
        RepaintRect(CaretObject.Rect());
    }
}

std::unique_ptr<TOffscreenCanvas> TQtHost::CreateOffscreenCanvas(int32_t Width, int32_t Height) {
    return std::make_unique<TQtOffscreenCanvas>(Width, Height, Area.devicePixelRatioF());
}

QScrollBar* TQtHost::Bar(TScrollBarKind Kind) const {
    return Kind == SB_VERT ? Area.verticalScrollBar() : Area.horizontalScrollBar();
}

TScrollInfo TQtHost::GetScrollInfo(TScrollBarKind Kind) const {
    return Bars[Kind == SB_VERT ? 1 : 0];
}

void TQtHost::SetScrollRange(TScrollBarKind Kind, int32_t Min, int32_t Max, int32_t Page,
                             bool /*Redraw*/) {
    TScrollInfo& Info = Bars[Kind == SB_VERT ? 1 : 0];
    Info.Min = Min;
    Info.Max = std::max(Min, Max);
    Info.Page = std::clamp(Page, 0, Info.Max - Info.Min + 1);
    // The thumb stays inside the new range.
    Info.Pos = std::clamp(Info.Pos, Info.Min, TopPos(Info));
    ApplyBar(Kind);
}

void TQtHost::SetScrollPos(TScrollBarKind Kind, int32_t Pos, bool /*Redraw*/) {
    TScrollInfo& Info = Bars[Kind == SB_VERT ? 1 : 0];
    Info.Pos = std::clamp(Pos, Info.Min, TopPos(Info));
    ApplyBar(Kind);
}

void TQtHost::ApplyBar(TScrollBarKind Kind) {
    const TScrollInfo& Info = Bars[Kind == SB_VERT ? 1 : 0];
    QScrollBar* S = Bar(Kind);
    {
        const QSignalBlocker Blocker(S);
        S->setRange(Info.Min, TopPos(Info));
        S->setPageStep(std::max(Info.Page, 1));
        S->setSingleStep(1);
        // While the user drags the thumb it follows the pointer.
        if (!S->isSliderDown())
            S->setValue(Info.Pos);
    }
    // A bar is there when the style asks for it and its page does not cover
    // its whole range.
    const bool Wanted = (Params.Style & (Kind == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
    const bool Shown = Wanted && Info.Max > Info.Min && Info.Page <= Info.Max - Info.Min;
    const Qt::ScrollBarPolicy Policy = Shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (Kind == SB_VERT && Area.verticalScrollBarPolicy() != Policy)
        Area.setVerticalScrollBarPolicy(Policy);
    else if (Kind == SB_HORZ && Area.horizontalScrollBarPolicy() != Policy)
        Area.setHorizontalScrollBarPolicy(Policy);
}

void TQtHost::BarAction(TScrollBarKind Kind, int Action) {
    QScrollBar* S = Bar(Kind);
    const uint32_t Msg = Kind == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
    int32_t Code = -1;
    switch (Action) {
    case QAbstractSlider::SliderSingleStepSub:
        Code = SB_LINEUP;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        Code = SB_LINEDOWN;
        break;
    case QAbstractSlider::SliderPageStepSub:
        Code = SB_PAGEUP;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        Code = SB_PAGEDOWN;
        break;
    case QAbstractSlider::SliderToMinimum:
        Code = SB_TOP;
        break;
    case QAbstractSlider::SliderToMaximum:
        Code = SB_BOTTOM;
        break;
    case QAbstractSlider::SliderMove:
        Send(TMessage::Scroll(Msg, SB_THUMBTRACK, S->sliderPosition()));
        return;
    default:
        return;
    }
    // The bar does not move by itself: the control sets its position.
    {
        const QSignalBlocker Blocker(S);
        S->setSliderPosition(Bars[Kind == SB_VERT ? 1 : 0].Pos);
    }
    Send(TMessage::Scroll(Msg, Code));
    Send(TMessage::Scroll(Msg, SB_ENDSCROLL));
}

void TQtHost::BarReleased(TScrollBarKind Kind) {
    QScrollBar* S = Bar(Kind);
    const uint32_t Msg = Kind == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
    Send(TMessage::Scroll(Msg, SB_THUMBPOSITION, S->sliderPosition()));
    Send(TMessage::Scroll(Msg, SB_ENDSCROLL));
    ApplyBar(Kind);
}

bool TQtHost::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::Wheel &&
        (Watched == Area.verticalScrollBar() || Watched == Area.horizontalScrollBar())) {
        auto* Wheel = static_cast<QWheelEvent*>(Event);
        QWheelEvent Forwarded(Area.viewport()->mapFromGlobal(Wheel->globalPosition()),
                              Wheel->globalPosition(), Wheel->pixelDelta(), Wheel->angleDelta(),
                              Wheel->buttons(), Wheel->modifiers(), Wheel->phase(),
                              Wheel->inverted(), Wheel->source());
        QCoreApplication::sendEvent(Area.viewport(), &Forwarded);
        return true;
    }
    return QObject::eventFilter(Watched, Event);
}

void TQtHost::CreateCaret(int32_t Width, int32_t Height) {
    if (Allocated)
        CaretObject.Create(Width, Height);
}

void TQtHost::DestroyCaret() {
    CaretObject.Destroy();
}

void TQtHost::SetCaretPos(int32_t X, int32_t Y) {
    CaretObject.SetPos(X, Y);
    // Input methods place their candidate windows at the caret.
    if (Area.hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void TQtHost::ShowCaret() {
    CaretObject.Show();
}

void TQtHost::SetCursor(TCursor Value) {
    if (Value == Cursor)
        return;
    Cursor = Value;
    Area.viewport()->setCursor(QtCursor(Value));
}

void TQtHost::SetScreenCursor(TCursor Value) {
    if (Value == ScreenCursor)
        return;
    if (Value == crDefault)
        QGuiApplication::restoreOverrideCursor();
    else if (ScreenCursor == crDefault)
        QGuiApplication::setOverrideCursor(QtCursor(Value));
    else
        QGuiApplication::changeOverrideCursor(QtCursor(Value));
    ScreenCursor = Value;
}

bool TQtHost::Focused() const {
    return Allocated && Area.hasFocus();
}

void TQtHost::SetFocus() {
    if (Allocated)
        Area.setFocus(Qt::OtherFocusReason);
}

TPoint TQtHost::ClientToScreen(TPoint Client) const {
    const QPoint P = Area.viewport()->mapToGlobal(QPoint(Client.X, Client.Y));
    return {P.x(), P.y()};
}

void TQtHost::PostMessage(const TMessage& Message) {
    Posted.push_back(Message);
    if (!PostTimer.isActive())
        PostTimer.start();
}

void TQtHost::DeliverPosted() {
    if (Posted.empty() || Control == nullptr)
        return;
    TMessage Message = Posted.front();
    Posted.pop_front();
    if (!Posted.empty())
        PostTimer.start();
    Send(Message);
}

void TQtHost::ProcessMessages() {
    // The events waiting now (input, paints, timers), then the messages that
    // were posted before this call; those posted meanwhile wait for the
    // event loop.
    const size_t Waiting = Posted.size();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    for (size_t I = 0; I < Waiting && !Posted.empty() && Control != nullptr; ++I)
        DeliverPosted();
}

void TQtHost::Popup(TPopupMenu& Menu, TPoint ScreenPos) {
    Menu.DoPopup();
    QMenu Shown(&Area);
    std::vector<QAction*> Actions;
    for (int32_t I = 0; I < Menu.GetCount(); ++I) {
        const TMenuItem& Item = Menu.GetItem(I);
        if (Item.IsSeparator()) {
            Actions.push_back(Shown.addSeparator());
            continue;
        }
        // Access keys are marked with '&' in both worlds.
        QAction* Action = Shown.addAction(ToQString(Item.GetCaption()));
        Action->setEnabled(Item.GetEnabled());
        Actions.push_back(Action);
    }
    QAction* Chosen = Shown.exec(QPoint(ScreenPos.X, ScreenPos.Y));
    const auto Found = std::find(Actions.begin(), Actions.end(), Chosen);
    if (Chosen == nullptr || Found == Actions.end())
        return;
    const auto Index = static_cast<int32_t>(Found - Actions.begin());
    // The menu may have changed while it was open.
    if (Index < Menu.GetCount()) {
        try {
            Menu.GetItem(Index).Click();
        } catch (const std::exception& Error) {
            Report(Error.what());
        }
    }
}

void TQtHost::MessageBox(const std::string& Text, const std::string& Caption) {
    ShowMessage(&Area, Text, Caption);
}

void TQtHost::ShowMessage(QWidget* Parent, const std::string& Text, const std::string& Caption) {
    QMessageBox Box(QMessageBox::NoIcon, ToQString(Caption), ToQString(Text), QMessageBox::Ok,
                    Parent != nullptr ? Parent->window() : nullptr);
    Box.exec();
}

QString TQtHost::ToQString(const std::string& Text) {
    return QString::fromStdU16String(AnsiToUtf16(Text));
}

const TClock& TQtHost::GetClock() const {
    return TSystemClock::Instance();
}

TClipboard& TQtHost::GetClipboard() {
    if (!Clipboard)
        Clipboard = std::make_unique<TQtClipboard>();
    return *Clipboard;
}

int32_t TQtHost::GetWheelScrollLines() const {
    return QApplication::wheelScrollLines();
}

void TQtHost::OutputDebugString(const std::string& Text) {
    qDebug().noquote() << ToQString(Text);
}

} // namespace korvel
