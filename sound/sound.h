// sound/: the game's sound effects, synthesised at start-up and mixed in SDL's
// audio callback. Owns `cuedSounds` and, privately in device.cpp, the audio device, the
// effects' samples, the mute flag, the time the device may pause, the audio
// thread's mixer and the hand-off: the one record the game's thread and the
// audio thread share. The rest of the program reaches them only through the
// functions at the end of this header. Only device.cpp uses SDL.
//
// The effects are mono, 16-bit, 48 kHz: they come from no place on the screen,
// so one channel says all there is, costs half the mixing of two, and SDL
// spreads it over the speakers. A sound asked for is mixed at the next
// callback, within one device buffer of 512 frames (10.7 ms), and the driver
// holds a buffer or two more: well inside the 50 ms a player would notice.
//
// The game's thread hands requests to the audio thread through a lock-free
// ring of one producer and one consumer; the audio thread reports back only
// how far it has played everything out. While nothing plays the device is
// paused (SDL 2 then keeps its own thread feeding the driver silence, so the
// pause spares the mixing, not the device). In a page SDL plays through Web
// Audio, whose "audio thread" is the browser calling the mixer on the page's
// one thread between the game's callbacks; the hand-off works the same.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The effects, one per game event; their numbers index every per-sound table.
enum class Sound : std::uint8_t {
    Slide,           // the piece slides a column
    Cycle,           // the piece's kinds cycle
    Land,            // the piece lands
    Replace,         // the piece is thrown away for a new one
    TripleStraight,  // a triple across or down vanishes (5 points)
    TripleRising,    // a diagonal triple rising to the right vanishes (7 points)
    TripleFalling,   // a diagonal triple falling to the right vanishes (10 points)
    TripleChain,     // each further triple as the board settles
    PaceUp,          // the pace quickens
    GameOver,        // the game ends
    MenuMove,        // the menu's choice moves
    MenuChoose,      // the menu's choice is taken
    NameCharacter,   // a character of the name is typed
    NameEntered,     // the name is entered
    ErrorBox,        // an error box appears
};
constexpr int soundCount = 15;

constexpr int soundSampleRate = 48000;  // frames a second, one channel
constexpr int soundDeviceFrames = 512;  // frames per callback: 10.7 ms
constexpr int soundRampFrames = soundSampleRate / 200;  // 5 ms: the shortest fade anything starts or stops with
constexpr float soundFullScale = 32767.0f;  // 0 dBFS, in sample units
constexpr float mixCeilingDbfs = -1.0f;     // the mix's peak never passes this
constexpr int maxVoices = 8;                // effects that play at once; a ninth takes the one nearest its end
constexpr std::uint32_t soundRequestSlots = 64;  // requests the hand-off holds before it refuses more

// Every effect's samples, by the number of its Sound.
using SoundEffects = std::array<std::vector<std::int16_t>, soundCount>;

// One effect playing, or a free voice.
struct Voice {
    const std::int16_t* samples = nullptr;  // the effect's samples; nullptr when the voice is free
    std::size_t length = 0;                 // frames of the effect
    std::size_t position = 0;               // the next frame to mix
    std::size_t fadeLeft = 0;               // while stopping: frames of the 5 ms fade-out left; 0 otherwise
};

// The audio thread's own state: its voices and its limiter.
struct Mixer {
    Voice voices[maxVoices];  // free or playing
    float gain = 1.0f;        // the limiter's gain, 1 unless a loud coincidence pushed it down
};

// A request to the audio thread: a Sound's number, or stopRequest.
using SoundRequest = std::uint8_t;
constexpr SoundRequest stopRequest = soundCount;  // fade out every voice

// The hand-off between the game's thread (the producer) and the audio thread
// (the consumer): a ring of requests and the audio thread's report.
struct SoundHandOff {
    std::atomic<std::uint64_t> handed{0};  // requests written so far; the game's thread writes it
    std::atomic<std::uint64_t> taken{0};   // requests taken so far; the audio thread writes it
    std::atomic<std::uint64_t> silentAfter{0};  // `taken` when all last fell silent, or stillPlaying
    SoundRequest ring[soundRequestSlots] = {};  // request n sits at n % soundRequestSlots
};
constexpr std::uint64_t stillPlaying = UINT64_MAX;  // silentAfter while any voice plays

// The pure parts, linked into tessarine_core: no SDL, no device.
//
// The sounds cued since the frame loop last took them, one bit a Sound: the
// rules, the keys and the settling board cue; the loop plays them.
extern std::uint32_t cuedSounds;
static_assert(soundCount <= 32);
// Cues `sound` for the next wake-up; a sound cued twice before it plays once.
void cueSound(Sound sound);
// The cued sounds, one bit a Sound, cleared.
std::uint32_t takeCuedSounds();
// The samples of one effect, made from its recipe: peak at its level, soft ends.
std::vector<std::int16_t> synthesiseSound(Sound sound);
// Every effect's samples, by the number of its Sound.
SoundEffects synthesiseSounds();
// Mixes the voices into `out` through the limiter, saturating; frees the voices that end. True while any plays.
bool mixVoices(Mixer& mixer, std::int16_t* out, std::size_t frames);
// The game's thread: puts a request in the ring; false (and nothing put) when the ring is full.
bool handOverRequest(SoundHandOff& handOff, SoundRequest request);
// The game's thread: true once every request handed over has been taken and played out.
bool handOffSilent(const SoundHandOff& handOff);
// The audio thread: takes the requests handed over, mixes `frames` samples into `out`, reports silence.
void renderSound(SoundHandOff& handOff, Mixer& mixer, const SoundEffects& effects, std::int16_t* out,
                 std::size_t frames);

// The device, linked into tessarine_gl with SDL.
//
// Opens SDL's audio and makes the effects; without a driver or a device says so in one line and stays silent.
void startSound();
// Hands the sound to the audio thread and resumes the device; nothing when muted, silent or the ring is full.
void playSound(Sound sound);
// Mutes or unmutes; muting fades out whatever plays. The state is not kept across runs.
void toggleMute();
// True while the sound is muted.
bool soundMuted();
// When the game's thread should next call pauseSoundWhenIdle: the end of the
// last sound handed over plus a margin; nothing while paused or silent.
std::optional<std::chrono::steady_clock::time_point> soundPauseDue();
// Pauses the device once the audio thread reports everything played out;
// else, when due, moves the due time to a margin after `now`.
void pauseSoundWhenIdle(std::chrono::steady_clock::time_point now);
// Closes the device and SDL; startSound registers it to run at exit too, and a second call is harmless.
void stopSound();
// Keeps the platform's audio library from printing its own errors on standard error (one file per platform).
void quietAudioLibrary();
