// Hostile inputs to the whole control: pasted text with NUL bytes, every
// format code, bare breaks and high bytes, with and without a column-block
// marker of the right or a wrong size; a text at the 32-bit length limit;
// a form description cut at every byte.

#include "../KVSupport/ParagraphsListSupport.h"
#include "KVSupport/TKeywordList.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelStreaming.h"
#include "Korvel/TKorvelStrings.h"
#include "Korvel/TUndoList.h"
#include "framework/Exceptions.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessClipboard.h"
#include "platform/headless/THeadlessHost.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace korvel;

namespace {

void ExpectWhole(TKorvel& Control) {
    EXPECT_NO_THROW(Control.CheckIntegrity());
    EXPECT_EQ(Control.GetParagraphsList().FindInconsistency(false), "");
    EXPECT_EQ(Control.GetTextLength(), static_cast<int32_t>(Control.GetAllText().size()));
}

TEST(HostileInputTest, PastedCodesNulsAndOddBlockMarkersKeepTheControlWholeAndUndoable) {
    const std::vector<std::string> Texts = {
        std::string("a\0b\r\nc", 6),
        "\x01it\x01 \x02"
        "bold\x02 \x03hi\x03 \x04"
        "alt\x04 \x15under\x15",
        "\x01\x02\x03\x04\x15\x01\x02\x03\x04\x15",
        "\x01open only\r\n\x02\r\n\x15",
        "\r\r\n\n\r\n\n\r",
        "\x80\xff\xfe high \x7f\x1b\x08\t",
        std::string(3000, '\x02'),
    };
    const std::vector<std::optional<std::string>> Markers = {
        std::nullopt,        std::string(),
        std::string("\x02"), std::string("\x02\x02\x02\x02"),
        std::string("\x07"), std::string(300, '\x02')};
    for (const std::string& Text : Texts)
        for (const auto& Marker : Markers)
            for (const bool BlockOption : {false, true}) {
                SCOPED_TRACE("text of " + std::to_string(Text.size()) + " bytes, marker " +
                             (Marker ? std::to_string(Marker->size()) + " bytes" : "none") +
                             (BlockOption ? ", block option" : ""));
                THeadlessClipboard Board;
                THeadlessHost Host({400, 300}, &Board);
                TKorvel Control;
                Control.SetWordWrap(false);
                Control.SetUpdateMode(umOnNeed);
                Control.SetAllText("first line\r\nsecond\r\n\r\nlast one");
                Host.Attach(Control);
                Control.ClearUndo();
                Control.SetSelStart(14);
                if (BlockOption)
                    Control.SetOptions(Control.GetOptions() | OptionBit(kvoBlockSelection));
                ASSERT_TRUE(Board.Open());
                Board.SetAsText(Text);
                if (Marker)
                    Board.SetData(TKorvel::RegisterBlockFormat(), *Marker);
                Board.Close();
                const std::string Before = Control.GetAllText();
                Control.PasteFromClipboard();
                ExpectWhole(Control);
                const std::string After = Control.GetAllText();
                EXPECT_NE(After, Before) << "nothing was pasted";
                while (Control.CanUndo())
                    Control.Undo();
                EXPECT_EQ(Control.GetAllText(), Before);
                ExpectWhole(Control);
                while (Control.CanRedo())
                    Control.Redo();
                EXPECT_EQ(Control.GetAllText(), After);
                ExpectWhole(Control);
                if (::testing::Test::HasFailure())
                    return;
            }
}

// The text claims to be INT32_MAX characters long (only the total is faked,
// nothing large is allocated): every way of adding text raises "Text too
// long" and leaves the text, the selection, the history and the change
// notification alone.
TEST(HostileInputTest, ATextAtTheLengthLimitRefusesEveryInsertionAndChangesNothing) {
    using TRun = std::function<void(TKorvel&, THeadlessHost&, THeadlessClipboard&)>;
    const auto Block = [](THeadlessClipboard& Board, const std::string& Text, bool Marker) {
        ASSERT_TRUE(Board.Open());
        Board.SetAsText(Text);
        if (Marker)
            Board.SetData(TKorvel::RegisterBlockFormat(), std::string("\x02"));
        Board.Close();
    };
    const struct {
        const char* Name;
        TRun Run;
    } Cases[] = {
        {"SetSelText", [](TKorvel& C, THeadlessHost&, THeadlessClipboard&) { C.SetSelText("x"); }},
        {"replacing a selection by more",
         [](TKorvel& C, THeadlessHost&, THeadlessClipboard&) {
             C.SetSelLength(2);
             C.SetSelText("abc");
         }},
        {"a lone CR growing into a break",
         [](TKorvel& C, THeadlessHost&, THeadlessClipboard&) {
             C.SetSelLength(1);
             C.SetSelText("\r");
         }},
        {"typing",
         [](TKorvel&, THeadlessHost& H, THeadlessClipboard&) { H.Send(TMessage::Char('x')); }},
        {"Enter",
         [](TKorvel&, THeadlessHost& H, THeadlessClipboard&) { H.Send(TMessage::Char('\r')); }},
        {"paste",
         [&](TKorvel& C, THeadlessHost&, THeadlessClipboard& B) {
             Block(B, "pasted", false);
             C.PasteFromClipboard();
         }},
        {"column paste",
         [&](TKorvel& C, THeadlessHost&, THeadlessClipboard& B) {
             Block(B, "ab\r\ncd\r\nef\r\n", true);
             C.SetOptions(C.GetOptions() | OptionBit(kvoBlockSelection));
             C.PasteFromClipboard();
         }},
        {"Lines.Add",
         [](TKorvel& C, THeadlessHost&, THeadlessClipboard&) { C.GetLines().Add("line"); }},
        {"Paragraphs.Insert",
         [](TKorvel& C, THeadlessHost&, THeadlessClipboard&) { C.GetParagraphs().Insert(1, "p"); }},
        {"a paragraph set beyond the end",
         [](TKorvel& C, THeadlessHost&, THeadlessClipboard&) { C.SetParText(9, "x"); }},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        THeadlessClipboard Board;
        THeadlessHost Host({400, 300}, &Board);
        TKorvel Control;
        Control.SetWordWrap(false);
        Control.SetAllText("first line\r\nsecond\r\n\r\nlast one");
        Host.Attach(Control);
        Host.SetFocus();
        Control.SetSelStart(3);
        const std::string Before = Control.GetAllText();
        const int32_t Index = Control.GetUndoList()->GetUndoIndex();
        const int32_t Records = Control.GetUndoList()->GetCount();
        int32_t Changes = 0;
        Control.OnChange = [&](TObject*) { ++Changes; };

        int32_t& Length = TParagraphsListTestAccess::TextLength(Control.GetParagraphsList());
        const int32_t Real = Length;
        Length = INT32_MAX;
        std::string Message = "(none)";
        try {
            Case.Run(Control, Host, Board);
        } catch (const Exception& Error) {
            Message = Error.what();
        }
        Length = Real;
        EXPECT_EQ(Message, "Text too long");
        EXPECT_EQ(Control.GetAllText(), Before);
        EXPECT_EQ(Control.GetUndoList()->GetUndoIndex(), Index);
        EXPECT_EQ(Control.GetUndoList()->GetCount(), Records);
        EXPECT_EQ(Changes, 0);
        ExpectWhole(Control);
        // Once the length is real again, the same edit goes through.
        Control.SetSelStart(3);
        Control.SetSelText("ok");
        EXPECT_EQ(Control.GetAllText().substr(0, 5), "firok");
        ExpectWhole(Control);
    }
}

// A rich description cut at every byte, read into a control in a window
// with text: reading succeeds only for the whole description, otherwise
// raises EReadError, and the control is left out of loading, whole and
// editable.
TEST(HostileInputTest, AFormDescriptionCutAtEveryByteLeavesAUsableControl) {
    std::string Bytes;
    {
        TKorvel Source;
        Source.SetName("me_Main");
        Source.SetWordWrap(false);
        Source.SetScrollBars(ssBoth);
        Source.SetReadOnly(true);
        Source.SetNullReplacement('#');
        Source.GetAltFont().SetStyle(fsBold);
        Source.GetBackgroundBmp().SetImage(2, 2, {1, 2, 3, 4});
        Source.GetKeywords().AddKeyword("table", clRed, clNone, -21, 7, 1, 1);
        Source.GetStartStopKeys().AddKey("<!--", "-->", false, clGray, clNone, 0, 3, 2, 0);
        TMemoryStream Stream;
        TKorvelStreaming(Source).WriteComponent(Stream);
        Bytes = Stream.DataString();
    }
    for (size_t Cut = 0; Cut <= Bytes.size(); ++Cut) {
        SCOPED_TRACE("cut at " + std::to_string(Cut));
        THeadlessHost Host({300, 200});
        TKorvel Control;
        Control.SetAllText("<table>\r\n<!-- note -->\r\ntext");
        Host.Attach(Control);
        bool Failed = false;
        try {
            TMemoryStream Stream(Bytes.substr(0, Cut));
            TKorvelStreaming(Control).ReadComponent(Stream);
        } catch (const EReadError&) {
            Failed = true;
        }
        EXPECT_EQ(Failed, Cut < Bytes.size());
        EXPECT_FALSE(Control.IsLoading());
        ExpectWhole(Control);
        Control.SetReadOnly(false);
        Control.SetSelStart(1);
        Control.SetSelText("x");
        EXPECT_EQ(Control.GetAllText().substr(0, 3), "<xt");
        Control.Undo();
        EXPECT_EQ(Control.GetAllText(), "<table>\r\n<!-- note -->\r\ntext");
        Host.PumpMessages(4);
        ExpectWhole(Control);
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace
