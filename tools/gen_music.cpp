// Writes data/Ombrel.ogg: the show's score at 120 bpm (a bar is 2 s), 75 bars long, in five
// sections the script follows:
//   intro   bars  0-12  pad, a soft arpeggio from bar 4, no drums
//   build   bars 12-28  kick and arpeggio, hats and bass from bar 20; a noise riser over 26-28
//   drop    bars 28-48  full: kick, snare on 2 and 4, driving bass, lead; a crash every 4 bars
//   break   bars 48-58  pad and arpeggio only, the chords move to F G Em Am; riser over 56-58
//   finale  bars 58-75  full again with the lead an octave up; fades over the last 3 bars
// The crashes (bars 28, 32, ... 44, 58, 62, 66, 70) are the accents the picture swells on.
// Everything is computed from fixed numbers, so every run writes the same file. Run from the
// repository root; an argument overrides the output path.

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
constexpr int fadeBars = 3;

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
    const int index = static_cast<int>(t / chordSeconds) % static_cast<int>(progression.size());
    return inBreak(t) ? breakProgression[static_cast<size_t>(index)]
                      : progression[static_cast<size_t>(index)];
}

// How loud each part is at a bar: the arrangement of the sections.
struct Mix {
    double pad = 1.0;
    double kick = 0.0;
    double snare = 0.0;
    double hat = 0.0;
    double arpeggio = 0.0;
    double bass = 0.0;
    double lead = 0.0;
    int leadOctave = 0;
};

Mix mixAt(int bar) {
    Mix mix;
    if (bar < buildBar) {
        mix.arpeggio = bar >= 4 ? 0.5 : 0.0;
        return mix;
    }
    if (bar < dropBar) {
        mix.kick = 1.0;
        mix.arpeggio = 1.0;
        mix.hat = bar >= 20 ? 1.0 : 0.0;
        mix.bass = bar >= 20 ? 0.5 : 0.0;
        return mix;
    }
    if (bar >= breakBar && bar < finaleBar) {
        mix.pad = 1.3;
        mix.arpeggio = 0.9;
        return mix;
    }
    // The drop and the finale: everything, the finale's lead an octave up.
    mix.kick = 1.0;
    mix.snare = 1.0;
    mix.hat = 1.0;
    mix.arpeggio = 0.8;
    mix.bass = 1.0;
    mix.lead = 1.0;
    mix.leadOctave = bar >= finaleBar ? 12 : 0;
    return mix;
}

bool isAccentBar(int bar) {
    const bool inDrop = bar >= dropBar && bar < breakBar;
    const bool inFinale = bar >= finaleBar && bar < bars - fadeBars;
    return (inDrop || inFinale) && (bar - (inDrop ? dropBar : finaleBar)) % 4 == 0;
}

// A few soft harmonics, about a mellow saw.
double padVoice(double phase) {
    return std::sin(phase) + 0.35 * std::sin(2.0 * phase) + 0.15 * std::sin(3.0 * phase) +
           0.07 * std::sin(4.0 * phase);
}

// Slow attack, held, and a release that overlaps the next chord.
double padEnvelope(double local) {
    constexpr double attack = 0.6;
    constexpr double release = 0.8;
    if (local < 0.0 || local > chordSeconds + release) {
        return 0.0;
    }
    if (local < attack) {
        return local / attack;
    }
    if (local < chordSeconds) {
        return 1.0;
    }
    return 1.0 - (local - chordSeconds) / release;
}

// The pad of the chord segment starting at segmentStart, heard at time t.
void addPad(double t, double segmentStart, const Chord& chord, double level, double& left,
            double& right) {
    const double envelope = level * padEnvelope(t - segmentStart);
    if (envelope <= 0.0) {
        return;
    }
    for (size_t i = 0; i < chord.tones.size(); ++i) {
        const double f = noteFrequency(chord.tones[i]);
        // Two voices detuned a little apart, one on each side, for width.
        const double a = padVoice(2.0 * pi * f * 1.003 * t + static_cast<double>(i));
        const double b = padVoice(2.0 * pi * f * 0.997 * t + 2.0 * static_cast<double>(i));
        left += 0.045 * envelope * (0.7 * a + 0.3 * b);
        right += 0.045 * envelope * (0.3 * a + 0.7 * b);
    }
    const double bass = std::sin(2.0 * pi * noteFrequency(chord.bass) * t);
    left += 0.08 * envelope * bass;
    right += 0.08 * envelope * bass;
}

double kick(double local) {
    if (local < 0.0 || local > 0.6) {
        return 0.0;
    }
    // The pitch falls from 150 Hz to 50 Hz; the phase is the integral of that sweep.
    constexpr double sweep = 0.03;
    const double phase =
        2.0 * pi * (50.0 * local + 100.0 * sweep * (1.0 - std::exp(-local / sweep)));
    return 0.75 * std::exp(-local / 0.16) * std::sin(phase);
}

// The arpeggio walks up and down the chord an octave above the pad, one note per step.
double arpeggio(double t, double& pan) {
    const int step = static_cast<int>(t / stepSeconds);
    const double local = t - step * stepSeconds;
    constexpr std::array<int, 8> pattern = {0, 1, 2, 3, 2, 1, 0, 2};
    const int slot = pattern[static_cast<size_t>(step % 8)];
    const Chord& chord = chordAt(step * stepSeconds);
    const int midi = slot == 3 ? chord.tones[0] + 24 : chord.tones[static_cast<size_t>(slot)] + 12;
    const double f = noteFrequency(midi);
    pan = (step % 2 == 0) ? 0.35 : 0.65;
    const double phase = 2.0 * pi * f * local;
    return 0.11 * std::exp(-local / 0.09) * (std::sin(phase) + 0.25 * std::sin(2.0 * phase));
}

// The bass on every eighth, root and octave, with a soft square's odd harmonics.
double drivingBass(double t) {
    const double eighth = beatSeconds / 2.0;
    const int index = static_cast<int>(t / eighth);
    const double local = t - index * eighth;
    const int midi = chordAt(index * eighth).bass + (index % 4 == 3 ? 12 : 0);
    const double phase = 2.0 * pi * noteFrequency(midi) * local;
    const double tone =
        std::sin(phase) + 0.3 * std::sin(3.0 * phase) + 0.12 * std::sin(5.0 * phase);
    return 0.16 * std::exp(-local / 0.18) * std::min(1.0, local / 0.004) * tone;
}

// A lead line of eighth notes over each two-bar chord; -1 rests. Degrees index the chord's
// tones (3 is the root an octave up).
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
    // A little vibrato and a square-ish body; the note rings most of the eighth.
    const double vibrato = 1.0 + 0.004 * std::sin(2.0 * pi * 5.5 * t);
    const double phase = 2.0 * pi * f * vibrato * local;
    const double body =
        std::sin(phase) + 0.33 * std::sin(3.0 * phase) + 0.2 * std::sin(5.0 * phase);
    const double envelope = std::min(1.0, local / 0.01) * std::exp(-local / 0.35);
    return 0.06 * envelope * body;
}

// Fixed-seed noise for the hat, the snare, the crash and the risers.
class Noise {
public:
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    }

private:
    uint32_t state = 0x2545F491u;
};

double snare(double local, double white) {
    if (local < 0.0 || local > 0.4) {
        return 0.0;
    }
    const double tone = std::sin(2.0 * pi * 185.0 * local) * std::exp(-local / 0.05);
    return 0.22 * (0.6 * white * std::exp(-local / 0.09) + 0.4 * tone);
}

// Rises over the two bars before `bar`.
double riser(double t, int bar, double white) {
    const double start = (bar - 2) * barSeconds;
    const double end = bar * barSeconds;
    if (t < start || t >= end) {
        return 0.0;
    }
    const double x = (t - start) / (end - start);
    return 0.12 * x * x * white;
}

double fadeAt(double t) {
    const double in = std::fmin(t / 2.0, 1.0);
    const double out = std::fmin((totalSeconds - t) / (fadeBars * barSeconds), 1.0);
    return std::fmax(0.0, std::fmin(in, out));
}

std::vector<float> render() {
    const size_t frames = static_cast<size_t>(totalSeconds * sampleRate);
    std::vector<float> samples(frames * 2);
    Noise noise;
    double previousNoise = 0.0;
    for (size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / sampleRate;
        const int bar = barAt(t);
        const Mix mix = mixAt(bar);
        double left = 0.0;
        double right = 0.0;

        const int segment = static_cast<int>(t / chordSeconds);
        addPad(t, segment * chordSeconds, chordAt(t), mix.pad, left, right);
        if (segment > 0) {
            const double previous = (segment - 1) * chordSeconds;
            addPad(t, previous, chordAt(previous), mixAt(barAt(previous)).pad, left, right);
        }

        const int beat = static_cast<int>(t / beatSeconds);
        const double sinceBeat = t - beat * beatSeconds;
        const double k = mix.kick * kick(sinceBeat);
        left += k;
        right += k;

        if (mix.arpeggio > 0.0) {
            double pan = 0.5;
            const double a = mix.arpeggio * arpeggio(t, pan);
            left += a * (1.0 - pan) * 2.0;
            right += a * pan * 2.0;
        }
        if (mix.bass > 0.0) {
            const double b = mix.bass * drivingBass(t);
            left += b;
            right += b;
        }
        if (mix.lead > 0.0) {
            const double l = mix.lead * lead(t, mix.leadOctave);
            left += 1.2 * l;
            right += 0.8 * l;
        }

        const double white = noise.next();
        const double bright = white - previousNoise;
        previousNoise = white;
        const double offBeat = t - (beat + 0.5) * beatSeconds;
        if (mix.hat > 0.0 && offBeat >= 0.0) {
            const double h = mix.hat * 0.05 * std::exp(-offBeat / 0.03) * bright;
            left += 0.8 * h;
            right += 1.2 * h;
        }
        if (mix.snare > 0.0 && beat % 2 == 1) {
            const double s = mix.snare * snare(sinceBeat, white);
            left += s;
            right += s;
        }
        const double sinceBar = t - bar * barSeconds;
        if (isAccentBar(bar)) {
            const double c = 0.16 * std::exp(-sinceBar / 0.7) * bright;
            left += 1.1 * c;
            right += 0.9 * c;
        }
        const double r = riser(t, dropBar, white) + riser(t, finaleBar, white);
        left += r;
        right += r;

        const double fade = fadeAt(t);
        samples[2 * n] = static_cast<float>(std::tanh(left * fade * 0.9));
        samples[2 * n + 1] = static_cast<float>(std::tanh(right * fade * 0.9));
    }
    return samples;
}

} // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "data/Ombrel.ogg";
    ZemTools::OggVorbisSettings settings;
    settings.channels = 2;
    settings.sampleRate = sampleRate;
    settings.quality = 0.1f;
    settings.serial = 0x4f4d4252;
    settings.title = "Ombrel";
    if (!ZemTools::writeOggVorbis(render(), settings, path)) {
        std::fprintf(stderr, "Unable to encode or write %s\n", path);
        return 1;
    }
    std::printf("Wrote %s: %.0f s at %.0f bpm\n", path, totalSeconds, bpm);
    return 0;
}
