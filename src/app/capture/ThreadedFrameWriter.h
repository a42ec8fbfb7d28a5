#pragma once

#include "app/capture/FrameWriter.h"
#include "graphics/FrameImage.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace Zem::App {

// Hands each frame to another writer on a thread of its own, so PNG compression or the pipe to
// the encoder runs while the next frame draws. At most `depth` frames wait; a frame given while
// they do waits for room. A failure of the writer shows at the next write or at finish.
class ThreadedFrameWriter : public FrameWriter {
public:
    explicit ThreadedFrameWriter(std::unique_ptr<FrameWriter> writer, std::size_t depth = 2);
    ~ThreadedFrameWriter() override;

    bool open(const MusicTrack& music, double startMs, long frameCount, double fps) override;
    bool write(const Zem::Graphics::FrameImage& frame) override;
    bool finish() override;
    void abort() override;

private:
    void writeWaitingFrames();
    // Ends the thread once the frames waiting are written (or at once, dropping them).
    void stop(bool dropWaiting);

    std::unique_ptr<FrameWriter> writer;
    const std::size_t depth;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Zem::Graphics::FrameImage> waiting;
    bool stopping = false;
    bool writerFailed = false;
    std::thread thread;
};

} // namespace Zem::App
