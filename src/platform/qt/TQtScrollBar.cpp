#include "platform/qt/TQtScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace korvel {

TQtScrollBar::TQtScrollBar(Qt::Orientation Orientation, QWidget* Parent)
    : QScrollBar(Orientation, Parent) {}

TQtScrollBar::TLook TQtScrollBar::CurrentLook() const {
    QStyleOptionSlider Option;
    initStyleOption(&Option);
    TLook Look;
    Look.Thumb =
        style()->subControlRect(QStyle::CC_ScrollBar, &Option, QStyle::SC_ScrollBarSlider, this);
    Look.AtMinimum = value() == minimum();
    Look.AtMaximum = value() == maximum();
    return Look;
}

void TQtScrollBar::paintEvent(QPaintEvent* Event) {
    Painted = CurrentLook();
    HasPainted = true;
    QScrollBar::paintEvent(Event);
}

void TQtScrollBar::sliderChange(SliderChange Change) {
    // While the user drags, the style may draw the pressed thumb at the
    // pointer: repaint then as always.
    if (Change == SliderValueChange && HasPainted && !isSliderDown() && CurrentLook() == Painted)
        return;
    QScrollBar::sliderChange(Change);
}

} // namespace korvel
