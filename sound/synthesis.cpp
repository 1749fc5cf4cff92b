// The effects' synthesis. An effect is a few tones of one timbre (harmonics,
// FM, a share of low-passed noise), each under its own envelope with soft
// ends, summed and scaled so that its peak is the effect's level. The noise
// comes from a fixed seed: every run makes the same samples.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sound/sound.h"

namespace {

constexpr double twoPi = 6.283185307179586;
constexpr float toneRampMs = 8.0f;  // each tone's rise and fall, a raised cosine: gentler than a 5 ms line
constexpr float referenceNote = 69.0f;  // A4
constexpr float referenceHz = 440.0f;
constexpr int harmonicCount = 3;    // the 2nd to the 4th
constexpr float noiseRms = 0.35f;   // the noise's loudness beside a sine of amplitude 1
constexpr float uniformRms = 0.57735f;  // of noise uniform in [-1, 1]

// How the tones of an effect sound.
struct Timbre {
    float harmonics[harmonicCount];  // weights of the 2nd, 3rd and 4th harmonics; the fundamental's is 1
    float fmRatio;                   // the modulator's frequency over the tone's
    float fmIndex;                   // the FM depth at the tone's loudest; it fades with the tone
    float noiseCutoffHz;             // the low-pass of the noise share; 0 when no tone has noise
};

// One tone of an effect.
struct Tone {
    float startMs;   // from the effect's start
    float lengthMs;
    float note;      // 69 is A4 (440 Hz), one a semitone
    float glide;     // semitones the pitch moves by the tone's end
    float gain;      // beside the effect's other tones
    float decayMs;   // time constant of the decay after the rise
    float noise;     // share of low-passed noise, 0 to 1
};

constexpr int maxTones = 5;

struct Recipe {
    float levelDbfs;  // the effect's peak
    Timbre timbre;
    int toneCount;
    Tone tones[maxTones];
};

constexpr Timbre wood{{0.0f, 0.0f, 0.0f}, 1.41f, 1.2f, 0.0f};      // inharmonic FM, short: a wooden tap
constexpr Timbre pip{{0.15f, 0.0f, 0.0f}, 0.0f, 0.0f, 0.0f};       // almost a sine
constexpr Timbre thud{{0.3f, 0.1f, 0.0f}, 0.0f, 0.0f, 1500.0f};    // low and dull, with dark noise
constexpr Timbre swoop{{0.0f, 0.0f, 0.0f}, 1.0f, 1.5f, 3000.0f};   // harmonic FM and a breath of noise
constexpr Timbre mallet{{0.3f, 0.1f, 0.0f}, 0.0f, 0.0f, 0.0f};     // round, a struck bar
constexpr Timbre bell{{0.0f, 0.0f, 0.0f}, 3.5f, 1.8f, 0.0f};       // inharmonic FM: bright, glassy
constexpr Timbre brass{{0.3f, 0.4f, 0.15f}, 0.0f, 0.0f, 0.0f};     // a strong third harmonic: a horn
constexpr Timbre flute{{0.2f, 0.08f, 0.0f}, 0.0f, 0.0f, 0.0f};     // soft, held
constexpr Timbre tick{{0.0f, 0.0f, 0.0f}, 2.3f, 1.0f, 6000.0f};    // a key's click
constexpr Timbre buzz{{0.5f, 0.33f, 0.25f}, 0.0f, 0.0f, 0.0f};     // a sawtooth's first harmonics

// The recipes in the order of Sound. Tones: start ms, length ms, note, glide,
// gain, decay ms, noise. A triple's first tone is its root, held under its
// arpeggio and the loudest: its fundamental (C5, E5, A5) tells the three apart.
constexpr Recipe recipes[soundCount] = {
    // Slide: a wooden tap on G5.
    {-11.0f, wood, 1, {{0, 45, 79, 0, 1.0f, 15, 0}}},
    // Cycle: a blip from C6 up to G6.
    {-10.0f, pip, 1, {{0, 70, 84, 7, 1.0f, 40, 0}}},
    // Land: a thump from D3 down to G2 under a burst of dark noise.
    {-6.0f, thud, 2, {{0, 120, 50, -7, 1.0f, 45, 0}, {0, 70, 50, 0, 0.9f, 18, 1.0f}}},
    // Replace: a breathy swoop from E6 down to A4.
    {-9.0f, swoop, 1, {{0, 160, 88, -19, 1.0f, 110, 0.25f}}},
    // TripleStraight: C5 held under G5, C6.
    {-5.0f, mallet, 3,
     {{0, 330, 72, 0, 1.0f, 220, 0}, {70, 200, 79, 0, 0.5f, 110, 0}, {140, 190, 84, 0, 0.4f, 100, 0}}},
    // TripleRising: E5 held under G#5, B5, E6 climbing.
    {-5.0f, mallet, 4,
     {{0, 330, 76, 0, 1.0f, 220, 0}, {60, 150, 80, 0, 0.5f, 90, 0}, {120, 150, 83, 0, 0.45f, 90, 0},
      {180, 150, 88, 0, 0.4f, 90, 0}}},
    // TripleFalling: A5 held under A6, E6, C#6 falling.
    {-5.0f, mallet, 4,
     {{0, 330, 81, 0, 1.0f, 220, 0}, {40, 130, 93, 0, 0.4f, 80, 0}, {100, 130, 88, 0, 0.45f, 80, 0},
      {160, 170, 85, 0, 0.5f, 90, 0}}},
    // TripleChain: bells on C6, E6, G6, C7 in quick steps.
    {-5.0f, bell, 4,
     {{0, 300, 84, 0, 1.0f, 150, 0}, {45, 255, 88, 0, 0.7f, 110, 0}, {90, 210, 91, 0, 0.6f, 90, 0},
      {135, 165, 96, 0, 0.5f, 80, 0}}},
    // PaceUp: a horn call up G4, C5, E5, G5 to a held C6.
    {-6.0f, brass, 5,
     {{0, 90, 67, 0, 0.8f, 80, 0}, {60, 90, 72, 0, 0.8f, 80, 0}, {120, 90, 76, 0, 0.85f, 80, 0},
      {180, 90, 79, 0, 0.9f, 80, 0}, {240, 140, 84, 0, 1.0f, 120, 0}}},
    // GameOver: G4, Eb4, C4 falling, and a long G3 that sags a semitone.
    {-5.0f, flute, 4,
     {{0, 280, 67, 0, 1.0f, 400, 0}, {280, 280, 63, 0, 0.95f, 400, 0}, {560, 300, 60, 0, 0.9f, 450, 0},
      {860, 560, 55, -1, 0.9f, 500, 0}}},
    // MenuMove: a short pip on A5.
    {-11.0f, pip, 1, {{0, 40, 81, 0, 1.0f, 25, 0}}},
    // MenuChoose: E5 then A5.
    {-7.0f, pip, 2, {{0, 100, 76, 0, 1.0f, 60, 0}, {70, 150, 81, 0, 1.0f, 90, 0}}},
    // NameCharacter: a key's click on D6.
    {-11.0f, tick, 1, {{0, 30, 86, 0, 1.0f, 10, 0.35f}}},
    // NameEntered: G5, then C6 and E6 together.
    {-6.0f, mallet, 3,
     {{0, 110, 79, 0, 0.9f, 80, 0}, {100, 260, 84, 0, 1.0f, 200, 0}, {100, 260, 88, 0, 0.6f, 200, 0}}},
    // ErrorBox: A3 and Bb3 buzzing together, twice.
    {-6.0f, buzz, 4,
     {{0, 110, 57, 0, 1.0f, 300, 0}, {0, 110, 58, 0, 0.8f, 300, 0}, {140, 110, 57, 0, 1.0f, 300, 0},
      {140, 110, 58, 0, 0.8f, 300, 0}}},
};

std::size_t framesOf(float ms) { return static_cast<std::size_t>(std::lround(ms * soundSampleRate / 1000.0f)); }

double noteHz(float note) { return referenceHz * std::pow(2.0, (note - referenceNote) / 12.0); }

// 0 at x = 0 rising smoothly to 1 at x = 1.
float raisedCosine(float x) { return 0.5f - 0.5f * static_cast<float>(std::cos(twoPi / 2 * x)); }

// A tone's loudness at frame i of count: a rise over `ramp` frames, then an
// exponential decay, and a fall over its last `ramp` frames.
float envelope(std::size_t i, std::size_t count, std::size_t ramp, float decayFrames) {
    const std::size_t toEnd = count - 1 - i;
    const float rise = i < ramp ? raisedCosine(static_cast<float>(i) / ramp) : 1.0f;
    const float fall = toEnd < ramp ? raisedCosine(static_cast<float>(toEnd) / ramp) : 1.0f;
    const float decay = i < ramp ? 1.0f : std::exp(-static_cast<float>(i - ramp) / decayFrames);
    return rise * decay * fall;
}

// White noise through a one-pole low-pass, scaled to noiseRms whatever the
// cutoff; a cutoff of 0 (a timbre without noise) gives silence.
struct Noise {
    std::uint32_t state;  // xorshift32, never 0
    float coefficient;    // of the low-pass
    float scale;
    float lowPassed = 0.0f;
};

Noise makeNoise(float cutoffHz, std::uint32_t seed) {
    const float coefficient = 1.0f - std::exp(static_cast<float>(-twoPi) * cutoffHz / soundSampleRate);
    if (coefficient <= 0.0f) return Noise{seed, 0.0f, 0.0f};
    const float passedRms = uniformRms * std::sqrt(coefficient / (2.0f - coefficient));
    return Noise{seed, coefficient, noiseRms / passedRms};
}

float nextNoise(Noise& noise) {
    noise.state ^= noise.state << 13;
    noise.state ^= noise.state >> 17;
    noise.state ^= noise.state << 5;
    const float white = static_cast<float>(noise.state) / 2147483648.0f - 1.0f;
    noise.lowPassed += noise.coefficient * (white - noise.lowPassed);
    return noise.lowPassed * noise.scale;
}

// One sample of the timbre's waveform at `phase`, its FM depth scaled by `brightness`.
float waveform(const Timbre& timbre, double phase, float brightness) {
    double sample = std::sin(phase + timbre.fmIndex * brightness * std::sin(timbre.fmRatio * phase));
    for (int k = 0; k < harmonicCount; ++k) sample += timbre.harmonics[k] * std::sin((k + 2) * phase);
    return static_cast<float>(sample);
}

// Adds one tone into `mix`. The phase is never wrapped: a double keeps it
// exact over an effect, and a modulator at a ratio that is no whole number
// would jump at every wrap.
void addTone(const Timbre& timbre, const Tone& tone, std::uint32_t seed, std::vector<float>& mix) {
    const std::size_t first = framesOf(tone.startMs);
    const std::size_t count = std::min(framesOf(tone.lengthMs), mix.size() - first);
    const std::size_t ramp = std::min(framesOf(toneRampMs), count / 2);
    const float decayFrames = tone.decayMs * soundSampleRate / 1000.0f;
    const double glideStep = std::pow(2.0, tone.glide / 12.0 / count);
    Noise noise = makeNoise(timbre.noiseCutoffHz, seed);
    double hz = noteHz(tone.note);
    double phase = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const float level = envelope(i, count, ramp, decayFrames);
        float sample = (1.0f - tone.noise) * waveform(timbre, phase, level);
        if (tone.noise > 0.0f) sample += tone.noise * nextNoise(noise);
        mix[first + i] += tone.gain * level * sample;
        phase += twoPi * hz / soundSampleRate;
        hz *= glideStep;
    }
}

}  // namespace

std::vector<std::int16_t> synthesiseSound(Sound sound) {
    const Recipe& recipe = recipes[static_cast<int>(sound)];
    std::size_t length = 0;
    for (int t = 0; t < recipe.toneCount; ++t) {
        length = std::max(length, framesOf(recipe.tones[t].startMs + recipe.tones[t].lengthMs));
    }
    std::vector<float> mix(length, 0.0f);
    for (int t = 0; t < recipe.toneCount; ++t) {
        addTone(recipe.timbre, recipe.tones[t], 0x9e3779b9u * static_cast<std::uint32_t>(t + 1), mix);
    }
    float peak = 0.0f;
    for (float sample : mix) peak = std::max(peak, std::fabs(sample));
    const float scale = soundFullScale * std::pow(10.0f, recipe.levelDbfs / 20.0f) / peak;
    std::vector<std::int16_t> samples(length);
    for (std::size_t i = 0; i < length; ++i) {
        samples[i] = static_cast<std::int16_t>(std::lround(mix[i] * scale));
    }
    return samples;
}

SoundEffects synthesiseSounds() {
    SoundEffects effects;
    for (int s = 0; s < soundCount; ++s) effects[s] = synthesiseSound(static_cast<Sound>(s));
    return effects;
}
