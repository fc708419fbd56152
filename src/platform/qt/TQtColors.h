#pragma once

#include "framework/TColor.h"

#include <QColor>

namespace korvel {

// The Qt colour of a framework colour: an explicit colour (0x00BBGGRR) as it
// is, a system colour (high bit set, index in the low byte) from the
// application palette's matching role, clNone as transparent and clDefault
// as the palette's text colour. Unknown system colour indexes give black.
QColor QtColor(TColor Color);

} // namespace korvel
