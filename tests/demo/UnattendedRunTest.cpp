#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct ProgramRun {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

// The real program on a show that ends by itself after 1.5 s, its script first asking for a
// camera by a misspelt name. `prefix` chooses the display: an X server of its own, or a video
// driver that cannot start. A run that hangs is ended after a minute and fails.
ProgramRun playShortShow(const std::string& prefix) {
    ZemTest::TempDir dir;
    std::ofstream(dir.file("show.world"))
        << "<ZEMWorld>\n<entity type=\"ScriptMaster\" name=\"mainscript\"><offset>0</offset>"
           "<bpm>15000</bpm><script><event time=\"0 0 1\" target=\"mainscript\" "
           "command=\"setcamera\">camrea</event><event time=\"0 0 1500\" target=\"mainscript\" "
           "command=\"exit\"/></script></entity>\n<entity type=\"Camera\" name=\"camera\">"
           "<position>0 1 3</position></entity>\n</ZEMWorld>\n";
    const std::string command = "timeout 60 " + prefix + " SDL_AUDIODRIVER=dummy " +
                                OMBREL_PROGRAM + " --window 320x240 " + dir.file("show.world") +
                                " >" + dir.file("out") + " 2>" + dir.file("err");
    const int status = std::system(command.c_str());
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = ZemTest::TempDir::readFile(dir.file("out"));
    run.errors = ZemTest::TempDir::readFile(dir.file("err"));
    return run;
}

// The freeze: under a real display the "Camera not found!" box waited for a click and the show
// stood still. Nobody clicks here; the show must reach its exit with the box still open.
TEST(UnattendedRunTest, AMessageBoxNobodyAnswersDoesNotStopTheShow) {
    if (std::system("command -v xvfb-run >/dev/null") != 0) {
        GTEST_SKIP() << "xvfb-run is not installed";
    }
    const ProgramRun run = playShortShow("xvfb-run -a env SDL_VIDEODRIVER=x11");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.errors.find("message: Camera not found!\n"), std::string::npos) << run.errors;
    EXPECT_NE(run.output.find("Shutting down Engine"), std::string::npos) << run.output;
}

// No video driver at all: the boxes are lines on standard error, the show runs unseen to its
// exit and the program ends normally.
TEST(UnattendedRunTest, AVideoDriverThatDoesNotExistEndsCleanlyWithItsMessage) {
    const ProgramRun run = playShortShow("env SDL_VIDEODRIVER=nonexistent");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.errors.find("ERROR: Failed To Register The Window Class.\n"), std::string::npos)
        << run.errors;
    EXPECT_NE(run.output.find("Shutting down Engine"), std::string::npos) << run.output;
}

} // namespace
