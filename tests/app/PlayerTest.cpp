#include "app/Player.h"
#include "graphics/DisplayBase.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "main/report.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>

namespace fs = std::filesystem;
using Zem::App::PlayerOptions;
using Zem::Graphics::DisplayBase;
using Zem::Graphics::DisplaySettings;

namespace {

// The first script master lacks its tempo, which it says while the world loads with the display
// open; the second ends the show a step after it starts.
const char* const world = R"(<ZEMWorld>
<entity type="ScriptMaster" name="untimed"/>
<entity type="ScriptMaster" name="mainscript"><bpm>6000</bpm><script>
<event time="0 0 1" target="mainscript" command="exit"/></script></entity>
</ZEMWorld>)";

// The program's run, in this process and from a folder of its own (which gets its zem.log): the
// settings of the display it opened, as they stand while the world loads.
std::optional<DisplaySettings> displayOfARun(PlayerOptions options) {
    ZemTest::TempDir dir;
    std::ofstream(dir.file("show.world")) << world;
    options.files.worldFile = dir.file("show.world");
    options.files.dataDir = fs::absolute("data").string() + "/";
    std::optional<DisplaySettings> seen;
    Zem::Main::ReportHandler previous =
        Zem::Main::setReportHandler([&seen](const std::string& text) {
            // Some lines come before the game or its engine exists.
            const Zem::Main::Game* game = Zem::Main::currentGame;
            if (seen || game == nullptr || game->engine == nullptr ||
                text.find("untimed") == std::string::npos) {
                return;
            }
            const auto* display = dynamic_cast<const DisplayBase*>(game->engine->driver("display"));
            if (display != nullptr) {
                seen = display->settings();
            }
        });
    const fs::path home = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_EQ(Zem::App::Player(options).run(), 0);
    fs::current_path(home);
    Zem::Main::setReportHandler(std::move(previous));
    return seen;
}

// 640 x 480 waiting for the display; the full screen falls back to a window offscreen.
TEST(PlayerTest, APlainRunOpensTheShowsOwnDisplay) {
    const std::optional<DisplaySettings> seen = displayOfARun(PlayerOptions());
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(std::tuple(seen->width, seen->height, seen->vsync), std::tuple(640, 480, true));
}

} // namespace
