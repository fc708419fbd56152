// Feeds random sequences of window events to an editor control on the
// headless host: keys with every modifier, characters, pointer moves and
// buttons (auto-scrolling included), double clicks, the wheel, focus changes,
// resizing, the clipboard and undo messages, an update bracket held open and
// options switched between events. After every event the text store must be
// consistent, the selection must lie within the text with its length matching
// its ends, the integrity check must pass, and painting must not be left
// suppressed.

#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessClipboard.h"
#include "platform/headless/THeadlessHost.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

using namespace korvel;

namespace {

void Check(bool Condition, const char* What = "") {
    if (!Condition) {
        std::fprintf(stderr, "failed: %s\n", What);
        std::abort();
    }
}

// Reads the input byte by byte, 0 after its end.
class TReader {
public:
    TReader(const uint8_t* Data, size_t Size) : Data(Data), Size(Size) {}
    uint8_t Next() { return At < Size ? Data[At++] : 0; }
    bool Done() const { return At >= Size; }

private:
    const uint8_t* Data;
    size_t Size;
    size_t At = 0;
};

const uint16_t Keys[] = {VK_BACK,   VK_TAB,    VK_RETURN, VK_CONTROL, VK_PRIOR, VK_NEXT,
                         VK_END,    VK_HOME,   VK_LEFT,   VK_UP,      VK_RIGHT, VK_DOWN,
                         VK_INSERT, VK_DELETE, 'B',       'I',        'U',      'H',
                         'F',       'P',       'T',       'Z',        'A',      VK_F1};
const char Alphabet[] = {'a', 'b', ' ', '\t', '\r', '\n', '\x02', '\x01', '.', 'x'};
const TKorvelOption Toggled[] = {kvoKeepColumnPos,         kvoPutExtraSpaces,    kvoWrapCaret,
                                 kvoNoDragnDrop,           kvoAutoIndent,        kvoBackIndent,
                                 kvoDiscardTrailingSpaces, kvoNoLineSelection,   kvoBlockSelection,
                                 kvoPersistentBlocks,      kvoNoOverwriteBlocks, kvoSmartTabs};

void CheckControl(TKorvel& Control) {
    const std::string Fault = Control.GetParagraphsList().FindInconsistency();
    Check(Fault.empty(), Fault.c_str());
    try {
        Control.CheckIntegrity();
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "integrity check: %s\n", Error.what());
        std::abort();
    }
    const int32_t Length = Control.GetTextLength();
    const int32_t Start = Control.GetSelStartNav().GetPos();
    const int32_t End = Control.GetSelEndNav().GetPos();
    Check(0 <= Start && Start <= End && End <= Length, "selection ends");
    const int32_t Sel = Control.GetSelLength();
    Check((Sel < 0 ? -Sel : Sel) == End - Start, "selection length");
    Check(Control.GetSelStart() >= 0 && Control.GetSelStart() <= Length, "caret");
    Check(Control.GetExtraColumns() >= 0, "extra columns");
}

TPoint PointFrom(TReader& In) {
    // Mostly inside the 200 x 120 window, sometimes well outside it.
    return TPoint{static_cast<int32_t>(In.Next()) * 260 / 255 - 30,
                  static_cast<int32_t>(In.Next()) * 180 / 255 - 30};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TReader In(Data, Size);
    THeadlessClipboard Board;
    THeadlessHost Host({200, 120}, &Board);
    TKorvel Control;
    const uint8_t Flags = In.Next();
    Control.SetWordWrap((Flags & 1) != 0);
    Control.SetStaticFormat((Flags & 2) != 0);
    Control.SetReadOnly((Flags & 4) != 0);
    Control.SetScrollTime(0);
    Control.SetUpdateMode((Flags & 8) != 0 ? umImmediate : umBackground);
    std::string Text;
    const int32_t TextBytes = In.Next() % 96;
    for (int32_t I = 0; I < TextBytes; ++I)
        Text += Alphabet[In.Next() % sizeof(Alphabet)];
    TMemoryStream Stream{Text};
    Control.LoadFromStream(Stream);
    Host.Attach(Control);
    Host.Clock().SetAutoStep(7);
    // An auto-scroll loop waits for the button's release: give it after a
    // few rounds of message processing.
    int32_t Rounds = 0;
    Host.OnProcessMessages = [&] {
        if (++Rounds % 16 == 0)
            Host.PostMessage(TMessage::Pointer(WM_LBUTTONUP, TPoint{50, 50}, 0));
    };
    int32_t Bracket = 0;
    // Format keys and undo run everywhere and windows shrink down to
    // nothing; QUOLT_INPUT_PLAIN=1 keeps them to plain text and
    // QUOLT_INPUT_WIDE=1 keeps windows at least 100 pixels wide.
    const bool UndoSafe = !Control.GetStaticFormat() || std::getenv("QUOLT_INPUT_PLAIN") == nullptr;
    const int32_t ResizeFloor = std::getenv("QUOLT_INPUT_WIDE") != nullptr ? 100 : 0;
    for (int32_t Events = 0; !In.Done() && Events < 400; ++Events) {
        const uint8_t Kind = In.Next() % 17;
        const uint8_t A = In.Next();
        const TShiftState Shift = static_cast<TShiftState>(In.Next() & (ssModifiers | ssLeft));
        switch (Kind) {
        case 0:
        case 1: {
            uint16_t Key = Keys[A % (sizeof(Keys) / sizeof(Keys[0]))];
            const bool Raw =
                Key == 'Z' || Key == 'B' || Key == 'I' || Key == 'U' || Key == 'H' || Key == 'F';
            if (Raw && !UndoSafe)
                Key = 'A';
            Host.Send(TMessage::KeyMessage(WM_KEYDOWN, Key, Shift & ssModifiers));
            Host.Send(TMessage::KeyMessage(WM_KEYUP, Key, Shift & ssModifiers));
            break;
        }
        case 2:
            Host.Send(TMessage::Char(A % 4 == 0 ? static_cast<uint8_t>(In.Next() % 32)
                                                : static_cast<uint8_t>(Alphabet[A % 10] | 0x20)));
            break;
        case 3:
        case 4:
            Host.Send(TMessage::Pointer(WM_MOUSEMOVE, PointFrom(In), Shift));
            break;
        case 5:
            Host.Send(TMessage::Pointer(WM_LBUTTONDOWN, PointFrom(In), Shift & ssModifiers));
            break;
        case 6:
            Host.Send(TMessage::Pointer(WM_LBUTTONUP, PointFrom(In), Shift & ssModifiers));
            break;
        case 7:
            Host.Send(TMessage::Pointer(WM_LBUTTONDBLCLK, PointFrom(In), Shift & ssModifiers));
            break;
        case 8: {
            const TPoint P = PointFrom(In);
            Host.Send(TMessage::Pointer(WM_RBUTTONDOWN, P, 0));
            Host.Send(TMessage::Pointer(WM_RBUTTONUP, P, 0));
            break;
        }
        case 9:
            Host.Send(TMessage::Wheel((static_cast<int32_t>(A) - 128) * 4, TPoint{10, 10}, Shift));
            break;
        case 10:
            if (A % 2 == 0)
                Host.SetFocus();
            else
                Host.KillFocus();
            break;
        case 11:
            Host.Resize(TSize{ResizeFloor + A % 240, In.Next() % 160});
            break;
        case 12: {
            const uint32_t Messages[] = {WM_CUT,  WM_COPY,       WM_PASTE,
                                         WM_UNDO, WM_GETDLGCODE, WM_ERASEBKGND};
            uint32_t Msg = Messages[A % 6];
            if (Msg == WM_UNDO && !UndoSafe)
                Msg = WM_COPY;
            TMessage M = TMessage::Plain(Msg);
            Host.Send(M);
            Host.Send(TMessage::SetCursor(HTCLIENT));
            break;
        }
        case 13:
            if (A % 2 == 0 && Bracket < 3) {
                Control.BeginUpdate();
                ++Bracket;
            } else if (Bracket > 0) {
                Control.EndUpdate();
                --Bracket;
            }
            break;
        case 14: {
            const TKorvelOption Option = Toggled[A % (sizeof(Toggled) / sizeof(Toggled[0]))];
            if (Option != kvoDiscardTrailingSpaces || Bracket == 0)
                Control.SetOptions(Control.GetOptions() ^ OptionBit(Option));
            if (A % 7 == 0)
                Control.SetDisplayOnly(!Control.GetDisplayOnly());
            if (A % 11 == 0)
                Control.SetOverwrite(!Control.GetOverwrite());
            break;
        }
        case 15:
            Host.PumpMessages();
            break;
        default: {
            const int32_t Length = Control.GetTextLength() + 1;
            Control.SetSelStart(A % Length);
            Control.SetSelLength(static_cast<int32_t>(In.Next()) % Length - Length / 2);
            break;
        }
        }
        CheckControl(Control);
        Check(!Control.GetPaintSuppressed(), "paint suppressed");
    }
    while (Bracket-- > 0)
        Control.EndUpdate();
    Host.Send(TMessage::Pointer(WM_LBUTTONUP, TPoint{50, 50}, 0));
    Host.PumpMessages();
    CheckControl(Control);
    Host.OnProcessMessages = nullptr;
    return 0;
}
