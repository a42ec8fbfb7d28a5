#pragma once

#include "app/LivePlay.h"
#include "app/PlayerOptions.h"
#include "support/FolderShowTest.h"
#include "support/ReportRecorder.h"

#include <GL/glew.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace AppTest {

using Pixel = std::array<int, 3>;

// A room with a camera and two lights.
inline const char* const roomWithLights =
    "<ZEMWorld><entity type='Room' name='A'/>"
    "<entity type='Camera' name='camera'><parent>A</parent></entity>"
    "<entity type='Light' name='lamp'><parent>A</parent><radius>2</radius></entity>"
    "<entity type='Light' name='lamp2'><parent>A</parent><radius>3</radius></entity>"
    "</ZEMWorld>";

// The show played live, as the player plays it, on a data folder of its own: each frame is the
// engine's turn and then the player's, a second apart on the file watcher's clock. The overlay
// lands on the test's GL window, the size of the display.
class LiveShowTest : public ZemTest::FolderShowTest {
protected:
    // What beginning to play it reported is kept in `begun`.
    void initWith(const std::string& world, bool stats = false, double endSeconds = -1.0) {
        save("data/main.world", world, 0);
        Zem::App::PlayerOptions options;
        options.stats = stats;
        options.endSeconds = endSeconds;
        ASSERT_TRUE(game.init());
        live = std::make_unique<Zem::App::LivePlay>(
            game, options, [this] { return now; }, [this](double ms) { waits.push_back(ms); });
        begun = ZemTest::reportedBy([this] { live->begin(); });
    }
    // One frame a second later: drawn, then the player's turn (stats, keys, the watcher).
    // Returns what it reported.
    std::string frame() {
        now += 1000;
        ZemTest::captureReports();
        goOn = game.update(0.02f);
        goOn = live->afterTurn(show.input, show.display) && goOn;
        glFinish();
        return ZemTest::takeReports();
    }
    static Pixel pixelAt(int x, int y) {
        unsigned char rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }

    int64_t now = 0;
    // The frame cap's waits, in milliseconds.
    std::vector<double> waits;
    std::string begun;
    std::unique_ptr<Zem::App::LivePlay> live;
    bool goOn = false;
};

} // namespace AppTest
