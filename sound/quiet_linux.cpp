// Linux: where there is no sound card, SDL's ALSA driver makes alsa-lib print
// a handful of lines of its own on standard error; the game says what it
// means in one line instead. ALSA's messages stay off for the whole run: the
// game's standard error carries the game's lines.
#include <alsa/asoundlib.h>

#include "sound/sound.h"

namespace {

void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void quietAudioLibrary() { snd_lib_error_set_handler(ignoreAlsaMessage); }
