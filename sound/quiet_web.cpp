// A page: Web Audio prints nothing of its own while SDL opens its device.
#include "sound/sound.h"

void quietAudioLibrary() {}
