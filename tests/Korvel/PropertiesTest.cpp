#include "KorvelTestSupport.h"

#include "KVSupport/TKeywordList.h"
#include "KVSupport/TKorvelHighlighter.h"
#include "KVSupport/TKorvelNavigator.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

std::vector<std::string> ParagraphTexts(TKorvel& Control) {
    std::vector<std::string> Texts;
    for (int32_t I = 0; I < Control.GetParagraphCount(); ++I)
        Texts.emplace_back(ListOf(Control)[I].View());
    return Texts;
}

} // namespace

TEST(PropertiesTest, VersionLineHeightAndCaretWidthTakeTheirValuesAsSpecified) {
    TKorvel Control;
    const std::string Version = Control.GetVersion();
    EXPECT_FALSE(Version.empty());
    Control.SetVersion("9.9");
    EXPECT_EQ(Control.GetVersion(), Version);

    Control.SetLineHeight(100000);
    EXPECT_FALSE(Control.IsLineHeightAutomatic());
    EXPECT_EQ(Control.GetLineHeight(), 65535);
    Control.SetLineHeight(-3);
    EXPECT_TRUE(Control.IsLineHeightAutomatic());
    // Reading gives the height in use, and 0 in the designer while automatic.
    EXPECT_EQ(Control.GetLineHeight(), Control.GetLineHeightPx());
    Control.SetDesigning(true);
    EXPECT_EQ(Control.GetLineHeight(), 0);
    Control.SetDesigning(false);

    // An automatic caret width follows the line height.
    Control.SetLineHeight(28);
    Control.SetCaretWidth(0);
    EXPECT_TRUE(Control.IsCaretWidthAutomatic());
    EXPECT_EQ(Control.GetCaretWidth(), 3);
    Control.SetLineHeight(13);
    EXPECT_EQ(Control.GetCaretWidth(), 1);
    Control.SetCaretWidth(-4);
    EXPECT_FALSE(Control.IsCaretWidthAutomatic());
    EXPECT_EQ(Control.GetCaretWidth(), -4);
}

TEST(PropertiesTest, LineHeightAndCaretWidthOnAFocusedLiveView) {
    TWindowed W(ShortParagraphs(50), umOnNeed);
    W->SetLineHeight(10);
    W->GetView().TopPixel = 25;
    int32_t VScrolls = 0;
    W->OnVScroll = [&](TObject*) { ++VScrolls; };
    W.Host.ClearInvalidated();
    // The same line stays on top, 5 pixels into it.
    W->SetLineHeight(20);
    EXPECT_EQ(W->GetTopPixel(), 45);
    EXPECT_EQ(VScrolls, 1);
    EXPECT_FALSE(W.Host.Invalidated().empty());
    W->SetLineHeight(20);
    EXPECT_EQ(VScrolls, 1);

    W.Host.SetFocus();
    const int32_t Creations = W.Host.Caret().Creations;
    W->SetCaretWidth(0);
    EXPECT_EQ(W.Host.Caret().Creations, Creations + 1);
    EXPECT_EQ(W.Host.Caret().Width, 20 / 14 + 1);
    EXPECT_EQ(W.Host.Caret().Height, 19);
    EXPECT_TRUE(W.Host.Caret().Visible);
    // A display-only control keeps having no caret.
    W->SetDisplayOnly(true);
    W->SetCaretWidth(2);
    EXPECT_FALSE(W.Host.Caret().Exists);
    EXPECT_EQ(W.Host.Caret().Creations, Creations + 1);
}

// Switching kvoDiscardTrailingSpaces on reloads the text without trailing
// blanks and puts the caret at 0; switching it off changes no text.
TEST(PropertiesTest, DiscardTrailingSpacesReloadsOnlyWhenSwitchedOn) {
    TKorvel Control;
    LoadText(Control, "ab  \r\ncd \t\r\nef");
    Control.GetSelStartNav().SetPos(5);
    int32_t Changes = 0;
    Control.OnChange = [&](TObject*) { ++Changes; };
    const TKorvelOptions Discard = OptionBit(kvoDiscardTrailingSpaces);
    Control.SetOptions(Control.GetOptions() | Discard);
    EXPECT_EQ(ParagraphTexts(Control), (std::vector<std::string>{"ab", "cd", "ef"}));
    EXPECT_EQ(Control.GetCaretNav().GetPos(), 0);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(ListOf(Control).FindInconsistency(), "");

    LoadText(Control, "x \r\ny");
    Changes = 0;
    Control.SetOptions(Control.GetOptions() & ~Discard);
    EXPECT_EQ(ParagraphTexts(Control), (std::vector<std::string>{"x", "y"}));
    Control.SetOptions(Control.GetOptions() | OptionBit(kvoBlockSelection));
    EXPECT_EQ(Changes, 0);
}

// StaticFormat is kept in the paragraph list and reloads a non-empty text,
// so that stored codes are read under the new rule.
TEST(PropertiesTest, StaticFormatReloadsTheTextUnderTheNewRule) {
    TKorvel Control;
    int32_t Changes = 0;
    Control.OnChange = [&](TObject*) { ++Changes; };
    Control.SetStaticFormat(true);
    Control.SetStaticFormat(false);
    EXPECT_EQ(Changes, 0); // nothing to reload

    LoadText(Control, "a\x02"
                      "b\r\nc\x01\r\nd");
    Changes = 0;
    EXPECT_EQ(ListOf(Control)[1].StartCodeState(), 0);
    Control.SetStaticFormat(true);
    EXPECT_TRUE(ListOf(Control).GetStaticFormat());
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(ListOf(Control)[1].StartCodeState(), 0x01); // bold
    EXPECT_EQ(ListOf(Control)[2].StartCodeState(), 0x03);
    EXPECT_EQ(ListOf(Control).FindInconsistency(), "");
    Control.SetStaticFormat(false);
    EXPECT_EQ(ListOf(Control)[2].StartCodeState(), 0);
    EXPECT_EQ(Changes, 2);
}

// What each setter does to a live window: repaint, re-create, or nothing;
// a value equal to the current one does nothing.
TEST(PropertiesTest, SettersRepaintOrRecreateOnlyOnChange) {
    TWindowed W(ShortParagraphs(5));
    W.PumpUntilIdle();
    TPicture Picture;
    Picture.SetImage(1, 1, {clRed});
    TPen Thick;
    Thick.SetWidth(3);
    const struct {
        const char* Name;
        std::function<void(TKorvel&)> Set;
        bool Repaints;
        bool Recreates;
    } Cases[] = {
        {"HighlightColor", [](TKorvel& C) { C.SetHighlightColor(clBlue); }, true, false},
        {"HighlightBackgnd", [](TKorvel& C) { C.SetHighlightBackgnd(clYellow); }, true, false},
        {"RightLinePos", [](TKorvel& C) { C.SetRightLinePos(80); }, true, false},
        {"ShowNonPrintChars", [](TKorvel& C) { C.SetShowNonPrintChars(1 << kvNPTab); }, true,
         false},
        {"EndOfTextMark", [&](TKorvel& C) { C.SetEndOfTextMark(Thick); }, true, false},
        {"RightLinePen colour", [](TKorvel& C) { C.GetRightLinePen().SetColor(clBlack); }, true,
         false},
        {"SpecUnderline", [&](TKorvel& C) { C.SetSpecUnderline(Thick); }, true, false},
        {"BackgroundBmp", [&](TKorvel& C) { C.SetBackgroundBmp(Picture); }, true, false},
        {"Justified", [](TKorvel& C) { C.SetJustified(true); }, true, false},
        {"Color", [](TKorvel& C) { C.SetColor(clAqua); }, true, false},
        {"BorderStyle", [](TKorvel& C) { C.SetBorderStyle(bsNone); }, false, true},
        {"ScrollBars", [](TKorvel& C) { C.SetScrollBars(ssHorizontal); }, false, true},
        {"WantTabs", [](TKorvel& C) { C.SetWantTabs(false); }, false, false},
        {"ReadOnly", [](TKorvel& C) { C.SetReadOnly(true); }, false, false},
        {"ScrollTime", [](TKorvel& C) { C.SetScrollTime(0); }, false, false},
        {"SelBackColor without a selection", [](TKorvel& C) { C.SetSelBackColor(clRed); }, false,
         false},
    };
    for (const auto& Case : Cases) {
        for (int Round = 0; Round < 2; ++Round) {
            SCOPED_TRACE(std::string(Case.Name) + (Round == 0 ? "" : " again"));
            W.Host.ClearInvalidated();
            const int32_t Recreations = W.Host.Recreations();
            Case.Set(*W);
            const bool Changed = Round == 0;
            EXPECT_EQ(!W.Host.Invalidated().empty(), Changed && Case.Repaints);
            EXPECT_EQ(W.Host.Recreations() - Recreations, Changed && Case.Recreates ? 1 : 0);
        }
    }
}

// The layout setters re-lay out (re-mark every paragraph and resume the
// background thread) exactly when lines wrap and the value changed.
TEST(PropertiesTest, LayoutSettersRelayOutWhenLinesWrap) {
    TWindowed W(ShortParagraphs(60));
    auto Relaid = [&](const std::function<void(TKorvel&)>& Set) {
        W.PumpUntilIdle();
        EXPECT_EQ(CountWith(*W, pfFormatted), 60);
        Set(*W);
        // The lines in the window are painted (and so formatted) at once;
        // the rest wait for the background steps.
        const bool Result = CountWith(*W, pfFormatted) < 60 && FormatLast(*W) == 59;
        if (Result) {
            EXPECT_EQ(W->GetFormatThreadState(), tsRunning);
        }
        return Result;
    };
    EXPECT_TRUE(Relaid([](TKorvel& C) { C.SetLeftMargin(20); }));
    EXPECT_FALSE(Relaid([](TKorvel& C) { C.SetLeftMargin(20); }));
    EXPECT_TRUE(Relaid([](TKorvel& C) { C.SetColumnWrap(30); }));
    EXPECT_TRUE(Relaid([](TKorvel& C) { C.SetTabStops(4); }));
    EXPECT_TRUE(Relaid([](TKorvel& C) { C.SetAltFont(TFont()); }));
    EXPECT_TRUE(Relaid([](TKorvel& C) { C.SetScrollBars(ssNone); }));
    EXPECT_TRUE(Relaid([](TKorvel& C) { C.SetWordWrap(false); }));
    // Left-aligned text without word wrap is one line a paragraph: margins
    // and columns change no line.
    EXPECT_FALSE(Relaid([](TKorvel& C) { C.SetRightMargin(30); }));
    EXPECT_FALSE(Relaid([](TKorvel& C) { C.SetColumnWrap(0); }));
    // Right-aligned text wraps at the window even then.
    EXPECT_TRUE(Relaid([](TKorvel& C) { C.SetAlignment(taRightJustify); }));
    EXPECT_TRUE(Relaid([](TKorvel& C) { C.SetRightMargin(12); }));
    EXPECT_FALSE(Relaid([](TKorvel& C) { C.SetAlignment(taCenter); }));
    EXPECT_TRUE(Relaid([](TKorvel& C) { C.SetAlignment(taLeftJustify); }));
}

// In the designer, the highlighting setters throw the highlighting away at
// once (the designer formats everything again); at run time they only
// store. A highlighter assigned while loading waits for Loaded.
TEST(PropertiesTest, HighlightingSettersResetOnlyInTheDesigner) {
    TWindowed W(ShortParagraphs(20), umOnNeed);
    W->FormatParagraphs(0, 19, false, false);
    W->GetKeywords().AddKeyword("bcde", clRed, clNone, 0, 1, 1, 0);
    auto Highlighted = [&] { return ListOf(*W)[3].RunCount() > 0; };
    TKorvelHighlighter Highlighter;
    const std::function<void(TKorvel&)> Setters[] = {
        [](TKorvel& C) { C.SetSeparators(" ,"); },
        [](TKorvel& C) { C.SetApplyKeyWords(true); },
        [](TKorvel& C) { C.SetApplyStartStopKeys(true); },
        [](TKorvel& C) {
            C.SetUpperCaseType(C.GetUpperCaseType() == kvuAscii ? kvuAnsi : kvuAscii);
        },
        [&](TKorvel& C) { C.SetHighlighter(C.GetHighlighter() ? nullptr : &Highlighter); },
        [](TKorvel& C) { C.SetOptions(C.GetOptions() ^ OptionBit(kvoAutoScrollBars)); },
    };
    int32_t Index = 0;
    for (const auto& Set : Setters) {
        SCOPED_TRACE(Index++);
        W->SetDesigning(false);
        W->ResetHighlighting();
        W->GetKeywords().Clear();
        W->FormatParagraphs(0, 19, false, false);
        W->GetKeywords().AddKeyword("bcde", clRed, clNone, 0, 1, 1, 0);
        Set(*W);
        EXPECT_FALSE(Highlighted());
        W->SetDesigning(true);
        Set(*W);
        EXPECT_TRUE(Highlighted());
    }
    W->SetDesigning(true);
    W->SetHighlighter(nullptr);
    W->GetKeywords().Clear();
    W->ResetHighlighting();
    W->GetKeywords().AddKeyword("bcde", clRed, clNone, 0, 1, 1, 0);
    W->BeginLoading();
    W->SetHighlighter(&Highlighter);
    EXPECT_FALSE(Highlighted());
    W->EndLoading(); // Loaded: a highlighter applies
    EXPECT_TRUE(Highlighted());
}

TEST(PropertiesTest, LoadFromStreamResetsTheStoreAndReports) {
    TWindowed W(ShortParagraphs(30), umImmediate);
    W->SetOptions(W->GetOptions() | OptionBit(kvoAutoLineBreak));
    W->GetSelStartNav().SetPos(40);
    std::vector<std::string> Log;
    W->OnParse = [&](TObject*, int32_t From, int32_t To) {
        Log.push_back("parse " + std::to_string(From) + ".." + std::to_string(To));
    };
    W->OnProgress = [&](TObject*) { Log.push_back("progress"); };
    W->OnChange = [&](TObject*) { Log.push_back("change"); };
    LoadText(*W, "one\ntwo\nthree");
    EXPECT_EQ(Log.back(), "change");
    EXPECT_NE(std::find(Log.begin(), Log.end(), "parse 0..15"), Log.end());
    EXPECT_EQ(W->GetLineBreak(), kbLF);
    EXPECT_EQ(W->GetParagraphCount(), 3);
    EXPECT_EQ(W->GetCaretNav().GetPos(), 0);
    EXPECT_EQ(W->GetSelLength(), 0);
    EXPECT_EQ(CountWith(*W, pfFormatted), 3); // umImmediate formats at once
    EXPECT_EQ(FormatLast(*W), -1);

    // A failing stream: the text stays, the control is consistent, and
    // OnChange is not called.
    class TFailingStream : public TMemoryStream {
    public:
        using TMemoryStream::TMemoryStream;
        int64_t Read(void*, int64_t) override { throw EReadError("disk gone"); }
    };
    TFailingStream Failing("abc");
    Log.clear();
    EXPECT_THROW(W->LoadFromStream(Failing), EReadError);
    EXPECT_EQ(std::find(Log.begin(), Log.end(), "change"), Log.end());
    EXPECT_EQ(W->GetAllText(), "one\r\ntwo\r\nthree");
    EXPECT_EQ(W->GetUpdateLock(), 0);
    EXPECT_EQ(ListOf(*W).FindInconsistency(), "");
}
