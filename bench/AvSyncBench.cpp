// How far the script's clock is from the sound that really comes out. Plays a generated click
// track (a click at every whole second) through the music layer the way the ScriptMaster drives
// it (buffer size = "offset", stream time + "offset" = the script's clock), records the sound
// server's monitor with parec, stamping every read, and compares each click's onset in the
// recording with the moment the script's clock reached that click. Positive offsets mean the
// clock is ahead of the sound.
//
// Run it through tools/avsync.sh, which starts a private PulseAudio server with a null sink and
// stops it afterwards. --no-device measures the silent clock instead (the dummy driver), against
// the steady time since play. --windows-player runs the Windows build's AvSyncPlayer.exe under
// Wine in place of this program's own music layer.

#include "support/ClickClock.h"
#include "support/HeardClicks.h"
#include "support/Percentile.h"
#include "support/WineClock.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using ZemBench::ClickClockRun;
using ZemBench::percentile95;

namespace {

struct Options {
    int offsetMs = 100;
    double seconds = 20.0;
    bool noDevice = false;
    double suspendAt = -1.0;
    double suspendFor = 1.0;
    std::string sink = "zem_null";
    std::string windowsPlayer;
    ZemBench::ClickTransport transport;
};

[[noreturn]] void usage(const char* message) {
    std::fprintf(stderr, "AvSyncBench: %s (try --help)\n", message);
    std::exit(2);
}

void printHelp() {
    std::puts(
        "usage: AvSyncBench [--offset MS] [--seconds S] [--no-device] [--suspend-at S]\n"
        "                   [--suspend-for S] [--seek-at S --seek-to T] [--pause-at S]\n"
        "                   [--pause-for S] [--sink NAME] [--windows-player EXE]\n"
        "Plays a click track through the music layer and compares each click heard on the\n"
        "sink's monitor with the script clock (stream time + offset). Needs a PulseAudio server\n"
        "(see tools/avsync.sh), except with --no-device.\n"
        "  --offset MS       the script's \"offset\" (default 100)\n"
        "  --seconds S       clicks to measure, one a second (default 20)\n"
        "  --no-device       the silent clock of the dummy driver, against real time\n"
        "  --suspend-at S    suspend the sink S seconds after play ...\n"
        "  --suspend-for S   ... for this long (default 1)\n"
        "  --seek-at S       seek S seconds after play ...\n"
        "  --seek-to T       ... to the heard time T seconds (default 0)\n"
        "  --pause-at S      pause S seconds after play ...\n"
        "  --pause-for S     ... for this long (default 1)\n"
        "  --sink NAME       the sink to record (default zem_null)\n"
        "  --windows-player EXE  play through the Windows build's AvSyncPlayer.exe under wine");
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
        } else if (arg == "--seek-at") {
            options.transport.seekAtS = number(argc, argv, i);
        } else if (arg == "--seek-to") {
            options.transport.seekToS = number(argc, argv, i);
        } else if (arg == "--pause-at") {
            options.transport.pauseAtS = number(argc, argv, i);
        } else if (arg == "--pause-for") {
            options.transport.pauseForS = number(argc, argv, i);
        } else if (arg == "--sink") {
            if (i + 1 >= argc) {
                usage("--sink needs a value");
            }
            options.sink = argv[++i];
        } else if (arg == "--windows-player") {
            if (i + 1 >= argc) {
                usage("--windows-player needs a program");
            }
            options.windowsPlayer = argv[++i];
        } else {
            usage(("unknown option " + arg).c_str());
        }
    }
    if (options.seconds < 2.0 || options.seconds > 3600.0) {
        usage("--seconds must be between 2 and 3600");
    }
    return options;
}

void runCommand(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "AvSyncBench: \"%s\" failed\n", command.c_str());
    }
}

// The Windows AvSyncPlayer under Wine, its times turned into this program's steady clock.
bool playUnderWine(const Options& options, const std::string& path,
                   const std::vector<double>& clicks, ClickClockRun& run) {
    const ZemBench::ClickTransport& steps = options.transport;
    char arguments[160];
    std::snprintf(arguments, sizeof arguments, " %d %g %g %g %g %g", options.offsetMs,
                  options.seconds, steps.seekAtS, steps.seekToS, steps.pauseAtS, steps.pauseForS);
    std::string command = "wine '" + options.windowsPlayer + "' 'Z:" + path + "'" + arguments;
    for (const double click : clicks) {
        command += " " + std::to_string(click);
    }
    ZemBench::WineClock wineClock;
    FILE* player = popen(command.c_str(), "r");
    if (player == nullptr) {
        return false;
    }
    run.reachedMs.assign(clicks.size(), -1.0);
    char line[256];
    std::vector<std::pair<size_t, double>> reached;
    double play = -1.0;
    int back = 0;
    while (std::fgets(line, sizeof line, player) != nullptr) {
        size_t k = 0;
        double at = 0.0;
        if (std::sscanf(line, "play %lf", &at) == 1) {
            play = at;
        } else if (std::sscanf(line, "reached %zu %lf", &k, &at) == 2 && k < clicks.size()) {
            reached.emplace_back(k, at);
        } else if (std::sscanf(line, "watch %d %lf %lf", &back, &run.watch.largestJumpMs,
                               &run.watch.longestStandMs) == 3) {
            run.watch.wentBack = back != 0;
        }
    }
    wineClock.end();
    if (pclose(player) != 0 || play < 0.0) {
        return false;
    }
    run.playMs = wineClock.steadyMs(play);
    for (const auto& [k, at] : reached) {
        run.reachedMs[k] = at < 0.0 ? -1.0 : wineClock.steadyMs(at);
    }
    return true;
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
    // A seek forward plays on further into the music than the run lasts.
    const ZemBench::ClickTransport& steps = options.transport;
    const double trackSeconds =
        options.seconds +
        (steps.seekAtS >= 0.0 ? std::max(0.0, steps.seekToS - steps.seekAtS) : 0.0);
    std::fprintf(stderr, "Encoding %.0f s of clicks...\n", trackSeconds);
    const bool encoded = ZemBench::writeClickTrack(
        ZemBench::clickTrack(1.0, static_cast<int>(trackSeconds), trackSeconds + 2.0), path);
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

    std::thread suspender;
    const auto startSuspender = [&suspender, &options] {
        if (options.suspendAt < 0.0 || options.noDevice) {
            return;
        }
        suspender = std::thread([&options] {
            std::this_thread::sleep_for(std::chrono::duration<double>(options.suspendAt));
            runCommand("pactl suspend-sink " + options.sink + " 1");
            std::this_thread::sleep_for(std::chrono::duration<double>(options.suspendFor));
            runCommand("pactl suspend-sink " + options.sink + " 0");
        });
    };
    ClickClockRun run;
    if (options.windowsPlayer.empty()) {
        run = ZemBench::readClickClock(path, options.offsetMs, options.seconds, clicks,
                                       options.transport, startSuspender);
    } else {
        startSuspender();
        if (!playUnderWine(options, path, clicks, run)) {
            std::fprintf(stderr, "AvSyncBench: %s did not play under wine\n",
                         options.windowsPlayer.c_str());
        }
    }
    if (suspender.joinable()) {
        suspender.join();
    }
    const double playMs = run.playMs;
    const std::vector<double>& reachedMs = run.reachedMs;
    const ZemBench::ClockWatch& watch = run.watch;
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
