#pragma once

#include "KVSupport/KorvelTypes.h"
#include "framework/TColor.h"

#include <cstdint>

namespace korvel {

class TPen;
class TPicture;

// The control properties that painting reads, kept by the control in one
// place so that the painter needs nothing of the control itself. The control
// owns one and keeps it current as its properties change (or fills it
// before each paint). The pens and the picture stay owned by the control;
// a null pointer means there is none (nothing is drawn with it).
struct TPaintSettings {
    TColor Color = clWindow;            // background of the text area
    TColor HighlightColor = clRed;      // text under the highlight code
    TColor HighlightBackgnd = clWindow; // its background
    TColor SelBackColor = clHighlight;  // selection background (kvoWindowsSelColors)
    TColor SelTextColor = clHighlightText;
    bool HideSelection = true;              // no selection shown while the control is unfocused
    TkvNonPrintChars ShowNonPrintChars = 0; // kvNPSpace, kvNPTab, kvNPReturn bits
    bool ShowEndParSelected = true;         // mark a selected paragraph end without the pilcrow
    const TPen* EndOfTextMark = nullptr;    // line under the last display line; colour -1: none
    const TPen* RightLinePen = nullptr;     // the right margin line
    const TPen* SpecUnderline = nullptr;    // the zigzag of the special underline
    // > 0: the margin line stands that many blank widths right of the left
    // margin; < 0: that many pixels; 0: no margin line.
    int32_t RightLinePos = 0;
    const TPicture* BackgroundBmp = nullptr; // tiled under the text when at least 1 x 1
    // The control's options; painting reads kvoWindowsSelColors and kvoFullLineSelect.
    TKorvelOptions Options = DefaultKorvelOptions;

    bool HasOption(TKorvelOption Option) const { return (Options & OptionBit(Option)) != 0; }
    bool Shows(TkvNonPrintChar Char) const { return (ShowNonPrintChars & (1u << Char)) != 0; }
};

} // namespace korvel
