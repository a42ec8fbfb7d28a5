#include "app/capture/ThreadedFrameWriter.h"

#include "app/capture/MusicTrack.h"
#include "graphics/FrameImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <vector>

using Zem::App::FrameWriter;
using Zem::App::MusicTrack;
using Zem::App::ThreadedFrameWriter;
using Zem::Graphics::FrameImage;

namespace {

// Records what it is asked, in order; its writes can be made to fail or to wait for a release.
class RecordingWriter : public FrameWriter {
public:
    bool open(const MusicTrack&, double, long, double) override {
        said("open");
        return opens || fail("cannot open out.mp4");
    }
    bool write(const FrameImage& frame) override {
        released.wait();
        said("frame " + std::to_string(frame.width()));
        return ++written != failingWrite || fail("the encoder stopped");
    }
    bool finish() override {
        said("finish");
        return true;
    }
    void abort() override { said("abort"); }

    std::vector<std::string> calls() {
        std::lock_guard<std::mutex> lock(mutex);
        return log;
    }

    bool opens = true;
    int failingWrite = 0;
    std::shared_future<void> released = ready();

private:
    static std::shared_future<void> ready() {
        std::promise<void> done;
        done.set_value();
        return done.get_future().share();
    }
    void said(const std::string& call) {
        std::lock_guard<std::mutex> lock(mutex);
        log.push_back(call);
    }

    std::mutex mutex;
    std::vector<std::string> log;
    int written = 0;
};

class ThreadedFrameWriterTest : public testing::Test {
protected:
    ThreadedFrameWriterTest() {
        auto owned = std::make_unique<RecordingWriter>();
        recorder = owned.get();
        writer = std::make_unique<ThreadedFrameWriter>(std::move(owned));
    }

    bool open() { return writer->open(music, 0.0, 10, 30.0); }
    // Frames told apart by their width.
    bool write(int width) { return writer->write(FrameImage(width, 2)); }

    MusicTrack music;
    RecordingWriter* recorder = nullptr;
    std::unique_ptr<ThreadedFrameWriter> writer;
};

TEST_F(ThreadedFrameWriterTest, FramesReachTheWriterInOrderBeforeItFinishes) {
    ASSERT_TRUE(open());
    for (int width = 1; width <= 4; ++width) {
        ASSERT_TRUE(write(width));
    }
    ASSERT_TRUE(writer->finish());
    EXPECT_EQ(
        (std::vector<std::string>{"open", "frame 1", "frame 2", "frame 3", "frame 4", "finish"}),
        recorder->calls());
}

TEST_F(ThreadedFrameWriterTest, AnOpenThatFailsGivesTheWritersReason) {
    recorder->opens = false;
    EXPECT_FALSE(open());
    EXPECT_EQ("cannot open out.mp4", writer->error());
}

TEST_F(ThreadedFrameWriterTest, AFailedWriteFailsTheFinishWithTheWritersReason) {
    recorder->failingWrite = 2;
    ASSERT_TRUE(open());
    write(1);
    write(2);
    EXPECT_FALSE(writer->finish());
    EXPECT_EQ("the encoder stopped", writer->error());
}

TEST_F(ThreadedFrameWriterTest, AfterAFailedWriteNoMoreFramesAreTaken) {
    recorder->failingWrite = 1;
    ASSERT_TRUE(open());
    write(1);
    writer->finish();
    EXPECT_FALSE(write(2));
    EXPECT_EQ((std::vector<std::string>{"open", "frame 1"}), recorder->calls());
}

TEST_F(ThreadedFrameWriterTest, AbortAbortsTheWriterWithoutFinishingIt) {
    ASSERT_TRUE(open());
    write(1);
    writer->abort();
    const std::vector<std::string> calls = recorder->calls();
    EXPECT_EQ("abort", calls.back());
    EXPECT_EQ(0, std::count(calls.begin(), calls.end(), "finish"));
}

// One frame in the writer's hands and one waiting: the third waits for room.
TEST_F(ThreadedFrameWriterTest, AFrameGivenWhileTwoWaitWaitsForRoom) {
    std::promise<void> release;
    recorder->released = release.get_future().share();
    ASSERT_TRUE(open());
    write(1);
    write(2);
    auto third = std::async(std::launch::async, [this] { return write(3); });
    EXPECT_EQ(std::future_status::timeout, third.wait_for(std::chrono::milliseconds(100)));
    release.set_value();
    EXPECT_TRUE(third.get());
    EXPECT_TRUE(writer->finish());
}

} // namespace
