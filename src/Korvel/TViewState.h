#pragma once

#include "platform/Types.h"

#include <cstdint>

namespace korvel {

// The view state of a control that only the view and scrolling code keep:
// where the caret is drawn, how many lines fit, the user's scrolling and
// what was last reported to the selection and style events. The pixel
// metrics that layout and painting read as well live in TViewMetrics.
struct TViewState {
    // The caret's top-left corner in client coordinates.
    int32_t CaretX = 0;
    int32_t CaretY = 0;
    // Client height div line height, + 1.
    int32_t VisibleLines = 1;
    // A scroll-bar message, wheel turn or auto-scroll step is being handled.
    bool UserScrolling = false;
    // When the last user scroll ended (in the future while an animation
    // runs), so that rapid scrolling is not animated.
    uint32_t LastUserScrollTick = 0;
    // An animated scroll is running.
    bool Animating = false;
    // Wheel delta not yet turned into lines.
    int32_t WheelRemainder = 0;
    // The scroll-bar ranges are being set: size changes this causes are
    // not taken as a resize.
    bool InScrollBarUpdate = false;
    // What OnSelMove and OnStyleChange last reported.
    uint8_t StyleAtCaret = 0;
    int32_t ReportedCaretPos = 0;
    int32_t ReportedExtraColumns = 0;
    // The area of paint requests that came while painting was suppressed.
    TRect MissedPaint;
};

} // namespace korvel
