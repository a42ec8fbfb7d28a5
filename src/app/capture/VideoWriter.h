#pragma once

#include "app/capture/ChildProcess.h"
#include "app/capture/FrameWriter.h"

#include <string>

namespace Zem::App {

// One video file with the music, made by piping raw frames into the ffmpeg program: H.264 in
// yuv420p at CRF 18 with AAC sound, MP4 or Matroska after the file's ending. The music goes to a
// temporary WAV first, so ffmpeg reads both from the start.
class VideoWriter : public FrameWriter {
public:
    VideoWriter(std::string path, int width, int height);
    ~VideoWriter() override;

    bool open(const MusicTrack& music, double startMs, long frameCount, double fps) override;
    bool write(const Zem::Graphics::FrameImage& frame) override;
    bool finish() override;
    void abort() override;

private:
    std::string temporaryVideo() const { return path + ".part"; }
    std::string temporaryMusic() const { return path + ".part.wav"; }
    std::string cannotWrite() const;

    std::string path;
    int width;
    int height;
    ChildProcess encoder;
};

} // namespace Zem::App
