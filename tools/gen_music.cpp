// Writes data/Ombrel.ogg: a placeholder score at 120 bpm, one minute long. A kick on every
// beat, a soft pad through A minor, F, C and G, a plucked arpeggio on the script's quarter-beat
// steps and an off-beat hat. Everything is computed from fixed numbers, so every run writes the
// same file. Run from the repository root; an argument overrides the output path.

#include <vorbis/vorbisenc.h>

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
constexpr int bars = 30;
constexpr double totalSeconds = bars * barSeconds;
constexpr double chordSeconds = 2.0 * barSeconds;
constexpr double pi = 3.14159265358979323846;

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

double noteFrequency(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

const Chord& chordAt(double t) {
    const int index = static_cast<int>(t / chordSeconds) % static_cast<int>(progression.size());
    return progression[static_cast<size_t>(index)];
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
void addPad(double t, double segmentStart, const Chord& chord, double& left, double& right) {
    const double envelope = padEnvelope(t - segmentStart);
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
    left += 0.10 * envelope * bass;
    right += 0.10 * envelope * bass;
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

// Fixed-seed noise for the hat.
class Noise {
public:
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    }

private:
    uint32_t state = 0x2545F491u;
};

double fadeAt(double t) {
    const double in = std::fmin(t / 2.0, 1.0);
    const double out = std::fmin((totalSeconds - t) / (2.0 * barSeconds), 1.0);
    return std::fmax(0.0, std::fmin(in, out));
}

std::vector<float> render() {
    const size_t frames = static_cast<size_t>(totalSeconds * sampleRate);
    std::vector<float> samples(frames * 2);
    Noise noise;
    double previousNoise = 0.0;
    for (size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / sampleRate;
        double left = 0.0;
        double right = 0.0;

        const int segment = static_cast<int>(t / chordSeconds);
        addPad(t, segment * chordSeconds, chordAt(t), left, right);
        if (segment > 0) {
            addPad(t, (segment - 1) * chordSeconds, chordAt((segment - 1) * chordSeconds), left,
                   right);
        }

        const int beat = static_cast<int>(t / beatSeconds);
        const double k = kick(t - beat * beatSeconds);
        left += k;
        right += k;

        // The arpeggio joins after two bars, the hat after four.
        if (t >= 2.0 * barSeconds) {
            double pan = 0.5;
            const double a = arpeggio(t, pan);
            left += a * (1.0 - pan) * 2.0;
            right += a * pan * 2.0;
        }
        const double white = noise.next();
        const double bright = white - previousNoise;
        previousNoise = white;
        if (t >= 4.0 * barSeconds) {
            const double offBeat = t - (beat + 0.5) * beatSeconds;
            if (offBeat >= 0.0) {
                const double h = 0.05 * std::exp(-offBeat / 0.03) * bright;
                left += 0.8 * h;
                right += 1.2 * h;
            }
        }

        const double fade = fadeAt(t);
        samples[2 * n] = static_cast<float>(std::tanh(left * fade * 0.9));
        samples[2 * n + 1] = static_cast<float>(std::tanh(right * fade * 0.9));
    }
    return samples;
}

bool writePages(ogg_stream_state& stream, FILE* out, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), out) !=
                static_cast<size_t>(page.header_len) ||
            std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), out) !=
                static_cast<size_t>(page.body_len)) {
            return false;
        }
    }
    return true;
}

bool drainBlocks(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream, FILE* out) {
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            if (!writePages(stream, out, false)) {
                return false;
            }
        }
    }
    return true;
}

bool encode(const std::vector<float>& samples, const char* path) {
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "Unable to write %s\n", path);
        return false;
    }
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, sampleRate, 0.3f) != 0) {
        std::fprintf(stderr, "The Vorbis encoder refused the settings\n");
        std::fclose(out);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "Ombrel (placeholder score)");
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    // A fixed serial number keeps the file the same from run to run.
    ogg_stream_init(&stream, 0x4f4d4252);

    ogg_packet header;
    ogg_packet headerComment;
    ogg_packet headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    bool ok = writePages(stream, out, true);

    const size_t frames = samples.size() / 2;
    constexpr size_t chunk = 4096;
    for (size_t first = 0; ok && first < frames; first += chunk) {
        const size_t count = std::min(chunk, frames - first);
        float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
        for (size_t i = 0; i < count; ++i) {
            buffer[0][i] = samples[2 * (first + i)];
            buffer[1][i] = samples[2 * (first + i) + 1];
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        ok = drainBlocks(dsp, block, stream, out);
    }
    vorbis_analysis_wrote(&dsp, 0);
    ok = ok && drainBlocks(dsp, block, stream, out) && writePages(stream, out, true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "Unable to write %s\n", path);
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "data/Ombrel.ogg";
    if (!encode(render(), path)) {
        return 1;
    }
    std::printf("Wrote %s: %.0f s at %.0f bpm\n", path, totalSeconds, bpm);
    return 0;
}
