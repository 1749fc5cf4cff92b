// The hand-off and the mixer. The game's thread puts requests in the ring and
// reads the audio thread's report; the audio thread takes the requests,
// starts or fades voices and mixes them through a limiter. No lock: each
// counter has one writer, and the ring's slots change hands through them.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "sound/sound.h"

namespace {

constexpr std::size_t mixBlockFrames = soundDeviceFrames;
constexpr float limiterReleaseMs = 50.0f;  // time constant of the gain's return to 1

const float releaseCoefficient = std::exp(-1000.0f / (limiterReleaseMs * soundSampleRate));
// A whole sample value, so that rounding a sample at the ceiling cannot pass it.
const float mixCeiling = std::floor(soundFullScale * std::pow(10.0f, mixCeilingDbfs / 20.0f));

// Adds what is left of the voice, up to `frames`, into `block`; frees it at its end.
void addVoice(Voice& voice, float* block, std::size_t frames) {
    for (std::size_t i = 0; i < frames && voice.samples != nullptr; ++i) {
        float sample = voice.samples[voice.position];
        ++voice.position;
        bool ended = voice.position == voice.length;
        if (voice.fadeLeft > 0) {
            sample *= static_cast<float>(voice.fadeLeft) / soundRampFrames;
            --voice.fadeLeft;
            ended = ended || voice.fadeLeft == 0;
        }
        block[i] += sample;
        if (ended) voice = Voice{};
    }
}

// Writes the block out under the ceiling. The gain drops at once to what the
// loudest frame needs and recovers over tens of milliseconds, so a loud
// coincidence is turned down rather than clipped, and any effect alone (all
// peak below the ceiling) passes sample for sample. Saturates, never wraps.
void limit(float& gain, const float* block, std::int16_t* out, std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i) {
        gain = 1.0f - (1.0f - gain) * releaseCoefficient;
        const float magnitude = std::fabs(block[i]);
        if (magnitude * gain > mixCeiling) gain = mixCeiling / magnitude;
        const float limited = std::clamp(block[i] * gain, -32768.0f, 32767.0f);
        out[i] = static_cast<std::int16_t>(std::lrint(limited));
    }
}

// A free voice plays the effect, or else the one nearest its end gives way.
void startVoice(Mixer& mixer, const std::vector<std::int16_t>& effect) {
    if (effect.empty()) return;
    Voice* chosen = &mixer.voices[0];
    for (Voice& voice : mixer.voices) {
        if (voice.samples == nullptr) {
            chosen = &voice;
            break;
        }
        if (voice.length - voice.position < chosen->length - chosen->position) chosen = &voice;
    }
    *chosen = Voice{effect.data(), effect.size(), 0, 0};
}

void fadeVoices(Mixer& mixer) {
    for (Voice& voice : mixer.voices) {
        if (voice.samples != nullptr && voice.fadeLeft == 0) voice.fadeLeft = soundRampFrames;
    }
}

// Carries out the requests handed over since the last call; returns how many have been taken in all.
std::uint64_t takeRequests(SoundHandOff& handOff, Mixer& mixer, const SoundEffects& effects) {
    std::uint64_t taken = handOff.taken.load(std::memory_order_relaxed);
    const std::uint64_t handed = handOff.handed.load(std::memory_order_acquire);
    for (; taken != handed; ++taken) {
        const SoundRequest request = handOff.ring[taken % soundRequestSlots];
        if (request == stopRequest) {
            fadeVoices(mixer);
        } else if (request < soundCount) {
            startVoice(mixer, effects[request]);
        }
    }
    handOff.taken.store(taken, std::memory_order_release);
    return taken;
}

}  // namespace

bool mixVoices(Mixer& mixer, std::int16_t* out, std::size_t frames) {
    float block[mixBlockFrames];
    for (std::size_t done = 0; done < frames; done += mixBlockFrames) {
        const std::size_t count = std::min(mixBlockFrames, frames - done);
        std::fill(block, block + count, 0.0f);
        for (Voice& voice : mixer.voices) addVoice(voice, block, count);
        limit(mixer.gain, block, out + done, count);
    }
    return std::any_of(std::begin(mixer.voices), std::end(mixer.voices),
                       [](const Voice& voice) { return voice.samples != nullptr; });
}

bool handOverRequest(SoundHandOff& handOff, SoundRequest request) {
    const std::uint64_t handed = handOff.handed.load(std::memory_order_relaxed);
    if (handed - handOff.taken.load(std::memory_order_acquire) >= soundRequestSlots) return false;
    handOff.ring[handed % soundRequestSlots] = request;
    handOff.handed.store(handed + 1, std::memory_order_release);
    return true;
}

bool handOffSilent(const SoundHandOff& handOff) {
    const std::uint64_t silentAfter = handOff.silentAfter.load(std::memory_order_acquire);
    return silentAfter == handOff.handed.load(std::memory_order_relaxed);
}

void renderSound(SoundHandOff& handOff, Mixer& mixer, const SoundEffects& effects, std::int16_t* out,
                 std::size_t frames) {
    const std::uint64_t taken = takeRequests(handOff, mixer, effects);
    const bool playing = mixVoices(mixer, out, frames);
    handOff.silentAfter.store(playing ? stillPlaying : taken, std::memory_order_release);
}
