#include "platform/qt/TQtColors.h"

#include <QGuiApplication>
#include <QPalette>

#include <cstdint>
#include <iterator>

namespace korvel {

namespace {

// The palette role of each system colour index (the Windows COLOR_*
// numbering), -1 where the palette has no counterpart.
constexpr int SystemRoles[] = {
    QPalette::Mid,             // 0 scroll bar
    QPalette::Dark,            // 1 desktop
    QPalette::Highlight,       // 2 active caption
    QPalette::Mid,             // 3 inactive caption
    QPalette::Window,          // 4 menu
    QPalette::Base,            // 5 window
    QPalette::Shadow,          // 6 window frame
    QPalette::WindowText,      // 7 menu text
    QPalette::Text,            // 8 window text
    QPalette::HighlightedText, // 9 caption text
    QPalette::Window,          // 10 active border
    QPalette::Window,          // 11 inactive border
    QPalette::Dark,            // 12 application workspace
    QPalette::Highlight,       // 13 highlight
    QPalette::HighlightedText, // 14 highlight text
    QPalette::Button,          // 15 button face
    QPalette::Dark,            // 16 button shadow
    QPalette::PlaceholderText, // 17 grey text
    QPalette::ButtonText,      // 18 button text
    QPalette::WindowText,      // 19 inactive caption text
    QPalette::Light,           // 20 button highlight
    QPalette::Shadow,          // 21 3-D dark shadow
    QPalette::Midlight,        // 22 3-D light
    QPalette::ToolTipText,     // 23 info text
    QPalette::ToolTipBase,     // 24 info background
    -1,                        // 25 unused
    QPalette::Link,            // 26 hot light
    QPalette::Highlight,       // 27 gradient active caption
    QPalette::Mid,             // 28 gradient inactive caption
    QPalette::Highlight,       // 29 menu highlight
    QPalette::Window,          // 30 menu bar
};

} // namespace

QColor QtColor(TColor Color) {
    if (Color == clNone)
        return QColor(Qt::transparent);
    if (Color == clDefault)
        return QGuiApplication::palette().color(QPalette::Text);
    const uint32_t Value = static_cast<uint32_t>(Color);
    if ((Value & 0x80000000u) != 0) {
        const uint32_t Index = Value & 0xFF;
        if (Index < std::size(SystemRoles) && SystemRoles[Index] >= 0)
            return QGuiApplication::palette().color(
                static_cast<QPalette::ColorRole>(SystemRoles[Index]));
        return QColor(Qt::black);
    }
    return QColor(static_cast<int>(Value & 0xFF), static_cast<int>((Value >> 8) & 0xFF),
                  static_cast<int>((Value >> 16) & 0xFF));
}

} // namespace korvel
