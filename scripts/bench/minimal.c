/* The yardstick of bench-screens.sh: a GLUT window that only clears and swaps,
 * paced to 120 frames a second by sleeping until each frame's slot. */
#define _POSIX_C_SOURCE 200809L
#include <GL/glut.h>
#include <time.h>

static struct timespec slot;

static void frame(void) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
    slot.tv_nsec += 1000000000L / 120;
    if (slot.tv_nsec >= 1000000000L) {
        slot.tv_nsec -= 1000000000L;
        ++slot.tv_sec;
    }
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (now.tv_sec > slot.tv_sec + 1) slot = now; /* after a stall, start afresh */
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &slot, NULL);
}

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(640, 480);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("minimal");
    clock_gettime(CLOCK_MONOTONIC, &slot);
    glutDisplayFunc(frame);
    glutIdleFunc(frame);
    glutMainLoop();
    return 0;
}
