// How far the script's clock is from the sound that really comes out. Plays a generated click
// track (a click at every whole second) through the music layer the way the ScriptMaster drives
// it (buffer size = "offset", stream time + "offset" = the script's clock), records the sound
// server's monitor with parec, stamping every read, and compares each click's onset in the
// recording with the moment the script's clock reached that click. Positive offsets mean the
// clock is ahead of the sound.
//
// Run it through tools/avsync.sh, which starts a private PulseAudio server with a null sink and
// stops it afterwards. --no-device measures the silent clock instead (the dummy driver), against
// the steady time since play.

#include "script/Music.h"
#include "support/HeardClicks.h"
#include "support/Percentile.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using ZemBench::percentile95;

namespace {

struct Options {
    int offsetMs = 100;
    double seconds = 20.0;
    bool noDevice = false;
    double suspendAt = -1.0;
    double suspendFor = 1.0;
    std::string sink = "zem_null";
};

[[noreturn]] void usage(const char* message) {
    std::fprintf(stderr, "AvSyncBench: %s (try --help)\n", message);
    std::exit(2);
}

void printHelp() {
    std::puts(
        "usage: AvSyncBench [--offset MS] [--seconds S] [--no-device] [--suspend-at S]\n"
        "                   [--suspend-for S] [--sink NAME]\n"
        "Plays a click track through the music layer and compares each click heard on the\n"
        "sink's monitor with the script clock (stream time + offset). Needs a PulseAudio server\n"
        "(see tools/avsync.sh), except with --no-device.\n"
        "  --offset MS       the script's \"offset\" (default 100)\n"
        "  --seconds S       clicks to measure, one a second (default 20)\n"
        "  --no-device       the silent clock of the dummy driver, against real time\n"
        "  --suspend-at S    suspend the sink S seconds after play ...\n"
        "  --suspend-for S   ... for this long (default 1)\n"
        "  --sink NAME       the sink to record (default zem_null)");
}

double number(int argc, char** argv, int& i) {
    if (i + 1 >= argc) {
        usage((std::string(argv[i]) + " needs a value").c_str());
    }
    char* end = nullptr;
    const double value = std::strtod(argv[++i], &end);
    if (end == argv[i] || *end != '\0' || !std::isfinite(value)) {
        usage((std::string("not a number: ") + argv[i]).c_str());
    }
    return value;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printHelp();
            std::exit(0);
        } else if (arg == "--offset") {
            options.offsetMs = static_cast<int>(number(argc, argv, i));
        } else if (arg == "--seconds") {
            options.seconds = number(argc, argv, i);
        } else if (arg == "--no-device") {
            options.noDevice = true;
        } else if (arg == "--suspend-at") {
            options.suspendAt = number(argc, argv, i);
        } else if (arg == "--suspend-for") {
            options.suspendFor = number(argc, argv, i);
        } else if (arg == "--sink") {
            if (i + 1 >= argc) {
                usage("--sink needs a value");
            }
            options.sink = argv[++i];
        } else {
            usage(("unknown option " + arg).c_str());
        }
    }
    if (options.seconds < 2.0 || options.seconds > 3600.0) {
        usage("--seconds must be between 2 and 3600");
    }
    return options;
}

struct ClockWatch {
    bool wentBack = false;
    // The largest amount by which the clock moved further than the steady time between two
    // readings, and the longest steady time it stood still after reaching the first click.
    double largestJumpMs = 0.0;
    double longestStandMs = 0.0;
};

void runCommand(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "AvSyncBench: \"%s\" failed\n", command.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (options.noDevice) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    char pathTemplate[] = "/tmp/avsync-XXXXXX";
    const int tempFd = mkstemp(pathTemplate);
    if (tempFd < 0) {
        std::fprintf(stderr, "AvSyncBench: cannot make a temporary file\n");
        return 1;
    }
    close(tempFd);
    const std::string path = pathTemplate;
    std::fprintf(stderr, "Encoding %.0f s of clicks...\n", options.seconds);
    const bool encoded = ZemBench::writeClickTrack(
        ZemBench::clickTrack(1.0, static_cast<int>(options.seconds), options.seconds + 2.0), path);
    const std::vector<double> clicks =
        encoded ? ZemBench::decodedClickTimesMs(path) : std::vector<double>{};
    if (clicks.empty()) {
        std::fprintf(stderr, "AvSyncBench: cannot write the click track to %s\n", path.c_str());
        std::remove(path.c_str());
        return 1;
    }

    ZemBench::MonitorRecorder recorder;
    std::string error;
    if (!options.noDevice && !recorder.start(options.sink, error)) {
        std::fprintf(stderr, "AvSyncBench: %s\n", error.c_str());
        std::remove(path.c_str());
        return 1;
    }

    // Exactly the ScriptMaster's calls.
    auto music = Music::create();
    music->init(44100, 32, 0);
    music->setBufferSize(options.offsetMs);
    MusicStream* stream = music->openStream(path, 0x2000, 0, 0);
    music->playStream(0, stream);
    const double playMs = Music::steadyMilliseconds();

    std::thread suspender;
    if (options.suspendAt >= 0.0 && !options.noDevice) {
        suspender = std::thread([&options] {
            std::this_thread::sleep_for(std::chrono::duration<double>(options.suspendAt));
            runCommand("pactl suspend-sink " + options.sink + " 1");
            std::this_thread::sleep_for(std::chrono::duration<double>(options.suspendFor));
            runCommand("pactl suspend-sink " + options.sink + " 0");
        });
    }

    ClockWatch watch;
    std::vector<double> reachedMs(clicks.size(), -1.0);
    size_t next = 0;
    int32_t last = music->streamTime(stream) + options.offsetMs;
    double lastStamp = playMs;
    double standingSince = playMs;
    int lastProgress = -1;
    const double endMs = playMs + (options.seconds + 1.0) * 1000.0;
    for (;;) {
        const int32_t clock = music->streamTime(stream) + options.offsetMs;
        const double now = Music::steadyMilliseconds();
        if (now >= endMs) {
            break;
        }
        if (clock < last) {
            watch.wentBack = true;
        }
        if (clock > last) {
            watch.largestJumpMs = std::max(watch.largestJumpMs, (clock - last) - (now - lastStamp));
            standingSince = now;
        }
        // At the start the clock rightly stands until the first sound is heard.
        if (next > 0) {
            watch.longestStandMs = std::max(watch.longestStandMs, now - standingSince);
        }
        // A whole-millisecond clock reads c while the true time is in [c, c + 1).
        while (next < clicks.size() && clock + 0.5 >= clicks[next]) {
            reachedMs[next] = now - (clock + 0.5 - clicks[next]);
            ++next;
        }
        last = std::max(last, clock);
        lastStamp = now;
        const int second = static_cast<int>((now - playMs) / 1000.0);
        if (second % 10 == 0 && second != lastProgress) {
            lastProgress = second;
            std::fprintf(stderr, "\r  %d / %.0f s", second, options.seconds + 1.0);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::fprintf(stderr, "\n");
    if (suspender.joinable()) {
        suspender.join();
    }
    // The last click is still on its way to the sink.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    music.reset();
    recorder.stop();
    std::remove(path.c_str());

    std::vector<double> heardMs(clicks.size(), -1.0);
    if (options.noDevice) {
        for (size_t k = 0; k < clicks.size(); ++k) {
            heardMs[k] = playMs + clicks[k];
        }
    } else {
        for (const double heard : recorder.heardClicksMs()) {
            for (size_t k = 0; k < clicks.size(); ++k) {
                if (reachedMs[k] >= 0.0 && std::abs(heard - reachedMs[k]) < 500.0) {
                    heardMs[k] = heard;
                }
            }
        }
    }

    std::vector<double> offsets;
    std::vector<double> at;
    for (size_t k = 0; k < clicks.size(); ++k) {
        if (reachedMs[k] < 0.0 || heardMs[k] < 0.0) {
            std::printf("click %3zu at %9.2f ms: %s\n", k + 1, clicks[k],
                        reachedMs[k] < 0.0 ? "the clock never reached it" : "not heard");
            continue;
        }
        const double offset = heardMs[k] - reachedMs[k];
        std::printf("click %3zu at %9.2f ms: clock reached it %9.2f ms after play, heard %9.2f ms "
                    "after play: %+7.2f ms\n",
                    k + 1, clicks[k], reachedMs[k] - playMs, heardMs[k] - playMs, offset);
        offsets.push_back(offset);
        at.push_back(clicks[k] / 1000.0);
    }
    std::printf(
        "clock: went back %s; largest jump %.2f ms; longest stand after the first click %.2f ms\n",
        watch.wentBack ? "YES" : "never", watch.largestJumpMs, watch.longestStandMs);
    if (offsets.size() < 2) {
        std::printf("av offset: too few clicks heard\n");
        return 1;
    }
    double mean = 0.0;
    double meanAt = 0.0;
    for (size_t i = 0; i < offsets.size(); ++i) {
        mean += offsets[i];
        meanAt += at[i];
    }
    mean /= static_cast<double>(offsets.size());
    meanAt /= static_cast<double>(offsets.size());
    double covariance = 0.0;
    double variance = 0.0;
    std::vector<double> magnitudes;
    for (size_t i = 0; i < offsets.size(); ++i) {
        covariance += (at[i] - meanAt) * (offsets[i] - mean);
        variance += (at[i] - meanAt) * (at[i] - meanAt);
        magnitudes.push_back(std::abs(offsets[i]));
    }
    const double span = at.back() - at.front();
    const double drift = variance > 0.0 ? covariance / variance * span : 0.0;
    std::printf("av offset mean %.1f ms, p95 %.1f ms, drift %.1f ms over %.0f s\n", mean,
                percentile95(magnitudes), drift, span);
    return 0;
}
