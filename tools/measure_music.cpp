// Measures a score as a listener's meter would: for each section of the show (intro, build,
// drop, break, finale, at the bars the script follows) and for the whole file, the RMS level
// and the peak in dB below full scale, the samples at full scale (clipped), and the share of
// the spectrum's energy above 2 kHz. Reads data/Ombrel.ogg, or the Ogg Vorbis file named as the
// only argument. It writes nothing: it is how the score's dynamics and range are checked.
//
// RMS is over both channels' samples; the spectrum is that of the channels' mean, in Hann
// windows of 4096 samples overlapping by half, summed over the section.

#include "resource/OggVorbisDecoder.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double barSeconds = 2.0;
constexpr std::size_t window = 4096;
constexpr double splitHz = 2000.0;

struct Section {
    const char* name;
    int firstBar;
    int endBar;
};

constexpr Section sections[] = {
    {"intro", 0, 12}, {"build", 12, 28}, {"drop", 28, 48}, {"break", 48, 58}, {"finale", 58, 75}};

// In-place radix-2 transform; the size is a power of two.
void fft(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * pi / static_cast<double>(length);
        const std::complex<double> turn(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += length) {
            std::complex<double> w(1.0, 0.0);
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
                w *= turn;
            }
        }
    }
}

struct Figures {
    double rmsDb = -INFINITY;
    double peakDb = -INFINITY;
    long clipped = 0;
    double highShare = 0.0;
};

double toDb(double amplitude) {
    return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -INFINITY;
}

// Frames [first, end) of interleaved 16-bit stereo (or mono) samples.
Figures measure(const std::vector<int16_t>& samples, int channels, int rate, std::size_t first,
                std::size_t end) {
    Figures figures;
    double sumSquares = 0.0;
    double peak = 0.0;
    std::vector<double> mono;
    for (std::size_t frame = first; frame < end; ++frame) {
        double mean = 0.0;
        for (int c = 0; c < channels; ++c) {
            const int16_t raw =
                samples[frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
            const double s = raw / 32768.0;
            sumSquares += s * s;
            peak = std::max(peak, std::fabs(s));
            figures.clipped += (raw >= 32767 || raw <= -32768) ? 1 : 0;
            mean += s;
        }
        mono.push_back(mean / channels);
    }
    const double count = static_cast<double>((end - first) * static_cast<std::size_t>(channels));
    figures.rmsDb = count > 0.0 ? toDb(std::sqrt(sumSquares / count)) : -INFINITY;
    figures.peakDb = toDb(peak);

    double low = 0.0;
    double high = 0.0;
    const double binHz = static_cast<double>(rate) / static_cast<double>(window);
    std::vector<std::complex<double>> block(window);
    for (std::size_t at = 0; at + window <= mono.size(); at += window / 2) {
        for (std::size_t i = 0; i < window; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(i) /
                                                     static_cast<double>(window - 1));
            block[i] = mono[at + i] * hann;
        }
        fft(block);
        for (std::size_t k = 1; k < window / 2; ++k) {
            const double energy = std::norm(block[k]);
            (static_cast<double>(k) * binHz >= splitHz ? high : low) += energy;
        }
    }
    figures.highShare = low + high > 0.0 ? high / (low + high) : 0.0;
    return figures;
}

void print(const char* name, const std::string& span, const Figures& f) {
    std::printf("%-8s %-11s %8.1f %8.1f %8ld %9.1f\n", name, span.c_str(), f.rmsDb, f.peakDb,
                f.clipped, 100.0 * f.highShare);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 ||
        (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h"))) {
        std::fprintf(argc > 2 ? stderr : stdout,
                     "Usage: measure_music [FILE.ogg]\nPrints the RMS level, peak, clipped "
                     "samples and share of energy above 2 kHz of each section of the score.\n");
        return argc > 2 ? 2 : 0;
    }
    const std::string path = argc == 2 ? argv[1] : "data/Ombrel.ogg";
    Zem::Resource::OggVorbisDecoder decoder(path);
    const std::vector<int16_t> samples = decoder.decodeAll();
    if (decoder.status() != Zem::Resource::OggVorbisDecoder::Status::complete) {
        std::fprintf(stderr, "measure_music: %s\n", decoder.reason().c_str());
        return 1;
    }
    const int channels = decoder.channels();
    const int rate = decoder.rate();
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    std::printf("%s: %.1f s, %d channels at %d Hz\n", path.c_str(),
                static_cast<double>(frames) / rate, channels, rate);
    std::printf("%-8s %-11s %8s %8s %8s %9s\n", "section", "seconds", "RMS dB", "peak dB",
                "clipped", "> 2 kHz %");
    for (const Section& section : sections) {
        const auto first =
            std::min(frames, static_cast<std::size_t>(section.firstBar * barSeconds * rate));
        const auto end =
            std::min(frames, static_cast<std::size_t>(section.endBar * barSeconds * rate));
        char span[32];
        std::snprintf(span, sizeof span, "%.0f-%.0f", section.firstBar * barSeconds,
                      section.endBar * barSeconds);
        print(section.name, span, measure(samples, channels, rate, first, end));
    }
    char whole[32];
    std::snprintf(whole, sizeof whole, "0-%.0f", static_cast<double>(frames) / rate);
    print("whole", whole, measure(samples, channels, rate, 0, frames));
    return 0;
}
