#include "KVSupport/TKorvelNavigator.h"

#include "KorvelTestSupport.h"
#include "NavigatorTestSupport.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace korvel;
using namespace korvel::test;

namespace {

std::string Copy(TKorvelNavigator& Nav, int32_t N) {
    std::string Buffer(static_cast<size_t>(N) + 1, '#');
    const int32_t Written = Nav.CopyText(Buffer.data(), N);
    EXPECT_EQ(Buffer[static_cast<size_t>(Written)], '\0');
    Buffer.resize(static_cast<size_t>(Written));
    return Buffer;
}

} // namespace

TEST(NavigatorTest, CreationRegistersAndRefusesOtherObjects) {
    TCustomKorvel Control;
    {
        TKorvelNavigator Nav(&Control);
        EXPECT_EQ(Control.GetNavigators().back(), &Nav);
    }
    EXPECT_TRUE(Control.GetNavigators().empty());

    TObject NotAControl;
    try {
        TKorvelNavigator Nav(&NotAControl);
        FAIL() << "created on an object that is not a control";
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "Internal error: component is not a TKorvel");
    }
    EXPECT_TRUE(Control.GetNavigators().empty());

    // Without a control the navigator keeps a position but cannot read text.
    TKorvelNavigator Loose;
    Loose.SetPos(5);
    EXPECT_EQ(Loose.GetPos(), 5);
    EXPECT_THROW(Loose.CharAt(), Exception);
}

TEST(NavigatorTest, OutlivingItsControlLeavesTheNavigatorWithoutOne) {
    auto Control = std::make_unique<TCustomKorvel>();
    TKorvelNavigator Nav(Control.get());
    Nav.GetParIndex();
    Control.reset();
    EXPECT_EQ(Nav.GetControl(), nullptr);
    EXPECT_FALSE(Nav.HasParCache());
    try {
        Nav.GetParIndex();
        FAIL();
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "Internal Korvel error");
    }
}

TEST(NavigatorTest, BreaksReadAsCrLfAndBelongToThePrecedingParagraph) {
    TTestKorvel K("ab\r\nc");
    TKorvelNavigator Nav(&K.Control);
    Nav.SetPos(2);
    EXPECT_EQ(Nav.CharAt(), 13);
    Nav.SetPos(3);
    EXPECT_EQ(Nav.CharAt(), 10);
    EXPECT_EQ(Nav.GetParIndex(), 0);
    EXPECT_EQ(Nav.GetParOffset(), 3);
    Nav.SetPos(4);
    EXPECT_EQ(Nav.GetParIndex(), 1);
    EXPECT_EQ(Nav.GetParOffset(), 0);
    EXPECT_EQ(Nav.CharAt(), 'c');
    Nav.SetPos(5); // the text length
    EXPECT_EQ(Nav.CharAt(), 13);

    // Positions outside the text are limited to it.
    Nav.SetPos(99);
    EXPECT_EQ(Nav.GetPos(), 5);
    Nav.SetPos(-4);
    EXPECT_EQ(Nav.GetPos(), 0);
}

TEST(NavigatorTest, SetPosFollowsForwardMovesAndDropsCachesOtherwise) {
    TTestKorvel K("abcdefgh\r\nxy");
    WrapAt(K.Control, 0, {0, 3, 6});
    AddRun(K.Control, 0, 2);
    AddRun(K.Control, 0, 5);
    TKorvelNavigator Nav(&K.Control);
    Nav.SetPos(1);
    EXPECT_EQ(Nav.GetLineIndex(), 0);
    EXPECT_EQ(Nav.GetRunIndex(), 0);

    Nav.SetPos(3); // forward onto a wrap: the next line
    EXPECT_EQ(Nav.CachedLineIndex(), 1);
    EXPECT_EQ(Nav.CachedRunIndex(), 1);
    Nav.SetPos(9); // the middle of the break still belongs to paragraph 0
    EXPECT_EQ(Nav.CachedParIndex(), 0);
    EXPECT_EQ(Nav.CachedLineIndex(), 2);
    EXPECT_EQ(Nav.CachedRunIndex(), 2);

    Nav.SetPos(4); // backward within the paragraph
    EXPECT_TRUE(Nav.HasParCache());
    EXPECT_EQ(Nav.CachedParOffset(), 4);
    EXPECT_EQ(Nav.CachedLineIndex(), -1);
    EXPECT_EQ(Nav.CachedRunIndex(), -1);
    EXPECT_EQ(Nav.GetLineIndex(), 1);

    Nav.SetPos(10); // into the next paragraph
    EXPECT_FALSE(Nav.HasParCache());
    EXPECT_EQ(Nav.CachedLineIndex(), -1);
    EXPECT_EQ(Nav.GetParIndex(), 1);
    EXPECT_TRUE(CachesAgree(Nav));
}

TEST(NavigatorTest, ParagraphSearchFindsEveryPositionInAnUnevenText) {
    // Long stretches of empty paragraphs next to long ones put a
    // proportional guess far from the answer, across several record blocks.
    std::string Text;
    std::vector<int32_t> Starts;
    for (int I = 0; I < 3000; ++I) {
        Starts.push_back(static_cast<int32_t>(Text.size()));
        if (I % 1000 == 999)
            Text += std::string(20000, 'x');
        else if (I < 1500)
            Text += "ab";
        Text += "\r\n";
    }
    Starts.push_back(static_cast<int32_t>(Text.size()));
    TTestKorvel K(Text);
    TKorvelNavigator Nav(&K.Control);
    TKorvelNavigator Sequential(&K.Control);
    for (int32_t Pos = 0; Pos <= K.Control.GetTextLength(); Pos += 7) {
        const auto Expected = static_cast<int32_t>(
            std::upper_bound(Starts.begin(), Starts.end(), Pos) - Starts.begin() - 1);
        Nav.Reset();
        Nav.SetPos(Pos);
        ASSERT_EQ(Nav.GetParIndex(), Expected) << Pos;
        ASSERT_EQ(Nav.GetParOffset(), Pos - Starts[static_cast<size_t>(Expected)]);
        Sequential.SetPos(Pos); // searches from the paragraph it left
        ASSERT_EQ(Sequential.GetParIndex(), Expected) << Pos;
    }
}

TEST(NavigatorTest, SetParagraphAndSetParOffset) {
    TTestKorvel K("abc\r\n0123456789\r\n");
    WrapAt(K.Control, 1, {0, 4, 8});
    AddRun(K.Control, 1, 4);
    TKorvelNavigator Nav(&K.Control);
    Nav.SetParagraph(1);
    EXPECT_EQ(Nav.GetPos(), 5);
    EXPECT_EQ(Nav.CachedLineIndex(), 0);
    EXPECT_EQ(Nav.CachedRunIndex(), 0);
    EXPECT_THROW(Nav.SetParagraph(3), ERangeError);
    EXPECT_EQ(Nav.GetPos(), 5);

    // A position at a line's start counts as the end of the line before it,
    // and the runs starting there are not yet in force.
    Nav.SetParOffset(4);
    EXPECT_EQ(Nav.GetPos(), 9);
    EXPECT_EQ(Nav.CachedLineIndex(), 0);
    EXPECT_EQ(Nav.CachedRunIndex(), 0);
    Nav.SetParOffset(5);
    EXPECT_EQ(Nav.CachedLineIndex(), 1);
    EXPECT_EQ(Nav.CachedRunIndex(), 1);
    Nav.SetParOffset(50); // limited to the paragraph's length
    EXPECT_EQ(Nav.GetParOffset(), 10);
    EXPECT_EQ(Nav.CachedLineIndex(), 2);
    Nav.SetParOffset(-3);
    EXPECT_EQ(Nav.GetParOffset(), 0);
    EXPECT_TRUE(CachesAgree(Nav));
}

TEST(NavigatorTest, CopyTextWritesBreaksAsCrLfAndStopsAtTheEnd) {
    TTestKorvel K("ab\r\ncd\r\n\r\ne");
    TKorvelNavigator Nav(&K.Control);
    Nav.SetPos(1);
    EXPECT_EQ(Copy(Nav, 6), "b\r\ncd\r");
    EXPECT_EQ(Nav.GetPos(), 1);
    Nav.SetPos(2);
    EXPECT_EQ(Copy(Nav, 3), "\r\nc");
    Nav.SetPos(3);
    EXPECT_EQ(Copy(Nav, 2), "\nc");
    EXPECT_EQ(Copy(Nav, 0), "");
    EXPECT_EQ(Copy(Nav, 100), "\ncd\r\n\r\ne");
    Nav.SetPos(K.Control.GetTextLength());
    EXPECT_EQ(Copy(Nav, 5), "");
}

TEST(NavigatorTest, DisplayLinesOfAWrappedParagraph) {
    TTestKorvel K("xx\r\nthe quick brown\r\nend");
    WrapAt(K.Control, 1, {0, 4, 10});
    TKorvelNavigator Nav(&K.Control);
    Nav.SetPos(4 + 4); // paragraph 1 at a wrap
    EXPECT_EQ(Nav.GetLineIndex(), 1);
    EXPECT_EQ(Nav.GetGlobalLine(), 2);
    EXPECT_EQ(Nav.GetLineOffset(), 0);
    std::string Line;
    Nav.GetLineText(Line);
    EXPECT_EQ(Line, "quick ");
    EXPECT_EQ(Nav.GetLines().Count(), 3);

    // A line offset stays on the current line, also at its end.
    EXPECT_EQ(Nav.SetLineOffset(100), 4 + 10);
    EXPECT_EQ(Nav.GetLineIndex(), 1);
    EXPECT_EQ(Nav.GetLineOffset(), 6);
    EXPECT_EQ(Nav.CachedRunIndex(), -1);
    Nav.SetLineOffset(2);
    EXPECT_EQ(Nav.GetPos(), 4 + 6);

    Nav.SetPos(4 + 15); // the paragraph end lies on the last line
    EXPECT_EQ(Nav.GetLineIndex(), 2);
    Nav.SetPos(4 + 16); // and so does the middle of its break
    EXPECT_EQ(Nav.GetLineIndex(), 2);
    Nav.GetLineText(Line);
    EXPECT_EQ(Line, "brown");
}

TEST(NavigatorTest, SetGlobalLineFindsLinesAndLimitsThem) {
    TTestKorvel K("aaaa\r\nbbbbbbbb\r\n\r\ncccccc");
    WrapAt(K.Control, 1, {0, 3, 6});
    WrapAt(K.Control, 3, {0, 2});
    AddRun(K.Control, 1, 1);
    AddRun(K.Control, 1, 4);
    WrapAt(K.Control, 1, {0, 3, 6}); // line run counts after the runs exist
    ASSERT_EQ(K.Control.GetLineCount(), 7);
    TKorvelNavigator Nav(&K.Control);

    const int32_t ParOf[] = {0, 1, 1, 1, 2, 3, 3};
    const int32_t StartOf[] = {0, 6, 9, 12, 16, 18, 20};
    for (int32_t L = 0; L < 7; ++L) {
        Nav.SetGlobalLine(L);
        EXPECT_EQ(Nav.GetParIndex(), ParOf[L]) << L;
        EXPECT_EQ(Nav.GetPos(), StartOf[L]) << L;
        EXPECT_EQ(Nav.GetGlobalLine(), L);
        EXPECT_TRUE(CachesAgree(Nav)) << L;
    }
    Nav.SetGlobalLine(2);
    EXPECT_EQ(Nav.CachedRunIndex(), 1); // taken from the line record
    Nav.SetGlobalLine(50);
    EXPECT_EQ(Nav.GetGlobalLine(), 6);
    Nav.SetGlobalLine(-2);
    EXPECT_EQ(Nav.GetPos(), 0);

    // A run added after formatting makes the line's run count stale: it is
    // not trusted.
    AddRun(K.Control, 1, 2);
    Nav.SetGlobalLine(2);
    EXPECT_TRUE(CachesAgree(Nav));
    EXPECT_EQ(Nav.GetRunIndex(), 2);

    // Without word wrap (left aligned) every paragraph is one line.
    K.Control.SetWordWrap(false);
    Nav.SetGlobalLine(3);
    EXPECT_EQ(Nav.GetParIndex(), 3);
    Nav.SetGlobalLine(9);
    EXPECT_EQ(Nav.GetParIndex(), 3);
    // Right-aligned text is wrapped even then and is found by its lines.
    K.Control.SetAlignment(taRightJustify);
    Nav.SetGlobalLine(3);
    EXPECT_EQ(Nav.GetPos(), 12);
}

TEST(NavigatorTest, CodeStateFollowsTheCodesBeforeThePosition) {
    TTestKorvel K("a\x02"
                  "b\x01"
                  "c\x02"
                  "d\r\ne");
    TKorvelNavigator Nav(&K.Control);
    Nav.SetPos(4);
    EXPECT_EQ(Nav.GetCodeState(), 0); // codes are plain bytes while StaticFormat is off

    K.Control.SetStaticFormat(true);
    LoadControlText(K.Control, "a\x02"
                               "b\x01"
                               "c\x02"
                               "d\r\ne");
    WrapAt(K.Control, 0, {0, 3});
    Nav.Reset();
    const uint8_t Expected[] = {
        0, 0, csBold, csBold, csBold | csItalic, csBold | csItalic, csItalic, csItalic};
    for (int32_t Pos = 0; Pos < 8; ++Pos) {
        Nav.SetPos(Pos);
        EXPECT_EQ(Nav.GetCodeState(), Expected[Pos]) << Pos;
    }
    Nav.SetPos(9); // the next paragraph starts with the state carried over
    EXPECT_EQ(Nav.GetCodeState(), csItalic);
}

TEST(NavigatorTest, RunIndexCurrentRunAndSkipRunsHere) {
    TTestKorvel K("abcdef\r\ngh");
    TKorvelNavigator Nav(&K.Control);
    Nav.SetPos(3);
    EXPECT_EQ(Nav.GetRunIndex(), 0);
    EXPECT_TRUE(IsDefaultRun(&Nav.CurrentRun()));

    AddRun(K.Control, 0, 1, StyleRun(fsBold));
    AddRun(K.Control, 0, 3, StyleRun(fsItalic));
    Nav.Reset();
    Nav.SetPos(3);
    EXPECT_EQ(Nav.GetRunIndex(), 1);
    EXPECT_EQ(Nav.CurrentRun().Flags & hfStyleMask, fsBold);
    Nav.SkipRunsHere();
    EXPECT_EQ(Nav.GetRunIndex(), 2);
    HighlightRun Run;
    Nav.GetRun(Run);
    EXPECT_EQ(Run.Flags & hfStyleMask, fsItalic);
    Nav.SetPos(6); // forward: the skipped count stays valid
    EXPECT_EQ(Nav.CachedRunIndex(), 2);

    // A paragraph's start run is in force before its first run.
    K.Control.GetParagraphsList()[1].SetStartRun(
        &K.Control.GetParagraphsList()[0].GetExtra()->Runs[1], true);
    Nav.SetPos(8);
    EXPECT_EQ(Nav.CurrentRun().Flags & hfStyleMask, fsItalic);
}

TEST(NavigatorTest, InsertRunAndDeleteRun) {
    TTestKorvel K("abcdef");
    TKorvelNavigator Nav(&K.Control);
    Nav.SetPos(4);
    Nav.InsertRun(StyleRun(fsBold)); // attaches the extension to a compact paragraph
    Nav.SetPos(1);
    Nav.InsertRun(StyleRun(fsItalic));
    EXPECT_EQ(Nav.CachedRunIndex(), 1);
    Nav.SetPos(5);
    Nav.InsertRun(StyleRun(fsUnderline));
    const TDynInfoArray& Runs = K.Control.GetParagraphsList()[0].GetExtra()->Runs;
    ASSERT_EQ(Runs.size(), 3u);
    EXPECT_EQ(Runs[0].Offset, 1);
    EXPECT_EQ(Runs[1].Offset, 4);
    EXPECT_EQ(Runs[2].Offset, 5);
    EXPECT_EQ(Runs[1].Flags & hfStyleMask, fsBold);
    EXPECT_EQ(K.Control.GetParagraphsList()[0].ParLength(), 6);

    Nav.SetPos(3); // no run starts here
    try {
        Nav.DeleteRun();
        FAIL();
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "Internal Korvel error");
    }
    EXPECT_EQ(Runs.size(), 3u);
    Nav.SetPos(4);
    Nav.GetLineIndex();
    Nav.DeleteRun();
    EXPECT_EQ(Nav.CachedLineIndex(), -1);
    ASSERT_EQ(Runs.size(), 2u);
    EXPECT_EQ(Runs[1].Offset, 5);
    Nav.SkipRunsHere(); // nothing starts here any more
    EXPECT_EQ(Nav.GetRunIndex(), 1);
}

TEST(NavigatorTest, PrevRunAndNextRunSearchAcrossParagraphsWithinLimits) {
    // Paragraphs start at 0, 8, 12, 18; runs at 2 and 4 of paragraph 0 and
    // at 3 of paragraph 3 (absolute 2, 4, 21).
    TTestKorvel K("abcdef\r\ngh\r\nijkl\r\nmnopq");
    AddRun(K.Control, 0, 2);
    AddRun(K.Control, 0, 4);
    AddRun(K.Control, 3, 3);
    TKorvelNavigator Nav(&K.Control);

    Nav.SetPos(14);
    Nav.GetLineIndex();
    ASSERT_TRUE(Nav.PrevRun(0));
    EXPECT_EQ(Nav.GetPos(), 4);
    EXPECT_EQ(Nav.CachedRunIndex(), 1);
    EXPECT_EQ(Nav.CachedLineIndex(), -1);
    ASSERT_TRUE(Nav.PrevRun(0)); // the run at the position does not count
    EXPECT_EQ(Nav.GetPos(), 2);
    EXPECT_FALSE(Nav.PrevRun(0)); // the first paragraph has no earlier run
    EXPECT_EQ(Nav.GetPos(), 2);
    EXPECT_TRUE(CachesAgree(Nav));

    Nav.SetPos(14);
    EXPECT_FALSE(Nav.PrevRun(5)); // the run found lies before the limit
    EXPECT_FALSE(Nav.PrevRun(8)); // the search stops at a paragraph starting at the limit
    EXPECT_EQ(Nav.GetPos(), 14);
    EXPECT_TRUE(Nav.PrevRun(4)); // a run starting at the limit is found
    EXPECT_EQ(Nav.GetPos(), 4);
    Nav.SetPos(4);
    Nav.SkipRunsHere(); // the run starting here is in force: PrevRun finds it
    ASSERT_TRUE(Nav.PrevRun(0));
    EXPECT_EQ(Nav.GetPos(), 4);

    Nav.SetPos(4); // exactly at a run start: NextRun stays on it
    ASSERT_TRUE(Nav.NextRun(100));
    EXPECT_EQ(Nav.GetPos(), 4);
    Nav.SkipRunsHere();
    ASSERT_TRUE(Nav.NextRun(100));
    EXPECT_EQ(Nav.GetPos(), 21);
    EXPECT_EQ(Nav.GetParIndex(), 3);
    EXPECT_EQ(Nav.CachedRunIndex(), 0);
    EXPECT_TRUE(CachesAgree(Nav));
    Nav.SkipRunsHere();
    EXPECT_FALSE(Nav.NextRun(100)); // no run until the end of the text
    Nav.SetPos(5);
    EXPECT_FALSE(Nav.NextRun(20)); // the run found lies after the limit
    EXPECT_FALSE(Nav.NextRun(6));  // paragraph 0 ends at the limit
    EXPECT_EQ(Nav.GetPos(), 5);
    EXPECT_TRUE(Nav.NextRun(21));
    EXPECT_EQ(Nav.GetPos(), 21);
}

TEST(NavigatorTest, WordMoves) {
    TSeparatorSet Seps; // tab, LF, CR, blank, $ % & , . / : ; < = >
    TTestKorvel K("ab cd, ef\r\n  gh");
    TKorvelNavigator Nav(&K.Control);
    const auto Left = [&](int32_t From) {
        Nav.SetPos(From);
        Nav.WordLeft(Seps);
        return Nav.GetPos();
    };
    const auto Right = [&](int32_t From) {
        Nav.SetPos(From);
        Nav.WordRight(Seps);
        return Nav.GetPos();
    };
    EXPECT_EQ(Left(0), 0);
    EXPECT_EQ(Left(1), 0);
    EXPECT_EQ(Left(5), 3);
    EXPECT_EQ(Left(7), 3);  // back over ", " then over "cd"
    EXPECT_EQ(Left(13), 7); // back over the blanks and the break
    EXPECT_EQ(Left(15), 13);

    EXPECT_EQ(Right(0), 3);
    EXPECT_EQ(Right(3), 7);
    EXPECT_EQ(Right(7), 13);  // the separators after a word include breaks
    EXPECT_EQ(Right(9), 11);  // over the break, and only over it
    EXPECT_EQ(Right(10), 13); // from the middle of the break over the blanks
    EXPECT_EQ(Right(14), 15);
    EXPECT_EQ(Right(15), 15); // the end of the text

    Nav.SetPos(4);
    Nav.WordEnd(Seps);
    EXPECT_EQ(Nav.GetPos(), 5);
    Nav.SetPos(8);
    Nav.WordEnd(Seps); // stops at the paragraph end
    EXPECT_EQ(Nav.GetPos(), 9);
    Nav.SetPos(4);
    Nav.WordStart(Seps);
    EXPECT_EQ(Nav.GetPos(), 3);
    Nav.SetPos(6); // on the blank after ",": back over the separators, then the word
    Nav.WordStart(Seps);
    EXPECT_EQ(Nav.GetPos(), 3);
    Nav.SetPos(11); // a paragraph start stays
    Nav.WordStart(Seps);
    EXPECT_EQ(Nav.GetPos(), 11);
    EXPECT_TRUE(CachesAgree(Nav));
}

TEST(NavigatorTest, InvalidateNavigatorsDropsLineAndRunCachesInTheRange) {
    TTestKorvel K("abcdef\r\nghijkl\r\nmnop");
    WrapAt(K.Control, 1, {0, 3});
    TKorvelNavigator A(&K.Control), B(&K.Control), C(&K.Control), D(&K.Control);
    const auto Prime = [](TKorvelNavigator& Nav, int32_t Pos) {
        Nav.SetPos(Pos);
        Nav.GetLineIndex();
        Nav.GetRunIndex();
    };
    Prime(A, 2);  // before the range
    Prime(B, 8);  // at the first re-formatted paragraph's start: dropped too
    Prime(C, 12); // inside
    Prime(D, 17); // after LastPara
    TKorvelNavigator::InvalidateNavigators(K.Control, 8, 1);
    EXPECT_EQ(A.CachedLineIndex(), 0);
    EXPECT_EQ(B.CachedLineIndex(), -1);
    EXPECT_EQ(C.CachedLineIndex(), -1);
    EXPECT_EQ(C.CachedRunIndex(), -1);
    EXPECT_TRUE(C.HasParCache());
    EXPECT_EQ(D.CachedRunIndex(), 0);
}

TEST(NavigatorTest, AdjustAfterReplaceKeepsRegisteredNavigatorsWithTheirText) {
    // Paragraphs "abc", "defgh", "ij", "", "klmnop" start at 0, 5, 12, 16, 18.
    const std::string Old = "abc\r\ndefgh\r\nij\r\n\r\nklmnop";
    struct TCase {
        int32_t Pos1;
        int32_t Pos2;
        std::string Inserted;
    };
    const TCase Cases[] = {
        {6, 8, "XYZ"},         // inside one paragraph
        {2, 13, "Q"},          // over two breaks
        {6, 6, "1\r\n2\r\n3"}, // new breaks
        {3, 5, ""},            // a break removed
        {0, 24, ""},           // everything
    };
    for (const TCase& C : Cases) {
        // The replacement is simulated by loading the new text into the same
        // list: its records land in the slots a replacement would leave them
        // in (one record block, so cached records stay addressable).
        TTestKorvel K(Old);
        WrapAt(K.Control, 0, {0, 1, 2});
        std::vector<std::unique_ptr<TKorvelNavigator>> Navs;
        for (int32_t Pos = 0; Pos <= K.Control.GetTextLength(); ++Pos) {
            Navs.push_back(std::make_unique<TKorvelNavigator>(&K.Control));
            Navs.back()->SetPos(Pos);
            if (Pos % 3 != 0) { // some with caches, some without
                Navs.back()->GetLineIndex();
                Navs.back()->GetRunIndex();
            }
        }
        TKorvelNavigator SelStart(&K.Control);
        SelStart.SetPos(C.Pos2);
        const int32_t P2 = SelStart.GetParIndex();
        const int32_t OldCount = K.Control.GetParagraphCount();

        const std::string New = Old.substr(0, static_cast<size_t>(C.Pos1)) + C.Inserted +
                                Old.substr(static_cast<size_t>(C.Pos2));
        LoadControlText(K.Control, New);
        SelStart.Reset();
        SelStart.SetPos(C.Pos1);
        SelStart.GetParIndex();
        const int32_t CharDelta = static_cast<int32_t>(C.Inserted.size()) - (C.Pos2 - C.Pos1);
        const int32_t D = K.Control.GetParagraphCount() - OldCount;
        for (TKorvelNavigator* Nav : K.Control.GetNavigators())
            if (Nav != &SelStart)
                Nav->AdjustAfterReplace(SelStart, C.Pos1, C.Pos2, P2, CharDelta, D);

        for (int32_t From = 0; From < static_cast<int32_t>(Navs.size()); ++From) {
            TKorvelNavigator& Nav = *Navs[static_cast<size_t>(From)];
            const int32_t Expected = From < C.Pos1    ? From
                                     : From <= C.Pos2 ? C.Pos1
                                                      : From + CharDelta;
            EXPECT_EQ(Nav.GetPos(), Expected) << C.Inserted << " from " << From;
            EXPECT_TRUE(CachesAgree(Nav)) << C.Inserted << " from " << From;
        }
    }
}
