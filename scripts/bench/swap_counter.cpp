/* Preloaded into a program by bench-screens.sh: counts its buffer swaps in a
 * shared file named by BENCH_SWAP_FILE (one 64-bit count), so the script reads
 * the frame count without a system call in the measured process; with
 * BENCH_SWAP_DELAY_MS, each swap takes that much longer (a slow machine).
 * The tests build it too, with the game's compiler and sanitizer runtime. */
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

static volatile uint64_t* swaps;
static useconds_t delay;

static void openCounter(void) {
    const char* name = getenv("BENCH_SWAP_FILE");
    int fd = name ? open(name, O_RDWR) : -1;
    if (fd < 0) return;
    void* map = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (map != MAP_FAILED) swaps = static_cast<volatile uint64_t*>(map);
}

static void readDelay(void) {
    const char* milliseconds = getenv("BENCH_SWAP_DELAY_MS");
    if (milliseconds) delay = static_cast<useconds_t>(atoi(milliseconds)) * 1000;
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static void (*real)(Display*, GLXDrawable);
    if (!real) {
        real = reinterpret_cast<void (*)(Display*, GLXDrawable)>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
        openCounter();
        readDelay();
    }
    real(display, drawable);
    if (swaps) ++*swaps;
    if (delay) usleep(delay);
}
