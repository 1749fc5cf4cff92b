/* The key-to-swap delay of bench-screens.sh: sends Left and Right in turn to
 * a window, as xdotool's --window does, and times each until the program's
 * next buffer swap, read from the swap counter's shared file:
 *   BENCH_SWAP_FILE=FILE key_latency WINDOW-ID PRESSES
 * Prints the median, the 90th percentile and the largest delay in ms. */
#define _DEFAULT_SOURCE
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

static double seconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

static void sendKey(Display* display, Window window, KeySym symbol) {
    XKeyEvent event = {0};
    event.display = display;
    event.window = window;
    event.root = DefaultRootWindow(display);
    event.same_screen = True;
    event.keycode = XKeysymToKeycode(display, symbol);
    event.type = KeyPress;
    XSendEvent(display, window, True, KeyPressMask, (XEvent*)&event);
    event.type = KeyRelease;
    XSendEvent(display, window, True, KeyReleaseMask, (XEvent*)&event);
    XFlush(display);
}

static int byValue(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

int main(int argc, char** argv) {
    const char* name = getenv("BENCH_SWAP_FILE");
    if (argc != 3 || name == NULL) {
        fprintf(stderr, "usage: BENCH_SWAP_FILE=FILE key_latency WINDOW-ID PRESSES\n");
        return 2;
    }
    const Window window = (Window)strtoul(argv[1], NULL, 0);
    const int presses = atoi(argv[2]);
    const int fd = open(name, O_RDONLY);
    Display* display = XOpenDisplay(NULL);
    if (fd < 0 || display == NULL || presses < 1) return 1;
    volatile const uint64_t* swaps = mmap(NULL, sizeof(uint64_t), PROT_READ, MAP_SHARED, fd, 0);
    if (swaps == MAP_FAILED) return 1;
    double* delays = calloc((size_t)presses, sizeof *delays);
    int measured = 0;
    for (int i = 0; i < presses; ++i) {
        const uint64_t before = *swaps;
        const double start = seconds();
        sendKey(display, window, i % 2 == 0 ? XK_Left : XK_Right);
        while (*swaps == before && seconds() - start < 1.0) usleep(50);
        if (*swaps != before) delays[measured++] = (seconds() - start) * 1000.0;
        usleep(100000);
    }
    if (measured == 0) return 1;
    qsort(delays, (size_t)measured, sizeof *delays, byValue);
    printf("%.2f ms median, %.2f ms at the 90th percentile, %.2f ms at most (%d of %d keys drew)\n",
           delays[measured / 2], delays[measured * 9 / 10], delays[measured - 1], measured, presses);
    return 0;
}
