#include "KVSupport/FormatCodes.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KorvelTestSupport.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

std::string TextOf(TCustomKorvel& Control) {
    TKorvelNavigator Reader(&Control);
    std::string Text(static_cast<size_t>(Control.GetTextLength()) + 1, '\0');
    Reader.CopyText(Text.data(), Control.GetTextLength());
    Text.pop_back();
    return Text;
}

} // namespace

// Navigators inside the blanks that a replacement takes in front of its start
// (trailing blanks before a new break) are inside the replaced range: they
// land at its start, with caches that agree with a fresh navigator.
TEST(ControlReplaceTest, NavigatorsInDiscardedBlanksLandAtTheStart) {
    test::TTestKorvel K("ab    cd\r\nef");
    TCustomKorvel& Control = K.Control;
    Control.SetOptions(Control.GetOptions() | OptionBit(kvoDiscardTrailingSpaces));
    TKorvelNavigator SelStart(&Control), SelEnd(&Control), InBlanks(&Control), After(&Control);
    SelStart.SetPos(6);
    SelEnd.SetPos(6);
    InBlanks.SetPos(4);
    InBlanks.GetParIndex(); // cache the paragraph
    After.SetPos(11);       // the 'f'
    After.GetParIndex();

    Control.ReplaceRangeAndRehighlight(SelStart, SelEnd, "\r\n", true);

    EXPECT_EQ(TextOf(Control), "ab\r\ncd\r\nef");
    EXPECT_EQ(SelStart.GetPos(), 2);
    EXPECT_EQ(SelEnd.GetPos(), 4);
    EXPECT_EQ(InBlanks.GetPos(), 2);
    EXPECT_EQ(InBlanks.CharAt(), 13);
    EXPECT_EQ(After.GetPos(), 9);
    EXPECT_EQ(After.CharAt(), 'f');
    EXPECT_EQ(After.GetParIndex(), 2);
    EXPECT_EQ(Control.GetParagraphsList().FindInconsistency(false), "");
}

// A code left open (no closing codes asked for, as undo does when it puts a
// lone code back) flips the start state of every later paragraph; taking it
// out again, also over several paragraphs, flips them back.
TEST(ControlReplaceTest, OpenCodesCarryIntoLaterParagraphs) {
    test::TTestKorvel K("ab\r\ncd\r\nef");
    TCustomKorvel& Control = K.Control;
    Control.SetStaticFormat(true);
    const TParagraphsList& List = Control.GetParagraphsList();
    const std::string Bold(1, static_cast<char>(fcBold));
    TKorvelNavigator SelStart(&Control), SelEnd(&Control);
    const auto StateAt = [&](int32_t Par) {
        TKorvelNavigator Reader(&Control);
        Reader.SetPos(List.GetStartOffset(Par));
        return Reader.GetCodeState();
    };
    const auto Replace = [&](int32_t From, int32_t To, const std::string& Text) {
        SelStart.SetPos(From);
        SelEnd.SetPos(To);
        Control.ReplaceRangeAndRehighlight(SelStart, SelEnd, Text.c_str(), false);
        return List.FindInconsistency(false);
    };

    EXPECT_EQ(Replace(1, 1, Bold), ""); // a\x02b | cd | ef
    EXPECT_EQ(StateAt(1), CodeBit(fcBold));
    EXPECT_EQ(StateAt(2), CodeBit(fcBold));
    EXPECT_EQ(Replace(1, 6, "X\r\nY"), ""); // the code and a break go
    EXPECT_EQ(StateAt(1), 0);
    EXPECT_EQ(Replace(0, 0, Bold + "\r\n"), ""); // a new paragraph, code open
    EXPECT_EQ(StateAt(1), CodeBit(fcBold));
    EXPECT_EQ(StateAt(2), CodeBit(fcBold));
}
