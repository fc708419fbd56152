#pragma once

#include "KVSupport/HighlightState.h"
#include "KVSupport/ParagraphRuns.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KorvelTestSupport.h"
#include "framework/TColor.h"

#include <cstdint>
#include <string>
#include <string_view>

// Building highlighting rules and reading the resulting states in tests.
namespace korvel::test {

// A start/stop pair with a context number (so keywords are masked inside
// unless Context is 0); its style is 1 + its index.
inline int32_t AddRange(TCustomKorvel& Control, std::string_view Start, std::string_view Stop,
                        int32_t Context = 1, uint8_t Options = 0, bool StopAtParEnd = false) {
    TStartStopKeyList& Keys = Control.GetStartStopKeys();
    const auto Style = static_cast<uint8_t>(1 + Keys.GetCount());
    return Keys.AddKey(Start, Stop, StopAtParEnd, clRed, clNone, 0, Context, Style, Options);
}

// A keyword with a context number (0 would never match); its style is
// 0x10 | its index.
inline int32_t AddKeyword(TCustomKorvel& Control, const std::string& Key, uint8_t Options = 0,
                          int32_t Context = 7) {
    TKeywordList& Keywords = Control.GetKeywords();
    const auto Style = static_cast<uint8_t>(0x10 | (Keywords.GetCount() & 0x0F));
    return Keywords.AddKeyword(Key, clBlue, clNone, 3, Context, Style, Options);
}

// The default state with other Flags.
inline HighlightRun StyleState(uint8_t Flags) {
    HighlightRun State = DefaultRun();
    State.Flags = Flags;
    return State;
}

// What formatting does before a paragraph is laid out, for every paragraph.
inline void HighlightAll(TCustomKorvel& Control) {
    const int32_t Count = Control.GetParagraphCount();
    Control.ScanStartStopUpTo(Count - 1);
    for (int32_t I = 0; I < Count; ++I)
        Control.HighlightParagraph(I);
}

// One character per offset of paragraph Par (and one for its break with
// WithBreak): '.' where nothing is open, the letter 'A' + index of the
// innermost open range, or the digit '0' + index of the innermost keyword
// ('#' for anything else).
inline std::string Tops(const TCustomKorvel& Control, int32_t Par, bool WithBreak = false) {
    const TParagraph& P = Control.GetParagraphsList()[Par];
    std::string Out;
    for (int32_t Offset = 0; Offset < P.ParLength() + (WithBreak ? 1 : 0); ++Offset) {
        const HighlightRun& State = StateAt(P, Offset);
        if (StateDepth(State) < 0) {
            Out += '.';
            continue;
        }
        const int16_t Top = TopEntry(State);
        if (Top >= 0 && Top < 10)
            Out += static_cast<char>('0' + Top);
        else if (Top < 0 && StartStopIndex(Top) < 26)
            Out += static_cast<char>('A' + StartStopIndex(Top));
        else
            Out += '#';
    }
    return Out;
}

// Tops of every paragraph, joined by '|'.
inline std::string AllTops(const TCustomKorvel& Control) {
    std::string Out;
    for (int32_t I = 0; I < Control.GetParagraphCount(); ++I) {
        if (I > 0)
            Out += '|';
        Out += Tops(Control, I);
    }
    return Out;
}

// Replaces Pos1 .. Pos2 by Text through the control's replacement entry.
inline void Replace(TCustomKorvel& Control, int32_t Pos1, int32_t Pos2, const char* Text) {
    TKorvelNavigator Start(&Control);
    TKorvelNavigator End(&Control);
    Start.SetPos(Pos1);
    End.SetPos(Pos2);
    Control.ReplaceRangeAndRehighlight(Start, End, Text, true);
}

// A control whose update bracket a test can hold.
class TLockableKorvel : public TCustomKorvel {
public:
    void SetUpdateLock(int32_t Value) { UpdateLock = Value; }
};

} // namespace korvel::test
