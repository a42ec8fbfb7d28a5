#include "app/capture/MusicTrack.h"

#include "resource/OggVorbisDecoder.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace Zem::App {

namespace {

void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

std::vector<uint8_t> wavHeader(int channels, int rate, uint32_t dataBytes) {
    std::vector<uint8_t> header;
    const auto tag = [&header](const char* text) { header.insert(header.end(), text, text + 4); };
    tag("RIFF");
    putLe(header, 36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    putLe(header, 16, 4);
    putLe(header, 1, 2); // PCM
    putLe(header, static_cast<uint32_t>(channels), 2);
    putLe(header, static_cast<uint32_t>(rate), 4);
    putLe(header, static_cast<uint32_t>(rate * channels * 2), 4);
    putLe(header, static_cast<uint32_t>(channels * 2), 2);
    putLe(header, 16, 2);
    tag("data");
    putLe(header, dataBytes, 4);
    return header;
}

} // namespace

MusicTrack MusicTrack::decode(const std::string& path) {
    using Resource::OggVorbisDecoder;
    MusicTrack track;
    OggVorbisDecoder music(path);
    if (music.status() == OggVorbisDecoder::Status::unopened) {
        track.why = "cannot decode " + path;
        return track;
    }
    if (music.status() == OggVorbisDecoder::Status::noStreamInfo) {
        track.why = "cannot decode " + music.reason();
        return track;
    }
    track.channelCount = music.channels();
    track.sampleRate = music.rate();
    // Damage or a change of format ends the music early: the capture has what came before.
    track.samples = music.decodeAll();
    if (track.samples.empty()) {
        track.why = path + " holds no sound";
    }
    return track;
}

double MusicTrack::lengthMs() const {
    return static_cast<double>(samples.size() / static_cast<std::size_t>(channelCount)) * 1000.0 /
           sampleRate;
}

bool MusicTrack::writeWav(const std::string& path, double startMs, int64_t frameCount) const {
    if (frameCount < 0) {
        return false;
    }
    const int64_t available = static_cast<int64_t>(samples.size()) / channelCount;
    const int64_t first = std::llround(startMs * sampleRate / 1000.0);
    const uint64_t dataBytes = static_cast<uint64_t>(frameCount) * channelCount * 2;
    if (dataBytes > 0xffffffffull - 36) {
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!out) {
        return false;
    }
    const std::vector<uint8_t> header =
        wavHeader(channelCount, sampleRate, static_cast<uint32_t>(dataBytes));
    bool ok = std::fwrite(header.data(), 1, header.size(), out.get()) == header.size();
    // Before the music and past its end the capture hears silence.
    std::vector<int16_t> frame(static_cast<std::size_t>(channelCount));
    for (int64_t i = 0; ok && i < frameCount; ++i) {
        const int64_t at = first + i;
        for (int c = 0; c < channelCount; ++c) {
            frame[static_cast<std::size_t>(c)] =
                at >= 0 && at < available ? samples[static_cast<std::size_t>(at * channelCount + c)]
                                          : 0;
        }
        // WAV is little-endian, as every machine this runs on.
        ok = std::fwrite(frame.data(), 2, frame.size(), out.get()) == frame.size();
    }
    ok = std::fflush(out.get()) == 0 && ok;
    out.reset();
    if (!ok) {
        std::remove(path.c_str());
    }
    return ok;
}

} // namespace Zem::App
