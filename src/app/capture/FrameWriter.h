#pragma once

#include <memory>
#include <string>

namespace Zem::Graphics {
class FrameImage;
}

namespace Zem::App {

class MusicTrack;

// Where a capture's frames and music go. Nothing it writes looks complete before finish
// succeeds: files are written under temporary names and renamed at the end.
class FrameWriter {
public:
    virtual ~FrameWriter();

    // Prepares the output for frameCount frames at fps whose first shows startMs of the show,
    // with the part of the music they cover (read until finish, so it must outlive the writer's
    // work); false with error() set when it cannot be written.
    virtual bool open(const MusicTrack& music, double startMs, long frameCount, double fps) = 0;
    // Frame i of the capture, in order.
    virtual bool write(const Zem::Graphics::FrameImage& frame) = 0;
    // Completes the output with the frames written so far.
    virtual bool finish() = 0;
    // Leaves nothing that looks complete.
    virtual void abort() = 0;

    const std::string& error() const { return why; }

    // What a capture's output name asks for, by its ending, whatever its case.
    enum class Form { Folder, Mp4, Mkv, Unknown };
    // ".mp4" and ".mkv" are videos; a name without an extension (or ending in a slash) is a
    // folder; any other extension is Unknown.
    static Form formOf(const std::string& out);

    // A video file for OUT ending in ".mp4" or ".mkv", otherwise a folder of PNG files.
    static std::unique_ptr<FrameWriter> forOutput(const std::string& out, int width, int height);

protected:
    bool fail(const std::string& reason);

    std::string why;
};

} // namespace Zem::App
