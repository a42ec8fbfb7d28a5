#include "support/OggVorbisWriter.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>

namespace ZemTools {

namespace {

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

} // namespace

bool writeOggVorbis(const std::vector<float>& interleaved, const OggVorbisSettings& settings,
                    const std::string& path) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (settings.channels < 1 ||
        vorbis_encode_init_vbr(&info, settings.channels, settings.sampleRate, settings.quality) !=
            0) {
        vorbis_info_clear(&info);
        return false;
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    if (!settings.title.empty()) {
        vorbis_comment_add_tag(&comment, "TITLE", settings.title.c_str());
    }
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(settings.serial));

    ogg_packet header;
    ogg_packet headerComment;
    ogg_packet headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    bool ok = writePages(stream, out, true);

    const auto channels = static_cast<size_t>(settings.channels);
    const size_t frames = interleaved.size() / channels;
    constexpr size_t chunk = 4096;
    for (size_t first = 0; ok && first < frames; first += chunk) {
        const size_t count = std::min(chunk, frames - first);
        float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
        for (size_t i = 0; i < count; ++i) {
            for (size_t c = 0; c < channels; ++c) {
                buffer[c][i] = interleaved[(first + i) * channels + c];
            }
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
    return std::fclose(out) == 0 && ok;
}

} // namespace ZemTools
