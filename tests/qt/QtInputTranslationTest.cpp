#include "QtWidgetTestSupport.h"

#include "platform/qt/TQtInput.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <string>

using namespace korvel;
using namespace korvel::qttest;

namespace {

struct TKeyCase {
    int Key;
    Qt::KeyboardModifiers Modifiers;
    const char16_t* Text;
    uint16_t Vk;
    bool System;
    std::string Chars;
};

} // namespace

TEST(QtInputTranslationTest, KeysBecomeVirtualKeysAndTypedBytes) {
    const Qt::KeyboardModifiers None = Qt::NoModifier;
    const Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers Alt = Qt::AltModifier;
    const Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers Pad = Qt::KeypadModifier;
    const TKeyCase Cases[] = {
        {Qt::Key_A, None, u"a", 'A', false, "a"},
        {Qt::Key_A, Shift, u"A", 'A', false, "A"},
        {Qt::Key_A, Ctrl, u"\x01", 'A', false, "\x01"},
        {Qt::Key_Z, Ctrl, u"", 'Z', false, "\x1a"},
        {Qt::Key_F, Alt, u"f", 'F', true, ""},
        {Qt::Key_F10, None, u"", VK_F1 + 9, true, ""},
        {Qt::Key_F4, Alt, u"", VK_F1 + 3, true, ""},
        {Qt::Key_5, None, u"5", '5', false, "5"},
        {Qt::Key_5, Pad, u"5", 0x65, false, "5"},
        {Qt::Key_Plus, Pad, u"+", 0x6B, false, "+"},
        {Qt::Key_Percent, Shift, u"%", '5', false, "%"},
        {Qt::Key_1, Ctrl, u"1", '1', false, ""},
        {Qt::Key_Return, None, u"\r", VK_RETURN, false, "\r"},
        {Qt::Key_Enter, Pad, u"\r", VK_RETURN, false, "\r"},
        {Qt::Key_Return, Ctrl, u"", VK_RETURN, false, "\n"},
        {Qt::Key_Backspace, None, u"\b", VK_BACK, false, "\b"},
        {Qt::Key_Backspace, Ctrl, u"", VK_BACK, false, "\x7f"},
        {Qt::Key_Tab, None, u"\t", VK_TAB, false, "\t"},
        {Qt::Key_Backtab, Shift, u"", VK_TAB, false, "\t"},
        {Qt::Key_Tab, Ctrl, u"", VK_TAB, false, ""},
        {Qt::Key_Escape, None, u"\x1b", VK_ESCAPE, false, "\x1b"},
        {Qt::Key_Space, Ctrl, u" ", VK_SPACE, false, " "},
        {Qt::Key_Delete, None, u"\x7f", VK_DELETE, false, ""},
        {Qt::Key_Insert, None, u"", VK_INSERT, false, ""},
        {Qt::Key_Home, Shift, u"", VK_HOME, false, ""},
        {Qt::Key_End, None, u"", VK_END, false, ""},
        {Qt::Key_PageUp, None, u"", VK_PRIOR, false, ""},
        {Qt::Key_PageDown, None, u"", VK_NEXT, false, ""},
        {Qt::Key_Left, None, u"", VK_LEFT, false, ""},
        {Qt::Key_Up, None, u"", VK_UP, false, ""},
        {Qt::Key_Right, None, u"", VK_RIGHT, false, ""},
        {Qt::Key_Down, None, u"", VK_DOWN, false, ""},
        {Qt::Key_Shift, Shift, u"", VK_SHIFT, false, ""},
        {Qt::Key_Control, Ctrl, u"", VK_CONTROL, false, ""},
        {Qt::Key_Alt, Alt, u"", VK_MENU, true, ""},
        {Qt::Key_Menu, None, u"", 0x5D, false, ""},
        {Qt::Key_Semicolon, None, u";", 0xBA, false, ";"},
        {Qt::Key_Colon, Shift, u":", 0xBA, false, ":"},
        {Qt::Key_BracketLeft, None, u"[", 0xDB, false, "["},
        {Qt::Key_Apostrophe, None, u"'", 0xDE, false, "'"},
        // Characters of the code page are its bytes; others become
        // numeric character references, typed byte by byte.
        {0x20ac, None, u"\u20ac", 0, false, "\x80"},
        {Qt::Key_Udiaeresis, None, u"\u00fc", 0, false, "\xfc"},
        {0, None, u"\u3042", 0, false, "&#12354;"},
        {0, None, u"\U0001F600", 0, false, "&#128512;"},
        // AltGr characters arrive without Ctrl or Alt on X11.
        {Qt::Key_At, Qt::GroupSwitchModifier, u"@", '2', false, "@"},
    };
    for (const TKeyCase& C : Cases) {
        const QString Text = QString::fromUtf16(C.Text);
        SCOPED_TRACE(testing::Message()
                     << "key 0x" << std::hex << C.Key << " modifiers 0x" << C.Modifiers.toInt());
        EXPECT_EQ(VirtualKeyOf(C.Key, C.Modifiers), C.Vk);
        EXPECT_EQ(IsSystemKey(C.Key, C.Modifiers), C.System);
        EXPECT_EQ(CharsOfKey(C.Key, C.Modifiers, Text), C.Chars);
    }
    EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier),
              ssShift | ssCtrl | ssAlt);
    EXPECT_EQ(ShiftStateOf(Qt::NoModifier, Qt::LeftButton | Qt::MiddleButton), ssLeft | ssMiddle);
    EXPECT_EQ(ShiftStateOf(Qt::MetaModifier, Qt::RightButton), ssRight);
}

TEST(QtInputTranslationTest, WidgetDeliversKeysAndCharactersInOrder) {
    TShownPane P;
    ASSERT_TRUE(P.Pane->hasFocus());
    P.Messages.clear();
    // Shift goes down, A is typed, both come up.
    QTest::keyClick(P.Pane, 'A', Qt::ShiftModifier);
    const auto Keys = P.Only({WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP});
    ASSERT_EQ(Keys.size(), 5u);
    const uint32_t Codes[] = {WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYUP};
    const uint16_t Vks[] = {VK_SHIFT, 'A', 0, 'A', VK_SHIFT};
    for (size_t I = 0; I < Keys.size(); ++I) {
        EXPECT_EQ(Keys[I].Msg, Codes[I]) << I;
        if (Keys[I].Msg != WM_CHAR) {
            EXPECT_EQ(Keys[I].Key, Vks[I]) << I;
        }
    }
    EXPECT_EQ(Keys[1].Shift, ssShift);
    EXPECT_EQ(Keys[2].CharCode, 'A');

    // A held key repeats its key-down only; the release ends it once.
    P.Messages.clear();
    QKeyEvent Down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), false);
    QKeyEvent Repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QKeyEvent RepeatUp(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QKeyEvent Up(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), false);
    for (QKeyEvent* E : {&Down, &RepeatUp, &Repeat, &RepeatUp, &Repeat, &Up})
        QApplication::sendEvent(P.Pane, E);
    const auto Held = P.Only({WM_KEYDOWN, WM_KEYUP});
    ASSERT_EQ(Held.size(), 4u);
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(Held[I].Msg, WM_KEYDOWN);
    EXPECT_EQ(Held[3].Msg, WM_KEYUP);
    EXPECT_EQ(Held[0].Key, VK_DOWN);

    // Alt combinations are system keys and type nothing.
    P.Messages.clear();
    QTest::keyClick(P.Pane, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(P.Only({WM_CHAR}).size(), 0u);
    // Alt itself goes down as a system key, then X.
    ASSERT_EQ(P.Only({WM_SYSKEYDOWN}).size(), 2u);
    EXPECT_EQ(P.Only({WM_SYSKEYDOWN})[0].Key, VK_MENU);
    EXPECT_EQ(P.Only({WM_SYSKEYDOWN})[1].Key, 'X');
    EXPECT_EQ(P.Only({WM_SYSKEYDOWN})[1].Shift, ssAlt);

    // Text of an input method: each character as its byte or reference.
    P.Messages.clear();
    QInputMethodEvent Commit;
    Commit.setCommitString(QString::fromUtf16(u"\u00e9\u2192"));
    QApplication::sendEvent(P.Pane, &Commit);
    std::string Typed;
    for (const TMessage& M : P.Only({WM_CHAR}))
        Typed += static_cast<char>(M.CharCode);
    EXPECT_EQ(Typed, "\xe9&#8594;");
}

TEST(QtInputTranslationTest, TabReachesTheControlOnlyWhenItWantsTabs) {
    TShownPane P;
    auto* Next = new QWidget(&P.Window);
    Next->setFocusPolicy(Qt::StrongFocus);
    Next->setGeometry(0, 0, 1, 1);
    Next->show();
    P.Pane->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(P.Pane->hasFocus());

    P.Messages.clear();
    QTest::keyClick(P.Pane, Qt::Key_Tab);
    EXPECT_TRUE(P.Pane->hasFocus());
    ASSERT_EQ(P.Only({WM_KEYDOWN}).size(), 1u);
    EXPECT_EQ(P.Only({WM_KEYDOWN})[0].Key, VK_TAB);
    ASSERT_EQ(P.Only({WM_CHAR}).size(), 1u);

    P.Pane->Korvel().SetWantTabs(false);
    P.Messages.clear();
    QTest::keyClick(P.Pane, Qt::Key_Tab);
    EXPECT_TRUE(Next->hasFocus());
    EXPECT_TRUE(P.Only({WM_KEYDOWN, WM_CHAR}).empty());
    EXPECT_EQ(P.Only({WM_KILLFOCUS}).size(), 1u);
    EXPECT_FALSE(P.Pane->Host().Caret().Exists());

    // DisplayOnly gives Tab up as well, even with WantTabs.
    P.Pane->Korvel().SetWantTabs(true);
    P.Pane->Korvel().SetDisplayOnly(true);
    P.Pane->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(P.Pane->Host().Caret().Exists());
    QTest::keyClick(P.Pane, Qt::Key_Tab);
    EXPECT_TRUE(Next->hasFocus());
}

TEST(QtInputTranslationTest, PointerAndWheelArriveInClientCoordinates) {
    TShownPane P;
    QWidget* Client = P.Pane->viewport();
    // The right click below would open the default menu, which waits for
    // a choice; this test is about the messages only.
    P.Pane->Korvel().SetOptions(P.Pane->Korvel().GetOptions() | OptionBit(kvoNoDefaultPopup));
    P.Messages.clear();
    QTest::mousePress(Client, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 40));
    QTest::mouseRelease(Client, Qt::LeftButton, Qt::ShiftModifier, QPoint(31, 41));
    QTest::mouseClick(Client, Qt::LeftButton, Qt::NoModifier, QPoint(12, 13));
    QTest::mouseDClick(Client, Qt::LeftButton, Qt::NoModifier, QPoint(12, 13));
    QTest::mouseRelease(Client, Qt::LeftButton, Qt::NoModifier, QPoint(12, 13));
    QTest::mouseClick(Client, Qt::RightButton, Qt::ControlModifier, QPoint(5, 6));
    QTest::mouseClick(Client, Qt::MiddleButton, Qt::NoModifier, QPoint(7, 8));
    const auto Buttons = P.Only({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                                 WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP});
    struct TExpected {
        uint32_t Msg;
        TPoint Pos;
        TShiftState Shift;
    };
    // A double click is a press and release, then the double-click press
    // and its release.
    const TExpected Expected[] = {
        {WM_LBUTTONDOWN, {30, 40}, ssShift | ssLeft}, {WM_LBUTTONUP, {31, 41}, ssShift},
        {WM_LBUTTONDOWN, {12, 13}, ssLeft},           {WM_LBUTTONUP, {12, 13}, 0},
        {WM_LBUTTONDBLCLK, {12, 13}, ssLeft},         {WM_LBUTTONUP, {12, 13}, 0},
        {WM_RBUTTONDOWN, {5, 6}, ssCtrl | ssRight},   {WM_RBUTTONUP, {5, 6}, ssCtrl},
        {WM_MBUTTONDOWN, {7, 8}, ssMiddle},           {WM_MBUTTONUP, {7, 8}, 0},
    };
    ASSERT_EQ(Buttons.size(), std::size(Expected));
    for (size_t I = 0; I < Buttons.size(); ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(Buttons[I].Msg, Expected[I].Msg);
        EXPECT_EQ(Buttons[I].Pos, Expected[I].Pos);
        EXPECT_EQ(Buttons[I].Shift, Expected[I].Shift);
    }

    // A move without a button asks for the cursor first.
    P.Messages.clear();
    QTest::mouseMove(Client, QPoint(50, 60));
    const auto Moves = P.Only({WM_SETCURSOR, WM_MOUSEMOVE});
    ASSERT_GE(Moves.size(), 2u);
    EXPECT_EQ(Moves[Moves.size() - 2].Msg, WM_SETCURSOR);
    EXPECT_EQ(Moves[Moves.size() - 2].HitTest, HTCLIENT);
    EXPECT_EQ(Moves.back().Msg, WM_MOUSEMOVE);
    EXPECT_EQ(Moves.back().Pos, (TPoint{50, 60}));

    // Wheel notches of 120, also when turned over a scroll bar.
    P.Messages.clear();
    QWheelEvent Wheel(QPointF(20, 25), Client->mapToGlobal(QPointF(20, 25)), QPoint(),
                      QPoint(0, -240), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Client, &Wheel);
    P.Pane->verticalScrollBar()->show();
    QWheelEvent OverBar(QPointF(2, 2), P.Pane->verticalScrollBar()->mapToGlobal(QPointF(2, 2)),
                        QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                        false);
    QApplication::sendEvent(P.Pane->verticalScrollBar(), &OverBar);
    const auto Wheels = P.Only({WM_MOUSEWHEEL});
    // The control took the desktop's lines per notch at the first turn.
    EXPECT_EQ(P.Pane->Korvel().GetMouseWheelFactor(), QApplication::wheelScrollLines());
    ASSERT_EQ(Wheels.size(), 2u);
    EXPECT_EQ(Wheels[0].WheelDelta, -240);
    EXPECT_EQ(Wheels[0].Pos, (TPoint{20, 25}));
    EXPECT_EQ(Wheels[0].Shift, ssCtrl);
    EXPECT_EQ(Wheels[1].WheelDelta, 120);
}
