#include "ProgramRun.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// The real program on a show that ends by itself after 1.5 s, its script first asking for a
// camera by a misspelt name. `display` chooses it: an X server of its own, or a video driver
// that cannot start. Nobody answers a box; the show must reach its exit, ending normally, with
// `message` on standard error. A run that hangs is ended after a minute and fails.
void expectShortShowRunsToItsExit(const std::string& display, const std::string& message) {
    ZemTest::TempDir dir;
    std::ofstream(dir.file("show.world"))
        << "<ZEMWorld>\n<entity type=\"ScriptMaster\" name=\"mainscript\"><offset>0</offset>"
           "<bpm>15000</bpm><script><event time=\"0 0 1\" target=\"mainscript\" "
           "command=\"setcamera\">camrea</event><event time=\"0 0 1500\" target=\"mainscript\" "
           "command=\"exit\"/></script></entity>\n<entity type=\"Camera\" name=\"camera\">"
           "<position>0 1 3</position></entity>\n</ZEMWorld>\n";
    const DemoTest::ProgramRun run =
        DemoTest::ombrel("--window 320x240 " + dir.file("show.world"),
                         "timeout 60 " + display + " SDL_AUDIODRIVER=dummy");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
    EXPECT_NE(run.output.find("Shutting down Engine"), std::string::npos) << run.output;
}

// The freeze: under a real display the "Camera not found!" box waited for a click and the show
// stood still.
TEST(UnattendedRunTest, AMessageBoxNobodyAnswersDoesNotStopTheShow) {
    if (!DemoTest::commandExists("xvfb-run")) {
        GTEST_SKIP() << "xvfb-run is not installed";
    }
    expectShortShowRunsToItsExit("xvfb-run -a env SDL_VIDEODRIVER=x11",
                                 "message: Camera not found!\n");
}

// No video driver at all: the boxes are lines on standard error and the show runs unseen.
TEST(UnattendedRunTest, AVideoDriverThatDoesNotExistEndsCleanlyWithItsMessage) {
    expectShortShowRunsToItsExit("env SDL_VIDEODRIVER=nonexistent",
                                 "ERROR: Failed To Register The Window Class.\n");
}

} // namespace
