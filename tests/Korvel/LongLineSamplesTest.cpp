// A long unwrapped line keeps samples of its measured x so that an edit, the
// caret and painting far into it need not measure it from its start. Whatever
// they resume from must give what measuring from the start gives.

#include "KVSupport/FormatCodes.h"
#include "KVSupport/TKeywordList.h"
#include "KVSupport/TParagraph.h"
#include "KVSupport/TParagraphsList.h"
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korvel::test {
namespace {

struct TMeasured {
    int32_t Width = 0;
    std::vector<std::string> Lines; // start, stop and width of each display line
    std::vector<int32_t> Xs;
    std::vector<int32_t> Positions;
    std::vector<std::string> Painted; // text, x and style of what shows in the window
};

void ExpectSame(const TMeasured& Sampled, const TMeasured& FromStart) {
    EXPECT_EQ(Sampled.Width, FromStart.Width);
    EXPECT_EQ(Sampled.Lines, FromStart.Lines);
    EXPECT_EQ(Sampled.Xs, FromStart.Xs);
    EXPECT_EQ(Sampled.Positions, FromStart.Positions);
    EXPECT_EQ(Sampled.Painted, FromStart.Painted);
}

// Words (one of them a bold keyword), tabs and format codes, no break.
std::string Words(std::mt19937& Random, size_t Bytes) {
    static const char* const Pieces[] = {"blue", "cell", "i",    "wide", "a",  "price",
                                         "\t",   "\x02", "\x01", "blue", "www"};
    std::string Text;
    while (Text.size() < Bytes) {
        Text += Pieces[Random() % std::size(Pieces)];
        Text += ' ';
    }
    return Text;
}

class TLongLine {
public:
    // Samples every Step bytes.
    TLongLine(const std::string& Text, int32_t Step, bool WordWrap = false)
        : View(Text, {400, 120}, WordWrap) {
        TKorvel& Control = *View;
        Control.GetLayout().SampleStep = Step;
        THeadlessCanvas& Bitmap = View.Bitmap();
        Bitmap.SetOfferByteAdvances(true);
        Bitmap.SetCharWidth('i', 3);
        Bitmap.SetCharWidth('w', 9);
        Control.GetKeywords().AddKeyword("blue", clBlue, clNone, 0, 1, fsBold,
                                         koWholeWords | koMatchCase);
        Control.SetStaticFormat(true); // loads the text again under the new rule
        Control.RelayoutAll();
    }

    TKorvel& Control() { return *View; }
    ParExtraInfo& Extra() { return *Control().GetParagraphsList()[0].GetExtra(); }

    TMeasured Measure(const std::vector<int32_t>& Offsets, const std::vector<int32_t>& Xs,
                      int32_t Left) {
        TKorvel& C = Control();
        TMeasured M;
        TParagraph& Par = C.GetParagraphsList()[0];
        M.Width = Par.GetLine0().Width;
        for (int32_t L = 0; L < Par.LineCountOf(); ++L) {
            const TLineRecord Line = L == 0 ? Par.GetLine0() : Par.GetExtra()->MoreLines[L - 1];
            M.Lines.push_back(std::to_string(Line.Start) + "-" + std::to_string(Line.Stop) + ":" +
                              std::to_string(Line.Width));
        }
        C.ScrollTo(0, Left, 0);
        TKorvelNavigator& Nav = C.GetScratchNav(2);
        for (const int32_t Offset : Offsets) {
            Nav.SetPos(Offset);
            M.Xs.push_back(Nav.OffsetToX());
        }
        for (const int32_t X : Xs) {
            Nav.SetFromPoint({X, 5});
            M.Positions.push_back(Nav.GetPos());
        }
        View.Bitmap().ClearRecords();
        C.Invalidate();
        View.Host.Update();
        for (const TCanvasRecord& R : View.Bitmap().RecordsOf(coTextOut))
            if (R.To.X > 0 && R.From.X < C.GetView().TextWidth)
                M.Painted.push_back(R.Text + "@" + std::to_string(R.From.X) + "/" +
                                    std::to_string(R.FontStyle));
        return M;
    }

    // The same measured from the line's start: no samples, and a layout
    // from scratch. The samples are taken again afterwards.
    TMeasured MeasureFromStart(const std::vector<int32_t>& Offsets, const std::vector<int32_t>& Xs,
                               int32_t Left) {
        Extra().Samples.reset();
        Control().RelayoutAll();
        Extra().Samples.reset();
        const TMeasured M = Measure(Offsets, Xs, Left);
        Control().RelayoutAll();
        return M;
    }

private:
    TView View;
};

// Random edits, mostly near the end, each followed by the layout an edit
// gets; then the line's width, the x of positions, the positions of x and
// what is painted with the line scrolled are compared with the same measured
// from the line's start.
void EditAndCompare(int32_t Step, size_t Bytes, int Rounds, bool WordWrap = false) {
    std::mt19937 Random(20261210 + Step);
    TLongLine Line(Words(Random, Bytes), Step, WordWrap);
    TKorvel& Control = Line.Control();
    if (!WordWrap) {
        ASSERT_NE(Line.Extra().Samples, nullptr);
        ASSERT_GE(Line.Extra().Samples->Count(), 3);
    }

    const char* const Inserts[] = {"x", " ", "blue ", "\t", "\x02", "\x01", "ww i", "bl"};
    for (int Round = 0; Round < Rounds; ++Round) {
        SCOPED_TRACE("round " + std::to_string(Round));
        // Each edit drops the samples from its offset on, and the next
        // layout resumes before it.
        for (int E = 1 + static_cast<int>(Random() % 3); E > 0; --E) {
            const int32_t Length = Control.GetTextLength();
            const int32_t From = Random() % 2 == 0 ? Length - static_cast<int32_t>(Random() % 500)
                                                   : static_cast<int32_t>(Random() % Length);
            if (Random() % 3 == 0)
                Edit(Control, std::max(From, 0),
                     std::min(Length, From + 1 + static_cast<int32_t>(Random() % 6)), nullptr);
            else
                Edit(Control, std::max(From, 0), std::max(From, 0),
                     Inserts[Random() % std::size(Inserts)]);
        }
        ASSERT_EQ(Control.GetParagraphCount(), 1);
        const int32_t Length = Control.GetTextLength();
        const int32_t Width = Control.GetParagraphsList()[0].GetLine0().Width;
        std::vector<int32_t> Offsets{Length, Length - 1};
        for (int K = 0; K < 6; ++K)
            Offsets.push_back(static_cast<int32_t>(Random() % (Length + 1)));
        const int32_t Left =
            Random() % 4 == 0 ? 0 : static_cast<int32_t>(Random() % std::max(Width, 1));
        std::vector<int32_t> Xs{0, 1, 200, 399};
        for (int K = 0; K < 4; ++K)
            Xs.push_back(static_cast<int32_t>(Random() % 400));

        const TMeasured Sampled = Line.Measure(Offsets, Xs, Left);
        ExpectSame(Sampled, Line.MeasureFromStart(Offsets, Xs, Left));
        ASSERT_FALSE(Sampled.Painted.empty());
    }
}

TEST(LongLineSamplesTest, EditsCaretAndPaintingFarIntoTheLineMatchMeasuringFromItsStart) {
    EditAndCompare(64 * 1024, 4 * 64 * 1024, 12);
    // Samples every few words: resuming right before edits, codes and runs.
    EditAndCompare(24, 6000, 300);
    // Wrapped lines are short: samples of one must never serve another.
    EditAndCompare(24, 6000, 100, true);
}

// Until a change of font or tab stops is laid out (formatting on need), the
// samples taken under the old ones are still there: the caret's x and a
// click must not resume from them.
TEST(LongLineSamplesTest, SamplesOfAnotherFontOrTabStepAreNotUsed) {
    std::mt19937 Random(7);
    TLongLine Line(Words(Random, 3 * 64 * 1024), 64 * 1024);
    TKorvel& Control = Line.Control();
    Control.SetUpdateMode(umOnNeed);
    const int32_t End = Control.GetTextLength();
    TKorvelNavigator& Nav = Control.GetScratchNav(2);
    const auto Measured = [&] {
        std::vector<int32_t> Found;
        for (const int32_t Offset : {End, End / 2}) {
            Nav.SetPos(Offset);
            Found.push_back(Nav.OffsetToX());
        }
        Nav.SetFromPoint({150, 5});
        Found.push_back(Nav.GetPos());
        return Found;
    };
    const auto Check = [&](const char* What) {
        SCOPED_TRACE(What);
        ASSERT_NE(Line.Extra().Samples, nullptr);
        const std::vector<int32_t> Sampled = Measured();
        Line.Extra().Samples.reset();
        EXPECT_EQ(Sampled, Measured());
        Control.RelayoutAll(); // samples again
    };
    Control.ScrollTo(0, Control.GetParagraphsList()[0].GetLine0().Width - 300, 0);
    Control.SetTabStops(3);
    Check("tab stops");
    Control.GetFont().SetStyle(fsBold);
    Check("font");
}

} // namespace
} // namespace korvel::test
