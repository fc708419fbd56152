#pragma once

#include "framework/ControlTypes.h"
#include "platform/Types.h"
#include "platform/WindowsCodes.h"

#include <cstdint>

namespace korvel {

class TCanvas;

// One window message on its way to a control: the code (WindowsCodes.h), the
// fields that code uses, and the result the handler leaves. The host builds
// messages from its toolkit's events with the factories below; a control
// posts messages to itself through the host.
//
// Fields by message:
//   WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP  Key, Shift
//   WM_CHAR                                   CharCode (a byte of the code page)
//   pointer messages                          Pos (client coordinates), Shift
//   WM_MOUSEWHEEL                             WheelDelta (120 a notch), Pos, Shift
//   WM_HSCROLL, WM_VSCROLL                    ScrollCode, ScrollPos
//   WM_PAINT                                  Canvas, UpdateRect (the window's
//                                             canvas and the area to repaint)
//   WM_SIZE                                   Size (the new client size)
//   WM_SETCURSOR                              HitTest, OwnWindow
struct TMessage {
    uint32_t Msg = 0;

    uint16_t Key = 0;
    uint8_t CharCode = 0;
    TShiftState Shift = 0;

    TPoint Pos;
    int32_t WheelDelta = 0;

    int32_t ScrollCode = 0;
    int32_t ScrollPos = 0;

    TCanvas* Canvas = nullptr;
    TRect UpdateRect;

    TSize Size;

    int32_t HitTest = 0;
    bool OwnWindow = true;

    // What the handler answers (WM_GETDLGCODE, WM_SETCURSOR, WM_ERASEBKGND,
    // WM_MOUSEWHEEL: non-zero when handled).
    intptr_t Result = 0;

    static TMessage Plain(uint32_t Msg) {
        TMessage M;
        M.Msg = Msg;
        return M;
    }
    static TMessage KeyMessage(uint32_t Msg, uint16_t Key, TShiftState Shift) {
        TMessage M = Plain(Msg);
        M.Key = Key;
        M.Shift = Shift;
        return M;
    }
    static TMessage Char(uint8_t CharCode) {
        TMessage M = Plain(WM_CHAR);
        M.CharCode = CharCode;
        return M;
    }
    static TMessage Pointer(uint32_t Msg, TPoint Pos, TShiftState Shift) {
        TMessage M = Plain(Msg);
        M.Pos = Pos;
        M.Shift = Shift;
        return M;
    }
    static TMessage Wheel(int32_t Delta, TPoint Pos, TShiftState Shift) {
        TMessage M = Pointer(WM_MOUSEWHEEL, Pos, Shift);
        M.WheelDelta = Delta;
        return M;
    }
    static TMessage Scroll(uint32_t Msg, int32_t Code, int32_t Position = 0) {
        TMessage M = Plain(Msg);
        M.ScrollCode = Code;
        M.ScrollPos = Position;
        return M;
    }
    static TMessage Paint(TCanvas& Canvas, const TRect& UpdateRect) {
        TMessage M = Plain(WM_PAINT);
        M.Canvas = &Canvas;
        M.UpdateRect = UpdateRect;
        return M;
    }
    static TMessage Resize(TSize ClientSize) {
        TMessage M = Plain(WM_SIZE);
        M.Size = ClientSize;
        return M;
    }
    static TMessage SetCursor(int32_t HitTest, bool OwnWindow = true) {
        TMessage M = Plain(WM_SETCURSOR);
        M.HitTest = HitTest;
        M.OwnWindow = OwnWindow;
        return M;
    }
};

} // namespace korvel
