#include "app/capture/ThreadedFrameWriter.h"

#include <utility>

namespace Zem::App {

ThreadedFrameWriter::ThreadedFrameWriter(std::unique_ptr<FrameWriter> writer, std::size_t depth)
    : writer(std::move(writer)), depth(depth > 0 ? depth : 1) {}

ThreadedFrameWriter::~ThreadedFrameWriter() {
    if (thread.joinable()) {
        abort();
    }
}

bool ThreadedFrameWriter::open(const MusicTrack& music, double startMs, long frameCount,
                               double fps) {
    if (!writer->open(music, startMs, frameCount, fps)) {
        return fail(writer->error());
    }
    thread = std::thread(&ThreadedFrameWriter::writeWaitingFrames, this);
    return true;
}

bool ThreadedFrameWriter::write(const Zem::Graphics::FrameImage& frame) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return waiting.size() < depth || writerFailed; });
    if (writerFailed) {
        lock.unlock();
        return fail(writer->error());
    }
    waiting.push_back(frame);
    changed.notify_all();
    return true;
}

bool ThreadedFrameWriter::finish() {
    stop(false);
    if (writerFailed) {
        return fail(writer->error());
    }
    if (!writer->finish()) {
        return fail(writer->error());
    }
    return true;
}

void ThreadedFrameWriter::abort() {
    stop(true);
    writer->abort();
}

void ThreadedFrameWriter::writeWaitingFrames() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return !waiting.empty() || stopping; });
        if (waiting.empty()) {
            return;
        }
        // Written outside the lock, so the next frame can be handed over meanwhile.
        Zem::Graphics::FrameImage frame = std::move(waiting.front());
        lock.unlock();
        const bool written = writer->write(frame);
        lock.lock();
        waiting.pop_front();
        if (!written) {
            writerFailed = true;
            waiting.clear();
            changed.notify_all();
            return;
        }
        changed.notify_all();
    }
}

void ThreadedFrameWriter::stop(bool dropWaiting) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (dropWaiting) {
            // The frame being written, if any, stays at the front until it is done.
            while (waiting.size() > 1) {
                waiting.pop_back();
            }
        }
        stopping = true;
    }
    changed.notify_all();
    if (thread.joinable()) {
        thread.join();
    }
}

} // namespace Zem::App
