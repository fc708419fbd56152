#pragma once

#include <QString>

class QTextStream;

namespace quolt {

// One round of the program as a user makes it, for a demonstration and for
// tests on a display: the main window is shown, the HTML of File goes onto
// the clipboard and into the pane with the Paste button, both clean buttons
// are pressed with the default tag lists, and a picture of the window is
// saved as the PNG file Screenshot.
//
// Writes the PNG's path and then the pane's text to Out, and what went wrong
// to Err. Returns the process exit code: 0 when every step did what it should
// (the pane held the pasted text, then the cleaned lines), 1 otherwise.
int RunDemo(const QString& File, const QString& Screenshot, QTextStream& Out, QTextStream& Err);

} // namespace quolt
