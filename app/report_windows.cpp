// The error reporter on Windows: a message box captioned "Error" with an OK
// button, owned by the window that has the keyboard focus, and the error
// box's sound while it shows. The program goes on once the player has pressed OK.
#include <windows.h>

#include <string>

#include "app/app.h"
#include "sound/sound.h"

void reportError(const char* message) {
    const std::string text = std::string(programName) + ": " + message;
    // Played at once: the box waits for the player before the frame loop
    // would hand a cued sound over. Before the sound starts it is silent.
    playSound(Sound::ErrorBox);
    MessageBoxA(GetFocus(), text.c_str(), "Error", MB_OK);
}
