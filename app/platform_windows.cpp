// The entry's platform services on Windows (the window's keys and full
// screen are freeglut's, in window_freeglut.cpp): WGL's swap control and the
// foreground window. The desktop is always there, and the window takes its
// icon from the exe's resources.
#include <windows.h>

#include "app/app.h"

namespace {

using SwapIntervalProc = BOOL(WINAPI*)(int interval);

}  // namespace

bool displayReachable(int, char**) { return true; }

// The Windows heap needs no tuning for the game's text.
void prepareProcess() {}

void nameWindow() {}

// A swap that also waits for the monitor's refresh would halve the pace on a
// 60 Hz screen. A driver without WGL_EXT_swap_control keeps its own setting.
void turnOffSwapSync() {
    const auto swapInterval = reinterpret_cast<SwapIntervalProc>(
        reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    if (swapInterval != nullptr) swapInterval(0);
}

WindowFocus windowFocus() {
    const HWND ours = WindowFromDC(wglGetCurrentDC());
    const HWND foreground = GetForegroundWindow();
    if (ours == nullptr || foreground == nullptr) return WindowFocus::Nobody;
    return GetAncestor(ours, GA_ROOT) == foreground ? WindowFocus::Ours : WindowFocus::Elsewhere;
}
