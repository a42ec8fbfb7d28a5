#include "main/messageBox.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "resource/XmlNode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using Zem::Main::MessageIcon;

namespace {

// Runs `onFrame` at each frame and ends after frame 10.
class FrameGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override {
        onFrame(++frames);
        return frames < 10;
    }
    bool shutdown() override { return true; }

    std::function<void(int)> onFrame = [](int) {};
    int frames = 0;
};

// A user who never answers: each dialog blocks the dialog thread until the test lets go. The
// state is shared with that thread, which may still be inside a dialog when the test ends.
class UnansweredDialogs {
public:
    UnansweredDialogs() {
        previous = Zem::Main::setDialogFunction(
            [state = state](const std::string& caption, const std::string& text, MessageIcon) {
                {
                    std::lock_guard<std::mutex> lock(state->mutex);
                    state->shown.push_back(caption + ": " + text);
                    if (state->shown.size() == 1) {
                        state->firstShown.set_value();
                    }
                }
                state->answered.wait();
            });
    }
    ~UnansweredDialogs() {
        state->release.set_value();
        Zem::Main::setDialogFunction(previous);
    }
    std::vector<std::string> shownSoFar() const {
        std::lock_guard<std::mutex> lock(state->mutex);
        return state->shown;
    }
    void waitForTheFirst() const { state->firstShownFuture.wait(); }

private:
    struct State {
        std::mutex mutex;
        std::vector<std::string> shown;
        std::promise<void> firstShown;
        std::shared_future<void> firstShownFuture = firstShown.get_future().share();
        std::promise<void> release;
        std::shared_future<void> answered = release.get_future().share();
    };
    std::shared_ptr<State> state = std::make_shared<State>();
    Zem::Main::MessageBoxHandler previous;
};

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.setWorkingDir(dir.path());
        engine.setGame(&game);
        game.engine = &engine;
        engine.init(Zem::Resource::XmlNode("<config/>"));
    }
    ZemTest::TempDir dir;
    FrameGame game;
    Zem::Main::Engine engine;
};

// Under the offscreen video driver a dialog would hang the run; the text still reaches the user
// and the log, with "message" standing for an empty caption.
TEST_F(MessageBoxTest, HeadlessBoxesAreALineOnStandardErrorAndInTheLog) {
    ASSERT_STREQ(std::getenv("SDL_VIDEODRIVER"), "offscreen");
    testing::internal::CaptureStderr();
    Zem::Main::messageBox("ERROR", "Window Creation Error.", MessageIcon::Exclamation);
    Zem::Main::messageBox("", "Camera not found!", MessageIcon::Error);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: Window Creation Error.\nmessage: Camera not found!\n");
    EXPECT_NE(ZemTest::TempDir::readFile(dir.file("zem.log"))
                  .find("ERROR: Window Creation Error.\nmessage: Camera not found!\n"),
              std::string::npos);
}

// The freeze: a box raised mid-show that nobody answers must not stop the frames.
TEST_F(MessageBoxTest, FramesKeepComingWhileADialogWaitsForAnAnswer) {
    UnansweredDialogs dialogs;
    game.onFrame = [](int frame) {
        if (frame == 2 || frame == 3) {
            Zem::Main::showDialogAside("", "Camera not found! " + std::to_string(frame),
                                       MessageIcon::Error);
        }
    };
    EXPECT_TRUE(engine.run());
    EXPECT_EQ(game.frames, 10);
    dialogs.waitForTheFirst();
    // One at a time: the second waits behind the unanswered first.
    EXPECT_EQ(dialogs.shownSoFar(), std::vector<std::string>{": Camera not found! 2"});
}

TEST_F(MessageBoxTest, SigtermEndsTheRunAtTheEndOfTheFrameWithADialogOpen) {
    UnansweredDialogs dialogs;
    game.onFrame = [](int frame) {
        if (frame == 2) {
            Zem::Main::showDialogAside("", "Camera not found!", MessageIcon::Error);
        }
        if (frame == 4) {
            std::raise(SIGTERM);
        }
    };
    EXPECT_FALSE(engine.run());
    EXPECT_EQ(game.frames, 4);
    EXPECT_NE(ZemTest::TempDir::readFile(dir.file("zem.log")).find("stopping on signal"),
              std::string::npos);

    // SIGINT just the same, in a second run.
    game.frames = 0;
    game.onFrame = [](int frame) {
        if (frame == 1) {
            std::raise(SIGINT);
        }
    };
    EXPECT_FALSE(engine.run());
    EXPECT_EQ(game.frames, 1);
}

} // namespace
