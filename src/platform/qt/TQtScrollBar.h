#pragma once

#include <QRect>
#include <QScrollBar>

namespace korvel {

// A scroll bar that repaints on a change of its position only when the
// change shows: when the thumb lands on other pixels, or the position comes
// to or leaves an end of the range (styles draw the arrow buttons at the
// ends differently). On a long text a page or a line moves the thumb by a
// fraction of a pixel, and repainting the bar would cost more than painting
// the page. Every other change (range, page, state) repaints as usual.
class TQtScrollBar final : public QScrollBar {
    Q_OBJECT
public:
    explicit TQtScrollBar(Qt::Orientation Orientation, QWidget* Parent = nullptr);

protected:
    void paintEvent(QPaintEvent* Event) override;
    void sliderChange(SliderChange Change) override;

private:
    // What a paint shows of the position.
    struct TLook {
        QRect Thumb;
        bool AtMinimum = false;
        bool AtMaximum = false;
        bool operator==(const TLook&) const = default;
    };
    TLook CurrentLook() const;

    TLook Painted;
    bool HasPainted = false;
};

} // namespace korvel
