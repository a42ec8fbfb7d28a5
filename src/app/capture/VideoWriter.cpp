#include "app/capture/VideoWriter.h"

#include "app/capture/MusicTrack.h"
#include "graphics/FrameImage.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace Zem::App {

VideoWriter::VideoWriter(std::string file, int w, int h)
    : path(std::move(file)), width(w), height(h) {}

VideoWriter::~VideoWriter() {
    if (encoder.running()) {
        abort();
    }
}

bool VideoWriter::open(const MusicTrack& music, double startMs, long frameCount, double fps) {
    if (!ChildProcess::available("ffmpeg")) {
        return fail("making a video needs the ffmpeg program, which is not installed (Debian: "
                    "apt-get install ffmpeg); --capture DIR writes PNG frames and music.wav "
                    "instead");
    }
    const auto sampleFrames =
        static_cast<int64_t>(std::llround(static_cast<double>(frameCount) / fps * music.rate()));
    if (!music.writeWav(temporaryMusic(), startMs, sampleFrames)) {
        return fail(cannotWrite());
    }
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.6g", fps);
    const std::string format = formOf(path) == Form::Mkv ? "matroska" : "mp4";
    const bool started = encoder.start(
        {"ffmpeg",     "-nostdin",    "-hide_banner",
         "-loglevel",  "error",       "-y",
         "-f",         "rawvideo",    "-pix_fmt",
         "rgb24",      "-video_size", std::to_string(width) + "x" + std::to_string(height),
         "-framerate", rate,          "-i",
         "-",          "-i",          temporaryMusic(),
         "-map",       "0:v",         "-map",
         "1:a",        "-c:v",        "libx264",
         "-preset",    "veryfast",    "-crf",
         "17",         "-pix_fmt",    "yuv420p",
         "-c:a",       "aac",         "-b:a",
         "192k",       "-movflags",   "+faststart",
         "-f",         format,        temporaryVideo()});
    if (!started) {
        abort();
        return fail("cannot start ffmpeg");
    }
    return true;
}

bool VideoWriter::write(const Zem::Graphics::FrameImage& frame) {
    if (frame.width() != width || frame.height() != height) {
        return fail("a frame of another size than the video's");
    }
    if (!encoder.send(frame.data().data(), frame.data().size())) {
        return fail("ffmpeg stopped taking the frames of " + path + " (see its message above)");
    }
    return true;
}

bool VideoWriter::finish() {
    const int status = encoder.finish();
    std::error_code error;
    fs::remove(temporaryMusic(), error);
    if (status != 0) {
        fs::remove(temporaryVideo(), error);
        return fail("ffmpeg failed making " + path + " (exit code " + std::to_string(status) +
                    "; see its message above)");
    }
    fs::rename(temporaryVideo(), path, error);
    if (error) {
        fs::remove(temporaryVideo(), error);
        return fail(cannotWrite());
    }
    return true;
}

// Named after the file asked for, never the temporary ones beside it.
std::string VideoWriter::cannotWrite() const {
    const fs::path folder = fs::path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !fs::is_directory(folder, error)) {
        return "cannot write " + path + ": there is no folder " + folder.string();
    }
    return "cannot write " + path;
}

void VideoWriter::abort() {
    encoder.kill();
    std::error_code error;
    fs::remove(temporaryVideo(), error);
    fs::remove(temporaryMusic(), error);
}

} // namespace Zem::App
