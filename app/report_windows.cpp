// The error reporter on Windows: a message box captioned "Error" with an OK
// button, owned by the window that has the keyboard focus. The program goes
// on once the player has pressed OK.
#include <windows.h>

#include <string>

#include "app/app.h"

void reportError(const char* message) {
    const std::string text = std::string(programName) + ": " + message;
    MessageBoxA(GetFocus(), text.c_str(), "Error", MB_OK);
}
