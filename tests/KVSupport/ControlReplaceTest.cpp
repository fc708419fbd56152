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
