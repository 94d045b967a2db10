#pragma once

#include <cstdint>

// The numbers of the program's window messages, thread messages and timers. Driver libraries,
// the hook library, the device page and a second start all rely on them, so they never change.
namespace kestrin {

// Messages every window understands.
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_CLOSE = 0x0010;
// Sent when the window comes into sight (wParam 1) or goes out of it, hidden or minimised (0).
inline constexpr uint32_t WM_SHOWWINDOW = 0x0018;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_DEVICECHANGE = 0x0219;

inline constexpr uintptr_t SC_MINIMIZE = 0xF020;
inline constexpr uintptr_t SC_RESTORE = 0xF120;

// Mouse messages: what the tray reports in lParam, and what the hook library posts in wParam
// (lParam 0 down, 1 up; for the X buttons the button, 1 or 2; for the wheels ±120 a notch).
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_XBUTTONDOWN = 0x020B;
inline constexpr uint32_t WM_XBUTTONUP = 0x020C;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr uint32_t WM_MOUSEHWHEEL = 0x020E;

// The main window's messages.
inline constexpr uint32_t WM_TRAY_NOTIFY = 1025;
inline constexpr uint32_t WM_MENU_COMMAND = 1027;
inline constexpr uint32_t WM_HOOK_EVENT = 1034;
inline constexpr uint32_t WM_SHOW_INSTANCE = 1037;
inline constexpr uint32_t WM_LINK_CHANGED = 1128;
inline constexpr uint32_t WM_SHOW_DPI = 1129;
inline constexpr uint32_t WM_RECEIVER_EVENT = 1537;
inline constexpr uint32_t WM_RECEIVER_STATE = 1538;
inline constexpr uint32_t WM_CABLE_EVENT = 1539;
inline constexpr uint32_t WM_CABLE_STATE = 1540;
inline constexpr uint32_t WM_APPLY_REQUEST = 1541;
inline constexpr uint32_t WM_IGNORED_1542 = 1542;
inline constexpr uint32_t WM_IGNORED_5121 = 5121;
// A caller waiting for the applies requested before it: passed on to the worker in turn.
inline constexpr uint32_t WM_APPLY_BARRIER = 1560;

// The worker thread's messages.
inline constexpr uint32_t WM_APPLY_THREAD = 1536;
inline constexpr uint32_t WM_APPLY_BARRIER_THREAD = 1561;
inline constexpr uint32_t WM_QUIT = 0x0012;

// Timers on the main window.
inline constexpr uintptr_t TIMER_DPI_OSD = 52;
inline constexpr uintptr_t TIMER_RECEIVER_WATCHDOG = 512;
inline constexpr uintptr_t TIMER_APPLY_DEBOUNCE = 513;
inline constexpr uintptr_t TIMER_SCROLL_SETTINGS = 514;
inline constexpr uintptr_t TIMER_CHARGE_ANIMATION = 515;
inline constexpr uintptr_t TIMER_BLE_REGISTER = 516;
// Notifications are registered once the Bluetooth link has had time to settle: BlueZ may tell
// that the services are resolved before it shows their characteristics.
inline constexpr int kBleRegisterDelayMs = 2000;
// An arriving cable or receiver is opened once it has settled.
inline constexpr uintptr_t TIMER_CABLE_ARRIVAL = 517;
inline constexpr uintptr_t TIMER_RECEIVER_ARRIVAL = 518;
// What the mouse changed itself is saved at most once in this long, the last change always.
inline constexpr uintptr_t TIMER_STORE_MOUSE_CHANGES = 519;
inline constexpr int STORE_MOUSE_CHANGES_MS = 250;

inline constexpr int DPI_OSD_MS = 2000;

// Window styles, as the callers pass them to Create; only what changes a window here is mapped.
inline constexpr uint32_t WS_POPUP = 0x80000000u;
inline constexpr uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr uint32_t WS_MINIMIZEBOX = 0x00020000u;
inline constexpr uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000u;
inline constexpr uint32_t WS_CLIPCHILDREN = 0x02000000u;
inline constexpr uint32_t WS_EX_TOPMOST = 0x00000008u;
inline constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080u;
inline constexpr uint32_t WS_EX_NOACTIVATE = 0x08000000u;

inline constexpr uint32_t MAIN_WINDOW_STYLE = 0x96CA0000u;

// Device-change events and the interface header's device type.
inline constexpr uintptr_t DBT_DEVNODES_CHANGED = 0x0007;
inline constexpr uintptr_t DBT_DEVICEARRIVAL = 0x8000;
inline constexpr uintptr_t DBT_DEVICEREMOVECOMPLETE = 0x8004;
inline constexpr uint32_t DBT_DEVTYP_DEVICEINTERFACE = 5;

} // namespace kestrin
