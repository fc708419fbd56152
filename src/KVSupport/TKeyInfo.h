#pragma once

#include "KVSupport/KeyOptions.h"
#include "framework/TColor.h"

#include <cstdint>

namespace korvel {

class TValueReader;
class TValueWriter;

// What a keyword or a start/stop range applies to the text it matches. Both
// kinds of record begin with these fields, and the scanner reads them as one
// block.
struct TKeyInfo {
    uint8_t Options = 0; // koMatchCase, koWholeWords
    uint8_t Style = 0;   // style bits of matched text
    int32_t Context = 0; // context number reported on a click, 0 for none
    int16_t Cursor = 0;  // mouse cursor over matched text
    TColor BackColor = clNone;
    TColor TextColor = clNone;

    bool operator==(const TKeyInfo&) const = default;
};

// The six fields as stored in a list item: Options with the layout marker,
// then Style, Context, Cursor, BackColor and TextColor as integers.
void WriteKeyInfo(TValueWriter& Writer, const TKeyInfo& Info);
// Reads them back; Options keeps its low seven bits, Style its low byte and
// Cursor its low 16 bits. Returns the options integer as stored, whose
// koLayoutMarker bit tells the item's layout.
int32_t ReadKeyInfo(TValueReader& Reader, TKeyInfo& Info);

} // namespace korvel
