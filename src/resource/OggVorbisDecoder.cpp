#include "resource/OggVorbisDecoder.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

namespace Zem::Resource {

namespace {

bool bigEndianMachine() {
    const uint16_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    return first == 0;
}

} // namespace

void OggVorbisDecoder::FileCloser::operator()(OggVorbis_File* file) const {
    ov_clear(file);
    delete file;
}

OggVorbisDecoder::OggVorbisDecoder(const std::string& path) : path(path) {
    auto opening = std::make_unique<OggVorbis_File>();
    if (ov_fopen(path.c_str(), opening.get()) != 0) {
        // A failed open has cleared the file already.
        stop(Status::unopened, "cannot be opened as Ogg Vorbis");
        return;
    }
    file.reset(opening.release());
    const vorbis_info* info = ov_info(file.get(), -1);
    if (info == nullptr || info->channels < 1 || info->rate <= 0) {
        stop(Status::noStreamInfo, "its stream info cannot be read");
        return;
    }
    channelCount = info->channels;
    sampleRate = static_cast<int>(info->rate);
    pageFrames = std::max<int64_t>(ov_pcm_total(file.get(), -1), 0);
    state = Status::ready;
}

void OggVorbisDecoder::decode(const BlockSink& sink) {
    if (state != Status::ready) {
        return;
    }
    const int bigEndian = bigEndianMachine() ? 1 : 0;
    int16_t buffer[8192];
    int section = 0;
    for (;;) {
        const long got = ov_read(file.get(), reinterpret_cast<char*>(buffer), sizeof buffer,
                                 bigEndian, 2, 1, &section);
        if (got == OV_HOLE) {
            // A gap in the pages: the decoder picks up after it.
            continue;
        }
        if (got < 0) {
            stop(Status::damaged, "damaged after " + std::to_string(framesOut) + " frames");
            return;
        }
        if (got == 0) {
            state = Status::complete;
            return;
        }
        const vorbis_info* link = ov_info(file.get(), section);
        if (link == nullptr || link->channels != channelCount || link->rate != sampleRate) {
            stop(Status::formatChanged, "its chained parts change format");
            return;
        }
        const std::size_t count = static_cast<std::size_t>(got) / sizeof(int16_t);
        framesOut += static_cast<int64_t>(count) / channelCount;
        sink(buffer, count);
    }
}

std::vector<int16_t> OggVorbisDecoder::decodeAll() {
    std::vector<int16_t> samples;
    if (state == Status::ready) {
        samples.reserve(static_cast<std::size_t>(pageFrames) * channelCount);
    }
    decode([&samples](const int16_t* block, std::size_t count) {
        samples.insert(samples.end(), block, block + count);
    });
    return samples;
}

void OggVorbisDecoder::stop(Status status, const std::string& detail) {
    state = status;
    why = path + ": " + detail;
}

} // namespace Zem::Resource
