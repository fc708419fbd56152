#pragma once

#include "KVSupport/FormatCodes.h"
#include "KVSupport/HighlightRun.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TLineBreaker.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvelPainter.h"
#include "Korvel/TPaintRequest.h"
#include "Korvel/TPaintSettings.h"
#include "framework/TMemoryStream.h"
#include "framework/TPen.h"
#include "platform/headless/THeadlessCanvas.h"
#include "platform/headless/THeadlessOffscreenCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel::test {

// What the control's range formatting does for painting (FormatParagraphs
// without progress and without forcing): paragraphs before the formatting
// frontier count as formatted; each unformatted one in the range is
// highlighted and broken into lines; the first lines after the range move by
// the change in line count. It records the ranges it was asked for.
class TTestFormatter {
public:
    explicit TTestFormatter(TCustomKorvel& Control)
        : Control(Control), Breaker(Control.GetParagraphsList(), Control.GetLayout()) {}

    void operator()(int32_t First, int32_t Last) {
        Calls.emplace_back(First, Last);
        TParagraphsList& List = Control.GetParagraphsList();
        Last = std::min(Last, List.GetCount() - 1);
        First = std::max(First, List.GetFormatCounters().GetFormatFrontier());
        if (Last < First)
            return;
        Control.ScanStartStopUpTo(Last);
        int32_t Line = List.GetFirstLine(First);
        int32_t Delta = 0;
        for (int32_t I = First; I <= Last; ++I) {
            List.SetFirstLine(I, Line);
            if ((List[I].Flags & pfFormatted) == 0) {
                Control.HighlightParagraph(I);
                List[I].Flags |= pfFormatted;
                int32_t FirstLine = 0;
                int32_t LastOld = 0;
                int32_t LineDelta = 0;
                Breaker.BreakLines(Control.GetCanvas(), true, FirstLine, LastOld, true, I,
                                   Control.GetView().TextWidth, LineDelta);
                Delta += LineDelta;
            }
            Line += List[I].LineCountOf();
        }
        if (Delta != 0)
            List.ShiftFirstLines(Last + 1, Delta);
    }

    std::vector<std::pair<int32_t, int32_t>> Calls;

private:
    TCustomKorvel& Control;
    TLineBreaker Breaker;
};

// A control core with text, its paint settings, a painter, a line bitmap and
// a window, both with a raster. The font ("Courier New" -11) is 6 pixels a
// byte (7 bold) on a 13-pixel line with the baseline at 9, as the view
// measures it; the window is 200 x 130 pixels (ten lines).
struct TPaintFixture {
    static constexpr int32_t W = 6;
    static constexpr int32_t LineH = 13;
    static constexpr int32_t Baseline = 9;
    static constexpr int32_t ClientW = 200;
    static constexpr int32_t ClientH = 130;

    TCustomKorvel Control;
    TPaintSettings Settings;
    TKorvelPainter Painter{Control, Settings};
    THeadlessOffscreenCanvas Bitmap{ClientW, LineH};
    THeadlessOffscreenCanvas Window{ClientW, ClientH};
    TTestFormatter Formatter{Control};
    TPen EndMark{clRed, 1, psSolid};
    TPen RightLine{clGray, 1, psDot};
    TPen Zigzag{clRed, 1, psSolid};
    TPaintSelection Selection;
    bool Suppressed = false;
    const TViewMetrics* View = nullptr;

    TPaintFixture() {
        TFont& Font = Control.GetFont();
        Font.SetName("Courier New");
        Font.SetHeight(-11);
        Font.SetColor(clBlack);
        Control.GetAltFont() = Font;
        TViewMetrics& View = Control.GetView();
        View.LineHeightPx = LineH;
        View.BaselineY = Baseline;
        View.UnderlineY = 10;
        View.ZigzagHeight = 2;
        View.SpaceWidth = W;
        View.TextOutChunk = 16384 / W;
        View.TextWidth = ClientW;
        View.ClientHeight = ClientH;
        Control.SetCanvas(&Bitmap);
        Bitmap.EnableRaster();
        Window.EnableRaster();
        Settings.Color = clWhite;
        Settings.SelBackColor = clNavy;
        Settings.SelTextColor = clYellow;
        Settings.EndOfTextMark = &EndMark;
        Settings.RightLinePen = &RightLine;
        Settings.SpecUnderline = &Zigzag;
        Settings.ShowEndParSelected = false;
    }

    // Loads Text (breaks CR LF) unformatted, as after a load.
    void Load(std::string_view Text) {
        TParagraphsList& List = Control.GetParagraphsList();
        TMemoryStream Stream{Text};
        TKorvelLineBreak Break = kbCRLF;
        List.ClearText();
        List.LoadText(Stream, 0, 300, nullptr, Break, false);
    }

    void FormatAll() { Formatter(0, Control.GetParagraphCount() - 1); }

    // Paints Update (the whole window by default) and returns whether it
    // painted; the records of both canvases start afresh.
    bool Paint(TRect Update = {0, 0, ClientW, ClientH}) {
        Bitmap.ClearRecords();
        Window.ClearRecords();
        TPaintRequest Request;
        Request.Window = &Window;
        Request.Update = Update;
        Request.LineBitmap = &Bitmap;
        Request.Selection = Selection;
        Request.Suppressed = Suppressed;
        Request.View = View;
        Request.FormatParagraphs = [this](int32_t First, int32_t Last) { Formatter(First, Last); };
        Request.ScanStartStopUpTo = [this](int32_t Last) { Control.ScanStartStopUpTo(Last); };
        return Painter.Paint(Request);
    }

    // The records of one kind on the line bitmap.
    std::vector<TCanvasRecord> Texts() const { return Bitmap.RecordsOf(coTextOut); }
    std::vector<TCanvasRecord> Fills() const { return Bitmap.RecordsOf(coFillRect); }
    // The text drawn, all outputs joined.
    std::string DrawnText() const {
        std::string All;
        for (const TCanvasRecord& R : Texts())
            All += R.Text;
        return All;
    }
    // The first text output that starts with Prefix (a default record when
    // there is none, so that comparisons fail readably).
    TCanvasRecord TextStarting(std::string_view Prefix) const {
        for (const TCanvasRecord& R : Texts())
            if (std::string_view(R.Text).substr(0, Prefix.size()) == Prefix)
                return R;
        ADD_FAILURE() << "no text output starts with \"" << Prefix << "\"";
        return {};
    }

    TParagraph& Par(int32_t Index) { return Control.GetParagraphsList()[Index]; }
};

// A highlight run with automatic formatting in Style (bits 0..5) and
// colours, as a highlighter component makes them (no stack), so that the
// highlighting passes keep it.
inline HighlightRun LookRun(int32_t Offset, uint8_t Style, TColor Text = -1, TColor Back = -1) {
    HighlightRun Run{};
    Run.Offset = Offset;
    Run.Flags = static_cast<uint8_t>(hfAutomatic | Style);
    Run.Depth = -1;
    Run.TextColor = Text;
    Run.BackColor = Back;
    return Run;
}

} // namespace korvel::test
