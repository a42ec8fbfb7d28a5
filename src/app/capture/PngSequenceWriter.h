#pragma once

#include "app/capture/FrameWriter.h"

#include <string>

namespace Zem::App {

// A folder of "frame-000000.png", "frame-000001.png", ... and "music.wav".
class PngSequenceWriter : public FrameWriter {
public:
    explicit PngSequenceWriter(std::string directory);

    bool open(const MusicTrack& music, double startMs, long frameCount, double fps) override;
    bool write(const Zem::Graphics::FrameImage& frame) override;
    bool finish() override;
    void abort() override;

    static std::string frameName(long index);

private:
    std::string pathOf(const std::string& name) const;
    void removeOldOutput() const;

    std::string directory;
    long nextFrame = 0;
    const MusicTrack* music = nullptr;
    double startMs = 0.0;
    double fps = 60.0;
};

} // namespace Zem::App
