#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;
using Zem::App::CaptureOptions;
using Zem::App::CommandLine;
using Zem::App::PlayerOptions;
using Arguments = std::vector<std::string>;

namespace {

struct Accepted {
    const char* name;
    Arguments arguments;
};

const Accepted accepted[] = {
    {"Nothing", Arguments{}},
    {"ACaptureWithItsRateSizeAndStretch",
     Arguments{"--capture", "out", "--fps=30", "--size", "320x240", "--start", "2.5", "--end=4"}},
    {"AWorldAndADataFolder", Arguments{"my/world.world", "--data", "elsewhere"}},
    {"StatsWithACapture", Arguments{"--stats", "--capture", "out"}},
    {"ACheckOfAWorld", Arguments{"--check", "my/world.world"}},
    {"AFractionalRate", Arguments{"--capture", "stills/", "--fps", "0.25"}},
    {"AVideoNameInCapitals", Arguments{"--capture", "clip.MP4"}},
};

void PrintTo(const Accepted& accepted, std::ostream* out) {
    *out << accepted.name;
}

class CommandLineAcceptsTest : public ::testing::TestWithParam<Accepted> {};

TEST_P(CommandLineAcceptsTest, Runs) {
    EXPECT_EQ(CommandLine(GetParam().arguments).outcome(), CommandLine::Outcome::Run);
}

INSTANTIATE_TEST_SUITE_P(CommandLineTest, CommandLineAcceptsTest, ::testing::ValuesIn(accepted),
                         [](const ::testing::TestParamInfo<Accepted>& info) {
                             return std::string(info.param.name);
                         });

TEST(CommandLineTest, HelpIsAskedForByEitherNameWhateverFollows) {
    EXPECT_EQ(CommandLine({"--help"}).outcome(), CommandLine::Outcome::Help);
    EXPECT_EQ(CommandLine({"-h", "--bogus"}).outcome(), CommandLine::Outcome::Help);
}

TEST(CommandLineTest, ARateOf1000FramesASecondIsTheHighestTaken) {
    EXPECT_EQ(CommandLine({"--fps", "1000"}).outcome(), CommandLine::Outcome::Run);
    EXPECT_EQ(CommandLine({"--fps", "1000.5"}).outcome(), CommandLine::Outcome::BadUse);
}

// Bad use is refused with one line that names the option (or the arguments) it is about.
struct BadUse {
    const char* name;
    Arguments arguments;
    std::vector<std::string> named;
};

const BadUse badUses[] = {
    {"AnUnknownOption", {"--bogus"}, {"--bogus"}},
    {"ARateWithoutItsValue", {"--fps"}, {"--fps"}},
    {"ARateOfZero", {"--fps", "0"}, {"--fps", "'0'"}},
    {"ARateWithUnits", {"--fps", "30fps"}, {"--fps", "'30fps'"}},
    {"ASizeOfOneNumber", {"--size", "320"}, {"--size", "'320'"}},
    {"AnOddWidth", {"--size", "321x240"}, {"--size", "'321x240'"}},
    {"AnOddHeight", {"--size", "320x241"}, {"--size", "'320x241'"}},
    {"ASizeOfZero", {"--size", "0x0"}, {"--size", "'0x0'"}},
    {"ANegativeStart", {"--start", "-1"}, {"--start", "'-1'"}},
    {"AStartThatIsNoNumber", {"--start", "nan"}, {"--start", "'nan'"}},
    {"AnEndNotAfterTheStart", {"--start", "5", "--end", "5"}, {"--end", "--start"}},
    {"AValueForFullscreen", {"--fullscreen=yes"}, {"--fullscreen"}},
    {"AValueForStats", {"--stats=on"}, {"--stats"}},
    {"ASupersampleOfFive", {"--capture", "out", "--supersample", "5"}, {"--supersample", "'5'"}},
    {"AFractionalSupersample",
     {"--capture", "out", "--supersample", "1.5"},
     {"--supersample", "'1.5'"}},
    {"ASupersampleWithoutACapture", {"--supersample", "2"}, {"--supersample", "--capture"}},
    {"ASupersampledSizeTooLarge",
     {"--capture", "out", "--size", "4096x2048", "--supersample", "3"},
     {"--supersample", "12288x6144"}},
    {"TwoWorlds", {"a.world", "b.world"}, {"'a.world'", "'b.world'"}},
    {"AnUnknownVideoForm",
     {"--capture", "clip.avi"},
     {"--capture", "'clip.avi'", ".mp4", ".mkv", "folder"}},
    {"ACheckWithACapture", {"--check", "--capture", "out"}, {"--check", "--capture"}},
};

void PrintTo(const BadUse& badUse, std::ostream* out) {
    *out << badUse.name;
}

class CommandLineBadUseTest : public ::testing::TestWithParam<BadUse> {};

TEST_P(CommandLineBadUseTest, IsRefusedWithOneLineNamingTheOption) {
    const CommandLine line(GetParam().arguments);
    EXPECT_EQ(line.outcome(), CommandLine::Outcome::BadUse);
    for (const std::string& name : GetParam().named) {
        EXPECT_NE(line.error().find(name), std::string::npos) << line.error();
    }
    EXPECT_EQ(line.error().find('\n'), std::string::npos) << line.error();
}

INSTANTIATE_TEST_SUITE_P(CommandLineTest, CommandLineBadUseTest, ::testing::ValuesIn(badUses),
                         [](const ::testing::TestParamInfo<BadUse>& info) {
                             return std::string(info.param.name);
                         });

TEST(CommandLineTest, CarriesValuesIntoTheOptions) {
    const CommandLine line({"--capture=show.mp4", "--fps", "0.25", "--size", "320x240", "--start",
                            "10", "--end", "11.5", "--data", "mine", "--stats", "--supersample",
                            "3", "--no-edge-filter", "w/x.world"});
    ASSERT_EQ(line.outcome(), CommandLine::Outcome::Run);
    const PlayerOptions& o = line.options();
    const CaptureOptions& c = o.capture;
    EXPECT_EQ(std::tuple(o.capturing, c.output, c.fps, c.width, c.height, c.supersample,
                         o.startSeconds, o.endSeconds, o.files.musicPath(), o.dataGiven,
                         o.files.worldFile, o.stats, o.edgeFilter, o.checking),
              std::tuple(true, "show.mp4"s, 0.25, 320, 240, 3, 10.0, 11.5, "mine/Ombrel.ogg"s, true,
                         "w/x.world"s, true, false, false));
}

TEST(CommandLineTest, WithoutOptionsTheShowPlaysAsItAlwaysDid) {
    const PlayerOptions d = CommandLine({}).options();
    EXPECT_EQ(std::tuple(d.capturing, d.stats, d.display.width, d.display.height,
                         d.display.fullscreen, d.files.musicPath(), d.edgeFilter,
                         d.capture.supersample),
              std::tuple(false, false, 640, 480, true, "data/Ombrel.ogg"s, true, 1));
}

TEST(CommandLineTest, ACaptureWithoutOptionsIs60FramesASecondAt640By480) {
    const CaptureOptions c = CommandLine({"--capture", "out"}).options().capture;
    EXPECT_EQ(std::tuple(c.fps, c.width, c.height), std::tuple(60.0, 640, 480));
}

TEST(CommandLineTest, TheUsageDescribesEveryOption) {
    const std::string usage = CommandLine::usage();
    for (const char* option :
         {"--help", "--check", "--data", "--window", "--fullscreen", "--stats ", "--start", "--end",
          "--loop", "--capture", "--fps", "--size", "--supersample", "--no-edge-filter"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

} // namespace
