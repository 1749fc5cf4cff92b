// The entry's platform services on Linux: glibc's heap and GLX's swap control.
#include <GL/glx.h>
#include <malloc.h>

#include <cstring>

#include "app/app.h"

namespace {

// Heap memory glibc may keep free at the top of the heap instead of handing
// it back to the kernel.
constexpr int heapTrimThreshold = 64 * 1024 * 1024;

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

}  // namespace

void prepareProcess() {
    // Mesa's software renderer frees and takes again a large block of memory
    // for every line of bitmap text. With glibc's default threshold of 128 KiB
    // the heap shrinks back to the kernel each time, and the next line pays a
    // page fault for every page it touches: the high score table took 72 % of
    // a core at 120 frames per second, and takes 20 % with the heap kept.
    mallopt(M_TRIM_THRESHOLD, heapTrimThreshold);
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
