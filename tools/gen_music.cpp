// Writes data/Ombrel.ogg: the show's score at 120 bpm (a bar is 2 s), 75 bars long, in five
// sections the script follows:
//   intro   bars  0-12  pad and air, a soft arpeggio from bar 4, no drums
//   build   bars 12-28  kick and arpeggio, closed hats from bar 16, a sub bass from bar 20, a
//                       snare roll and a noise riser over 26-28 that stop half a beat before
//                       the drop
//   drop    bars 28-48  full: kick, clap on 2 and 4, sixteenth hats, driving bass, a bright
//                       lead; a crash every 4 bars
//   break   bars 48-58  pad, air and arpeggio only, the chords move to F G Em Am; a riser over
//                       56-58
//   finale  bars 58-75  full again, the lead an octave up, open hats, a counter-arpeggio from
//                       bar 66, a snare roll and riser over 70-72 into a last hit on bar 72
//                       that rings out to the end
// The crashes (bars 28, 32, ... 44, 58, 62, 66, 70) and the last hit (72) are the accents the
// picture swells on. Everything is computed from fixed numbers, so every run writes the same
// file. Run from the repository root; an argument overrides the output path.

#include "support/OggVorbisWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int sampleRate = 44100;
constexpr double bpm = 120.0;
constexpr double beatSeconds = 60.0 / bpm;
constexpr double stepSeconds = beatSeconds / 4.0;
constexpr double barSeconds = beatSeconds * 4.0;
constexpr int bars = 75;
constexpr double totalSeconds = bars * barSeconds;
constexpr double chordSeconds = 2.0 * barSeconds;
constexpr double pi = 3.14159265358979323846;

// Section boundaries, in bars.
constexpr int buildBar = 12;
constexpr int dropBar = 28;
constexpr int breakBar = 48;
constexpr int finaleBar = 58;
constexpr int lastHitBar = 72;
// The loudest sample of the score, after the master's soft clipping: 2.5 dB below full scale,
// so the encoder's ripple stays below it too.
constexpr double peakLevel = 0.75;

struct Chord {
    int bass;
    std::array<int, 3> tones;
};

// Am, F, C/G, G: two bars each.
constexpr std::array<Chord, 4> progression = {{
    {45, {57, 60, 64}},
    {41, {53, 57, 60}},
    {48, {55, 60, 64}},
    {43, {55, 59, 62}},
}};
// The break's F, G, Em, Am.
constexpr std::array<Chord, 4> breakProgression = {{
    {41, {53, 57, 60}},
    {43, {55, 59, 62}},
    {40, {55, 59, 64}},
    {45, {57, 60, 64}},
}};
// The last hit: A minor, wide.
constexpr Chord lastChord = {33, {57, 64, 72}};

double noteFrequency(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

int barAt(double t) {
    return static_cast<int>(t / barSeconds);
}

bool inBreak(double t) {
    return barAt(t) >= breakBar && barAt(t) < finaleBar;
}

const Chord& chordAt(double t) {
    if (barAt(t) >= lastHitBar) {
        return lastChord;
    }
    const int index = static_cast<int>(t / chordSeconds) % static_cast<int>(progression.size());
    return inBreak(t) ? breakProgression[static_cast<size_t>(index)]
                      : progression[static_cast<size_t>(index)];
}

// How loud each part is at a bar: the arrangement of the sections.
struct Mix {
    double pad = 0.0;
    double air = 0.0;
    double arpeggio = 0.0;
    double counter = 0.0;
    double kick = 0.0;
    double clap = 0.0;
    double hat = 0.0;
    // Sixteenths between the off-beat hats, and open hats on the off-beats.
    bool busyHats = false;
    double openHat = 0.0;
    double sub = 0.0;
    double bass = 0.0;
    double lead = 0.0;
    int leadOctave = 0;
};

Mix mixAt(int bar) {
    Mix mix;
    if (bar < buildBar) {
        mix.pad = 1.0;
        mix.air = bar < 2 ? 0.5 * bar : 1.0;
        mix.arpeggio = bar >= 4 ? 0.45 : 0.0;
        return mix;
    }
    if (bar < dropBar) {
        // Held back, so the drop lands: the kick grows bar by bar.
        mix.pad = 0.6;
        mix.air = 0.6;
        mix.kick = 0.4 + 0.015 * (bar - buildBar);
        mix.arpeggio = 0.7;
        mix.hat = bar >= 16 ? 0.6 : 0.0;
        mix.sub = bar >= 20 ? 0.35 : 0.0;
        return mix;
    }
    if (bar >= breakBar && bar < finaleBar) {
        mix.pad = 1.2;
        mix.air = 1.2;
        mix.arpeggio = 0.6;
        return mix;
    }
    // The drop and the finale: everything, the finale's lead an octave up.
    mix.pad = 0.55;
    mix.air = 0.5;
    mix.kick = 1.0;
    mix.clap = 1.0;
    mix.hat = 1.0;
    mix.busyHats = true;
    mix.sub = 1.0;
    mix.bass = 1.0;
    mix.arpeggio = 0.6;
    mix.lead = 1.0;
    if (bar >= finaleBar) {
        mix.leadOctave = 12;
        mix.openHat = 1.0;
        mix.counter = bar >= 66 ? 1.0 : 0.0;
    }
    if (bar == lastHitBar - 1) {
        // The snare roll takes the clap's place.
        mix.clap = 0.0;
    }
    if (bar >= lastHitBar) {
        // The last hit rings on its own.
        mix = Mix();
        mix.pad = 1.4;
        mix.air = 1.0;
    }
    return mix;
}

bool isAccentBar(int bar) {
    const bool inDrop = bar >= dropBar && bar < breakBar;
    const bool inFinale = bar >= finaleBar && bar < lastHitBar;
    return (inDrop || inFinale) && (bar - (inDrop ? dropBar : finaleBar)) % 4 == 0;
}

// A saw wave with its step smoothed over one sample (polyBLEP), so its harmonics do not fold
// back below the Nyquist frequency; `phase` counts cycles.
double saw(double phase, double frequency) {
    const double t = phase - std::floor(phase);
    const double dt = frequency / sampleRate;
    double value = 2.0 * t - 1.0;
    if (t < dt) {
        const double x = t / dt;
        value -= x + x - x * x - 1.0;
    } else if (t > 1.0 - dt) {
        const double x = (t - 1.0) / dt;
        value -= x * x + x + x + 1.0;
    }
    return value;
}

// A one-pole low-pass filter.
struct LowPass {
    double state = 0.0;
    double run(double input, double cutoffHz) {
        const double a = 1.0 - std::exp(-2.0 * pi * cutoffHz / sampleRate);
        state += a * (input - state);
        return state;
    }
};

// A one-pole high-pass filter: the input less its low-passed self.
struct HighPass {
    LowPass low;
    double run(double input, double cutoffHz) { return input - low.run(input, cutoffHz); }
};

// Fixed-seed noise for the hats, claps, crashes, risers and air.
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed) {}
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    }

private:
    uint32_t state;
};

// Slow attack, held, and a release that overlaps the next chord.
double padEnvelope(double local, double length) {
    constexpr double attack = 0.6;
    constexpr double release = 0.9;
    if (local < 0.0 || local > length + release) {
        return 0.0;
    }
    if (local < attack) {
        return local / attack;
    }
    if (local < length) {
        return 1.0;
    }
    return 1.0 - (local - length) / release;
}

// The pad of the chord segment starting at segmentStart: detuned saws, two a side, softened
// by the caller's filter.
void addPad(double t, double segmentStart, double length, const Chord& chord, double level,
            double& left, double& right) {
    const double envelope = level * padEnvelope(t - segmentStart, length);
    if (envelope <= 0.0) {
        return;
    }
    for (size_t i = 0; i < chord.tones.size(); ++i) {
        const double f = noteFrequency(chord.tones[i]);
        const double a = saw(f * 1.004 * t + 0.13 * static_cast<double>(i), f);
        const double b = saw(f * 0.996 * t + 0.41 * static_cast<double>(i), f);
        left += 0.032 * envelope * (0.75 * a + 0.25 * b);
        right += 0.032 * envelope * (0.25 * a + 0.75 * b);
    }
    const double bass = std::sin(2.0 * pi * noteFrequency(chord.bass + 12) * t);
    left += 0.05 * envelope * bass;
    right += 0.05 * envelope * bass;
}

// The pitch falls from 160 Hz to 45 Hz; a short click on top.
double kick(double local, double click) {
    if (local < 0.0 || local > 0.5) {
        return 0.0;
    }
    constexpr double sweep = 0.028;
    const double phase =
        2.0 * pi * (45.0 * local + 115.0 * sweep * (1.0 - std::exp(-local / sweep)));
    const double body = std::exp(-local / 0.13) * std::sin(phase);
    return 0.8 * body + 0.25 * std::exp(-local / 0.003) * click;
}

// The arpeggio walks up and down the chord an octave above the pad, one note per step: a
// plucked saw. The counter-arpeggio runs the other way, an octave higher.
double arpeggio(double t, bool counter, double& pan) {
    const int step = static_cast<int>(t / stepSeconds);
    const double local = t - step * stepSeconds;
    constexpr std::array<int, 8> pattern = {0, 1, 2, 3, 2, 1, 0, 2};
    const int slot = pattern[static_cast<size_t>((counter ? 7 - step % 8 : step % 8))];
    const Chord& chord = chordAt(step * stepSeconds);
    const int octave = counter ? 24 : 12;
    const int midi =
        slot == 3 ? chord.tones[0] + 12 + octave : chord.tones[static_cast<size_t>(slot)] + octave;
    const double f = noteFrequency(midi);
    pan = (step % 2 == 0) == counter ? 0.3 : 0.7;
    const double pluck = std::min(1.0, local / 0.002) * std::exp(-local / 0.11);
    return 0.07 * pluck * (0.6 * saw(f * local, f) + 0.4 * std::sin(2.0 * pi * f * local));
}

// The bass on every eighth, root and octave, a saw through the caller's filter.
double bassSaw(double t, double& sinceNote) {
    const double eighth = beatSeconds / 2.0;
    const int index = static_cast<int>(t / eighth);
    sinceNote = t - index * eighth;
    const int midi = chordAt(index * eighth).bass + (index % 4 == 3 ? 12 : 0);
    const double f = noteFrequency(midi);
    return std::min(1.0, sinceNote / 0.003) * std::exp(-sinceNote / 0.2) * saw(f * sinceNote, f);
}

// The sub: the chord's root a sine, held through each beat.
double sub(double t) {
    const int beat = static_cast<int>(t / beatSeconds);
    const double local = t - beat * beatSeconds;
    const double f = noteFrequency(chordAt(beat * beatSeconds).bass);
    // Ducked under the kick.
    const double duck = 0.35 + 0.65 * std::min(1.0, local / 0.18);
    return duck * std::sin(2.0 * pi * f * t);
}

// A lead line of eighth notes over each two-bar chord; -1 rests. Degrees index the chord's
// tones (3 is the root an octave up). Three detuned saws.
double lead(double t, int octave) {
    constexpr std::array<int, 16> line = {0, -1, 2, 1, 3, -1, 2, -1, 1, 2, -1, 0, 2, -1, 3, 2};
    const double eighth = beatSeconds / 2.0;
    const int index = static_cast<int>(t / eighth);
    const int degree = line[static_cast<size_t>(index % 16)];
    if (degree < 0) {
        return 0.0;
    }
    const double local = t - index * eighth;
    const Chord& chord = chordAt(index * eighth);
    const int midi =
        (degree == 3 ? chord.tones[0] + 12 : chord.tones[static_cast<size_t>(degree)]) + 12 +
        octave;
    const double f = noteFrequency(midi);
    const double vibrato = 1.0 + 0.004 * std::sin(2.0 * pi * 5.5 * t);
    double body = 0.0;
    for (const double detune : {0.993, 1.0, 1.007}) {
        body += saw(f * detune * vibrato * local + detune, f);
    }
    const double envelope = std::min(1.0, local / 0.008) * std::exp(-local / 0.4);
    return 0.036 * envelope * body;
}

// Rises over the two bars before `bar` and stops half a beat before it: a breath before the
// hit. Returns the share of the rise (0 outside it).
double riseShare(double t, int bar) {
    const double start = (bar - 2) * barSeconds;
    const double end = bar * barSeconds - 0.5 * beatSeconds;
    if (t < start || t >= end) {
        return 0.0;
    }
    return (t - start) / (end - start);
}

// Sixteenth snares over the last bar before `bar`, growing, then silence for half a beat.
double rollShare(double t, int bar, double& sinceHit) {
    const double start = (bar - 1) * barSeconds;
    const double end = bar * barSeconds - 0.5 * beatSeconds;
    if (t < start || t >= end) {
        return 0.0;
    }
    const int hit = static_cast<int>((t - start) / stepSeconds);
    sinceHit = t - start - hit * stepSeconds;
    return (t - start) / (end - start);
}

double fadeAt(double t) {
    const double in = std::fmin(t / 1.5, 1.0);
    // The last hit rings out over the last three bars.
    const double fromHit = t - lastHitBar * barSeconds;
    const double out = fromHit <= 0.0 ? 1.0 : std::exp(-fromHit / 1.6);
    return std::fmax(0.0, std::fmin(in, out));
}

// Every part of the score, and the filters and noise they keep from sample to sample.
class Score {
public:
    // One stereo sample at t, before the master.
    void sample(double t, double& left, double& right) {
        const int bar = barAt(t);
        const Mix mix = mixAt(bar);
        left = 0.0;
        right = 0.0;

        // Pad: this chord and the release of the one before, softened.
        double padLeft = 0.0;
        double padRight = 0.0;
        const bool afterHit = bar >= lastHitBar;
        const double segmentLength = afterHit ? (bars - lastHitBar) * barSeconds : chordSeconds;
        const double segmentStart =
            afterHit ? lastHitBar * barSeconds : std::floor(t / chordSeconds) * chordSeconds;
        addPad(t, segmentStart, segmentLength, chordAt(t), mix.pad, padLeft, padRight);
        if (segmentStart > 0.0) {
            const double previous =
                afterHit ? (lastHitBar - 2) * barSeconds : segmentStart - chordSeconds;
            addPad(t, previous, chordSeconds, chordAt(previous), mixAt(barAt(previous)).pad,
                   padLeft, padRight);
        }
        const double padCutoff = inBreak(t) ? 1800.0 : 1200.0 + 1500.0 * mix.lead;
        left += padLowLeft.run(padLeft, padCutoff);
        right += padLowRight.run(padRight, padCutoff);

        // Air: high noise breathing slowly, different on each side.
        const double breath = 0.6 + 0.4 * std::sin(2.0 * pi * t / 7.0);
        left += mix.air * 0.05 * breath * airLeft.run(noiseLeft.next(), 5000.0);
        right += mix.air * 0.05 * breath * airRight.run(noiseRight.next(), 5000.0);

        const double white = noise.next();
        const int beat = static_cast<int>(t / beatSeconds);
        const double sinceBeat = t - beat * beatSeconds;
        const double k = mix.kick * kick(sinceBeat, clickHigh.run(white, 3000.0));
        left += k;
        right += k;

        if (mix.arpeggio > 0.0) {
            double pan = 0.5;
            const double a = mix.arpeggio * arpeggio(t, false, pan);
            left += a * (1.0 - pan) * 2.0;
            right += a * pan * 2.0;
        }
        if (mix.counter > 0.0) {
            double pan = 0.5;
            const double a = mix.counter * arpeggio(t, true, pan);
            left += a * (1.0 - pan) * 1.6;
            right += a * pan * 1.6;
        }
        if (mix.sub > 0.0) {
            const double s = 0.13 * mix.sub * sub(t);
            left += s;
            right += s;
        }
        if (mix.bass > 0.0) {
            double sinceNote = 0.0;
            const double raw = bassSaw(t, sinceNote);
            const double cutoff = 300.0 + 1800.0 * std::exp(-sinceNote / 0.06);
            const double b = 0.11 * mix.bass * bassLow.run(raw, cutoff);
            left += b;
            right += b;
        }
        if (mix.lead > 0.0) {
            const double l = mix.lead * leadLow.run(lead(t, mix.leadOctave), 8000.0);
            left += 1.15 * l;
            right += 0.85 * l;
        }

        // Hats: closed on the off-beats (and softer sixteenths when busy), open ones in the
        // finale, all of them bright noise.
        const double hiss = hatHigh2.run(hatHigh.run(white, 7000.0), 7000.0);
        const int sixteenth = static_cast<int>(t / stepSeconds);
        const double sinceStep = t - sixteenth * stepSeconds;
        double hat = 0.0;
        if (sixteenth % 4 == 2) {
            hat = mix.hat * (mix.openHat > 0.0 ? std::exp(-sinceStep / 0.14) * 0.8
                                               : std::exp(-sinceStep / 0.05));
        } else if (mix.busyHats) {
            hat = mix.hat * 0.5 * std::exp(-sinceStep / 0.03);
        }
        left += 0.5 * hat * hiss * 0.85;
        right += 0.5 * hat * hiss * 1.15;

        // Clap on 2 and 4: three quick bursts of mid noise and a tone under them.
        if (mix.clap > 0.0 && beat % 2 == 1) {
            const double burst =
                std::fmod(sinceBeat, 0.011) < 0.006 && sinceBeat < 0.03 ? 1.0 : 0.0;
            const double tail = std::exp(-std::max(0.0, sinceBeat - 0.022) / 0.09);
            const double mid = clapBand.run(clapHigh.run(white, 900.0), 4000.0);
            const double c = mix.clap * (0.55 * mid * (sinceBeat < 0.022 ? burst : tail) +
                                         0.12 * std::sin(2.0 * pi * 190.0 * sinceBeat) *
                                             std::exp(-sinceBeat / 0.04));
            left += c;
            right += c;
        }

        // Crash on the accents and on the last hit: bright noise with a few metal partials.
        const double sinceBar = t - bar * barSeconds;
        const bool lastHit = bar >= lastHitBar;
        if (isAccentBar(bar) || lastHit) {
            const double sinceCrash = lastHit ? t - lastHitBar * barSeconds : sinceBar;
            const double decay = std::exp(-sinceCrash / (lastHit ? 2.2 : 1.1));
            double metal = 0.0;
            for (const double f : {3170.0, 4410.0, 5930.0, 7350.0}) {
                metal += std::sin(2.0 * pi * f * sinceCrash);
            }
            const double c = decay * (0.42 * crashHigh.run(white, 4000.0) + 0.012 * metal);
            left += 1.1 * c;
            right += 0.9 * c;
            if (lastHit) {
                // The last hit's own kick and a low boom.
                const double boom = kick(sinceCrash, 0.0) +
                                    0.3 * std::exp(-sinceCrash / 1.5) *
                                        std::sin(2.0 * pi * noteFrequency(lastChord.bass) * t);
                left += boom;
                right += boom;
            }
        }

        // Risers and snare rolls into the drop, the finale and the last hit.
        for (const int target : {dropBar, finaleBar, lastHitBar}) {
            const double rise = riseShare(t, target);
            if (rise > 0.0) {
                const double swept = riserLow.run(white, 300.0 + 9000.0 * rise * rise);
                const double tone = std::sin(2.0 * pi * (150.0 * t + 400.0 * rise * rise * t));
                const double r = rise * rise * (0.22 * swept + 0.04 * tone);
                left += r;
                right += r;
            }
            double sinceHit = 0.0;
            const double roll = rollShare(t, target, sinceHit);
            if (roll > 0.0 && target != finaleBar) {
                const double s =
                    (0.08 + 0.2 * roll) * std::exp(-sinceHit / 0.05) * rollBand.run(white, 5000.0);
                left += s;
                right += s;
            }
        }

        const double fade = fadeAt(t);
        left *= fade;
        right *= fade;
    }

private:
    Noise noise{0x2545F491u};
    Noise noiseLeft{0x1234567u};
    Noise noiseRight{0x7654321u};
    LowPass padLowLeft;
    LowPass padLowRight;
    HighPass airLeft;
    HighPass airRight;
    HighPass clickHigh;
    HighPass hatHigh;
    HighPass hatHigh2;
    HighPass clapHigh;
    LowPass clapBand;
    HighPass crashHigh;
    LowPass riserLow;
    LowPass rollBand;
    LowPass bassLow;
    LowPass leadLow;
};

// The master: a gentle saturation that rounds the loudest peaks, then one gain that brings the
// loudest sample to peakLevel.
std::vector<float> render() {
    const size_t frames = static_cast<size_t>(totalSeconds * sampleRate);
    std::vector<double> mixed(frames * 2);
    Score score;
    for (size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / sampleRate;
        double left = 0.0;
        double right = 0.0;
        score.sample(t, left, right);
        mixed[2 * n] = std::tanh(1.4 * left) / 1.4;
        mixed[2 * n + 1] = std::tanh(1.4 * right) / 1.4;
    }
    double peak = 0.0;
    for (const double s : mixed) {
        peak = std::max(peak, std::fabs(s));
    }
    const double gain = peak > 0.0 ? peakLevel / peak : 1.0;
    std::vector<float> samples(mixed.size());
    for (size_t i = 0; i < mixed.size(); ++i) {
        samples[i] = static_cast<float>(mixed[i] * gain);
    }
    return samples;
}

} // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "data/Ombrel.ogg";
    ZemTools::OggVorbisSettings settings;
    settings.channels = 2;
    settings.sampleRate = sampleRate;
    settings.quality = 0.2f;
    settings.serial = 0x4f4d4252;
    settings.title = "Ombrel";
    if (!ZemTools::writeOggVorbis(render(), settings, path)) {
        std::fprintf(stderr, "Unable to encode or write %s\n", path);
        return 1;
    }
    std::printf("Wrote %s: %.0f s at %.0f bpm\n", path, totalSeconds, bpm);
    return 0;
}
