#pragma once

#include "framework/TFont.h"

#include <QFont>

#include <string>

namespace korvel {

// The Qt font for a font description, in the style Style (bits outside
// fsAllStyles ignored) instead of the font's own: sized in pixels (a negative
// height is the character height, a positive one the cell height, 0 the
// default character height of 11), kerning off, and hinted vertically only,
// so that horizontal advances are the font's own and not bent by hinting.
// The character height is kept between 1 and 4096 pixels.
QFont QtFont(const TFont& Font, TFontStyles Style);

// The Qt font families a font name resolves to, in order of preference, and
// the style hint for the font matcher. This is the one place where the names
// of the Windows fonts that the program and the control ask for meet the
// platform's fonts:
// - "Courier New", "Arial" and "Times New Roman" fall back to the Liberation
//   faces with the same metrics;
// - "MS Sans Serif" (the framework's default font) falls back to "Microsoft
//   Sans Serif", then Liberation Sans, so that it is a real sans face and not
//   whatever the matcher's default is;
// - "MS Shell Dlg" and "MS Shell Dlg 2" are the platform's dialog font;
// - any other name is asked for as it is.
void ApplyFontFamily(QFont& Font, const std::string& Name);

} // namespace korvel
