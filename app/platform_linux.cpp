// The entry's platform services on Linux (the window's keys and full screen
// are freeglut's, in window_freeglut.cpp): the X display, the window's
// properties, glibc's heap, GLX's swap control and X's input focus.
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"

namespace {

// Heap memory glibc may keep free at the top of the heap instead of handing
// it back to the kernel.
constexpr int heapTrimThreshold = 64 * 1024 * 1024;

// The window's class, which the desktop entry's StartupWMClass names; the
// instance is the program's name.
constexpr char windowClass[] = "Tessarine3d";

// Starts the one line that says the game has no display to open.
constexpr char displayNeeded[] = "Tessarine 3D needs a graphical display (an X server or XWayland)";

// True when the space-separated list names the extension exactly.
bool hasExtension(const char* list, const char* name) {
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

// Sets a 32-bit property; Xlib takes such values as longs.
void setCardinals(Display* display, Window window, const char* property, const std::vector<unsigned long>& values) {
    XChangeProperty(display, window, XInternAtom(display, property, False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
}

}  // namespace

// The window icon's sizes, each as its width, its height and its pixels as
// ARGB, row by row: made at build time from the icon's PNGs.
extern const std::uint32_t windowIconData[];
extern const std::size_t windowIconDataSize;

bool displayReachable(int argc, char** argv) {
    const char* name = std::getenv("DISPLAY");
    // GLUT's own option wins over the environment.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0) name = argv[i + 1];
    }
    if (name == nullptr || *name == '\0') {
        reportError((std::string(displayNeeded) + ", and DISPLAY is not set.").c_str());
        return false;
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr) {
        reportError((std::string(displayNeeded) + ", and the display \"" + name + "\" cannot be opened.").c_str());
        return false;
    }
    XCloseDisplay(display);
    return true;
}

void nameWindow() {
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == None) return;
    std::string instance = programName;
    std::string className = windowClass;
    XClassHint classHint{instance.data(), className.data()};
    // Also sets WM_CLIENT_MACHINE, which gives the process id its meaning.
    XSetWMProperties(display, window, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &classHint);
    setCardinals(display, window, "_NET_WM_PID", {static_cast<unsigned long>(getpid())});
    setCardinals(display, window, "_NET_WM_ICON",
                 std::vector<unsigned long>(windowIconData, windowIconData + windowIconDataSize));
    // GLUT has mapped the window already, and a window manager reads the
    // class when a window is mapped: withdraw it and map it again.
    XWithdrawWindow(display, window, DefaultScreen(display));
    XMapWindow(display, window);
    XFlush(display);
}

void prepareProcess() {
    // Mesa's software renderer frees and takes again a large block of memory
    // for every line of bitmap text. With glibc's default threshold of 128 KiB
    // the heap shrinks back to the kernel each time, and the next line pays a
    // page fault for every page it touches: the high score table took 72 % of
    // a core at 120 frames per second, and takes 20 % with the heap kept.
    mallopt(M_TRIM_THRESHOLD, heapTrimThreshold);
}

namespace {

// True when `window` is `ancestor` or lies within it.
bool liesWithin(Display* display, Window window, Window ancestor) {
    while (window != None) {
        if (window == ancestor) return true;
        Window root = None, parent = None, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return false;
        if (children != nullptr) XFree(children);
        if (window == root) return false;
        window = parent;
    }
    return false;
}

// The top-level window under the pointer, or None.
Window pointerWindow(Display* display) {
    Window root = None, child = None;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned buttons = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &buttons);
    return child;
}

}  // namespace

WindowFocus windowFocus() {
    Display* display = glXGetCurrentDisplay();
    const Window ours = glXGetCurrentDrawable();
    if (display == nullptr || ours == None) return WindowFocus::Nobody;
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    // PointerRoot: the keys go to whatever window the pointer is over.
    if (focus == PointerRoot) focus = pointerWindow(display);
    if (focus == None || focus == DefaultRootWindow(display)) return WindowFocus::Nobody;
    // The game's window, one within it, or the frame a window manager put round it.
    if (liesWithin(display, focus, ours) || liesWithin(display, ours, focus)) return WindowFocus::Ours;
    return WindowFocus::Elsewhere;
}

// A swap that also waits for the monitor's refresh would halve the pace on a
// 60 Hz screen. Drivers without a swap-control extension (Xvfb has none) are
// left as they are: calling the entry point there unchecked crashes.
void turnOffSwapSync() {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr) return;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (extensions == nullptr) return;
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        const auto swapInterval = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(
            glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (swapInterval != nullptr) swapInterval(display, glXGetCurrentDrawable(), 0);
    } else if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        const auto swapInterval = reinterpret_cast<PFNGLXSWAPINTERVALMESAPROC>(
            glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (swapInterval != nullptr) swapInterval(0);
    }
}
