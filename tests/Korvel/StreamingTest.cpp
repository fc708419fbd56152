#include "KorvelTestSupport.h"

#include "KVSupport/TKeywordList.h"
#include "KVSupport/TKorvelHighlighter.h"
#include "KVSupport/TStartStopKeyList.h"
#include "Korvel/TKorvelStreaming.h"
#include "framework/Exceptions.h"
#include "framework/ObjectTextToBinary.h"
#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

uint64_t EnvOr(const char* Name, uint64_t Default) {
    const char* Value = std::getenv(Name);
    return Value != nullptr && *Value != 0 ? std::strtoull(Value, nullptr, 10) : Default;
}

std::string Written(TKorvel& Control, const TFormReferences* References = nullptr) {
    TMemoryStream Stream;
    TKorvelStreaming(Control, References).WriteComponent(Stream);
    return Stream.DataString();
}

void Read(TKorvel& Control, const std::string& Bytes, const TFormReferences* References = nullptr) {
    TMemoryStream Stream(Bytes);
    TKorvelStreaming(Control, References).ReadComponent(Stream);
}

// The message of the EReadError reading Bytes raises, "" when none.
std::string ReadError(TKorvel& Control, const std::string& Bytes,
                      const TFormReferences* References = nullptr) {
    try {
        Read(Control, Bytes, References);
    } catch (const EReadError& Error) {
        return Error.what();
    }
    return "";
}

// The names of the properties a stored component holds, in order.
std::vector<std::string> StoredNames(const std::string& Bytes) {
    TMemoryStream Stream(Bytes);
    Stream.SetPosition(4);
    TValueReader Reader(Stream);
    Reader.ReadStr();
    Reader.ReadStr();
    std::vector<std::string> Names;
    while (!Reader.EndOfList()) {
        Names.push_back(Reader.ReadStr());
        Reader.SkipValue();
    }
    return Names;
}

void DescribeFont(std::ostream& S, const char* Name, const TFont& F) {
    S << Name << "=" << F.GetName() << "/" << F.GetHeight() << "/" << F.GetColor() << "/"
      << int{F.GetStyle()} << "/" << int{F.GetCharset()} << "/" << int{F.GetPitch()} << "\n";
}

void DescribePen(std::ostream& S, const char* Name, const TPen& P) {
    S << Name << "=" << P.GetColor() << "/" << P.GetWidth() << "/" << int{P.GetStyle()} << "\n";
}

// Every published property and list of the control, one per line.
std::string Describe(TKorvel& C) {
    std::ostringstream S;
    S << "Bounds=" << C.GetLeft() << "," << C.GetTop() << "," << C.GetWidth() << ","
      << C.GetHeight() << "\nCursor=" << C.GetCursor() << "\nColor=" << C.GetColor()
      << "\nParentColor=" << C.GetParentColor() << "\nParentFont=" << C.GetParentFont()
      << "\nCtl3D=" << C.GetCtl3D() << "\nTabStop=" << C.GetTabStop() << "\n";
    DescribeFont(S, "Font", C.GetFont());
    DescribeFont(S, "AltFont", C.GetAltFont());
    DescribePen(S, "EndOfTextMark", C.GetEndOfTextMark());
    DescribePen(S, "RightLinePen", C.GetRightLinePen());
    DescribePen(S, "SpecUnderline", C.GetSpecUnderline());
    const TPicture& P = C.GetBackgroundBmp();
    S << "BackgroundBmp=" << P.GetWidth() << "x" << P.GetHeight();
    for (const uint32_t Pixel : P.GetPixels())
        S << " " << Pixel;
    S << "\nAlignment=" << int{C.GetAlignment()} << "\nBorderStyle=" << int{C.GetBorderStyle()}
      << "\nHideSelection=" << C.GetHideSelection() << "\nScrollBars=" << int{C.GetScrollBars()}
      << "\nWantTabs=" << C.GetWantTabs() << "\nWordWrap=" << C.GetWordWrap()
      << "\nApplyKeyWords=" << C.GetApplyKeyWords()
      << "\nApplyStartStopKeys=" << C.GetApplyStartStopKeys()
      << "\nCaretWidth=" << C.GetCaretWidth() << "/" << C.IsCaretWidthAutomatic()
      << "\nColumnWrap=" << C.GetColumnWrap() << "\nDisplayOnly=" << C.GetDisplayOnly()
      << "\nEnableHotKeys=" << C.GetEnableHotKeys()
      << "\nHighlightBackgnd=" << C.GetHighlightBackgnd()
      << "\nHighlightColor=" << C.GetHighlightColor() << "\nHighlighter=" << C.GetHighlighter()
      << "\nJustified=" << C.GetJustified() << "\nLeftMargin=" << C.GetLeftMargin()
      << "\nLineBreak=" << int{C.GetLineBreak()} << "\nLineHeight=" << C.GetLineHeight() << "/"
      << C.IsLineHeightAutomatic() << "\nMouseWheelFactor=" << C.GetMouseWheelFactor()
      << "\nNullReplacement=" << int{C.GetNullReplacement()} << "\nOptions=" << C.GetOptions()
      << "\nOverwrite=" << C.GetOverwrite() << "\nPassOverCodes=" << C.GetPassOverCodes()
      << "\nProgressInterval=" << C.GetProgressInterval() << "\nReadOnly=" << C.GetReadOnly()
      << "\nRightLinePos=" << C.GetRightLinePos() << "\nRightMargin=" << C.GetRightMargin()
      << "\nScrollTime=" << C.GetScrollTime() << "\nSelBackColor=" << C.GetSelBackColor()
      << "\nSelTextColor=" << C.GetSelTextColor() << "\nSeparators=" << C.GetSeparators()
      << "\nShowEndParSelected=" << C.GetShowEndParSelected()
      << "\nShowNonPrintChars=" << int{C.GetShowNonPrintChars()}
      << "\nStaticFormat=" << C.GetStaticFormat() << "\nTabStops=" << C.GetTabStops()
      << "\nUndoMaxSpace=" << C.GetUndoMaxSpace() << "\nUndoMaxLevel=" << C.GetUndoMaxLevel()
      << "\nUpperCaseType=" << int{C.GetUpperCaseType()}
      << "\nUpdateMode=" << int{C.GetUpdateMode()} << "\nVersion=" << C.GetVersion() << "\n";
    const TKeywordList& Keywords = C.GetKeywords();
    for (int32_t I = 0; I < Keywords.GetCount(); ++I) {
        const TKeyInfoLen& K = Keywords.GetKeyRecord(I);
        S << "Keyword=" << K.Key << "/" << int{K.Options} << "/" << int{K.Style} << "/" << K.Context
          << "/" << K.Cursor << "/" << K.BackColor << "/" << K.TextColor << "/" << K.Extra1 << "/"
          << K.Extra2 << "/" << K.Extra3 << "\n";
    }
    // The start/stop list stores its keys as matched (upper-cased unless
    // they match case), so those are what survives.
    const TStartStopKeyList& Keys = C.GetStartStopKeys();
    for (int32_t I = 0; I < Keys.GetCount(); ++I) {
        const StartStopInfo& K = Keys[I];
        S << "Key=" << K.StartBufView() << "/" << K.StopBufView() << "/" << int{K.Options} << "/"
          << int{K.Style} << "/" << K.Context << "/" << K.Cursor << "/" << K.BackColor << "/"
          << K.TextColor << "/" << K.StopAtParEnd << "/" << K.Extra1 << "/" << K.Extra2 << "/"
          << K.Extra3 << "\n";
    }
    return S.str();
}

// Random values for every published property and list.
class TRandomProperties {
public:
    explicit TRandomProperties(uint64_t Seed) : Random(Seed) {}

    int32_t Int(int32_t Min, int32_t Max) {
        return std::uniform_int_distribution<int32_t>(Min, Max)(Random);
    }
    bool Bool() { return Int(0, 1) == 1; }
    TColor Color() {
        switch (Int(0, 3)) {
        case 0:
            return clRed;
        case 1:
            return SystemColor(Int(0, 24));
        case 2:
            return -1;
        default:
            return Int(INT32_MIN, INT32_MAX);
        }
    }
    std::string Text(int32_t MaxLength) {
        std::string S(static_cast<size_t>(Int(0, MaxLength)), ' ');
        for (char& Ch : S)
            Ch = static_cast<char>(Int(1, 255));
        return S;
    }
    void Font(TFont& F) {
        F.SetName(Bool() ? "Courier New" : Text(20));
        F.SetHeight(Int(-40, 40));
        F.SetColor(Color());
        F.SetStyle(static_cast<TFontStyles>(Int(0, 15)));
        F.SetCharset(static_cast<TFontCharset>(Int(0, 255)));
        F.SetPitch(static_cast<TFontPitch>(Int(0, 2)));
    }
    void Pen(TPen& P) {
        P.SetColor(Color());
        P.SetWidth(Int(0, 5));
        P.SetStyle(static_cast<TPenStyle>(Int(0, 6)));
    }

    void Fill(TKorvel& C, TKorvelHighlighter* Highlighter) {
        C.SetBounds(Int(-100, 3000), Int(-100, 3000), Int(0, 70000), Int(0, 2000));
        C.SetCursor(static_cast<TCursor>(Bool() ? Int(-22, 0) : Int(-32768, 32767)));
        C.SetColor(Color());
        C.SetParentColor(Bool());
        C.SetParentFont(Bool());
        C.SetCtl3D(Bool());
        C.SetTabStop(Bool());
        Font(C.GetFont());
        Font(C.GetAltFont());
        Pen(C.GetEndOfTextMark());
        Pen(C.GetRightLinePen());
        Pen(C.GetSpecUnderline());
        if (Bool()) {
            const int32_t W = Int(1, 5);
            const int32_t H = Int(1, 5);
            std::vector<TColor> Pixels(static_cast<size_t>(W * H));
            for (TColor& Pixel : Pixels)
                Pixel = Int(0, 0xFFFFFF);
            C.GetBackgroundBmp().SetImage(W, H, Pixels);
        }
        C.SetAlignment(static_cast<TAlignment>(Int(0, 2)));
        C.SetBorderStyle(static_cast<TBorderStyle>(Int(0, 1)));
        C.SetHideSelection(Bool());
        C.SetScrollBars(static_cast<TScrollStyle>(Int(0, 3)));
        C.SetWantTabs(Bool());
        C.SetWordWrap(Bool());
        C.SetApplyKeyWords(Bool());
        C.SetApplyStartStopKeys(Bool());
        C.SetCaretWidth(Bool() ? 0 : Int(-5, 20));
        C.SetColumnWrap(Int(-500, 500));
        C.SetDisplayOnly(Bool());
        C.SetEnableHotKeys(Bool());
        C.SetHighlightBackgnd(Color());
        C.SetHighlightColor(Color());
        C.SetHighlighter(Bool() ? Highlighter : nullptr);
        C.SetJustified(Bool());
        C.SetLeftMargin(Int(-50, 500));
        C.SetLineBreak(static_cast<TKorvelLineBreak>(Int(0, 3)));
        C.SetLineHeight(Bool() ? 0 : Int(1, 65535));
        C.SetMouseWheelFactor(Int(-3, 30));
        C.SetNullReplacement(static_cast<char>(Int(0, 255)));
        C.SetOptions(static_cast<TKorvelOptions>(Int(0, (1 << 22) - 1)));
        C.SetOverwrite(Bool());
        C.SetPassOverCodes(Bool());
        C.SetProgressInterval(Int(-1, 100000));
        C.SetReadOnly(Bool());
        C.SetRightLinePos(Int(0, 200));
        C.SetRightMargin(Int(-50, 500));
        C.SetScrollTime(Int(-500, 500));
        C.SetSelBackColor(Color());
        C.SetSelTextColor(Color());
        C.SetSeparators(Text(12));
        C.SetShowEndParSelected(Bool());
        C.SetShowNonPrintChars(static_cast<TkvNonPrintChars>(Int(0, 7)));
        C.SetStaticFormat(Bool());
        C.SetTabStops(Int(-64, 64));
        C.SetUndoMaxSpace(Int(-1, 1 << 24));
        C.SetUndoMaxLevel(Int(-1, 5000));
        C.SetUpperCaseType(static_cast<TkvUpperCase>(Int(0, 2)));
        C.SetUpdateMode(static_cast<TkvUpdateMode>(Int(0, 2)));
        for (int32_t I = Int(0, 4); I > 0; --I)
            C.GetKeywords().AddKeyword(
                Text(300), Color(), Color(), static_cast<int16_t>(Int(-30, 30)), Int(-2, 1000),
                static_cast<uint8_t>(Int(0, 255)), static_cast<uint8_t>(Int(0, 3)));
        for (int32_t I = Int(0, 4); I > 0; --I)
            C.GetStartStopKeys().AddKey(Text(20) + "x", Text(20), Bool(), Color(), Color(),
                                        static_cast<int16_t>(Int(-30, 30)), Int(0, 9),
                                        static_cast<uint8_t>(Int(0, 255)),
                                        static_cast<uint8_t>(Int(0, 3)));
    }

private:
    std::mt19937_64 Random;
};

// The program's pane as its stored description holds it (the main window's
// form), in the text form.
constexpr const char* PaneForm = R"(object me_Main: TKorvel
  Left = 0
  Top = 193
  Width = 586
  Height = 322
  Cursor = crIBeam
  Alignment = taLeftJustify
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Courier New'
  Font.Style = []
  ParentColor = False
  ParentFont = False
  ScrollBars = ssBoth
  TabStop = True
  WordWrap = False
  AltFont.Charset = DEFAULT_CHARSET
  AltFont.Color = clWindowText
  AltFont.Height = -11
  AltFont.Name = 'MS Sans Serif'
  AltFont.Style = []
  CaretWidth = 1
  ColumnWrap = 0
  DisplayOnly = False
  EndOfTextMark.Color = clRed
  Justified = False
  LineHeight = 0
  Options = [kvoWrapCaret, kvoInsertKeyActive, kvoWideOverwriteCaret, kvoAutoScrollBars, kvoNoFineScroll]
  Overwrite = False
  ReadOnly = True
  RightLinePen.Color = clGray
  RightLinePen.Style = psDot
  ScrollTime = 50
  SelBackColor = clHighlight
  SelTextColor = clHighlightText
  Separators = #9#10#13' $%&,./:;<=>'
  SpecUnderline.Color = clRed
  Version = 'Korvel 0.9 of another build'
end
)";

} // namespace

TEST(StreamingTest, NewControlWritesOnlyWhatDiffersFromItsStoredDefaults) {
    TKorvel Control;
    Control.SetName("me_Main");
    const std::vector<std::string> Expected = {"Left",
                                               "Top",
                                               "Width",
                                               "Height",
                                               "Cursor",
                                               "Font.Charset",
                                               "Font.Color",
                                               "Font.Height",
                                               "Font.Name",
                                               "Font.Style",
                                               "ParentColor",
                                               "ParentFont",
                                               "ScrollBars",
                                               "TabStop",
                                               "AltFont.Charset",
                                               "AltFont.Color",
                                               "AltFont.Height",
                                               "AltFont.Name",
                                               "AltFont.Style",
                                               "EndOfTextMark.Color",
                                               "RightLinePen.Color",
                                               "RightLinePen.Style",
                                               "SelBackColor",
                                               "SelTextColor",
                                               "Separators",
                                               "SpecUnderline.Color",
                                               "Version"};
    EXPECT_EQ(StoredNames(Written(Control)), Expected);
}

// A control written to a form description and read back into a new control
// has equal published properties and lists, whatever their values.
TEST(StreamingTest, RandomPropertiesSurviveAWriteAndARead) {
    const uint64_t Seed = EnvOr("QUOLT_FORM_SEED", 20260102);
    const uint64_t Rounds = EnvOr("QUOLT_FORM_ROUNDS", 200);
    TKorvelHighlighter Highlighter;
    const TFormReferences References{
        [&](const TKorvelHighlighter* H) { return H == &Highlighter ? "Highlighter1" : ""; },
        [&](const std::string& Name) { return Name == "Highlighter1" ? &Highlighter : nullptr; }};
    TRandomProperties Random(Seed);
    for (uint64_t Round = 0; Round < Rounds; ++Round) {
        SCOPED_TRACE("seed " + std::to_string(Seed) + ", round " + std::to_string(Round));
        TKorvel Source;
        Source.SetName("Pane" + std::to_string(Round));
        Random.Fill(Source, &Highlighter);
        const std::string Bytes = Written(Source, &References);
        TKorvel Copy;
        ASSERT_EQ(ReadError(Copy, Bytes, &References), "");
        EXPECT_EQ(Copy.GetName(), Source.GetName());
        ASSERT_EQ(Describe(Copy), Describe(Source));
        EXPECT_EQ(Written(Copy, &References), Bytes);
        EXPECT_FALSE(Copy.IsLoading());
    }
}

TEST(StreamingTest, ThePaneOfTheProgramReadsFromItsTextForm) {
    TKorvel Pane;
    ASSERT_EQ(ReadError(Pane, ObjectTextToBinary(PaneForm)), "");
    EXPECT_EQ(Pane.GetName(), "me_Main");
    EXPECT_EQ(Pane.GetTop(), 193);
    EXPECT_EQ(Pane.GetWidth(), 586);
    EXPECT_EQ(Pane.GetScrollBars(), ssBoth);
    EXPECT_FALSE(Pane.GetWordWrap());
    EXPECT_TRUE(Pane.GetReadOnly());
    EXPECT_EQ(Pane.GetScrollTime(), 50);
    EXPECT_EQ(Pane.GetOptions(), DefaultKorvelOptions | OptionBit(kvoNoFineScroll));
    EXPECT_EQ(Pane.GetFont().GetName(), "Courier New");
    EXPECT_EQ(Pane.GetFont().GetHeight(), -11);
    EXPECT_EQ(Pane.GetAltFont().GetName(), "MS Sans Serif");
    EXPECT_EQ(Pane.GetRightLinePen().GetStyle(), psDot);
    EXPECT_TRUE(Pane.IsLineHeightAutomatic());
    EXPECT_EQ(Pane.GetSelBackColor(), clHighlight);
    EXPECT_EQ(Pane.GetVersion(), TKorvel::VersionText); // the stored one is not applied
    EXPECT_FALSE(Pane.IsLoading());
}

// Malformed descriptions raise EReadError naming the property and where it
// starts; what was read before stays, and the control remains usable.
TEST(StreamingTest, MalformedDescriptionsRaiseReadErrorAndLeaveTheControlUsable) {
    TKorvel Source;
    Source.SetName("P");
    const std::string Good = Written(Source);
    // The properties start after "TPF0", "TKorvel" and "P".
    const int64_t First = 4 + 8 + 2;
    auto WithProperty = [&](const std::string& Property) {
        return Good.substr(0, First) + Property + Good.substr(First);
    };
    const struct {
        std::string Bytes;
        std::string Message;
    } Cases[] = {
        {WithProperty("\x05"
                      "Bogus\x09"),
         "Error reading P.Bogus at offset 14: property Bogus does not exist"},
        {WithProperty("\x08"
                      "WordWrap\x02\x05"),
         "Error reading P.WordWrap at offset 14: Invalid form value at offset 23: expected a "
         "boolean, found 8-bit integer (tag 0x02)"},
        {WithProperty("\x09"
                      "Alignment\x07\x04taUp"),
         "Error reading P.Alignment at offset 14: invalid property value: \"taUp\""},
        {WithProperty(Raw("\x07Options\x0B\x05kvoNo\x00")),
         "Error reading P.Options at offset 14: invalid property value: set element \"kvoNo\""},
        {WithProperty("\x0EHighlightColor\x07\x06"
                      "clPink"),
         "Error reading P.HighlightColor at offset 14: invalid property value: colour \"clPink\""},
        {WithProperty("\x0FNullReplacement\x06\x02xy"),
         "Error reading P.NullReplacement at offset 14: invalid property value: a character, "
         "found 2"},
        {WithProperty("\x0BHighlighter\x07\x02H1"),
         "Error reading P.Highlighter at offset 14: invalid property value: no component named "
         "\"H1\""},
        {"TPF1", "Invalid form value at offset 0: not a form description (no TPF0 signature)"},
        {Raw("TPF0\x05TMemo\x01P\x00\x00"),
         "Invalid form value at offset 4: a TKorvel was expected, found \"TMemo\""},
        {Good.substr(0, Good.size() - 1) + Raw("\x06TChild\x01"
                                               "C\x00\x00\x00"),
         "Invalid form value at offset " + std::to_string(Good.size() - 1) +
             ": TKorvel has no child components"},
    };
    for (const auto& Case : Cases) {
        TKorvel Control;
        EXPECT_EQ(ReadError(Control, Case.Bytes), Case.Message);
        EXPECT_FALSE(Control.IsLoading());
    }

    // Every cut of a description that holds lists and a picture fails
    // cleanly; what was read before the cut stays.
    TKorvel Full;
    TRandomProperties Random(7);
    Random.Fill(Full, nullptr);
    Full.SetReadOnly(true);
    const std::string Bytes = Written(Full);
    for (size_t Cut = 0; Cut < Bytes.size(); ++Cut) {
        SCOPED_TRACE(Cut);
        TKorvel Control;
        const std::string Message = ReadError(Control, Bytes.substr(0, Cut));
        ASSERT_NE(Message, "");
        EXPECT_FALSE(Control.IsLoading());
        if (Cut > Bytes.find("ReadOnly") + 9) {
            EXPECT_TRUE(Control.GetReadOnly());
        }
        TKorvel Again;
        ASSERT_EQ(ReadError(Again, Written(Control)), "");
        EXPECT_EQ(Describe(Again), Describe(Control));
    }
}

// Reading marks paragraphs for layout instead of formatting them, and
// Loaded resets highlighting when keywords apply.
TEST(StreamingTest, ReadingOnlyStoresAndLoadedResetsHighlightingWhenKeywordsApply) {
    TWindowed W(ShortParagraphs(40), umImmediate);
    ASSERT_EQ(CountWith(*W, pfFormatted), 40);

    TKorvel Source;
    Source.SetWordWrap(false);
    Read(*W, Written(Source));
    EXPECT_FALSE(W->GetWordWrap());
    EXPECT_EQ(CountWith(*W, pfFormatted), 0); // nothing formatted while reading

    W->FormatParagraphs(0, 39, false, false);
    Source.GetKeywords().AddKeyword("bcde", clRed, clNone, 0, 1, 1, 0);
    Read(*W, Written(Source));
    EXPECT_EQ(W->GetKeywords().GetCount(), 1);
    EXPECT_EQ(CountWith(*W, pfFormatted | pfKeywords), 40);
    EXPECT_GT(ListOf(*W)[7].RunCount(), 0);

    // With ApplyKeyWords off the keywords do not apply: no reset.
    W->GetKeywords().Clear();
    W->ResetHighlighting();
    Source.SetApplyKeyWords(false);
    Read(*W, Written(Source));
    EXPECT_EQ(ListOf(*W)[7].RunCount(), 0);
}
