// The sound effects without a device: their lengths, levels and soft ends,
// the triples' pitches, the mix's ceiling, the hand-off and the stop that
// muting sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "sound/sound.h"

namespace {

using Samples = std::vector<std::int16_t>;

constexpr double pi = 3.14159265358979323846;

const SoundEffects& effects() {
    static const SoundEffects made = synthesiseSounds();
    return made;
}

const Samples& effect(Sound sound) { return effects()[static_cast<int>(sound)]; }

int peakOf(const Samples& samples) {
    int peak = 0;
    for (std::int16_t sample : samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
}

double dbfs(int magnitude) { return 20.0 * std::log10(magnitude / 32767.0); }

// The frequency, on a grid of eighth semitones from 200 to 2000 Hz, where the
// sound's spectrum is strongest (Goertzel's filter at each).
double strongestHz(const Samples& samples) {
    double bestHz = 0.0;
    double bestPower = -1.0;
    for (double hz = 200.0; hz < 2000.0; hz *= std::pow(2.0, 1.0 / 96)) {
        const double coefficient = 2.0 * std::cos(2.0 * pi * hz / soundSampleRate);
        double previous = 0.0;
        double beforePrevious = 0.0;
        for (std::int16_t sample : samples) {
            const double next = sample + coefficient * previous - beforePrevious;
            beforePrevious = previous;
            previous = next;
        }
        const double power = previous * previous + beforePrevious * beforePrevious -
                              coefficient * previous * beforePrevious;
        if (power > bestPower) {
            bestPower = power;
            bestHz = hz;
        }
    }
    return bestHz;
}

// What the audio thread writes for `frames` frames, in callbacks of a device buffer.
Samples render(SoundHandOff& handOff, Mixer& mixer, std::size_t frames) {
    Samples out(frames);
    for (std::size_t done = 0; done < frames; done += soundDeviceFrames) {
        const std::size_t count = std::min<std::size_t>(soundDeviceFrames, frames - done);
        renderSound(handOff, mixer, effects(), out.data() + done, count);
    }
    return out;
}

TEST(Sound, EveryEffectIsShortLevelledAndFadesInAndOut) {
    for (int s = 0; s < soundCount; ++s) {
        const Sound sound = static_cast<Sound>(s);
        const Samples& samples = effect(sound);
        const double limit = sound == Sound::GameOver ? 1.5 : 0.4;
        EXPECT_GT(samples.size(), 2u * soundRampFrames) << s;
        EXPECT_LT(samples.size(), limit * soundSampleRate) << s;
        const int peak = peakOf(samples);
        EXPECT_GE(dbfs(peak), -12.0) << s;
        EXPECT_LE(dbfs(peak), -3.0) << s;
        for (int i = 0; i < soundRampFrames; ++i) {
            const double ramp = static_cast<double>(peak) * i / soundRampFrames;
            ASSERT_LE(std::abs(samples[i]), ramp) << s << " starts too steeply at frame " << i;
            ASSERT_LE(std::abs(samples[samples.size() - 1 - i]), ramp) << s << " ends too steeply " << i;
        }
    }
}

TEST(Sound, TheThreeTriplesLieAtLeastThreeSemitonesApart) {
    const Sound triples[] = {Sound::TripleStraight, Sound::TripleRising, Sound::TripleFalling};
    double hz[3];
    for (int t = 0; t < 3; ++t) hz[t] = strongestHz(effect(triples[t]));
    for (int a = 0; a < 3; ++a) {
        for (int b = a + 1; b < 3; ++b) {
            EXPECT_GE(std::fabs(12.0 * std::log2(hz[a] / hz[b])), 3.0) << hz[a] << " Hz, " << hz[b] << " Hz";
        }
    }
}

TEST(Sound, ALoneEffectPassesSampleForSampleAndThenReportsSilence) {
    for (int s = 0; s < soundCount; ++s) {
        SoundHandOff handOff;
        Mixer mixer;
        const Samples& samples = effect(static_cast<Sound>(s));
        ASSERT_TRUE(handOverRequest(handOff, static_cast<SoundRequest>(s)));
        EXPECT_FALSE(handOffSilent(handOff)) << s;
        const Samples out = render(handOff, mixer, samples.size() + soundDeviceFrames);
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), out.begin())) << s;
        EXPECT_TRUE(std::all_of(out.begin() + samples.size(), out.end(), [](int x) { return x == 0; })) << s;
        EXPECT_TRUE(handOffSilent(handOff)) << s;
    }
}

TEST(Sound, LoudCoincidencesStayUnderTheCeilingWithoutWrapping) {
    const std::initializer_list<Sound> coincidences[] = {
        {Sound::Land, Sound::TripleStraight, Sound::PaceUp},
        {Sound::Land, Sound::TripleRising, Sound::PaceUp},
        {Sound::Land, Sound::TripleFalling, Sound::PaceUp},
        {Sound::TripleStraight, Sound::TripleRising, Sound::TripleFalling, Sound::TripleChain},
        {Sound::Land, Sound::TripleStraight, Sound::TripleRising, Sound::TripleFalling, Sound::TripleChain,
         Sound::PaceUp, Sound::GameOver, Sound::ErrorBox},
    };
    for (const auto& sounds : coincidences) {
        SoundHandOff handOff;
        Mixer mixer;
        std::vector<int> sum(soundSampleRate * 3 / 2, 0);
        for (Sound sound : sounds) {
            ASSERT_TRUE(handOverRequest(handOff, static_cast<SoundRequest>(sound)));
            const Samples& samples = effect(sound);
            for (std::size_t i = 0; i < samples.size(); ++i) sum[i] += samples[i];
        }
        const Samples out = render(handOff, mixer, sum.size());
        EXPECT_LE(dbfs(peakOf(out)), mixCeilingDbfs) << sounds.size() << " sounds";
        EXPECT_GT(dbfs(peakOf(out)), -3.0) << "turned down too far";
        for (std::size_t i = 0; i < sum.size(); ++i) {
            ASSERT_GE(out[i] * static_cast<std::int64_t>(sum[i]), 0) << "wrapped at frame " << i;
        }
    }
}

TEST(Sound, TheStopFadesEveryVoiceWithinFiveMilliseconds) {
    SoundHandOff handOff;
    Mixer mixer;
    for (Sound sound : {Sound::GameOver, Sound::PaceUp, Sound::TripleChain}) {
        handOverRequest(handOff, static_cast<SoundRequest>(sound));
    }
    render(handOff, mixer, soundDeviceFrames);
    ASSERT_TRUE(handOverRequest(handOff, stopRequest));
    EXPECT_FALSE(handOffSilent(handOff));
    const Samples out = render(handOff, mixer, soundDeviceFrames);
    EXPECT_GT(peakOf(Samples(out.begin(), out.begin() + 10)), 0);
    EXPECT_EQ(peakOf(Samples(out.begin() + soundRampFrames, out.end())), 0);
    EXPECT_TRUE(handOffSilent(handOff));
}

TEST(Sound, TheRingRefusesWhenFullAndANinthVoiceTakesTheOneNearestItsEnd) {
    SoundHandOff handOff;
    Mixer mixer;
    for (std::uint32_t n = 0; n < soundRequestSlots; ++n) {
        ASSERT_TRUE(handOverRequest(handOff, static_cast<SoundRequest>(Sound::GameOver)));
    }
    EXPECT_FALSE(handOverRequest(handOff, static_cast<SoundRequest>(Sound::Slide)));
    render(handOff, mixer, soundDeviceFrames);
    EXPECT_TRUE(handOverRequest(handOff, static_cast<SoundRequest>(Sound::Slide)));

    Mixer fresh;
    SoundHandOff next;
    const Sound sounds[] = {Sound::GameOver, Sound::PaceUp,   Sound::Land,          Sound::ErrorBox,   Sound::Replace,
                            Sound::Slide,    Sound::MenuMove, Sound::NameCharacter, Sound::TripleChain};
    for (Sound sound : sounds) handOverRequest(next, static_cast<SoundRequest>(sound));
    render(next, fresh, 1);
    int chains = 0;
    int clicks = 0;
    for (const Voice& voice : fresh.voices) {
        chains += voice.samples == effect(Sound::TripleChain).data();
        clicks += voice.samples == effect(Sound::NameCharacter).data();
    }
    EXPECT_EQ(chains, 1);
    EXPECT_EQ(clicks, 0) << "the shortest effect gives way";
}

}  // namespace
