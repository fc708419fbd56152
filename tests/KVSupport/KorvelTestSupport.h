#pragma once

#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TLineBreaker.h"
#include "KVSupport/TLineRecord.h"
#include "KVSupport/TParagraphsList.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessCanvas.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace korvel::test {

// Replaces the whole text of Control by Text (breaks as loaded: CR LF, LF CR,
// CR or LF), as a load from a stream does.
inline void LoadControlText(TCustomKorvel& Control, std::string_view Text) {
    TParagraphsList& List = Control.GetParagraphsList();
    TMemoryStream Stream{Text};
    TKorvelLineBreak Break = kbCRLF;
    List.ClearText();
    List.LoadText(Stream, 0, 300, nullptr, Break, false);
}

// A control with a headless canvas for measuring and the given text.
struct TTestKorvel {
    TCustomKorvel Control;
    THeadlessCanvas Canvas;

    explicit TTestKorvel(std::string_view Text = {}) {
        Control.SetCanvas(&Canvas);
        LoadControlText(Control, Text);
    }
};

// Formats every paragraph of Control into display lines in one pass, the
// way the formatter does: each paragraph's FirstLine follows the lines of
// the ones before, and the font is selected only for the first (for every
// paragraph with SelectFontEach, when start runs do not carry over).
inline void FormatAllParagraphs(TCustomKorvel& Control, TLineBreaker& Breaker,
                                bool SelectFontEach = false) {
    TParagraphsList& List = Control.GetParagraphsList();
    int32_t Line = 0;
    for (int32_t I = 0; I < List.GetCount(); ++I) {
        List.SetFirstLine(I, Line);
        int32_t FirstLine = 0;
        int32_t LastOld = 0;
        int32_t Delta = 0;
        Line += Breaker.BreakLines(Control.GetCanvas(), SelectFontEach || I == 0, FirstLine,
                                   LastOld, true, I, Control.GetView().TextWidth, Delta);
    }
}

} // namespace korvel::test

namespace korvel {

// Readable line records in test failures.
inline void PrintTo(const TLineRecord& L, std::ostream* Out) {
    *Out << "{Start " << L.Start << ", Stop " << L.Stop << ", Width " << L.Width << ", Full "
         << L.FullWidth << ", Gaps " << L.Gaps << ", JustifyFrom " << L.JustifyFrom << ", State "
         << int{L.StartCodeState} << ", Runs " << L.StartRunIndex << "}";
}

} // namespace korvel
