#include "main/messageBox.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "main/showMessageDialog.h"
#include "resource/XmlNode.h"
#include "support/ReportRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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

// A user who answers the dialogs only when the test says so: each one blocks the dialog thread
// until then. The state is shared with that thread, which may still be inside a dialog when the
// test ends; every dialog is answered then.
class DialogsAnsweredLater {
public:
    DialogsAnsweredLater() {
        previous = Zem::Main::setDialogFunction(
            [state = state](const std::string& caption, const std::string& text, MessageIcon) {
                std::unique_lock<std::mutex> lock(state->mutex);
                state->shown.push_back(caption + ": " + text);
                const std::size_t number = state->shown.size();
                state->changed.notify_all();
                state->changed.wait(lock, [&] { return state->answered >= number; });
            });
    }
    ~DialogsAnsweredLater() {
        answer(std::numeric_limits<std::size_t>::max());
        Zem::Main::setDialogFunction(previous);
    }
    // Lets the first `count` dialogs close.
    void answer(std::size_t count) {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->answered = count;
        state->changed.notify_all();
    }
    void waitUntilShown(std::size_t count) const {
        std::unique_lock<std::mutex> lock(state->mutex);
        state->changed.wait(lock, [&] { return state->shown.size() >= count; });
    }
    std::vector<std::string> shownSoFar() const {
        std::lock_guard<std::mutex> lock(state->mutex);
        return state->shown;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::string> shown;
        std::size_t answered = 0;
    };
    std::shared_ptr<State> state = std::make_shared<State>();
    Zem::Main::MessageBoxHandler previous;
};

// Runs `raise(thread, i)` for i below `count` on each of `threads` threads at once.
template <typename Raise> void raiseFromThreads(int threads, int count, Raise raise) {
    std::vector<std::thread> raisers;
    for (int thread = 0; thread < threads; ++thread) {
        raisers.emplace_back([thread, count, &raise] {
            for (int i = 0; i < count; ++i) {
                raise(thread, i);
            }
        });
    }
    for (std::thread& raiser : raisers) {
        raiser.join();
    }
}

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
    DialogsAnsweredLater dialogs;
    raiseDialogsOnFramesTwoAndThree();
    engine.run();
    dialogs.waitUntilShown(1);
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
    if (Zem::Main::canShowDialogs()) {
        GTEST_SKIP() << "dialogs can be shown here (Windows always can)";
    }
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
    DialogsAnsweredLater dialogs;
    raiseDialogsOnFramesTwoAndThree();
    EXPECT_TRUE(engine.run());
    EXPECT_EQ(game.frames, 10);
}

TEST_F(messageBoxTest, ASignalEndsTheRunAtTheEndOfTheFrameWhileADialogWaits) {
    DialogsAnsweredLater dialogs;
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

// Twenty raised from four threads while one stands open. Once the first closes and the second
// opens, the last one raised finds room behind the seven still waiting.
TEST_F(messageBoxTest, WhileADialogStandsOpenEightWaitAndTheRestAreDropped) {
    DialogsAnsweredLater dialogs;
    Zem::Main::showDialogAside("", "open", MessageIcon::Error);
    dialogs.waitUntilShown(1);
    raiseFromThreads(4, 5, [](int thread, int i) {
        Zem::Main::showDialogAside("", std::to_string(thread) + "." + std::to_string(i),
                                   MessageIcon::Error);
    });
    dialogs.answer(1);
    dialogs.waitUntilShown(2);
    Zem::Main::showDialogAside("", "last", MessageIcon::Error);
    dialogs.answer(std::numeric_limits<std::size_t>::max());
    dialogs.waitUntilShown(10);
    const std::vector<std::string> shown = dialogs.shownSoFar();
    EXPECT_EQ(shown.size(), 10u);
    EXPECT_EQ(shown.back(), ": last");
}

// The platform's own dialog function stands aside offscreen; the text of every box reaches the
// report, each thread's in its order.
TEST_F(messageBoxTest, BoxesRaisedFromManyThreadsAtOnceAreEachReportedInTheirOrder) {
    ZemTest::ReportRecorder reports;
    raiseFromThreads(4, 50, [](int thread, int i) {
        Zem::Main::messageBox("box " + std::to_string(thread), std::to_string(i),
                              MessageIcon::Error);
    });
    for (int thread = 0; thread < 4; ++thread) {
        const std::string caption = "box " + std::to_string(thread) + ": ";
        std::vector<std::string> texts;
        for (const std::string& line : reports.lines) {
            if (line.rfind(caption, 0) == 0) {
                texts.push_back(line.substr(caption.size()));
            }
        }
        ASSERT_EQ(texts.size(), 50u) << caption;
        for (int i = 0; i < 50; ++i) {
            EXPECT_EQ(texts[static_cast<std::size_t>(i)], std::to_string(i)) << caption;
        }
    }
}

} // namespace
