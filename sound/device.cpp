// The SDL audio device: opened at start-up, fed by the callback from the
// hand-off, paused by the game's thread while nothing plays, closed at exit.
// The game's thread and SDL's audio thread share `handOff` alone; the effects
// are made while the device is still paused, before any request reaches it,
// and only read after.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/app.h"
#include "sound/sound.h"

namespace {

// After the end of the last sound handed over, the time the device may still
// take to play it out: the hand-off's buffer, the driver's, and slack.
constexpr std::chrono::milliseconds pauseMargin{100};

SDL_AudioDeviceID device = 0;  // 0: the game plays silently
bool muted = false;
bool devicePaused = true;  // SDL opens a device paused
std::optional<std::chrono::steady_clock::time_point> pauseDue;  // set while the device runs
SoundEffects effects;
SoundHandOff handOff;
Mixer mixer;  // the audio thread's own

// SDL's callback, on its audio thread: never touches SDL or the game's globals.
void SDLCALL fillAudio(void*, Uint8* stream, int bytes) {
    std::int16_t block[soundDeviceFrames];
    const std::size_t frames = static_cast<std::size_t>(bytes) / sizeof block[0];
    for (std::size_t done = 0; done < frames; done += soundDeviceFrames) {
        const std::size_t count = std::min<std::size_t>(soundDeviceFrames, frames - done);
        renderSound(handOff, mixer, effects, block, count);
        std::memcpy(stream + done * sizeof block[0], block, count * sizeof block[0]);
    }
}

// A machine without speakers is no fault: one line on standard error, and no
// error box (reportError's box would stop the game until Enter).
void playSilently(const char* why) {
    std::fprintf(stderr, "%s: no sound, the game plays silently: %s\n", programName, why);
}

// Opens the default device for the effects: mono, 16-bit, 48 kHz, fed by
// fillAudio. No changes are allowed: SDL converts to whatever the hardware
// wants. `Format` is SDL's record of an audio format, as the opener takes it.
template <typename Format>
SDL_AudioDeviceID openDevice(SDL_AudioDeviceID (*open)(const char*, int, const Format*, Format*, int)) {
    Format wanted{};
    wanted.freq = soundSampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = soundDeviceFrames;
    wanted.callback = fillAudio;
    return open(nullptr, 0, &wanted, nullptr, 0);
}

void resumeDevice() {
    if (!devicePaused) return;
    SDL_PauseAudioDevice(device, 0);
    devicePaused = false;
}

}  // namespace

void startSound() {
    quietAudioLibrary();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        playSilently(SDL_GetError());
        return;
    }
    device = openDevice(SDL_OpenAudioDevice);
    if (device == 0) {
        playSilently(SDL_GetError());
        // Nor does a silent game keep SDL's audio threads (the ALSA driver
        // looks for devices every so often) costing it time.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    effects = synthesiseSounds();
    // Whatever ends the program (a closed window ends it inside GLUT), the
    // audio thread stops before the effects it reads are freed.
    std::atexit(stopSound);
}

void playSound(Sound sound) {
    if (device == 0 || muted) return;
    if (!handOverRequest(handOff, static_cast<SoundRequest>(sound))) return;
    resumeDevice();
    const auto length = std::chrono::microseconds(
        effects[static_cast<int>(sound)].size() * 1000000 / soundSampleRate);
    const auto end = std::chrono::steady_clock::now() + length + pauseMargin;
    if (!pauseDue || *pauseDue < end) pauseDue = end;
}

void toggleMute() {
    muted = !muted;
    if (!muted || device == 0 || devicePaused) return;
    // Every voice fades out within 5 ms; the device pauses once that is reported.
    handOverRequest(handOff, stopRequest);
    pauseDue = std::chrono::steady_clock::now() + pauseMargin;
}

bool soundMuted() { return muted; }

std::optional<std::chrono::steady_clock::time_point> soundPauseDue() { return pauseDue; }

void pauseSoundWhenIdle(std::chrono::steady_clock::time_point now) {
    if (device == 0 || devicePaused) return;
    if (handOffSilent(handOff)) {
        SDL_PauseAudioDevice(device, 1);
        devicePaused = true;
        pauseDue.reset();
    } else if (pauseDue && now >= *pauseDue) {
        // The audio thread is behind (a busy machine): look again a little later.
        pauseDue = now + pauseMargin;
    }
}

void stopSound() {
    if (device != 0) SDL_CloseAudioDevice(device);
    device = 0;
    devicePaused = true;
    pauseDue.reset();
    SDL_Quit();
}
