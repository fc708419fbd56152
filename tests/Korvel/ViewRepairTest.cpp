#include "InputTestSupport.h"
#include "KVSupport/FormatCodes.h"
#include "ViewTestSupport.h"
#include "framework/TPicture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvel::test {
namespace {

TRect LinesRect(int32_t First, int32_t Last, int32_t Top = 0) {
    return {0, First * LineH - Top, 400, (Last + 1) * LineH - Top};
}

TEST(ViewRepairTest, AnEditRepaintsItsLinesMovesWhatFollowsAndFiresOnChangeOnce) {
    TView V(ShortParagraphs(50));
    int32_t Changes = 0;
    V->OnChange = [&](TObject*) { ++Changes; };
    const auto Start = [&](int32_t Par) { return ListOf(*V).GetStartOffset(Par); };

    // A character: its line only.
    V.ClearRecords();
    Edit(*V, Start(5) + 2, Start(5) + 2, "x");
    EXPECT_EQ(Changes, 1);
    EXPECT_TRUE(V.Host.Scrolls().empty());
    ASSERT_EQ(V.Host.Invalidated().size(), 1u);
    EXPECT_EQ(V.Host.Invalidated()[0], LinesRect(5, 5));

    // A break: the lines below move down by one, the two lines repaint.
    V.ClearRecords();
    Edit(*V, Start(5) + 2, Start(5) + 2, "\r\n");
    EXPECT_EQ(Changes, 2);
    EXPECT_EQ(V->GetLineCount(), 51);
    ASSERT_EQ(V.Host.Scrolls().size(), 1u);
    EXPECT_EQ(V.Host.Scrolls()[0].Dy, LineH);
    EXPECT_EQ(V.Host.Scrolls()[0].Clip, (TRect{0, 6 * LineH, 400, 300}));
    EXPECT_EQ(V.Host.Invalidated().back(), LinesRect(5, 6));
    EXPECT_EQ(V.VBar().Max, 51 * LineH);

    // Joining them again: the lines below move up.
    V.ClearRecords();
    Edit(*V, Start(5) + 2, Start(6), "");
    EXPECT_EQ(V->GetLineCount(), 50);
    ASSERT_EQ(V.Host.Scrolls().size(), 1u);
    EXPECT_EQ(V.Host.Scrolls()[0].Dy, -LineH);
    EXPECT_EQ(V.Host.Scrolls()[0].Clip, (TRect{0, 6 * LineH, 400, 300}));
    EXPECT_EQ(V.Host.Invalidated().back(), LinesRect(5, 5));

    // Wrapping a line into two: the paragraph's lines repaint, the rest moves.
    V.ClearRecords();
    Edit(*V, Start(7), Start(7), std::string(70, 'y').append(" ").c_str());
    EXPECT_EQ(V->GetLineCount(), 51);
    ASSERT_EQ(V.Host.Scrolls().size(), 1u);
    EXPECT_EQ(V.Host.Scrolls()[0].Dy, LineH);
    EXPECT_EQ(V.Host.Invalidated().back(), LinesRect(7, 8));
    EXPECT_EQ(ListOf(*V).FindInconsistency(), "");
    EXPECT_EQ(Changes, 4);

    // Nothing changed: no OnChange.
    V->UpdateAfterChange();
    EXPECT_EQ(Changes, 4);
}

TEST(ViewRepairTest, AnEditAboveTheTopKeepsTheViewOnItsText) {
    TView V(ShortParagraphs(100));
    V->SetTopLine(40);
    const std::string TopText = ListOf(*V)[40].View().data();
    V.ClearRecords();
    Edit(*V, ListOf(*V).GetStartOffset(3), ListOf(*V).GetStartOffset(5), "");
    EXPECT_EQ(V->GetTopPixel(), 38 * LineH);
    EXPECT_EQ(V->GetTopLine(), 38);
    EXPECT_EQ(std::string(ListOf(*V)[V->GetTopLineNavigator().GetParIndex()].View()),
              std::string(ListOf(*V)[38].View()));
    EXPECT_EQ(std::string(ListOf(*V)[38].View()), std::string(TopText.c_str()));
    EXPECT_TRUE(V.Host.Scrolls().empty()); // nothing moves on screen
    EXPECT_TRUE(V.Host.Invalidated().empty());
    EXPECT_EQ(V.VBar().Pos, 38 * LineH);

    // With a background picture the moved area is repainted instead.
    V->SetBackgroundBmp(TPicture(4, 4, clYellow));
    V->SetTopLine(0);
    V.ClearRecords();
    Edit(*V, ListOf(*V).GetStartOffset(2), ListOf(*V).GetStartOffset(2), "\r\n");
    EXPECT_TRUE(V.Host.Scrolls().empty());
    EXPECT_NE(std::find(V.Host.Invalidated().begin(), V.Host.Invalidated().end(),
                        (TRect{0, 3 * LineH, 400, 300})),
              V.Host.Invalidated().end());
}

TEST(ViewRepairTest, TheUpdateBracketLaysOutOnceAndRepaintsWhatItHeldBack) {
    TView V(ShortParagraphs(30));
    int32_t Changes = 0;
    V->OnChange = [&](TObject*) { ++Changes; };
    V->BeginUpdate();
    for (int32_t I = 0; I < 5; ++I)
        Edit(*V, 0, 0, "new paragraph\r\n");
    EXPECT_EQ(Changes, 0);
    // A paint while the bracket is held draws nothing ...
    V.Host.WindowCanvas().ClearRecords();
    V->Invalidate();
    V.Host.Update();
    EXPECT_TRUE(V.Host.WindowCanvas().GetRecords().empty());
    EXPECT_TRUE(V.Host.InvalidRect().IsEmpty());
    V->EndUpdate();
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(V->GetLineCount(), 35);
    EXPECT_EQ(ListOf(*V).FindInconsistency(), "");
    EXPECT_EQ(V.VBar().Max, 35 * LineH);
    // ... and the area is painted once the bracket is closed.
    EXPECT_EQ(V.Host.InvalidRect(), (TRect{0, 0, 400, 300}));
    V.Host.Update();
    EXPECT_FALSE(V.Host.WindowCanvas().GetRecords().empty());
}

// A paint asked for while paragraphs are being formatted draws nothing; its
// area is painted when formatting ends.
TEST(ViewRepairTest, APaintWhileFormattingRunsIsMadeAfterwards) {
    TView V(ShortParagraphs(100));
    V->SetProgressInterval(0);
    int32_t Suppressed = 0;
    V->OnProgress = [&](TObject*) {
        if (!V->GetPaintSuppressed())
            return;
        ++Suppressed;
        V.Host.WindowCanvas().ClearRecords();
        V->Invalidate();
        V.Host.Update();
        EXPECT_TRUE(V.Host.WindowCanvas().GetRecords().empty());
    };
    V.Host.Clock().SetAutoStep(5);
    V->FormatParagraphs(0, 99, true, true);
    EXPECT_GT(Suppressed, 0);
    EXPECT_EQ(V.Host.InvalidRect(), (TRect{0, 0, 400, 300}));
}

TEST(ViewRepairTest, PaintingDrawsTheVisibleLinesOfTheUpdateRectangle) {
    TView V(ShortParagraphs(100));
    V->SetTopLine(10);
    V.Host.Update();
    auto Paint = [&](const TRect* Area) {
        V.Bitmap().ClearRecords();
        V.Host.WindowCanvas().ClearRecords();
        V.Host.Invalidate(Area, false);
        V.Host.Update();
    };
    Paint(nullptr);
    const std::vector<TCanvasRecord> Copies = V.Host.WindowCanvas().RecordsOf(coCopyFrom);
    ASSERT_EQ(Copies.size(), static_cast<size_t>((300 + LineH - 1) / LineH));
    EXPECT_EQ(Copies[0].Rect.Top, 0);
    EXPECT_EQ(Copies[1].Rect.Top, LineH);
    std::string Drawn;
    for (const TCanvasRecord& R : V.Bitmap().RecordsOf(coTextOut))
        Drawn += R.Text;
    EXPECT_EQ(Drawn.substr(0, 17), "kbcde lbcde mbcde");           // paragraph 10
    EXPECT_NE(Drawn.find("hbcde ibcde jbcde"), std::string::npos); // paragraph 33

    // A strip of one line paints that line only.
    const TRect Strip = LinesRect(2, 2);
    Paint(&Strip);
    ASSERT_EQ(V.Host.WindowCanvas().RecordsOf(coCopyFrom).size(), 1u);
    EXPECT_EQ(V.Host.WindowCanvas().RecordsOf(coCopyFrom)[0].Rect.Top, 2 * LineH);
    ASSERT_FALSE(V.Bitmap().RecordsOf(coTextOut).empty());
    EXPECT_EQ(V.Bitmap().RecordsOf(coTextOut)[0].Text.substr(0, 5), "mbcde");
}

TEST(ViewRepairTest, PaintingShowsTheSelectionAsStreamOrColumnBlock) {
    // Without Windows colours the band is inverted on the line bitmap.
    TView V("abcdef\r\nabcdef\r\nabcdef", {400, 300}, false);
    V.Host.SetFocus();
    const auto Bands = [&] {
        V.Bitmap().ClearRecords();
        V.Host.Invalidate(nullptr, false);
        V.Host.Update();
        std::vector<std::pair<int32_t, int32_t>> Spans; // left and right of each inversion
        for (const TCanvasRecord& R : V.Bitmap().RecordsOf(coInvertRect))
            Spans.emplace_back(R.Rect.Left, R.Rect.Right);
        return Spans;
    };
    using TSpans = std::vector<std::pair<int32_t, int32_t>>;

    // Columns 1 to 4 of the first two paragraphs: the same span on each line.
    V->SelectBlock(1, 0, 1, 4);
    ASSERT_TRUE(V->GetBlockActive());
    EXPECT_EQ(Bands(),
              (TSpans{{Margin + CharW, Margin + 4 * CharW}, {Margin + CharW, Margin + 4 * CharW}}));

    // The same ends as a stream selection run to the end of the first line
    // (with the mark of its selected paragraph end) and from the start of
    // the second.
    V->SetSelStart(1);
    V->SetSelLength(8 + 4 - 1);
    ASSERT_FALSE(V->GetBlockActive());
    const TSpans Stream = Bands();
    ASSERT_GE(Stream.size(), 2u);
    EXPECT_EQ(Stream.front().first, Margin + CharW);
    EXPECT_EQ(Stream.back(), (std::pair<int32_t, int32_t>{Margin, Margin + 4 * CharW}));

    // Hidden without focus.
    V.Host.KillFocus();
    EXPECT_TRUE(Bands().empty());
}

TEST(ViewRepairTest, TheCaretFollowsAndReportsMovesAndStyles) {
    TView V(Raw("ab\x02"
                "cd\x02"
                "ef\r\nabc"
                "                                                  "
                "                                                            "));
    V->SetStaticFormat(true);
    int32_t Moves = 0;
    int32_t Styles = 0;
    V->OnSelMove = [&](TObject*) { ++Moves; };
    V->OnStyleChange = [&](TObject*) { ++Styles; };
    V.Host.SetFocus();
    ASSERT_TRUE(V.Host.Caret().Exists);
    EXPECT_EQ(V.Host.Caret().X, Margin);

    V->GetCaretNav().SetPos(1);
    V->UpdateCaret(false);
    EXPECT_EQ(Moves, 1);
    EXPECT_EQ(Styles, 0);
    EXPECT_EQ(V.Host.Caret().X, Margin + CharW);
    V->GetCaretNav().SetPos(4); // inside the bold codes
    V->UpdateCaret(false);
    EXPECT_EQ(Moves, 2);
    EXPECT_EQ(Styles, 1);
    V->UpdateCaret(false); // nothing new to report
    EXPECT_EQ(Moves, 2);
    EXPECT_EQ(Styles, 1);
    V->GetCaretNav().SetPos(7);
    V->UpdateCaret(false);
    EXPECT_EQ(Styles, 2);

    // Re-created on request, with the line height.
    const int32_t Creations = V.Host.Caret().Creations;
    V->UpdateCaret(true);
    EXPECT_EQ(V.Host.Caret().Creations, Creations + 1);
    EXPECT_EQ(V.Host.Caret().Height, LineH);
    EXPECT_TRUE(V.Host.Caret().Visible);

    // Blanks hanging past a wrapped line's end: the caret stays inside.
    V->GetCaretNav().SetPos(V->GetTextLength());
    V->UpdateCaret(false);
    EXPECT_GE(V->GetCaretX(), 400);
    EXPECT_EQ(V.Host.Caret().X, 399);
    EXPECT_EQ(V.Host.Caret().Y, LineH);

    // A display-only control gets no caret.
    V->SetDisplayOnly(true);
    V->UpdateCaret(true);
    EXPECT_FALSE(V.Host.Caret().Exists);
}

TEST(ViewRepairTest, InvalidateLinesCoversTheStripInEitherOrderAndSkipsWhatIsHidden) {
    TView V(ShortParagraphs(100));
    V->ScrollTo(10 * LineH + 5, 0, 0);
    V.ClearRecords();
    V->InvalidateLines(14, 12, false);
    V->InvalidateLines(0, 9, false);   // above the window
    V->InvalidateLines(40, 90, false); // below it
    V->InvalidateLines(5, 10, false);  // the partly shown top line
    V->InvalidateLines(30, 40, false); // down to the bottom edge
    ASSERT_EQ(V.Host.Invalidated().size(), 3u);
    EXPECT_EQ(V.Host.Invalidated()[0], LinesRect(12, 14, 10 * LineH + 5));
    EXPECT_EQ(V.Host.Invalidated()[1], (TRect{0, 5 * LineH - 10 * LineH - 5, 400, LineH - 5}));
    EXPECT_EQ(V.Host.Invalidated()[2], (TRect{0, 20 * LineH - 5, 400, 300}));
}

// Deleting the start of a wrapped paragraph inside the update bracket leaves
// its first lines empty at offset 0 until it is formatted, so a selection end
// at the paragraph's start measured meanwhile (losing the focus repaints the
// selection) sits on line 2. Formatting must drop that line cache too, or the
// end, moved forward and made the caret, reads a line the paragraph no
// longer has.
TEST(ViewRepairTest, FormattingDropsTheLineCacheOfANavigatorAtTheParagraphStart) {
    TInputView View("abc\r\nxyz", true, TSize{20, 100}); // a character a line
    View->BeginUpdate();
    View.Select(0, 2);
    View->SetSelText("");
    View->SetSelStart(1);
    View->SetSelLength(-1);
    View.Host.KillFocus();
    ASSERT_EQ(View->GetSelStartNav().CachedLineIndex(), 2);
    View->EndUpdate();
    EXPECT_NO_THROW(View->SetSelStart(1));
    EXPECT_EQ(View.Caret(), 1);
    EXPECT_EQ(View->GetCaretLine(), 0);
    View.ExpectConsistent();
}

// A replacement that leaves a bold code open (no closing codes, as undo
// puts a lone code back) makes the text behind it bold, wider by a pixel a
// character; taking the code out again makes it normal. Either way the later
// paragraphs are broken into lines again when they are shown or paged
// through, as a fresh layout of the same text breaks them.
TEST(ViewRepairTest, CodesCarriedIntoLaterParagraphsReBreakTheirLines) {
    const std::string Word = "aaaa bbbb cccc dddd eeee ffff";
    const std::string Plain = Word + "\r\n" + Word + "\r\n" + Word + "\r\n" + Word;
    const TSize Size{70, 80}; // about six lines in view
    const auto LinesOf = [](TKorvel& Control) {
        std::vector<std::string> Lines;
        for (int32_t I = 0; I < Control.GetLineCount(); ++I)
            Lines.push_back(Control.GetLineText(I));
        return Lines;
    };
    const auto FreshLines = [&](const std::string& Of) {
        TInputView Fresh("", true, Size);
        Fresh->SetStaticFormat(true);
        LoadText(*Fresh, Of);
        return LinesOf(*Fresh);
    };
    TInputView View("", true, Size);
    View->SetStaticFormat(true);
    View->SetAllText(Plain);
    const auto ReplaceRaw = [&](int32_t From, int32_t To, const char* Text) {
        TKorvelNavigator Start(&*View), End(&*View);
        Start.SetPos(From);
        End.SetPos(To);
        View->BeginUpdate();
        View->ReplaceRangeAndRehighlight(Start, End, Text, false);
        View->EndUpdate();
        View.Key(VK_HOME, ssCtrl);
        for (int32_t Page = 0; Page < 6; ++Page)
            View.Key(VK_NEXT);
    };
    const std::vector<std::string> Normal = LinesOf(*View);
    ASSERT_EQ(Normal, FreshLines(Plain));

    ReplaceRaw(2, 2, "\x02");
    const std::string Bolded = View.Text();
    ASSERT_EQ(Bolded, "aa\x02" + Plain.substr(2));
    const std::vector<std::string> Bold = FreshLines(Bolded);
    ASSERT_NE(Bold.size(), Normal.size()); // the widths do change the breaks
    EXPECT_EQ(LinesOf(*View), Bold);
    View.ExpectConsistent();

    ReplaceRaw(2, 3, "");
    ASSERT_EQ(View.Text(), Plain);
    EXPECT_EQ(LinesOf(*View), Normal);
    View.ExpectConsistent();
}

} // namespace
} // namespace korvel::test
