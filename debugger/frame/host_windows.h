// Host windows: every view is an MDI child (the host) holding a menu bar
// of class CHILDMENU on top and the view's own work window below it.
#pragma once
#include <windows.h>

namespace vy {

// The host's window words: the bar and the work window (pointer-sized).
constexpr int HOST_BAR = 0;
constexpr int HOST_WORK = sizeof(LONG_PTR);
constexpr int HOSTWORDS = 2 * sizeof(LONG_PTR);

inline HWND hostbar(HWND host) { return reinterpret_cast<HWND>(GetWindowLongPtrA(host, HOST_BAR)); }
inline HWND hostwork(HWND host) { return reinterpret_cast<HWND>(GetWindowLongPtrA(host, HOST_WORK)); }
inline void sethostwindows(HWND host, HWND bar, HWND work) {
    SetWindowLongPtrA(host, HOST_BAR, reinterpret_cast<LONG_PTR>(bar));
    SetWindowLongPtrA(host, HOST_WORK, reinterpret_cast<LONG_PTR>(work));
}

bool RegisterHostClasses();
void UnregisterHostClasses();
bool RegisterChildMenuClass();
void UnregisterChildMenuClass();

// The height of a child menu bar: the frame's menu-bar height.
int childmenuheight();
// Creates the bar of `menu` (owned by the view) at the top of the host.
HWND AttachChildMenu(HWND host, HMENU menu);

// While a bar's pop-up is tracked: a mouse move onto another item of that
// bar ends the pop-up and names the bar and the point (client coordinates)
// at which ChildMenuSwitch then presses the button.
bool ChildMenuSlide(MSG* msg, HWND& bar, POINT& point);
void ChildMenuSwitch(HWND bar, POINT point);

}  // namespace vy
