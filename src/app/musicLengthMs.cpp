#include "app/musicLengthMs.h"

#include "resource/OggVorbisDecoder.h"

namespace Zem::App {

int64_t musicLengthMs(const std::string& path) {
    const Zem::Resource::OggVorbisDecoder music(path);
    if (music.status() != Zem::Resource::OggVorbisDecoder::Status::ready || music.rate() <= 0 ||
        music.totalFrames() <= 0) {
        return -1;
    }
    return music.totalFrames() * 1000 / music.rate();
}

} // namespace Zem::App
