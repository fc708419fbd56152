#include "KVSupport/TLineBreaker.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/HighlightRun.h"
#include "KVSupport/TLinesList.h"
#include "KVSupport/TParagraph.h"
#include "KorvelTestSupport.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korvel {
namespace {

using test::TTestKorvel;

// Every byte of the control font ("Arial", -11) is 6 pixels wide on the
// headless canvas, 7 in bold; so is a blank.
constexpr int32_t W = 6;
constexpr int32_t WBold = 7;

struct TBreak {
    int32_t Count;
    int32_t Delta;
    int32_t FirstLine;
    int32_t LastOld;
};

class LineBreakerTest : public ::testing::Test {
protected:
    void SetUp() override { Control.GetView().SpaceWidth = W; }

    void Load(std::string_view Text) { test::LoadControlText(Control, Text); }
    // Margins are 8 + 8 pixels: N bytes of the plain font fit a line.
    void WrapAtColumns(int32_t N) { Control.GetView().TextWidth = N * W + 16; }

    TBreak Break(int32_t Par = 0, int32_t FirstLine = 0, bool Full = true,
                 bool SelectFontFirst = true) {
        TBreak R{};
        R.FirstLine = FirstLine;
        R.LastOld = -99;
        R.Count = Breaker.BreakLines(Control.GetCanvas(), SelectFontFirst, R.FirstLine, R.LastOld,
                                     Full, Par, Control.GetView().TextWidth, R.Delta);
        return R;
    }

    TParagraph& Par(int32_t Index = 0) { return Control.GetParagraphsList()[Index]; }

    std::vector<TLineRecord> LinesOf(int32_t Index = 0) {
        TLinesList View(&Par(Index));
        std::vector<TLineRecord> Result;
        for (int32_t I = 0; I < View.Count(); ++I)
            Result.push_back(View.Get(I));
        return Result;
    }

    // Gives paragraph Index exactly the given line records (its "old" lines).
    void SetOldLines(const std::vector<TLineRecord>& Lines, int32_t Index = 0) {
        TLinesList View(&Par(Index));
        View.SetLineCount(static_cast<int32_t>(Lines.size()));
        Par(Index).AttachExtra();
        for (size_t I = 0; I < Lines.size(); ++I)
            View.PutLine(static_cast<int32_t>(I), Lines[I]);
        Control.GetParagraphsList().AdjustLineCount(static_cast<int32_t>(Lines.size()) -
                                                    Control.GetParagraphsList().GetLineCount());
    }

    TTestKorvel K;
    TCustomKorvel& Control = K.Control;
    THeadlessCanvas& Canvas = K.Canvas;
    TLineBreaker Breaker{K.Control.GetParagraphsList(), K.Control.GetLayout()};
};

TEST_F(LineBreakerTest, ShortParagraphsStayCompactWithTheirWidth) {
    Load("\r\nabc de\r\n");
    WrapAtColumns(20);
    const TBreak Empty = Break(0);
    EXPECT_EQ(Empty.Count, 1);
    EXPECT_EQ(Empty.Delta, 0);
    EXPECT_EQ(LinesOf(0), (std::vector{TLineRecord::Whole(0, 0)}));

    const TBreak Short = Break(1);
    EXPECT_EQ(Short.Count, 1);
    EXPECT_EQ(Short.Delta, 0);
    EXPECT_EQ(Short.FirstLine, 0);
    EXPECT_EQ(Short.LastOld, 0);
    EXPECT_FALSE(Par(1).HasExtra());
    EXPECT_EQ(LinesOf(1), (std::vector{TLineRecord::Whole(6, 6 * W)}));
    EXPECT_EQ(Control.GetLineCount(), 3);
}

TEST_F(LineBreakerTest, WrappedLinesHangTheirBlanks) {
    Load("aaaa bbbb cccc");
    WrapAtColumns(8);
    const TBreak R = Break();
    EXPECT_EQ(R.Count, 3);
    EXPECT_EQ(R.Delta, 2);
    EXPECT_EQ(R.LastOld, 2);
    EXPECT_EQ(Control.GetLineCount(), 3);
    // Width leaves out the hanging blank, FullWidth has it; the next line
    // starts with the next word.
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 5, 4 * W, 5 * W, 0, 0, 0, 0},
                                                   {5, 10, 4 * W, 5 * W, 0, 5, 0, 0},
                                                   {10, 14, 4 * W, 4 * W, 0, 14, 0, 0}}));

    // Justification widens the blanks between words, not the hanging ones;
    // a line that fits exactly is not wrapped.
    Load("aa bb cc  dd");
    const TBreak Gaps = Break();
    EXPECT_EQ(Gaps.Count, 2);
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 10, 8 * W, 10 * W, 2, 0, 0, 0},
                                                   {10, 12, 2 * W, 2 * W, 0, 12, 0, 0}}));

    // Blanks at the paragraph end never wrap and count in the last width.
    Load("aa bb     ");
    WrapAtColumns(5);
    EXPECT_EQ(Break().Count, 1);
    EXPECT_EQ(LinesOf(), (std::vector{TLineRecord::Whole(10, 10 * W)}));
    EXPECT_FALSE(Par().HasExtra());
}

TEST_F(LineBreakerTest, WordsWiderThanALineAreSplit) {
    Load("abcdefghijklmnopqrstuvwxyz");
    WrapAtColumns(10);
    EXPECT_EQ(Break().Count, 3);
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 10, 10 * W, 10 * W, 0, 10, 0, 0},
                                                   {10, 20, 10 * W, 10 * W, 0, 20, 0, 0},
                                                   {20, 26, 6 * W, 6 * W, 0, 26, 0, 0}}));

    // A long word after a short one first goes to a line of its own.
    Load("ab abcdefghijklmnop");
    EXPECT_EQ(Break().Count, 3);
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 3, 2 * W, 3 * W, 0, 0, 0, 0},
                                                   {3, 13, 10 * W, 10 * W, 0, 13, 0, 0},
                                                   {13, 19, 6 * W, 6 * W, 0, 19, 0, 0}}));

    // A line narrower than a byte still takes one byte per line.
    Load("abc");
    Control.SetColumnWrap(-1);
    EXPECT_EQ(Break().Count, 3);
    EXPECT_EQ(LinesOf(),
              (std::vector<TLineRecord>{
                  {0, 1, W, W, 0, 1, 0, 0}, {1, 2, W, W, 0, 2, 0, 0}, {2, 3, W, W, 0, 3, 0, 0}}));
}

TEST_F(LineBreakerTest, SplitGivesBackTheOverflowingByteUnlessACodeFollows) {
    Control.SetStaticFormat(true);
    Control.SetColumnWrap(-30);
    // Five plain bytes fill 30 pixels; the code group after them takes no
    // width, the bold 'f' overflows and goes back to the next line, which
    // therefore starts bold.
    Load("abcde\x02"
         "fghij");
    EXPECT_EQ(Break().Count, 3);
    std::vector<TLineRecord> Lines = LinesOf();
    EXPECT_EQ(Lines[0], (TLineRecord{0, 6, 5 * W, 5 * W, 0, 6, 0, 0}));
    EXPECT_EQ(Lines[1], (TLineRecord{6, 10, 4 * WBold, 4 * WBold, 0, 10, csBold, 0}));

    // When a code follows the overflowing byte, that byte stays; the code
    // then hangs at the end of the split line.
    Load("abcdef\x02"
         "gh");
    EXPECT_EQ(Break().Count, 2);
    Lines = LinesOf();
    EXPECT_EQ(Lines[0], (TLineRecord{0, 7, 6 * W, 6 * W, 0, 6, 0, 0}));
    EXPECT_EQ(Lines[1], (TLineRecord{7, 9, 2 * WBold, 2 * WBold, 0, 9, csBold, 0}));
}

// In a split, a code (or tab) takes every byte below 26 after it into its
// group, without width; and only a byte that overflowed is given back, so a
// split that reaches the paragraph's end keeps everything it took on the line.
TEST_F(LineBreakerTest, SplitGroupsControlBytesAfterACodeAndGivesBackOnlyAnOverflow) {
    Control.SetStaticFormat(true);
    Control.SetColumnWrap(-30);
    // 'a' and 'b' are 12 pixels; the code and the three 0x10 after it take
    // none; the bold 'c', 'd' reach 26 and 'e' overflows and goes back.
    Load("ab\x02\x10\x10\x10"
         "cdefgh");
    EXPECT_EQ(Break().Count, 2);
    std::vector<TLineRecord> Lines = LinesOf();
    EXPECT_EQ(Lines[0], (TLineRecord{0, 8, 2 * W + 2 * WBold, 2 * W + 2 * WBold, 0, 8, 0, 0}));
    EXPECT_EQ(Lines[1], (TLineRecord{8, 12, 4 * WBold, 4 * WBold, 0, 12, csBold, 0}));

    // Measured as a word the 0x10 bytes count (45 pixels, too wide); split,
    // they go with the code and the paragraph ends with the line at 24.
    Load("abcd\x02\x10\x10\x10");
    EXPECT_EQ(Break().Count, 1);
    EXPECT_EQ(LinesOf()[0], (TLineRecord{0, 8, 4 * W, 4 * W, 0, 8, 0, 0}));

    // Without StaticFormat a code is an ordinary byte and starts no group.
    Control.SetStaticFormat(false);
    Load("abcd\x02\x10\x10\x10");
    EXPECT_EQ(Break().Count, 2);
    EXPECT_EQ(LinesOf()[0], (TLineRecord{0, 5, 5 * W, 5 * W, 0, 5, 0, 0}));
}

TEST_F(LineBreakerTest, WrapWidthFollowsWordWrapAlignmentAndColumnWrap) {
    const std::string Long(100, 'x');
    const std::string Text = "aaaa bbbb cccc dddd " + Long;
    WrapAtColumns(10);

    // Left aligned without word wrap: one line, however long.
    Control.SetWordWrap(false);
    Load(Text);
    EXPECT_EQ(Break().Count, 1);
    EXPECT_EQ(LinesOf()[0].Width, static_cast<int32_t>(Text.size()) * W);

    // Right or centred text wraps at the window even without word wrap.
    for (TAlignment Alignment : {taRightJustify, taCenter}) {
        Control.SetAlignment(Alignment);
        Load(Text);
        EXPECT_EQ(Break().Count, 12) << int{Alignment};
    }
    Control.SetAlignment(taLeftJustify);
    Control.SetWordWrap(true);

    // A positive ColumnWrap counts blanks of the formatting font (bold
    // here, 7 pixels), whatever the window width.
    Control.GetFont().SetStyle(fsBold);
    Control.SetColumnWrap(40);
    Load("abcd abcd abcd abcd abcd abcd abcd abcd abcd abcd");
    Break();
    EXPECT_EQ(Control.GetView().BlankWidth, WBold);
    std::vector<TLineRecord> Lines = LinesOf();
    ASSERT_EQ(Lines.size(), 2U);
    EXPECT_EQ(Lines[0].Stop, 40);
    EXPECT_EQ(Lines[0].Width, 39 * WBold);
    Control.GetFont().SetStyle(0);

    // A negative ColumnWrap is pixels: 50 hold "aaaa" but not "aaaa bbbb".
    Control.SetColumnWrap(-50);
    Load("aaaa bbbb");
    EXPECT_EQ(Break().Count, 2);

    // Re-formatting from a line that starts in another font still counts
    // the columns in blanks of the paragraph's first font.
    Control.SetStaticFormat(true);
    Control.SetColumnWrap(10);
    Load("aaaa bbbb \x02"
         "cccc dddd eeee");
    EXPECT_EQ(Break().Count, 4);
    const std::vector<TLineRecord> Whole = LinesOf();
    Break(0, 1);
    EXPECT_EQ(LinesOf(), Whole);
    Control.SetStaticFormat(false);

    // A window narrower than its margins still wraps at 1 pixel.
    Control.SetColumnWrap(0);
    Control.GetView().TextWidth = 4;
    Load("ab cd");
    EXPECT_EQ(Break().Count, 4);
}

TEST_F(LineBreakerTest, TabsJumpToStopsAndRestartJustification) {
    WrapAtColumns(40);
    Load("a\tb\t\tc");
    Break(); // stops every 8 blanks of 6 pixels
    EXPECT_EQ(LinesOf()[0].Width, 3 * 48 + W);

    Control.SetTabStops(-100);
    Load("a\tb");
    Break();
    EXPECT_EQ(LinesOf()[0].Width, 100 + W);

    Control.SetTabStops(0);
    Load("a\tb");
    Break();
    EXPECT_EQ(LinesOf()[0].Width, 2 * W);

    // Only blanks after the line's last tab are widened, from that tab on.
    Control.SetTabStops(8);
    Control.GetView().TextWidth = 90 + 16;
    Load("aa bb\tcc dd ee");
    EXPECT_EQ(Break().Count, 2);
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 12, 78, 84, 1, 5, 0, 0},
                                                   {12, 14, 2 * W, 2 * W, 0, 14, 0, 0}}));
}

TEST_F(LineBreakerTest, CodesAndRunsChangeTheFontOnlyWhenTheStyleChanges) {
    Control.SetStaticFormat(true);
    WrapAtColumns(40);
    Load("ab\x02"
         "cd\x02 ef");
    Canvas.ResetTextExtentCalls();
    Break();
    EXPECT_EQ(LinesOf()[0].Width, 2 * W + 2 * WBold + W + 2 * W);
    // Two blank measurements per font selected (plain, bold, plain) and one
    // extent per segment.
    EXPECT_EQ(Canvas.GetTextExtentCalls(), 3 * 2 + 3);

    // The highlight code changes colours, not widths: no new font.
    Load("ab\x03"
         "cd\x03 ef");
    Canvas.ResetTextExtentCalls();
    Break();
    EXPECT_EQ(LinesOf()[0].Width, 7 * W);
    EXPECT_EQ(Canvas.GetTextExtentCalls(), 2 + 3);

    // Plain words: one extent per word. The next paragraph of the same
    // pass keeps the font and its blank width.
    Load("one two three\r\nfour five");
    Canvas.ResetTextExtentCalls();
    test::FormatAllParagraphs(Control, Breaker);
    EXPECT_EQ(Canvas.GetTextExtentCalls(), 2 + 3 + 2);
    Control.GetView().BlankWidth = 10;
    Break(1, 0, true, false);
    EXPECT_EQ(LinesOf(1)[0].Width, 8 * W + 10);

    // A paragraph that starts bold is measured bold from its first byte.
    Load("\x02"
         "ab\r\ncd");
    Break(1);
    EXPECT_EQ(LinesOf(1), (std::vector<TLineRecord>{{0, 2, 2 * WBold, 2 * WBold, 0, 2, 1, 0}}));
}

TEST_F(LineBreakerTest, HighlightRunsSetTheStyleAndTheLinesRunIndex) {
    WrapAtColumns(5);
    Load("ab cd ef gh");
    Par().SetRunCount(2);
    TDynInfoArray& Runs = Par().GetExtra()->Runs;
    Runs[0].Offset = 3; // bold from "cd" on
    Runs[0].Flags = hfAutomatic | fsBold;
    Runs[1].Offset = 7; // plain again inside "ef"
    Runs[1].Flags = hfAutomatic;
    EXPECT_EQ(Break().Count, 4);
    // "cd " is bold, its blank too; "ef" is measured in two segments. A run
    // starting exactly at a line's start is not counted as before it.
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 3, 2 * W, 3 * W, 0, 0, 0, 0},
                                                   {3, 6, 2 * WBold, 3 * WBold, 0, 3, 0, 0},
                                                   {6, 9, WBold + W, WBold + 2 * W, 0, 6, 0, 1},
                                                   {9, 11, 2 * W, 2 * W, 0, 11, 0, 2}}));
}

TEST_F(LineBreakerTest, BlankMetricsComeFromTwoBlanksAndOneOverhangPerWord) {
    Control.SetStaticFormat(true);
    WrapAtColumns(40);
    Canvas.SetOverhang(2);
    Load("abc de");
    Break();
    EXPECT_EQ(Control.GetView().BlankWidth, W);
    EXPECT_EQ(Control.GetView().Overhang, 2);
    EXPECT_EQ(LinesOf()[0].Width, 6 * W);

    // Every segment reports the overhang, only the word's last loses it; a
    // word ending in a code keeps it.
    Load("ab\x02"
         "cd");
    Break();
    EXPECT_EQ(LinesOf()[0].Width, (2 * W + 2) + (2 * WBold + 2) - 2);
    Load("ab\x02 x");
    Break();
    EXPECT_EQ(LinesOf()[0].Width, (2 * W + 2) + WBold + WBold);

    // A failed measurement gives blanks 1 pixel and no overhang.
    Canvas.SetTextExtentFails(true);
    Load("aaaa bbbb");
    EXPECT_EQ(Break().Count, 1);
    EXPECT_EQ(Control.GetView().BlankWidth, 1);
    EXPECT_EQ(Control.GetView().Overhang, 0);
    EXPECT_EQ(LinesOf()[0].Width, 1);
}

TEST_F(LineBreakerTest, ReformattingWithoutFullStopsWhereOldLinesMeet) {
    Load("aaaa bbbb cccc dddd eeee");
    WrapAtColumns(8);
    // Old lines as they were before an edit: the first held two words. The
    // widths 999 mark records the breaker must leave alone.
    SetOldLines({{0, 10, 999, 999, 0, 0, 0, 0},
                 {10, 15, 999, 999, 0, 10, 0, 0},
                 {15, 20, 999, 999, 0, 15, 0, 0},
                 {20, 24, 999, 999, 0, 24, 0, 0}});
    const TBreak R = Break(0, 0, false);
    EXPECT_EQ(R.Count, 5);
    EXPECT_EQ(R.Delta, 1);
    EXPECT_EQ(R.FirstLine, 0);
    EXPECT_EQ(R.LastOld, 1);
    EXPECT_EQ(Control.GetLineCount(), 5);
    const std::vector<TLineRecord> Lines = LinesOf();
    EXPECT_EQ(Lines[0], (TLineRecord{0, 5, 4 * W, 5 * W, 0, 0, 0, 0}));
    EXPECT_EQ(Lines[1], (TLineRecord{5, 10, 4 * W, 5 * W, 0, 5, 0, 0}));
    for (int32_t I = 2; I < 5; ++I)
        EXPECT_EQ(Lines[static_cast<size_t>(I)].Width, 999) << I;

    // With Full on everything is rebuilt.
    SetOldLines({{0, 10, 999, 999, 0, 0, 0, 0}, {10, 24, 999, 999, 0, 24, 0, 0}});
    const TBreak F = Break(0, 0, true);
    EXPECT_EQ(F.Count, 5);
    EXPECT_EQ(F.Delta, 3);
    EXPECT_EQ(F.LastOld, 4);
    EXPECT_EQ(LinesOf()[4], (TLineRecord{20, 24, 4 * W, 4 * W, 0, 24, 0, 0}));

    // Fewer lines: the old lines behind move down.
    SetOldLines({{0, 5, 999, 999, 0, 0, 0, 0},
                 {5, 8, 999, 999, 0, 5, 0, 0},
                 {8, 10, 999, 999, 0, 8, 0, 0},
                 {10, 15, 999, 999, 0, 10, 0, 0},
                 {15, 24, 999, 999, 0, 15, 0, 0}});
    const TBreak D = Break(0, 1, false);
    EXPECT_EQ(D.Delta, -1);
    EXPECT_EQ(D.LastOld, 1);
    EXPECT_EQ(D.Count, 4);
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 5, 999, 999, 0, 0, 0, 0},
                                                   {5, 10, 4 * W, 5 * W, 0, 5, 0, 0},
                                                   {10, 15, 999, 999, 0, 10, 0, 0},
                                                   {15, 24, 999, 999, 0, 15, 0, 0}}));
}

TEST_F(LineBreakerTest, WordsThatFitTheLineBeforeArePulledUp) {
    Load("aa bb cc dd");
    WrapAtColumns(8);
    // After a deletion on line 0 the words "bb" and "cc" fit there again.
    SetOldLines({{0, 3, 2 * W, 3 * W, 0, 0, 0, 0},
                 {3, 6, 2 * W, 3 * W, 0, 3, 0, 0},
                 {6, 11, 5 * W, 5 * W, 0, 11, 0, 0}});
    const TBreak R = Break(0, 1);
    EXPECT_EQ(R.FirstLine, 0); // repaint from the line the words joined
    EXPECT_EQ(R.Delta, -1);
    EXPECT_EQ(R.Count, 2);
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 9, 8 * W, 9 * W, 2, 0, 0, 0},
                                                   {9, 11, 2 * W, 2 * W, 0, 11, 0, 0}}));

    // A gap that begins the re-formatted line hangs on the line before, which
    // changed (Stop and FullWidth) and is reported as the first to repaint.
    Load("aa   bb");
    WrapAtColumns(4);
    SetOldLines({{0, 2, 2 * W, 2 * W, 0, 0, 0, 0}, {2, 7, 999, 999, 0, 7, 0, 0}});
    const TBreak H = Break(0, 1);
    EXPECT_EQ(H.FirstLine, 0);
    EXPECT_EQ(H.Delta, 0);
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 5, 2 * W, 5 * W, 0, 0, 0, 0},
                                                   {5, 7, 2 * W, 2 * W, 0, 7, 0, 0}}));
}

TEST_F(LineBreakerTest, WithoutACanvasEveryParagraphIsOneLine) {
    Load("aaaa bbbb cccc");
    WrapAtColumns(8);
    Break();
    ASSERT_EQ(Control.GetLineCount(), 3);
    Control.SetCanvas(nullptr);
    const TBreak R = Break(0, 2);
    EXPECT_EQ(R.Count, 1);
    EXPECT_EQ(R.Delta, -2);
    EXPECT_EQ(R.FirstLine, 0);
    EXPECT_EQ(R.LastOld, 0);
    EXPECT_EQ(Control.GetLineCount(), 1);
    // A provisional line: no width, no gaps, JustifyFrom 0.
    EXPECT_EQ(LinesOf(), (std::vector<TLineRecord>{{0, 14, 0, 0, 0, 0, 0, 0}}));
}

TEST_F(LineBreakerTest, WidestLineIsKeptAndWidthsBeyondTheSlotNeedTheExtension) {
    Control.SetWordWrap(false);
    Load("ab\r\nabcdef\r\nabcd");
    test::FormatAllParagraphs(Control, Breaker);
    EXPECT_EQ(Control.GetView().MaxLineWidth, 6 * W);
    EXPECT_EQ(Control.GetView().WidestPara, 1);

    // Word wrap at the window keeps the width but no paragraph.
    Control.GetView().MaxLineWidth = 0;
    Control.GetView().WidestPara = -1;
    Control.SetWordWrap(true);
    WrapAtColumns(100);
    test::FormatAllParagraphs(Control, Breaker);
    EXPECT_EQ(Control.GetView().MaxLineWidth, 6 * W);
    EXPECT_EQ(Control.GetView().WidestPara, -1);

    // With a column wrap the widest paragraph is named by its index, even when
    // earlier paragraphs wrapped so that its first display line differs.
    Control.GetView().MaxLineWidth = 0;
    Control.SetColumnWrap(3);
    Load("aa bb cc\r\nabcdef");
    test::FormatAllParagraphs(Control, Breaker);
    EXPECT_EQ(Control.GetParagraphsList().GetFirstLine(1), 3);
    EXPECT_EQ(Control.GetView().MaxLineWidth, 3 * W);
    EXPECT_EQ(Control.GetView().WidestPara, 1);
    Control.SetColumnWrap(0);

    // A line wider than 65535 pixels does not fit the 16-bit slot.
    Control.SetWordWrap(false);
    Load(std::string(11000, 'x'));
    Break();
    EXPECT_TRUE(Par().HasExtra());
    EXPECT_EQ(LinesOf(), (std::vector{TLineRecord::Whole(11000, 11000 * W)}));
}

TEST(LinesListTest, ViewsTheLinesOfItsParagraph) {
    TTestKorvel K("abcdef");
    TParagraph& Par = K.Control.GetParagraphsList()[0];
    TLinesList Lines(&Par);
    EXPECT_EQ(Lines.Count(), 1);
    EXPECT_EQ(Lines.Get(0), TLineRecord::Whole(6, 0));
    EXPECT_THROW(
        {
            try {
                Lines.Get(1);
            } catch (const ERangeError& E) {
                EXPECT_STREQ(E.what(), SListIndexError);
                throw;
            }
        },
        ERangeError);
    EXPECT_THROW(Lines.Get(-1), ERangeError);

    // Writing line 0 of a compact paragraph reaches only the scratch copy.
    Lines.PutLine(0, {0, 6, 50, 50, 0, 6, 0, 0});
    EXPECT_EQ(Par.GetLine0().Width, 0);
    Lines.SetLineCount(0);
    EXPECT_FALSE(Par.HasExtra());

    Lines.SetLineCount(3);
    EXPECT_TRUE(Par.HasExtra());
    EXPECT_EQ(Lines.Count(), 3);
    EXPECT_EQ(Lines.Get(2), TLineRecord{});
    Lines.PutLine(1, {0, 3, 18, 18, 0, 3, 0, 0});
    TLineRecord Copy{};
    Lines.CopyLine(1, Copy);
    EXPECT_EQ(Copy.Width, 18);
    Lines.SetLineCount(-5);
    EXPECT_EQ(Lines.Count(), 1);
}

// Random paragraphs of words, blanks, tabs, codes and runs in proportional
// fonts: the lines of every paragraph chain from 0 to its length, hold at
// least one byte, never have Width above FullWidth, and add up to the
// list's LineCount. Re-formatting from any line of unchanged text gives the
// same lines, with Full off without touching any.
TEST(LineBreakerRandomTest, LinesKeepTheirInvariants) {
    std::mt19937 Random(20240611);
    auto Pick = [&Random](int Limit) { return static_cast<int>(Random() % Limit); };
    for (int Round = 0; Round < 60; ++Round) {
        TTestKorvel K;
        TCustomKorvel& Control = K.Control;
        Control.SetStaticFormat(Round % 2 == 0);
        Control.SetTabStops(Round % 3 == 0 ? -40 : Round % 3 == 1 ? 4 : 0);
        Control.SetColumnWrap(Round % 5 == 0 ? -(1 + Pick(120)) : Round % 5 == 1 ? 10 : 0);
        Control.SetWordWrap(Round % 7 != 0);
        Control.GetView().SpaceWidth = 5;
        Control.GetView().TextWidth = 16 + Pick(300);
        for (int Ch = 'a'; Ch <= 'z'; ++Ch)
            K.Canvas.SetCharWidth(static_cast<uint8_t>(Ch), 2 + Pick(10));
        const bool WithOverhang = Round % 4 == 3;
        K.Canvas.SetOverhang(WithOverhang ? 1 + Pick(3) : 0);

        std::string Text;
        const char Pieces[] = {' ', ' ', '\t', '\x02', '\x01', '\x03', '\x15', '\x04'};
        for (int Par = 0, Pars = 1 + Pick(12); Par < Pars; ++Par) {
            if (Par > 0)
                Text += "\r\n";
            for (int I = 0, N = Pick(120); I < N; ++I)
                Text += Pick(4) == 0 ? Pieces[Pick(8)] : static_cast<char>('a' + Pick(26));
        }
        test::LoadControlText(Control, Text);
        TParagraphsList& List = Control.GetParagraphsList();
        for (int32_t P = 0; P < List.GetCount(); ++P) {
            TParagraph& Par = List[P];
            const int32_t Length = Par.ParLength();
            if (Length < 4 || Pick(2) == 0)
                continue;
            const int32_t Runs = 1 + Pick(3);
            Par.SetRunCount(Runs);
            for (int32_t R = 0; R < Runs; ++R) {
                HighlightRun& Run = Par.GetExtra()->Runs[static_cast<size_t>(R)];
                Run.Offset = R * Length / Runs + Pick(2);
                Run.Flags = static_cast<uint8_t>(hfAutomatic | Pick(64));
            }
        }

        TLineBreaker Breaker(Control.GetParagraphsList(), Control.GetLayout());
        test::FormatAllParagraphs(Control, Breaker, true);
        ASSERT_EQ(List.FindInconsistency(), "") << "round " << Round;
        for (int32_t P = 0; P < List.GetCount(); ++P) {
            TLinesList Lines(&List[P]);
            std::vector<TLineRecord> Before;
            for (int32_t I = 0; I < Lines.Count(); ++I) {
                const TLineRecord& L = Lines.Get(I);
                Before.push_back(L);
                EXPECT_LE(L.Width, L.FullWidth) << "round " << Round << " par " << P;
                if (List[P].ParLength() > 0) {
                    EXPECT_LT(L.Start, L.Stop) << "round " << Round << " par " << P;
                }
            }
            if (WithOverhang)
                continue; // per-byte splitting then measures differently from a re-scan
            const int32_t From = Pick(Lines.Count());
            for (const bool Full : {true, false}) {
                int32_t FirstLine = From;
                int32_t LastOld = 0;
                int32_t Delta = 0;
                Breaker.BreakLines(&K.Canvas, true, FirstLine, LastOld, Full, P,
                                   Control.GetView().TextWidth, Delta);
                EXPECT_EQ(Delta, 0) << "round " << Round << " par " << P << " from " << From;
                EXPECT_EQ(FirstLine, From);
                TLinesList After(&List[P]);
                for (int32_t I = 0; I < After.Count() && I < Lines.Count(); ++I)
                    EXPECT_EQ(After.Get(I), Before[static_cast<size_t>(I)])
                        << "round " << Round << " par " << P << " from " << From;
            }
        }
        ASSERT_EQ(List.FindInconsistency(), "") << "round " << Round;
    }
}

} // namespace
} // namespace korvel
