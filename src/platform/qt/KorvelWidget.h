#pragma once

#include <QAbstractScrollArea>

#include <memory>

namespace korvel {

class TKorvel;
class TQtHost;

// The Korvel editor control as a Qt widget: a scroll area that owns one
// TKorvel and its window (TQtHost), and turns Qt's events into the messages
// the control handles: paint, resize, focus, keys and characters (input
// method commits included), pointer, double click and wheel. The control is
// the widget's whole content and does all the work; the widget only
// translates.
//
// The control's window is created when the widget is first shown (or by
// CreateHandle), so that properties read from a form description before that
// apply without a window, as they do when a form is loaded.
class KorvelWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit KorvelWidget(QWidget* Parent = nullptr);
    ~KorvelWidget() override;

    TKorvel& Korvel() { return *Control; }
    const TKorvel& Korvel() const { return *Control; }
    TQtHost& Host() { return *WindowHost; }

    // Creates the control's window now (nothing when it exists).
    void CreateHandle();
    // Takes the control's cursor and tab stop after its properties changed
    // without a window.
    void ApplyControlProperties();

    QVariant inputMethodQuery(Qt::InputMethodQuery Query) const override;

    // Re-creates the line bitmap at Ratio device pixels per pixel and repaints
    // the whole pane when the bitmap has another ratio (the window moved to a
    // screen of another density). Returns whether it changed anything.
    bool SetLineBitmapRatio(qreal Ratio);

protected:
    bool event(QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void scrollContentsBy(int Dx, int Dy) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void inputMethodEvent(QInputMethodEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    // Whether the control takes Tab itself (WM_GETDLGCODE).
    bool WantsTab();
    void SyncBounds();
    // Types Bytes, one WM_CHAR each.
    void TypeChars(const std::string& Bytes);

    std::unique_ptr<TQtHost> WindowHost;
    std::unique_ptr<TKorvel> Control;
};

} // namespace korvel
