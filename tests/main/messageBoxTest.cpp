#include "main/messageBox.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "resource/XmlNode.h"
#include "support/ReportRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
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

class messageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.setWorkingDir(dir.path());
        engine.setGame(&game);
        game.engine = &engine;
        engine.init(Zem::Resource::XmlNode("<config/>"));
    }
    // Raises a dialog nobody answers on frames 2 and 3.
    void raiseDialogsOnFramesTwoAndThree() {
        game.onFrame = [](int frame) {
            if (frame == 2 || frame == 3) {
                Zem::Main::showDialogAside("", "Camera not found! " + std::to_string(frame),
                                           MessageIcon::Error);
            }
        };
    }

    ZemTest::TempDir dir;
    FrameGame game;
    Zem::Main::Engine engine;
};

// First in the file: a dialog still queued from an earlier test would be shown before these.
TEST_F(messageBoxTest, ADialogWaitsBehindAnUnansweredOne) {
    UnansweredDialogs dialogs;
    raiseDialogsOnFramesTwoAndThree();
    engine.run();
    dialogs.waitForTheFirst();
    EXPECT_EQ(dialogs.shownSoFar(), std::vector<std::string>{": Camera not found! 2"});
}

// Under the offscreen video driver a dialog would hang the run; the text still reaches the user.
TEST_F(messageBoxTest, AHeadlessBoxIsReportedAsItsCaptionAndText) {
    ASSERT_STREQ(std::getenv("SDL_VIDEODRIVER"), "offscreen");
    EXPECT_EQ("ERROR: Window Creation Error.\n", ZemTest::reportedBy([] {
                  Zem::Main::messageBox("ERROR", "Window Creation Error.",
                                        MessageIcon::Exclamation);
              }));
}

// Whether a person can see a dialog is settled where the box is raised, never on the dialog
// thread, which must not read the display's state while the display starts or stops.
TEST_F(messageBoxTest, ABoxRaisedWithoutADisplayNeverReachesTheDialogThread) {
    struct Shown {
        std::mutex mutex;
        std::vector<std::string> texts;
        std::promise<void> last;
    };
    auto shown = std::make_shared<Shown>();
    std::future<void> lastShown = shown->last.get_future();
    const auto previous = Zem::Main::setDialogFunction(
        [shown](const std::string&, const std::string& text, MessageIcon) {
            std::lock_guard<std::mutex> lock(shown->mutex);
            shown->texts.push_back(text);
            if (text == "last") {
                shown->last.set_value();
            }
        });
    ZemTest::reportedBy([] { Zem::Main::messageBox("", "Seen by nobody.", MessageIcon::Error); });
    // Dialogs come in order: once the last is shown, any box queued before it has been too.
    Zem::Main::showDialogAside("", "last", MessageIcon::Information);
    lastShown.wait();
    Zem::Main::setDialogFunction(previous);
    std::lock_guard<std::mutex> lock(shown->mutex);
    EXPECT_EQ(std::count(shown->texts.begin(), shown->texts.end(), "Seen by nobody."), 0);
}

TEST_F(messageBoxTest, ABoxWithoutACaptionIsReportedUnderMessage) {
    EXPECT_EQ("message: Camera not found!\n", ZemTest::reportedBy([] {
                  Zem::Main::messageBox("", "Camera not found!", MessageIcon::Error);
              }));
}

// The freeze: a box raised mid-show that nobody answers must not stop the frames.
TEST_F(messageBoxTest, FramesKeepComingWhileADialogWaitsForAnAnswer) {
    UnansweredDialogs dialogs;
    raiseDialogsOnFramesTwoAndThree();
    EXPECT_TRUE(engine.run());
    EXPECT_EQ(game.frames, 10);
}

TEST_F(messageBoxTest, ASignalEndsTheRunAtTheEndOfTheFrameWhileADialogWaits) {
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
}

} // namespace
