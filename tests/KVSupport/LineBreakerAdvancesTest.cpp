#include "KVSupport/FormatCodes.h"
#include "KVSupport/HighlightRun.h"
#include "KVSupport/TLayoutSettings.h"
#include "KVSupport/TLineBreaker.h"
#include "KVSupport/TLinesList.h"
#include "KVSupport/TParagraph.h"
#include "KorvelTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace korvel {
namespace {

using test::TTestKorvel;

// A headless canvas that also counts font selections.
class TCountingCanvas : public THeadlessCanvas {
public:
    void SelectFont(const TFont& Font, TFontStyles Style) override {
        ++Selections;
        THeadlessCanvas::SelectFont(Font, Style);
    }
    int64_t Selections = 0;
};

std::vector<TLineRecord> LinesOf(TParagraph& Par) {
    TLinesList Lines(&Par);
    std::vector<TLineRecord> Result;
    for (int32_t I = 0; I < Lines.Count(); ++I)
        Result.push_back(Lines.Get(I));
    return Result;
}

struct TOutcome {
    int32_t Count;
    int32_t FirstLine;
    int32_t LastOld;
    int32_t Delta;
    bool operator==(const TOutcome&) const = default;
};

// Two controls alike in everything but their canvas: one sums advances from
// the table its canvas offers, the other measures every word on its canvas.
struct TPair {
    TTestKorvel Summing;
    TTestKorvel Measuring;
    TLineBreaker SummingBreaker{Summing.Control.GetParagraphsList(), Summing.Control.GetLayout()};
    TLineBreaker MeasuringBreaker{Measuring.Control.GetParagraphsList(),
                                  Measuring.Control.GetLayout()};

    TPair() { Summing.Canvas.SetOfferByteAdvances(true); }

    template <typename F>
    void Both(F Apply) {
        Apply(Summing);
        Apply(Measuring);
    }

    std::pair<TOutcome, TOutcome> Break(int32_t Par, int32_t FirstLine, bool Full,
                                        bool SelectFontFirst) {
        auto Run = [&](TTestKorvel& K, TLineBreaker& Breaker) {
            TOutcome R{0, FirstLine, 0, 0};
            R.Count = Breaker.BreakLines(&K.Canvas, SelectFontFirst, R.FirstLine, R.LastOld, Full,
                                         Par, K.Control.GetView().TextWidth, R.Delta);
            return R;
        };
        return {Run(Summing, SummingBreaker), Run(Measuring, MeasuringBreaker)};
    }
};

// Summing advances must break exactly as measuring does: random paragraphs
// of words, blanks, tabs, codes, control and high bytes, with highlight
// runs, in proportional fonts, every alignment, wrap kind and tab setting,
// small measuring chunks, formatted in a pass and then re-formatted from a
// random line at another width (pulling words up, stopping where old lines
// meet). Lines, counts, widest line and blank metrics must agree.
TEST(LineBreakerAdvancesTest, SummingAdvancesBreaksExactlyAsMeasuring) {
    std::mt19937 Random(20261209);
    auto Pick = [&Random](int Limit) { return static_cast<int>(Random() % Limit); };
    const TAlignment Alignments[] = {taLeftJustify, taRightJustify, taCenter};
    int64_t TableRounds = 0;
    for (int Round = 0; Round < 320; ++Round) {
        TPair P;
        const bool StaticFormat = Pick(3) != 0;
        const int32_t TabStops = Pick(3) == 0 ? -(1 + Pick(60)) : Pick(6);
        const int32_t ColumnWrap = Pick(5) == 0   ? -(1 + Pick(150))
                                   : Pick(5) == 0 ? 1 + Pick(20)
                                                  : 0;
        const bool WordWrap = Pick(6) != 0;
        const TAlignment Alignment = Alignments[Pick(3)];
        const bool Justified = Pick(2) == 0;
        const int32_t Chunk = Pick(2) == 0 ? 1 + Pick(8) : 4096;
        const int32_t TextWidth = 16 + Pick(300);
        const int32_t Overhang = Pick(10) == 0 ? 1 + Pick(2) : 0;
        std::vector<std::pair<uint8_t, int32_t>> Widths;
        for (int I = 0, N = Pick(40); I < N; ++I)
            Widths.emplace_back(static_cast<uint8_t>(Pick(256)), Pick(14));
        P.Both([&](TTestKorvel& K) {
            TCustomKorvel& C = K.Control;
            C.SetStaticFormat(StaticFormat);
            C.SetTabStops(TabStops);
            C.SetColumnWrap(ColumnWrap);
            C.SetWordWrap(WordWrap);
            C.SetAlignment(Alignment);
            C.SetJustified(Justified);
            C.GetAltFont().SetHeight(-17);
            C.GetView().SpaceWidth = 5;
            C.GetView().TextOutChunk = Chunk;
            C.GetView().TextWidth = TextWidth;
            for (const auto& [Ch, Width] : Widths)
                K.Canvas.SetCharWidth(Ch, Width);
            K.Canvas.SetOverhang(Overhang);
        });

        std::string Text;
        const char Pieces[] = {' ',    ' ',    '\t',   '\x02', '\x01', '\x03',
                               '\x15', '\x04', '\x05', '\x7f', '\xe9', '\x19'};
        for (int Par = 0, Pars = 1 + Pick(10); Par < Pars; ++Par) {
            if (Par > 0)
                Text += "\r\n";
            for (int I = 0, N = Pick(160); I < N; ++I)
                Text += Pick(4) == 0 ? Pieces[Pick(12)] : static_cast<char>('a' + Pick(26));
        }
        P.Both([&](TTestKorvel& K) { test::LoadControlText(K.Control, Text); });
        const int32_t Count = P.Summing.Control.GetParagraphsList().GetCount();
        for (int32_t Par = 0; Par < Count; ++Par) {
            const int32_t Length = P.Summing.Control.GetParagraphsList()[Par].ParLength();
            if (Length < 4 || Pick(2) == 0)
                continue;
            const int32_t Runs = 1 + Pick(4);
            // Ascending offsets, at most one run per offset.
            std::vector<std::pair<int32_t, uint8_t>> PlannedRuns;
            for (int32_t R = 0, Offset = 0; R < Runs; ++R) {
                Offset = std::max(Offset + (R > 0 ? 1 : 0), R * Length / Runs + Pick(2));
                PlannedRuns.emplace_back(
                    Offset, static_cast<uint8_t>((Pick(3) == 0 ? 0 : hfAutomatic) | Pick(64)));
            }
            P.Both([&](TTestKorvel& K) {
                TParagraph& Target = K.Control.GetParagraphsList()[Par];
                Target.SetRunCount(Runs);
                for (int32_t R = 0; R < Runs; ++R) {
                    HighlightRun& Run = Target.GetExtra()->Runs[static_cast<size_t>(R)];
                    Run.Offset = PlannedRuns[static_cast<size_t>(R)].first;
                    Run.Flags = PlannedRuns[static_cast<size_t>(R)].second;
                }
            });
        }

        const bool SelectEach = Pick(2) == 0;
        for (int32_t Par = 0; Par < Count; ++Par) {
            const auto [Summed, Measured] = P.Break(Par, 0, true, SelectEach || Par == 0);
            ASSERT_EQ(Summed, Measured) << "round " << Round << " par " << Par;
        }
        const int64_t Fetches = P.Summing.Canvas.GetByteAdvancesCalls();
        TableRounds += Overhang == 0 && Fetches > 0 ? 1 : 0;
        // Re-format from a random line at another width, in full or not.
        P.Both([&](TTestKorvel& K) { K.Control.GetView().TextWidth = 16 + (TextWidth * 7) % 300; });
        for (int32_t Par = 0; Par < Count; ++Par) {
            const int32_t From =
                Pick(TLinesList(&P.Summing.Control.GetParagraphsList()[Par]).Count());
            const auto [Summed, Measured] = P.Break(Par, From, Pick(2) == 0, true);
            ASSERT_EQ(Summed, Measured) << "round " << Round << " par " << Par << " from " << From;
        }

        TParagraphsList& A = P.Summing.Control.GetParagraphsList();
        TParagraphsList& B = P.Measuring.Control.GetParagraphsList();
        ASSERT_EQ(A.GetLineCount(), B.GetLineCount()) << "round " << Round;
        for (int32_t Par = 0; Par < Count; ++Par)
            ASSERT_EQ(LinesOf(A[Par]), LinesOf(B[Par])) << "round " << Round << " par " << Par;
        const TViewMetrics& VA = P.Summing.Control.GetView();
        const TViewMetrics& VB = P.Measuring.Control.GetView();
        EXPECT_EQ(VA.MaxLineWidth, VB.MaxLineWidth) << "round " << Round;
        EXPECT_EQ(VA.WidestPara, VB.WidestPara) << "round " << Round;
        EXPECT_EQ(VA.BlankWidth, VB.BlankWidth) << "round " << Round;
        EXPECT_EQ(VA.Overhang, VB.Overhang) << "round " << Round;
        // Only the measuring side asks for extents, unless the table was
        // refused because of the overhang.
        if (Overhang == 0) {
            EXPECT_EQ(P.Summing.Canvas.GetTextExtentCalls(), 0) << "round " << Round;
        }
    }
    EXPECT_GT(TableRounds, 250);
}

// A table canvas is asked for its table once per font selection and never
// for an extent; a paragraph of a later pass that keeps the font needs
// nothing at all.
TEST(LineBreakerAdvancesTest, ATableCanvasIsAskedOnlyOncePerFontSelected) {
    TCustomKorvel Control;
    TCountingCanvas Canvas;
    Canvas.SetOfferByteAdvances(true);
    Control.SetCanvas(&Canvas);
    Control.SetStaticFormat(true);
    Control.GetView().SpaceWidth = 6;
    Control.GetView().TextWidth = 10 * 6 + 16;
    test::LoadControlText(Control, "plain words here and more words\r\nab\x02"
                                   "cd ef\x02gh\r\nlast plain paragraph");
    TLineBreaker Breaker(Control.GetParagraphsList(), Control.GetLayout());
    test::FormatAllParagraphs(Control, Breaker);
    // The first paragraph's font, bold on and bold off again.
    EXPECT_EQ(Canvas.Selections, 3);
    EXPECT_EQ(Canvas.GetByteAdvancesCalls(), 3);
    EXPECT_EQ(Canvas.GetTextExtentCalls(), 0);
    // 4 + 1 + 2 lines; bold counts one more per byte: "ab" plain, "cd ef"
    // bold, "gh" plain.
    EXPECT_EQ(Control.GetLineCount(), 7);
    EXPECT_EQ(LinesOf(Control.GetParagraphsList()[1]).front().Width, 2 * 6 + 5 * 7 + 2 * 6);

    // Refused (an overhang): the breaker measures instead.
    Canvas.SetOverhang(1);
    test::FormatAllParagraphs(Control, Breaker);
    EXPECT_EQ(Canvas.GetByteAdvancesCalls(), 6);
    EXPECT_GT(Canvas.GetTextExtentCalls(), 0);
}

// A table belongs to the canvas it came from: a paragraph measured on
// another canvas without selecting a font does not reuse it.
TEST(LineBreakerAdvancesTest, ATableIsNotUsedForAnotherCanvas) {
    TTestKorvel K("aaaa\r\naaaa");
    K.Canvas.SetOfferByteAdvances(true);
    K.Control.GetView().TextWidth = 1000;
    THeadlessCanvas Wide;
    Wide.SetCharWidth('a', 20);
    TLineBreaker Breaker(K.Control.GetParagraphsList(), K.Control.GetLayout());
    int32_t First = 0;
    int32_t Last = 0;
    int32_t Delta = 0;
    Breaker.BreakLines(&K.Canvas, true, First, Last, true, 0, 1000, Delta);
    Breaker.BreakLines(&Wide, false, First = 0, Last, true, 1, 1000, Delta);
    EXPECT_EQ(LinesOf(K.Control.GetParagraphsList()[0]).front().Width, 4 * 6);
    EXPECT_EQ(LinesOf(K.Control.GetParagraphsList()[1]).front().Width, 4 * 20);
}

// Many chunks of a very wide font pass the 32-bit range: the sum stops at
// its limit instead of wrapping around to a negative width.
TEST(LayoutSettingsTest, MeasureTextLimitsAWidthBeyondTheIntegerRange) {
    THeadlessCanvas Canvas;
    Canvas.SetCharWidth('w', 1 << 20);
    TLayoutSettings Layout;
    Layout.View.TextOutChunk = 1000;
    const std::string Text(3000, 'w');
    EXPECT_EQ(Layout.MeasureText(Canvas, Text.data(), 1000), 1000 << 20);
    EXPECT_EQ(Layout.MeasureText(Canvas, Text.data(), 3000), std::numeric_limits<int32_t>::max());
}

} // namespace
} // namespace korvel
