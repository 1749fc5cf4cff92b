// The error reporter on Linux: one line on standard error, and the message in
// a box in the game's window, which a player started from the desktop sees.
#include <cstdio>

#include "app/app.h"

void reportError(const char* message) {
    std::fprintf(stderr, "%s: %s\n", programName, message);
    queueErrorBox(message);
}
