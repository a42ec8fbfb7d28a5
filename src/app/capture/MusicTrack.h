#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Zem::App {

// The show's music decoded whole, for writing the part a capture covers.
class MusicTrack {
public:
    // An empty track (no samples) when the file cannot be decoded; error() says why.
    static MusicTrack decode(const std::string& path);

    bool empty() const { return samples.empty(); }
    int channels() const { return channelCount; }
    int rate() const { return sampleRate; }
    double lengthMs() const;
    const std::string& error() const { return why; }

    // A 16-bit PCM WAV of frameCount sample frames from startMs on, silence past the music's
    // end; an empty track writes silence at 44100 Hz stereo. False when the file cannot be
    // written whole.
    bool writeWav(const std::string& path, double startMs, int64_t frameCount) const;

private:
    std::vector<int16_t> samples;
    int channelCount = 2;
    int sampleRate = 44100;
    std::string why;
};

} // namespace Zem::App
