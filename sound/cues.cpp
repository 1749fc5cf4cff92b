// The sounds the game's events call for, gathered until the next wake-up
// hands them to the device. No SDL: the rules and the keys cue, the tests read.
#include "sound/sound.h"

std::uint32_t cuedSounds = 0;

void cueSound(Sound sound) { cuedSounds |= 1u << static_cast<unsigned>(sound); }

std::uint32_t takeCuedSounds() {
    const std::uint32_t cued = cuedSounds;
    cuedSounds = 0;
    return cued;
}
