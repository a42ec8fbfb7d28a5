#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct OggVorbis_File;

namespace Zem::Resource {

// An Ogg Vorbis file decoded with libvorbisfile to interleaved signed 16-bit samples in the
// machine's byte order. The file is opened on construction and decoded once, from its start.
class OggVorbisDecoder {
public:
    enum class Status {
        // Open, with its channels and rate known; nothing decoded yet.
        ready,
        // Decoded to its end.
        complete,
        // Missing, unreadable or not Ogg Vorbis.
        unopened,
        // Opened, but without channels and a rate to decode to.
        noStreamInfo,
        // Decoding stopped where a chained part has other channels or another rate.
        formatChanged,
        // Decoding stopped at damage the decoder cannot pass; goodFrames() came before it.
        damaged,
    };
    // A block of `count` interleaved samples, whole frames, valid during the call.
    using BlockSink = std::function<void(const int16_t* samples, std::size_t count)>;

    explicit OggVorbisDecoder(const std::string& path);

    Status status() const { return state; }
    // The file's path, a colon and why the decoder is not ready or stopped early; empty
    // otherwise.
    const std::string& reason() const { return why; }
    // 0 unless the stream info was read.
    int channels() const { return channelCount; }
    int rate() const { return sampleRate; }
    // The length the stream's pages give; 0 when unknown.
    int64_t totalFrames() const { return pageFrames; }
    // Frames handed out so far.
    int64_t goodFrames() const { return framesOut; }

    // Hands the samples to sink block by block, skipping holes in the pages, until the end, a
    // chained part in another format or damage; status() says which. Only a ready decoder
    // decodes.
    void decode(const BlockSink& sink);
    // decode() gathered into one vector.
    std::vector<int16_t> decodeAll();

private:
    struct FileCloser {
        void operator()(OggVorbis_File* file) const;
    };

    void stop(Status status, const std::string& detail);

    std::string path;
    std::unique_ptr<OggVorbis_File, FileCloser> file;
    Status state = Status::unopened;
    std::string why;
    int channelCount = 0;
    int sampleRate = 0;
    int64_t pageFrames = 0;
    int64_t framesOut = 0;
};

} // namespace Zem::Resource
