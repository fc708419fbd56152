// The selection band is placed by the navigators' measurement, the text by
// the painter's own walk of the line. Selecting one character at a time on
// random paragraphs (words, long words that are split, blanks, tabs, format
// codes, bold and coloured highlight runs) under every alignment, with and
// without justification, must put the band exactly under that character's
// output: both walks agree on every x.

#include "../KVSupport/RandomTestSupport.h"
#include "PainterTestSupport.h"

#include "KVSupport/ParagraphLookups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace korvel {
namespace {

using test::EnvOr;
using test::Escaped;
using test::LookRun;
using test::TPaintFixture;

std::string RandomParagraph(std::mt19937& Random, bool StaticFormat) {
    static const char Codes[] = {'\x01', '\x02', '\x03', '\x04', '\x15'};
    const size_t Length = 20 + Random() % 70;
    std::string Text;
    while (Text.size() < Length) {
        const uint32_t Kind = Random() % 20;
        if (Kind == 0)
            Text += '\t';
        else if (Kind == 1 && StaticFormat)
            Text += Codes[Random() % 5];
        else if (Kind == 2)
            Text += std::string(32 + Random() % 12, 'm'); // wider than a line
        else
            Text += std::string(1 + Random() % 8, static_cast<char>('a' + Random() % 26)) +
                    (Random() % 4 != 0 ? " " : "");
    }
    return Text;
}

// Bold and coloured runs at random offsets, marked as highlighted so that
// formatting keeps them.
void AddRandomRuns(TPaintFixture& F, int32_t Index, std::mt19937& Random) {
    TParagraph& Par = F.Par(Index);
    std::vector<int32_t> Offsets;
    for (uint32_t K = Random() % 5; K > 0; --K)
        Offsets.push_back(static_cast<int32_t>(Random() % std::max(Par.ParLength(), 1)));
    std::sort(Offsets.begin(), Offsets.end());
    Offsets.erase(std::unique(Offsets.begin(), Offsets.end()), Offsets.end());
    TDynInfoArray Runs;
    for (const int32_t Offset : Offsets)
        Runs.push_back(
            LookRun(Offset, Random() % 2 != 0 ? fsBold : 0, Random() % 2 != 0 ? clBlue : -1));
    Par.AttachExtra().Runs = Runs;
    Par.Flags |= pfScanned | pfKeywords;
}

TEST(PainterPlacementTest, SelectionBandLiesUnderEachSelectedCharacter) {
    const uint64_t Seed = EnvOr("QUOLT_PAINT_SEED", 20261215);
    const auto Rounds = static_cast<int>(EnvOr("QUOLT_PAINT_ROUNDS", 24));
    std::mt19937 Random(static_cast<uint32_t>(Seed));
    const TAlignment Alignments[] = {taLeftJustify, taRightJustify, taCenter};
    for (int Round = 0; Round < Rounds; ++Round) {
        TPaintFixture F;
        const bool StaticFormat = Random() % 2 != 0;
        F.Control.SetStaticFormat(StaticFormat);
        F.Control.SetAlignment(Alignments[Random() % 3]);
        F.Control.SetJustified(Random() % 2 != 0);
        F.Control.SetTabStops(Random() % 2 != 0 ? 4 : -20);
        F.Settings.ShowNonPrintChars = Random() % 2 != 0 ? 1 << kvNPSpace : 0;
        F.Settings.Options = OptionBit(kvoWindowsSelColors);
        std::string Text;
        for (int P = 0; P < 3; ++P)
            Text += (P > 0 ? "\r\n" : "") + RandomParagraph(Random, StaticFormat);
        F.Load(Text);
        for (int32_t P = 0; P < 3; ++P)
            AddRandomRuns(F, P, Random);
        F.FormatAll();
        SCOPED_TRACE(testing::Message()
                     << "round " << Round << " alignment " << int{F.Control.GetAlignment()}
                     << " justified " << F.Control.GetJustified() << " tabs "
                     << F.Control.GetTabStops() << " text \"" << Escaped(Text) << "\"");

        TParagraphsList& List = F.Control.GetParagraphsList();
        for (int32_t P = 0; P < List.GetCount(); ++P) {
            const TParagraph& Par = List[P];
            for (int32_t K = 0; K < Par.LineCountOf(); ++K) {
                const TLineRecord Line = LineRecordOf(Par, K);
                const int32_t Y = (List.GetFirstLine(P) + K) * TPaintFixture::LineH;
                for (int32_t J = Line.Start; J < Line.Stop; ++J) {
                    const auto Ch = static_cast<uint8_t>(Par.Text[J]);
                    const bool Hanging =
                        K + 1 < Par.LineCountOf() && std::all_of(Par.Text + J, Par.Text + Line.Stop,
                                                                 [](char C) { return C == ' '; });
                    if (Ch == '\t' || (StaticFormat && IsFormatCode(Ch)) || Hanging)
                        continue;
                    const int32_t At = List.GetStartOffset(P) + J;
                    F.Selection = {At, At + 1, false, 0, 0, true};
                    ASSERT_TRUE(F.Paint({0, Y, TPaintFixture::ClientW, Y + 1}));
                    const auto Bands = F.Bitmap.RecordsOf(coFillRect);
                    std::vector<TCanvasRecord> Selected;
                    for (const TCanvasRecord& R : F.Texts())
                        if (R.Color == clYellow && R.AtPen)
                            Selected.push_back(R);
                    auto Band =
                        std::find_if(Bands.begin(), Bands.end(),
                                     [](const TCanvasRecord& R) { return R.Color == clNavy; });
                    ASSERT_NE(Band, Bands.end()) << "paragraph " << P << " offset " << J;
                    if (Band->Rect.Left >= TPaintFixture::ClientW)
                        continue; // right of the window: not drawn
                    ASSERT_EQ(Selected.size(), 1u) << "paragraph " << P << " offset " << J;
                    EXPECT_EQ(Selected[0].Text, std::string(1, static_cast<char>(Ch)));
                    EXPECT_EQ(Selected[0].From.X, Band->Rect.Left)
                        << "paragraph " << P << " line " << K << " offset " << J;
                    EXPECT_EQ(Selected[0].To.X, Band->Rect.Right)
                        << "paragraph " << P << " line " << K << " offset " << J;
                }
            }
        }
    }
}

} // namespace
} // namespace korvel
