// The console error reporter: one line on standard error, and the message
// queued for a box in the game's window, which a player started from the
// desktop sees. The Linux game and the page link it (a page's standard error
// is the browser's console); so do the Windows unit tests, which run
// unattended and read standard error, in place of report_windows.cpp's
// message box.
#include <cstdio>

#include "app/app.h"

void reportError(const char* message) {
    std::fprintf(stderr, "%s: %s\n", programName, message);
    queueErrorBox(message);
}
