#pragma once

#include <cstdint>

// The control's vocabulary for window messages, keys and scroll requests. The
// values are the ones the control was designed around (they also travel in
// stored key handling of applications), whatever window system delivers them:
// the Qt adapter and the headless host translate their events into these.
namespace korvel {

// --- Window messages ---
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_SETFOCUS = 0x0007;
inline constexpr uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr uint32_t WM_SETCURSOR = 0x0020;
inline constexpr uint32_t WM_GETDLGCODE = 0x0087;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_HSCROLL = 0x0114;
inline constexpr uint32_t WM_VSCROLL = 0x0115;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr uint32_t WM_CUT = 0x0300;
inline constexpr uint32_t WM_COPY = 0x0301;
inline constexpr uint32_t WM_PASTE = 0x0302;
inline constexpr uint32_t WM_CLEAR = 0x0303;
inline constexpr uint32_t WM_UNDO = 0x0304;
inline constexpr uint32_t WM_USER = 0x0400;

// Notifications of the control framework itself (not window-system messages).
inline constexpr uint32_t CM_BASE = 0xB000;
inline constexpr uint32_t CM_FONTCHANGED = CM_BASE + 17;
inline constexpr uint32_t CM_CTL3DCHANGED = CM_BASE + 16;

// --- WM_GETDLGCODE results ---
inline constexpr int32_t DLGC_WANTARROWS = 0x0001;
inline constexpr int32_t DLGC_WANTTAB = 0x0002;
inline constexpr int32_t DLGC_WANTALLKEYS = 0x0004;
inline constexpr int32_t DLGC_WANTCHARS = 0x0080;

// --- WM_SETCURSOR hit-test code of the client area ---
inline constexpr int32_t HTCLIENT = 1;

// --- Scroll bars and scroll requests (WM_HSCROLL / WM_VSCROLL) ---
enum TScrollBarKind : uint8_t { SB_HORZ = 0, SB_VERT = 1 };

inline constexpr int32_t SB_LINEUP = 0;
inline constexpr int32_t SB_LINELEFT = 0;
inline constexpr int32_t SB_LINEDOWN = 1;
inline constexpr int32_t SB_LINERIGHT = 1;
inline constexpr int32_t SB_PAGEUP = 2;
inline constexpr int32_t SB_PAGELEFT = 2;
inline constexpr int32_t SB_PAGEDOWN = 3;
inline constexpr int32_t SB_PAGERIGHT = 3;
inline constexpr int32_t SB_THUMBPOSITION = 4;
inline constexpr int32_t SB_THUMBTRACK = 5;
inline constexpr int32_t SB_TOP = 6;
inline constexpr int32_t SB_BOTTOM = 7;
inline constexpr int32_t SB_ENDSCROLL = 8;

// --- Window styles of the creation parameters ---
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_HSCROLL = 0x00100000;
inline constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;

// --- Virtual key codes ---
inline constexpr uint16_t VK_BACK = 0x08;
inline constexpr uint16_t VK_TAB = 0x09;
inline constexpr uint16_t VK_RETURN = 0x0D;
inline constexpr uint16_t VK_SHIFT = 0x10;
inline constexpr uint16_t VK_CONTROL = 0x11;
inline constexpr uint16_t VK_MENU = 0x12; // Alt
inline constexpr uint16_t VK_ESCAPE = 0x1B;
inline constexpr uint16_t VK_SPACE = 0x20;
inline constexpr uint16_t VK_PRIOR = 0x21; // Page Up
inline constexpr uint16_t VK_NEXT = 0x22;  // Page Down
inline constexpr uint16_t VK_END = 0x23;
inline constexpr uint16_t VK_HOME = 0x24;
inline constexpr uint16_t VK_LEFT = 0x25;
inline constexpr uint16_t VK_UP = 0x26;
inline constexpr uint16_t VK_RIGHT = 0x27;
inline constexpr uint16_t VK_DOWN = 0x28;
inline constexpr uint16_t VK_INSERT = 0x2D;
inline constexpr uint16_t VK_DELETE = 0x2E;
// Digits and letters are their ASCII upper-case codes ('0'..'9', 'A'..'Z').
inline constexpr uint16_t VK_F1 = 0x70;
inline constexpr uint16_t VK_F12 = 0x7B;

} // namespace korvel
