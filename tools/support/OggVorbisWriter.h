#pragma once

#include <string>
#include <vector>

namespace ZemTools {

// What an Ogg Vorbis file is encoded with. A fixed stream serial keeps the file the same from
// run to run.
struct OggVorbisSettings {
    int channels = 2;
    long sampleRate = 44100;
    // libvorbis's VBR quality, -0.1 to 1.
    float quality = 0.4f;
    long serial = 1;
    // The "TITLE" comment; none when empty.
    std::string title;
};

// Encodes interleaved samples (-1 to 1) into the file; false when the encoder refuses the
// settings or the file cannot be written whole.
bool writeOggVorbis(const std::vector<float>& interleaved, const OggVorbisSettings& settings,
                    const std::string& path);

} // namespace ZemTools
