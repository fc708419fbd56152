#pragma once

#include <QObject>
#include <QRect>
#include <QTimer>

#include <functional>

namespace korvel {

// The system caret of one window, which Qt does not have: a rectangle that
// the window draws inverted over its content while the caret exists, is
// shown and is in the visible half of its blink. The caret asks its window
// to repaint the pixels it covers whenever that picture changes (the
// window's paint then draws it, see IsDrawn).
//
// It blinks with the platform's cursor flash time (on for half the period,
// off for the other half; a period of 0 or less means no blinking). Moving
// or showing it starts the visible half again, so that it stays in sight
// while the user types.
class TQtCaret : public QObject {
    Q_OBJECT
public:
    // Repaint asks the window to repaint a rectangle of client pixels.
    explicit TQtCaret(std::function<void(const QRect&)> Repaint, QObject* Parent = nullptr);

    // Width or height 0 or less is taken as 1 pixel. A new caret is hidden.
    void Create(int Width, int Height);
    void Destroy();
    void SetPos(int X, int Y);
    void Show();
    // Hidden again (only the window's loss of the caret does this here).
    void Hide();

    bool Exists() const { return Created; }
    bool IsVisible() const { return Created && Shown; }
    // The caret is drawn now: it exists, is shown and is in its visible half.
    bool IsDrawn() const { return IsVisible() && BlinkOn; }
    QRect Rect() const { return Area; }
    // The full blink period in milliseconds (from the application's cursor
    // flash time unless set).
    int FlashTime() const { return Period; }
    void SetFlashTime(int Milliseconds);
    // One blink step now (what the timer does).
    void Blink();

private:
    void Restart();
    void RepaintArea();

    std::function<void(const QRect&)> Repaint;
    QTimer Timer;
    QRect Area;
    int Period;
    bool Created = false;
    bool Shown = false;
    bool BlinkOn = false;
};

} // namespace korvel
