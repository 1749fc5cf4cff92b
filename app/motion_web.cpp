// The browser's request for less animation: the media query
// prefers-reduced-motion, which follows the system's setting. The query is
// made once; its answer is read at start-up and again at every wake-up,
// where reading it costs next to nothing.
#include <emscripten.h>

#include "app/app.h"

// 1 when the browser asks for reduced motion, 0 otherwise.
EM_JS(int, reducedMotionWanted, (), {
    if (!Module.reducedMotionQuery) Module.reducedMotionQuery = window.matchMedia('(prefers-reduced-motion: reduce)');
    return Module.reducedMotionQuery.matches ? 1 : 0;
});

void watchMotionPreference() { gameState.lessMotion = reducedMotionWanted() != 0; }

void followMotionPreference() { watchMotionPreference(); }
