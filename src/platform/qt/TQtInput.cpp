#include "platform/qt/TQtInput.h"

#include "framework/CodePage.h"
#include "platform/WindowsCodes.h"

#include <QString>

namespace korvel {

namespace {

struct TKeyPair {
    int Key;
    uint16_t Vk;
};

// Keys that are not letters, digits or function keys.
constexpr TKeyPair NamedKeys[] = {
    {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},
    {Qt::Key_AltGr, VK_MENU},
    {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Select, 0x29},
    {Qt::Key_Print, 0x2C},
    {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Help, 0x2F},
    {Qt::Key_Meta, 0x5B},
    {Qt::Key_Super_L, 0x5B},
    {Qt::Key_Super_R, 0x5C},
    {Qt::Key_Menu, 0x5D},
    {Qt::Key_Sleep, 0x5F},
    {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91},
    // The punctuation keys of the US layout, by either of their characters.
    {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},
    {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},
    {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},
    {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
    // Shifted digits of the US layout.
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
};

// The keypad's own codes; its Enter and navigation keys are the main ones.
constexpr TKeyPair KeypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},   {Qt::Key_Comma, 0x6C},
    {Qt::Key_Minus, 0x6D},    {Qt::Key_Period, 0x6E}, {Qt::Key_Slash, 0x6F},
};

constexpr uint16_t VK_NUMPAD0 = 0x60;

} // namespace

uint16_t VirtualKeyOf(int Key, Qt::KeyboardModifiers Modifiers) {
    const bool Keypad = Modifiers.testFlag(Qt::KeypadModifier);
    if (Key >= Qt::Key_0 && Key <= Qt::Key_9)
        return static_cast<uint16_t>(Keypad ? VK_NUMPAD0 + (Key - Qt::Key_0) : Key);
    if (Key >= Qt::Key_A && Key <= Qt::Key_Z)
        return static_cast<uint16_t>(Key); // Qt's letter keys are their upper-case codes
    if (Key >= Qt::Key_F1 && Key <= Qt::Key_F24)
        return static_cast<uint16_t>(VK_F1 + (Key - Qt::Key_F1));
    if (Keypad)
        for (const TKeyPair& Pair : KeypadKeys)
            if (Pair.Key == Key)
                return Pair.Vk;
    for (const TKeyPair& Pair : NamedKeys)
        if (Pair.Key == Key)
            return Pair.Vk;
    return 0;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
    TShiftState Shift = 0;
    if (Modifiers.testFlag(Qt::ShiftModifier))
        Shift |= ssShift;
    if (Modifiers.testFlag(Qt::ControlModifier))
        Shift |= ssCtrl;
    if (Modifiers.testFlag(Qt::AltModifier))
        Shift |= ssAlt;
    if (Buttons.testFlag(Qt::LeftButton))
        Shift |= ssLeft;
    if (Buttons.testFlag(Qt::RightButton))
        Shift |= ssRight;
    if (Buttons.testFlag(Qt::MiddleButton))
        Shift |= ssMiddle;
    return Shift;
}

bool IsSystemKey(int Key, Qt::KeyboardModifiers Modifiers) {
    if (Key == Qt::Key_F10)
        return true;
    return Modifiers.testFlag(Qt::AltModifier) && !Modifiers.testFlag(Qt::ControlModifier);
}

std::string CharsOfKey(int Key, Qt::KeyboardModifiers Modifiers, const QString& Text) {
    const bool Ctrl = Modifiers.testFlag(Qt::ControlModifier);
    const bool Alt = Modifiers.testFlag(Qt::AltModifier);
    if (Alt && !Ctrl)
        return {};
    switch (Key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return std::string(1, Ctrl ? '\n' : '\r');
    case Qt::Key_Backspace:
        return std::string(1, Ctrl ? '\x7f' : '\b');
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return Ctrl ? std::string() : std::string(1, '\t');
    case Qt::Key_Escape:
        return std::string(1, '\x1b');
    default:
        break;
    }
    if (Ctrl && !Alt) {
        if (Key >= Qt::Key_A && Key <= Qt::Key_Z)
            return std::string(1, static_cast<char>(Key - Qt::Key_A + 1));
        if (Key == Qt::Key_Space)
            return " ";
        return {};
    }
    // Printable text only: the toolkit's own control characters for other
    // keys (Delete as 127 on some systems) type nothing.
    QString Printable;
    for (const QChar Ch : Text)
        if (Ch.unicode() >= 0x20 && Ch.unicode() != 0x7F)
            Printable.append(Ch);
    return CharsOfText(Printable);
}

std::string CharsOfText(const QString& Text) {
    return Utf16ToAnsiWithCharRefs(Text.toStdU16String());
}

} // namespace korvel
