#include "app/capture/PngSequenceWriter.h"

#include "app/capture/MusicTrack.h"
#include "graphics/FrameImage.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <system_error>

namespace fs = std::filesystem;

namespace Zem::App {

PngSequenceWriter::PngSequenceWriter(std::string folder) : directory(std::move(folder)) {}

std::string PngSequenceWriter::frameName(long index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06ld.png", index);
    return name;
}

std::string PngSequenceWriter::pathOf(const std::string& name) const {
    return (fs::path(directory) / name).string();
}

// Frames of an earlier, longer capture into the same folder would read as part of this one.
void PngSequenceWriter::removeOldOutput() const {
    static const std::regex ours(R"(frame-[0-9]{6,}\.png(\.part)?|music\.wav(\.part)?)");
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        if (entry.is_regular_file(error) &&
            std::regex_match(entry.path().filename().string(), ours)) {
            fs::remove(entry.path(), error);
        }
    }
}

bool PngSequenceWriter::open(const MusicTrack& track, double firstMs, long, double rate) {
    music = &track;
    startMs = firstMs;
    fps = rate;
    std::error_code error;
    fs::create_directories(directory, error);
    if (!fs::is_directory(directory, error)) {
        return fail("cannot make the folder " + directory);
    }
    removeOldOutput();
    // Find out now, not after the first expensive frame, whether the folder takes files.
    const std::string probe = pathOf(".ombrel-write-test");
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (file == nullptr) {
        return fail("cannot write into the folder " + directory);
    }
    std::fclose(file);
    fs::remove(probe, error);
    return true;
}

bool PngSequenceWriter::write(const Zem::Graphics::FrameImage& frame) {
    const std::string final = pathOf(frameName(nextFrame));
    const std::string partial = final + ".part";
    std::error_code error;
    if (!frame.writePng(partial)) {
        return fail("cannot write " + final + " (is the disk full?)");
    }
    fs::rename(partial, final, error);
    if (error) {
        fs::remove(partial, error);
        return fail("cannot write " + final);
    }
    ++nextFrame;
    return true;
}

bool PngSequenceWriter::finish() {
    const std::string final = pathOf("music.wav");
    const std::string partial = final + ".part";
    const auto sampleFrames = static_cast<int64_t>(
        std::llround(static_cast<double>(nextFrame) / fps * (music ? music->rate() : 44100)));
    const MusicTrack silence;
    if (!(music ? *music : silence).writeWav(partial, startMs, sampleFrames)) {
        return fail("cannot write " + final + " (is the disk full?)");
    }
    std::error_code error;
    fs::rename(partial, final, error);
    return error ? fail("cannot write " + final) : true;
}

void PngSequenceWriter::abort() {
    // Every frame already written is complete; only the music is missing, which says the
    // capture did not finish.
    std::error_code error;
    fs::remove(pathOf("music.wav.part"), error);
}

} // namespace Zem::App
