// Pasted text with NUL bytes, every format code, bare breaks and high bytes,
// with and without a column-block marker of the right or a wrong size: the
// control stays whole, and undo and redo give back the texts before and
// after the paste exactly.

#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "platform/headless/THeadlessClipboard.h"
#include "platform/headless/THeadlessHost.h"

#include <gtest/gtest.h>

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

} // namespace
