#include "platform/qt/TQtCaret.h"

#include <QApplication>

#include <algorithm>
#include <utility>

namespace korvel {

TQtCaret::TQtCaret(std::function<void(const QRect&)> Repaint, QObject* Parent)
    : QObject(Parent), Repaint(std::move(Repaint)), Period(QApplication::cursorFlashTime()) {
    connect(&Timer, &QTimer::timeout, this, &TQtCaret::Blink);
}

void TQtCaret::Create(int Width, int Height) {
    Destroy();
    Created = true;
    Shown = false;
    Area = QRect(Area.topLeft(), QSize(std::max(Width, 1), std::max(Height, 1)));
}

void TQtCaret::Destroy() {
    if (!Created)
        return;
    const bool WasDrawn = IsDrawn();
    Created = false;
    Shown = false;
    Timer.stop();
    if (WasDrawn)
        RepaintArea();
}

void TQtCaret::SetPos(int X, int Y) {
    if (Area.topLeft() == QPoint(X, Y))
        return;
    if (IsDrawn())
        RepaintArea();
    Area.moveTopLeft(QPoint(X, Y));
    if (IsVisible())
        Restart();
}

void TQtCaret::Show() {
    if (!Created || Shown)
        return;
    Shown = true;
    Restart();
}

void TQtCaret::Hide() {
    if (!IsVisible())
        return;
    const bool WasDrawn = IsDrawn();
    Shown = false;
    Timer.stop();
    if (WasDrawn)
        RepaintArea();
}

void TQtCaret::SetFlashTime(int Milliseconds) {
    Period = Milliseconds;
    if (IsVisible())
        Restart();
}

void TQtCaret::Blink() {
    if (!IsVisible())
        return;
    BlinkOn = !BlinkOn;
    RepaintArea();
}

void TQtCaret::Restart() {
    BlinkOn = true;
    RepaintArea();
    if (Period > 0)
        Timer.start(std::max(Period / 2, 1));
    else
        Timer.stop();
}

void TQtCaret::RepaintArea() {
    if (Repaint)
        Repaint(Area);
}

} // namespace korvel
