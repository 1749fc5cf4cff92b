// The desktop's request for less animation on Windows: "Show animations in
// Windows" turned off, read once at start-up.
#include <windows.h>

#include "app/app.h"

void watchMotionPreference() {
    BOOL animations = TRUE;
    if (SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &animations, 0)) gameState.lessMotion = animations == FALSE;
}

// Windows tells of the change only to the window procedure, which GLUT keeps:
// the setting read at start-up holds for the run.
void followMotionPreference() {}
