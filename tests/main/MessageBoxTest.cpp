#include "main/messageBox.h"
#include "main/Engine.h"
#include "resource/XmlNode.h"
#include "support/FrameGame.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <string>

using Zem::Main::MessageIcon;

namespace {

// A user who never answers: each dialog blocks the dialog thread until the test lets go. The
// state is shared with that thread, which may still be inside a dialog when the test ends.
struct UnansweredDialogs {
    UnansweredDialogs()
        : previous(Zem::Main::setDialogFunction(
              [state = state](const std::string& caption, const std::string& text, MessageIcon) {
                  if (state->shown++ == 0) {
                      state->first.set_value(caption + ": " + text);
                  }
                  state->answered.wait();
              })) {}
    ~UnansweredDialogs() {
        state->release.set_value();
        Zem::Main::setDialogFunction(previous);
    }

    struct State {
        std::atomic<int> shown{0};
        std::promise<std::string> first;
        std::promise<void> release;
        std::shared_future<void> answered = release.get_future().share();
    };
    const std::shared_ptr<State> state = std::make_shared<State>();
    std::future<std::string> first = state->first.get_future();
    const Zem::Main::MessageBoxHandler previous;
};

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.setWorkingDir(dir.path());
        engine.setGame(&game);
        game.engine = &engine;
        engine.init(Zem::Resource::XmlNode("<config/>"));
    }
    // Runs with act(frame) at each frame, for at most 10 frames.
    bool runWith(const std::function<void(int)>& act) {
        game.frames = 0;
        game.onFrame = [act](int frame) {
            act(frame);
            return frame < 10;
        };
        return engine.run();
    }

    ZemTest::TempDir dir;
    ZemTest::FrameGame game;
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
    EXPECT_TRUE(runWith([](int frame) {
        if (frame == 2 || frame == 3) {
            Zem::Main::showDialogAside("", "Camera not found! " + std::to_string(frame),
                                       MessageIcon::Error);
        }
    }));
    EXPECT_EQ(game.frames, 10);
    // One at a time: the second waits behind the unanswered first.
    EXPECT_EQ(dialogs.first.get(), ": Camera not found! 2");
    EXPECT_EQ(dialogs.state->shown, 1);
}

// SIGTERM, with a dialog open, and SIGINT, in a second run, end the run at the end of the frame.
TEST_F(MessageBoxTest, SignalsEndTheRunAtTheEndOfTheFrameWithADialogOpen) {
    UnansweredDialogs dialogs;
    EXPECT_FALSE(runWith([](int frame) {
        if (frame == 2) {
            Zem::Main::showDialogAside("", "Camera not found!", MessageIcon::Error);
        }
        if (frame == 4) {
            std::raise(SIGTERM);
        }
    }));
    EXPECT_EQ(game.frames, 4);
    EXPECT_NE(ZemTest::TempDir::readFile(dir.file("zem.log")).find("stopping on signal"),
              std::string::npos);
    EXPECT_FALSE(runWith([](int frame) {
        if (frame == 1) {
            std::raise(SIGINT);
        }
    }));
    EXPECT_EQ(game.frames, 1);
}

} // namespace
