#include "PainterTestSupport.h"

#include "KVSupport/KeyOptions.h"
#include "framework/TPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace korvel {
namespace {

using test::LookRun;
using test::TPaintFixture;

constexpr int32_t W = TPaintFixture::W;
constexpr int32_t LineH = TPaintFixture::LineH;

std::vector<TRect> RectsOf(const std::vector<TCanvasRecord>& Records, TColor Color = clNone) {
    std::vector<TRect> Rects;
    for (const TCanvasRecord& R : Records)
        if (Color == clNone || R.Color == Color)
            Rects.push_back(R.Rect);
    return Rects;
}

// Gives paragraph Index highlight runs of its own, marked as highlighted so
// that the passes leave them.
void SetRuns(TPaintFixture& F, int32_t Index, std::vector<HighlightRun> Runs) {
    TParagraph& Par = F.Par(Index);
    Par.AttachExtra().Runs = std::move(Runs);
    Par.Flags |= pfScanned | pfKeywords;
}

// --- Selection ---

TEST(PainterTest, SelectionBandsStreamAndColours) {
    // "hello world" / "second line", selected from "world" to "second".
    struct TCase {
        bool WindowsColors;
        bool Focused;
        bool HideSelection;
        bool Shown;
    };
    const TCase Cases[] = {
        {true, true, true, true},    {false, true, true, true},  {true, false, true, false},
        {false, false, true, false}, {true, false, false, true}, {false, false, false, true},
    };
    const std::vector<TRect> Bands = {{44, 0, 74, LineH}, {8, 0, 44, LineH}};
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "colours " << C.WindowsColors << " focused " << C.Focused
                                        << " hide " << C.HideSelection);
        TPaintFixture F;
        F.Load("hello world\r\nsecond line");
        F.Settings.Options = C.WindowsColors ? OptionBit(kvoWindowsSelColors) : 0;
        F.Settings.HideSelection = C.HideSelection;
        F.Selection = {6, 19, false, 0, 0, C.Focused};
        ASSERT_TRUE(F.Paint());

        const auto Inverted = RectsOf(F.Bitmap.RecordsOf(coInvertRect));
        const auto Filled = RectsOf(F.Fills(), clNavy);
        EXPECT_EQ(Inverted, C.Shown && !C.WindowsColors ? Bands : std::vector<TRect>{});
        EXPECT_EQ(Filled, C.Shown && C.WindowsColors ? Bands : std::vector<TRect>{});
        if (C.Shown && C.WindowsColors) {
            // Runs split at the selection ends; the selected text is drawn
            // in the selection colour on the band.
            EXPECT_EQ(F.TextStarting("hello").Text, "hello ");
            EXPECT_EQ(F.TextStarting("hello").Color, clBlack);
            EXPECT_EQ(F.TextStarting("world").Color, clYellow);
            EXPECT_EQ(F.TextStarting("world").BkMode, bkTransparent);
            EXPECT_EQ(F.TextStarting("second").Text, "second");
            EXPECT_EQ(F.TextStarting("second").Color, clYellow);
            EXPECT_EQ(F.TextStarting(" line").Color, clBlack);
        } else {
            EXPECT_EQ(F.TextStarting("hello").Text, "hello world");
            EXPECT_EQ(F.TextStarting("hello").Color, clBlack);
        }
        // Pixels of the window: under the band below the text, and in the
        // box of the selected 'w'.
        const TColor Band = !C.Shown ? clWhite : C.WindowsColors ? clNavy : clBlack;
        const TColor Glyph = !C.Shown ? clBlack : C.WindowsColors ? clYellow : clWhite;
        EXPECT_EQ(F.Window.GetPixel(50, 11), Band);
        EXPECT_EQ(F.Window.GetPixel(45, 5), Glyph);
        EXPECT_EQ(F.Window.GetPixel(9, 5), clBlack); // 'h', never selected
    }
}

TEST(PainterTest, SelectedParagraphEnds) {
    struct TCase {
        bool WindowsColors;
        TKorvelOptions Extra;
        TkvNonPrintChars Shown;
        int32_t SelEnd;
        std::vector<TRect> Marks;     // selection-coloured fills after the band
        std::vector<TRect> Inverted;  // without selection colours
        std::vector<TColor> Pilcrows; // colours of the first paragraph's pilcrow outputs
    };
    const TRect EndMark{74, 4, 78, 8};
    const TCase Cases[] = {
        // The paragraph end inside the selection is marked...
        {true, 0, 0, 19, {EndMark}, {}, {}},
        {false, 0, 0, 19, {}, {{44, 0, 74, LineH}, EndMark, {8, 0, 44, LineH}}, {}},
        // ...but not with full-line selection, whose band reaches the edge.
        {true, OptionBit(kvoFullLineSelect), 0, 19, {}, {}, {}},
        // A selection ending exactly at the end leaves the pilcrow unselected;
        {true, 0, 1 << kvNPReturn, 11, {}, {}, {clBlack}},
        // one running past it shows it selected, on a selection-coloured cell.
        {true, 0, 1 << kvNPReturn, 19, {{74, 0, 80, LineH}}, {}, {clYellow, clYellow}},
        {false, 0, 1 << kvNPReturn, 19, {}, {{44, 0, 80, LineH}, {8, 0, 44, LineH}}, {clBlack}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "colours " << C.WindowsColors << " end " << C.SelEnd
                                        << " shown " << int{C.Shown});
        TPaintFixture F;
        F.Load("hello world\r\nsecond line");
        F.Settings.Options = (C.WindowsColors ? OptionBit(kvoWindowsSelColors) : 0) | C.Extra;
        F.Settings.ShowEndParSelected = true;
        F.Settings.ShowNonPrintChars = C.Shown;
        F.Selection = {6, C.SelEnd, false, 0, 0, true};
        ASSERT_TRUE(F.Paint());

        std::vector<TRect> Marks = RectsOf(F.Fills(), clNavy);
        const std::vector<TRect> Band = {{44, 0, (C.Extra != 0 ? 200 : 74), LineH}};
        if (C.WindowsColors) {
            ASSERT_FALSE(Marks.empty());
            EXPECT_EQ(Marks.front(), Band.front());
            Marks.erase(Marks.begin());
            if (C.SelEnd > 13)
                Marks.pop_back(); // the band of the second line
            EXPECT_EQ(Marks, C.Marks);
        }
        EXPECT_EQ(RectsOf(F.Bitmap.RecordsOf(coInvertRect)), C.Inverted);
        std::vector<TColor> Pilcrows;
        for (const TCanvasRecord& R : F.Texts())
            if (R.Text == "\xB6" && R.From.X == 74 && R.From.Y == TPaintFixture::Baseline)
                Pilcrows.push_back(R.Color);
        if (!C.Pilcrows.empty())
            Pilcrows.resize(C.Pilcrows.size());
        EXPECT_EQ(Pilcrows, C.Pilcrows);
    }
}

TEST(PainterTest, BlockSelectionSpansItsColumns) {
    // Columns 1 to 4 of the first two paragraphs; the tab of the first one
    // spans columns 2 to 7, so only "b" lies in the block there. With blanks
    // narrower than letters the band still covers the block's characters,
    // and the columns inside the tab count blank widths.
    for (const int32_t Blank : {W, 2})
        for (const bool WindowsColors : {false, true}) {
            TPaintFixture F;
            F.Bitmap.SetCharWidth(' ', Blank);
            F.Control.GetView().SpaceWidth = Blank;
            F.Control.SetWordWrap(false);
            F.Load("ab\tcd\r\nabcdef\r\nxyz");
            F.Settings.Options = WindowsColors ? OptionBit(kvoWindowsSelColors) : 0;
            F.Settings.ShowEndParSelected = true;
            F.Selection = {1, 11, true, 4, 1, true};
            ASSERT_TRUE(F.Paint());
            const std::vector<TRect> Bands = {TRect{8 + W, 0, 8 + 2 * W + 2 * Blank, LineH},
                                              TRect{8 + W, 0, 8 + 4 * W, LineH}};
            if (WindowsColors) {
                EXPECT_EQ(RectsOf(F.Fills(), clNavy), Bands);
                std::vector<std::string> Selected;
                for (const TCanvasRecord& R : F.Texts())
                    if (R.Color == clYellow)
                        Selected.push_back(R.Text);
                EXPECT_EQ(Selected, (std::vector<std::string>{"b", "bcd"}));
            } else {
                EXPECT_EQ(RectsOf(F.Bitmap.RecordsOf(coInvertRect)), Bands);
            }
        }
}

// --- Runs ---

TEST(PainterTest, RunsFromFormatCodes) {
    TPaintFixture F;
    F.Control.SetStaticFormat(true);
    F.Control.GetFont().SetStyle(fsBold);
    F.Settings.HighlightBackgnd = clYellow;
    // Bold code inside a bold font turns bold off; the highlight code gives
    // the highlight colours on an opaque background.
    F.Load("x\x02y\x03z\x03");
    ASSERT_TRUE(F.Paint());
    EXPECT_EQ(F.DrawnText(), "xyz");
    EXPECT_EQ(F.TextStarting("x").FontStyle, fsBold);
    EXPECT_EQ(F.TextStarting("y").FontStyle, 0);
    const TCanvasRecord Z = F.TextStarting("z");
    EXPECT_EQ(Z.FontStyle, 0);
    EXPECT_EQ(Z.Color, clRed);
    EXPECT_EQ(Z.BkMode, bkOpaque);
    EXPECT_EQ(Z.BkColor, clYellow);
    EXPECT_EQ(Z.From.X, 8 + 7 + 6);
    EXPECT_EQ(F.TextStarting("y").BkMode, bkTransparent);
}

TEST(PainterTest, RunsFromHighlightingAndTheSpecialUnderline) {
    TPaintFixture F;
    TKeywordList& Keywords = F.Control.GetKeywords();
    Keywords.AddKeyword("if", clBlue, clNone, 0, 1, fsBold, koWholeWords | koMatchCase);
    // Strike-out and highlight together: the special underline instead.
    Keywords.AddKeyword("bad", clGreen, clNone, 0, 1, fsStrikeOut | 0x10,
                        koWholeWords | koMatchCase);
    F.Load("if x bad y");
    ASSERT_TRUE(F.Paint());
    EXPECT_EQ(F.TextStarting("if").Color, clBlue);
    EXPECT_EQ(F.TextStarting("if").FontStyle, fsBold);
    EXPECT_EQ(F.TextStarting(" x ").Color, clBlack);
    const TCanvasRecord Bad = F.TextStarting("bad");
    EXPECT_EQ(Bad.Color, clGreen);
    EXPECT_EQ(Bad.FontStyle, 0);
    // "bad" starts after "if x " (7 + 7 + 6 * 3 pixels, "if" being bold).
    ASSERT_EQ(Bad.From.X, 8 + 14 + 18);
    const auto Lines = F.Bitmap.RecordsOf(coLine);
    ASSERT_FALSE(Lines.empty());
    EXPECT_EQ(Lines.front().From, (TPoint{Bad.From.X, 10 + 2}));
    EXPECT_EQ(Lines.back().To.X, Bad.To.X);
    for (const TCanvasRecord& L : Lines) {
        EXPECT_EQ(L.Color, clRed);
        EXPECT_GE(L.To.Y, 10);
        EXPECT_LE(L.To.Y, 12);
    }
}

TEST(PainterTest, RunsOfEqualLookCoalesceAndParagraphColoursWin) {
    TPaintFixture F;
    TPicture Picture(4, 4, clSilver);
    F.Settings.BackgroundBmp = &Picture;
    F.Load("abcdef\r\nghijkl\r\nmnop");
    F.FormatAll();
    SetRuns(F, 0, {LookRun(0, 0, clBlue), LookRun(2, 0, clBlue), LookRun(4, 0, clGreen)});
    SetRuns(F, 1, {LookRun(0, 0, clBlue, clYellow)});
    ParExtraInfo& Own = *F.Par(1).GetExtra();
    Own.TextColor = clMaroon;
    Own.BackColor = clAqua;
    F.Par(2).AttachExtra().TextColor = clFuchsia; // and no runs
    ASSERT_TRUE(F.Paint());

    std::vector<std::string> Texts;
    for (const TCanvasRecord& R : F.Texts())
        Texts.push_back(R.Text);
    EXPECT_EQ(Texts, (std::vector<std::string>{"abcd", "ef", "ghijkl", "mnop"}));
    EXPECT_EQ(F.TextStarting("abcd").Color, clBlue);
    EXPECT_EQ(F.TextStarting("ef").Color, clGreen);
    // The paragraph's own colours: its text colour over the run's, its
    // background over the picture (and the run's background).
    EXPECT_EQ(F.TextStarting("ghijkl").Color, clMaroon);
    EXPECT_EQ(F.TextStarting("ghijkl").BkMode, bkTransparent);
    EXPECT_EQ(F.TextStarting("mnop").Color, clFuchsia);
    EXPECT_EQ(RectsOf(F.Fills(), clAqua), (std::vector<TRect>{{0, 0, 200, LineH}}));
    EXPECT_EQ(F.Window.GetPixel(199, 12), clSilver);
    EXPECT_EQ(F.Window.GetPixel(199, LineH + 12), clAqua);
    EXPECT_EQ(F.Window.GetPixel(199, 2 * LineH + 12), clSilver);
}

// --- Placement ---

TEST(PainterTest, AlignmentJustificationAndHangingBlanks) {
    struct TCase {
        TAlignment Alignment;
        bool Justified;
        TkvNonPrintChars Shown;
        int32_t FirstX; // where the first line (174 pixels) starts
        int32_t AbcX;   // where "abc" (18 pixels) starts
    };
    const TCase Cases[] = {{taLeftJustify, false, 0, 8, 8},
                           {taRightJustify, false, 0, 192 - 174, 192 - 18},
                           {taCenter, false, 0, (8 + 192 - 174) / 2, (8 + 192 - 18) / 2},
                           {taRightJustify, true, 0, 8, 192 - 18},
                           {taLeftJustify, true, 1 << kvNPSpace, 8, 8}};
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "alignment " << int{C.Alignment} << " justified "
                                        << C.Justified << " shown " << int{C.Shown});
        TPaintFixture F;
        F.Control.SetAlignment(C.Alignment);
        F.Control.SetJustified(C.Justified);
        F.Settings.ShowNonPrintChars = C.Shown;
        // The first paragraph wraps after "ffff " (its blank hangs).
        F.Load("aaaa bbbb cccc dddd eeee ffff gggg\r\nabc");
        ASSERT_TRUE(F.Paint());
        EXPECT_EQ(F.TextStarting("abc").From.X, C.AbcX);
        if (C.Shown == 0) {
            const TCanvasRecord First = F.TextStarting("aaaa");
            EXPECT_EQ(First.Text, "aaaa bbbb cccc dddd eeee ffff");
            // 174 pixels of text; justified, its 5 blanks share 10 more.
            EXPECT_EQ(First.From.X, C.FirstX);
            EXPECT_EQ(First.JustifyExtra, C.Justified ? 10 : 0);
            // The last line of a paragraph is never justified.
            EXPECT_EQ(F.TextStarting("gggg").JustifyExtra, 0);
            continue;
        }
        // Shown blanks are drawn one by one, widened as justified (the one
        // hanging at the end not), with the middle dot over each.
        std::vector<int32_t> BlankExtras;
        int32_t Dots = 0;
        for (const TCanvasRecord& R : F.Texts()) {
            if (R.Text == " " && R.From.Y == TPaintFixture::Baseline)
                BlankExtras.push_back(R.JustifyExtra);
            Dots += R.Text == "\xB7" && !R.AtPen && R.From.Y == TPaintFixture::Baseline;
        }
        EXPECT_EQ(BlankExtras, (std::vector<int32_t>{2, 2, 2, 2, 2, 0}));
        EXPECT_EQ(Dots, 6);
    }
}

TEST(PainterTest, TabsStopsGlyphsAndBackground) {
    struct TCase {
        int32_t TabStops;
        TkvNonPrintChars Shown;
        int32_t BX; // where "b" starts
    };
    for (const TCase& C : {TCase{8, 0, 8 + 48}, TCase{-20, 0, 28}, TCase{8, 1 << kvNPTab, 56}}) {
        TPaintFixture F;
        F.Control.SetStaticFormat(true);
        F.Control.SetTabStops(C.TabStops);
        F.Settings.HighlightBackgnd = clYellow;
        F.Settings.ShowNonPrintChars = C.Shown;
        F.Load("\x03"
               "a\tb\x03 c\td");
        ASSERT_TRUE(F.Paint());
        EXPECT_EQ(F.TextStarting("b").From.X, C.BX) << C.TabStops;
        // The highlighted run is opaque: its background crosses the tab's gap
        // (the cell of the font, baseline 9 less ascent 9 to descent 3).
        EXPECT_EQ(RectsOf(F.Fills(), clYellow), (std::vector<TRect>{{14, 0, C.BX, 12}}));
        const bool Glyph = C.Shown != 0;
        std::vector<int32_t> TabGlyphs;
        for (const TCanvasRecord& R : F.Texts())
            if (R.Text == "\xBB")
                TabGlyphs.push_back(R.From.X);
        const std::vector<int32_t> Expected = {14, C.BX + 6 + 12};
        EXPECT_EQ(TabGlyphs, Glyph ? Expected : std::vector<int32_t>());
    }
}

TEST(PainterTest, ChunksScrollingAndFarLeftText) {
    {
        TPaintFixture F;
        F.Control.SetWordWrap(false);
        // Metrics of the request's own stand in for the control's while it
        // is painted.
        TViewMetrics View = F.Control.GetView();
        View.TextOutChunk = 4;
        View.LeftPixel = 12;
        F.View = &View;
        F.Load("abcdefghij");
        ASSERT_TRUE(F.Paint());
        EXPECT_EQ(F.Control.GetView().LeftPixel, 0);
        EXPECT_EQ(F.Control.GetView().TextOutChunk, 16384 / W);
        EXPECT_EQ(F.Control.GetView().MaxLineWidth, 60); // found by formatting
        std::vector<std::pair<std::string, int32_t>> Outputs;
        for (const TCanvasRecord& R : F.Texts())
            Outputs.emplace_back(R.Text, R.From.X);
        using TOut = std::pair<std::string, int32_t>;
        EXPECT_EQ(Outputs, (std::vector<TOut>{{"abcd", -4}, {"efgh", 20}, {"ij", 44}}));
    }
    // 48000 pixels of text scrolled 40000 to the left, all selected: what
    // lies far left is skipped without drawing, nothing is drawn right of
    // the window, and the band is clamped to 16-bit coordinates.
    TPaintFixture F;
    F.Control.SetWordWrap(false);
    F.Control.GetView().LeftPixel = 40000;
    F.Load(std::string(8000, 'x'));
    F.Selection = {0, 8000, false, 0, 0, true};
    ASSERT_TRUE(F.Paint());
    const int32_t TextLeft = 8 - 40000;
    const auto Texts = F.Texts();
    ASSERT_FALSE(Texts.empty());
    for (const TCanvasRecord& R : Texts) {
        EXPECT_GE(R.From.X, -16383);
        EXPECT_LT(R.From.X, 200);
        EXPECT_EQ((R.From.X - TextLeft) % W, 0);
        EXPECT_LE(static_cast<int32_t>(R.Text.size()), F.Control.GetView().TextOutChunk);
    }
    EXPECT_GE(Texts.back().To.X, 200);
    EXPECT_EQ(RectsOf(F.Bitmap.RecordsOf(coInvertRect)),
              (std::vector<TRect>{{-32768, 0, TextLeft + 48000, LineH}}));
}

// Lines wrapped at 50 columns in a window of 32: what lies right of the
// window is not drawn, yet a code or run there holds on the next line.
TEST(PainterTest, StateRightOfTheWindowCarriesIntoTheNextLine) {
    // "aaaa " x 8 (240 pixels), a bold code (or a bold run) and "bbbb " in
    // bold (35 pixels); bold "cccc" would end past 300 pixels, so the second
    // line starts with it.
    const std::string Words = "aaaa aaaa aaaa aaaa aaaa aaaa aaaa aaaa ";
    for (const bool Codes : {true, false}) {
        SCOPED_TRACE(Codes ? "format code" : "highlight run");
        TPaintFixture F;
        F.Control.SetColumnWrap(50);
        F.Control.SetStaticFormat(Codes);
        F.Load(Words + (Codes ? "\x02" : "") + "bbbb cccc dddd");
        if (!Codes)
            SetRuns(F, 0, {LookRun(40, fsBold)});
        ASSERT_TRUE(F.Paint());
        ASSERT_EQ(F.Par(0).LineCountOf(), 2);
        for (const TCanvasRecord& R : F.Texts())
            EXPECT_LT(R.From.X, TPaintFixture::ClientW) << R.Text;
        EXPECT_EQ(F.TextStarting("aaaa").FontStyle, 0);
        const TCanvasRecord C = F.TextStarting("cccc");
        EXPECT_EQ(C.FontStyle, fsBold);
        EXPECT_EQ(C.From.X, 8);
    }
}

// --- Around the text ---

TEST(PainterTest, EndOfTextMarkAndRightMarginLine) {
    struct TCase {
        int32_t RightLinePos;
        int32_t LeftPixel;
        TColor MarkColor;
        int32_t MarkWidth;
        TRect Update;
        std::vector<TPoint> Ends; // From and To of each line on the window
    };
    const TRect All{0, 0, 200, 130};
    const TCase Cases[] = {
        {0, 0, clRed, 1, All, {{0, 26}, {200, 26}}},
        {0, 0, clRed, 3, All, {{0, 27}, {200, 27}}},
        {0, 0, -1, 1, All, {}},
        {0, 0, clRed, 1, {0, 0, 200, 13}, {}}, // the text's end lies below
        {20, 0, -1, 1, All, {{128, 0}, {128, 130}}},
        {-100, 0, -1, 1, All, {{108, 0}, {108, 130}}},
        {80, 0, -1, 1, All, {}}, // right of the window
        {80, 300, clRed, 1, {100, 20, 190, 60}, {{0, 26}, {190, 26}, {188, 0}, {188, 60}}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "position " << C.RightLinePos << " colour "
                                        << C.MarkColor << " update " << C.Update);
        TPaintFixture F;
        F.Control.SetWordWrap(false);
        F.Control.GetView().LeftPixel = C.LeftPixel;
        F.EndMark.SetColor(C.MarkColor);
        F.EndMark.SetWidth(C.MarkWidth);
        F.Settings.RightLinePos = C.RightLinePos;
        F.Load("ab\r\ncd");
        ASSERT_TRUE(F.Paint(C.Update));
        std::vector<TPoint> Ends;
        for (const TCanvasRecord& R : F.Window.RecordsOf(coLine)) {
            Ends.push_back(R.From);
            Ends.push_back(R.To);
            EXPECT_EQ(R.Color, R.From.Y == R.To.Y ? C.MarkColor : clGray);
        }
        EXPECT_EQ(Ends, C.Ends);
        // The window's pen is put back.
        EXPECT_EQ(F.Window.GetPen(), TPen());
    }
}

TEST(PainterTest, BackgroundPictureTilesInTextCoordinates) {
    TPicture Picture(3, 2);
    for (int32_t Y = 0; Y < 2; ++Y)
        for (int32_t X = 0; X < 3; ++X)
            Picture.SetPixel(X, Y, 0x101010 * (1 + X + 3 * Y));
    for (const int32_t TopPixel : {5, -3, 0}) {
        TPaintFixture F;
        F.Settings.BackgroundBmp = &Picture;
        F.Settings.EndOfTextMark = nullptr;
        F.Control.GetView().TopPixel = TopPixel;
        F.Control.GetView().LeftPixel = 4;
        F.Load("");
        ASSERT_TRUE(F.Paint());
        int32_t Wrong = 0;
        for (int32_t Y = 0; Y < TPaintFixture::ClientH; ++Y)
            for (int32_t X = 0; X < TPaintFixture::ClientW; ++X)
                Wrong += F.Window.GetPixel(X, Y) !=
                         Picture.GetPixel((X + 4) % 3, ((Y + TopPixel) % 2 + 2) % 2);
        EXPECT_EQ(Wrong, 0) << "top pixel " << TopPixel;
    }
}

// --- Formatting and suppression ---

TEST(PainterTest, PaintingFarAheadFormatsOutOfSequence) {
    TPaintFixture F;
    std::string Text;
    for (int I = 0; I < 200; ++I)
        Text += (I > 0 ? "\r\n" : "") + std::string("aaaa bbbb cccc dddd eeee ffff gggg");
    F.Load(Text); // every paragraph one provisional line
    F.Control.GetView().TopPixel = 150 * LineH;

    F.Suppressed = true;
    EXPECT_FALSE(F.Paint());
    EXPECT_TRUE(F.Window.GetRecords().empty());
    EXPECT_TRUE(F.Bitmap.GetRecords().empty());
    EXPECT_TRUE(F.Formatter.Calls.empty());

    F.Suppressed = false;
    ASSERT_TRUE(F.Paint());
    ASSERT_FALSE(F.Formatter.Calls.empty());
    for (const auto& [First, Last] : F.Formatter.Calls)
        EXPECT_GE(First, 150);
    for (int32_t I = 0; I < 200; ++I)
        EXPECT_EQ((F.Par(I).Flags & pfFormatted) != 0, I >= 150 && I <= 160) << I;
    // The ten window lines show paragraphs 150 .. 154, two lines each.
    std::vector<std::string> Texts;
    for (const TCanvasRecord& R : F.Texts())
        Texts.push_back(R.Text);
    ASSERT_EQ(Texts.size(), 10u);
    for (size_t I = 0; I < Texts.size(); ++I)
        EXPECT_EQ(Texts[I], I % 2 == 0 ? "aaaa bbbb cccc dddd eeee ffff" : "gggg") << I;
    EXPECT_EQ(F.Window.RecordsOf(coCopyFrom).size(), 10u);
}

TEST(PainterTest, ZigzagEndsOnItsLineAndIsClamped) {
    struct TCase {
        int32_t X1;
        int32_t X2;
        int32_t A;
    };
    constexpr int32_t Y = 10;
    for (const TCase& C : {TCase{0, 1, 2}, TCase{0, 2, 2}, TCase{0, 3, 2}, TCase{0, 4, 2},
                           TCase{0, 7, 2}, TCase{5, 5, 2}, TCase{0, 10, 3}, TCase{3, 20, 1},
                           TCase{-40000, -32760, 2}, TCase{32760, 40000, 2}}) {
        SCOPED_TRACE(testing::Message() << C.X1 << ".." << C.X2 << " height " << C.A);
        THeadlessCanvas Canvas;
        TKorvelPainter::DrawZigzag(Canvas, C.X1, C.X2, C.A, Y);
        const int32_t From = std::max(C.X1, -32768);
        const int32_t To = std::min(C.X2, 32767);
        const auto Lines = Canvas.RecordsOf(coLine);
        if (From >= To) {
            EXPECT_TRUE(Lines.empty());
            continue;
        }
        ASSERT_FALSE(Lines.empty());
        EXPECT_EQ(Lines.front().From, (TPoint{From, Y + C.A}));
        EXPECT_EQ(Lines.back().To.X, To);
        int32_t Previous = From;
        for (const TCanvasRecord& L : Lines) {
            EXPECT_GT(L.To.X, Previous);
            Previous = L.To.X;
            // Rising from a valley on Y + A to a peak on Y, then falling.
            const int32_t Phase = (L.To.X - From) % (2 * C.A);
            EXPECT_EQ(L.To.Y, Y + C.A - (Phase <= C.A ? Phase : 2 * C.A - Phase)) << L.To.X;
        }
    }
}

} // namespace
} // namespace korvel
