// How far the picture is from the heard beat, on the real program. Writes a click track (a click
// on every beat) as the music of a world whose script cuts between two cameras on every beat,
// plays it with ombrel through the sound server while recording the sink's monitor, and pairs the
// moment the first frame of each cut went on screen (ombrel's --frame-log) with the moment its
// click was heard. Positive offsets mean the picture is late.
//
// Run it through tools/avsync.sh --picture, which starts a private PulseAudio server with a null
// sink and stops it afterwards.

#include "support/BeatMatch.h"
#include "support/HeardClicks.h"
#include "support/WineClock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Options {
    double bpm = 60.0;
    int beats = 40;
    int offsetMs = 100;
    double maxFps = 60.0;
    std::string size = "320x240";
    std::string program = ZEM_OMBREL_PROGRAM;
    std::string data = ZEM_SHIPPED_DATA;
    std::string sink = "zem_null";
    bool keep = false;
    bool verbose = false;
    bool wine = false;
};

[[noreturn]] void usage(const std::string& message) {
    std::fprintf(stderr, "BeatSyncBench: %s (try --help)\n", message.c_str());
    std::exit(2);
}

void printHelp() {
    std::puts(
        "usage: BeatSyncBench [--bpm N] [--beats N] [--offset MS] [--max-fps N] [--size WxH]\n"
        "                     [--program PATH] [--data DIR] [--sink NAME] [--keep] [--verbose]\n"
        "                     [--wine]\n"
        "Plays a world that cuts between two cameras on every beat of a click track with the\n"
        "real program, records the sink's monitor, and compares when the first frame of each\n"
        "cut went on screen with when its click was heard (positive: the picture is late).\n"
        "Needs a PulseAudio server (see tools/avsync.sh --picture).\n"
        "  --bpm N          the tempo: a click and a cut on every beat (default 60)\n"
        "  --beats N        clicks and cuts, the first one beat in (default 40)\n"
        "  --offset MS      the script's \"offset\" (default 100)\n"
        "  --max-fps N      the program's frame cap; 0: none (default 60)\n"
        "  --size WxH       the program's window (default 320x240)\n"
        "  --program PATH   the program to measure (default: this build's ombrel)\n"
        "  --data DIR       the shipped data the world's meshes and shaders come from\n"
        "                   (default: the source tree's data/)\n"
        "  --sink NAME      the sink to record (default zem_null)\n"
        "  --keep           leave the temporary folder (world, music, frame log, program log)\n"
        "  --verbose        a line per beat\n"
        "  --wine           the program is a Windows one run by Wine "
        "(tools/windows/wine-ombrel.sh):\n"
        "                   its frame times are on Wine's clock");
}

const char* value(int argc, char** argv, int& i) {
    if (i + 1 >= argc) {
        usage(std::string(argv[i]) + " needs a value");
    }
    return argv[++i];
}

double number(int argc, char** argv, int& i, double low, double high) {
    const std::string option = argv[i];
    const char* text = value(argc, argv, i);
    char* end = nullptr;
    const double parsed = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(parsed)) {
        usage(option + ": not a number: " + text);
    }
    if (parsed < low || parsed > high) {
        char range[64];
        std::snprintf(range, sizeof range, " must be between %g and %g", low, high);
        usage(option + range);
    }
    return parsed;
}

bool isSize(const std::string& text) {
    const size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == text.size()) {
        return false;
    }
    return text.find_first_not_of("0123456789x") == std::string::npos &&
           text.find('x', x + 1) == std::string::npos;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printHelp();
            std::exit(0);
        } else if (arg == "--bpm") {
            options.bpm = number(argc, argv, i, 20.0, 300.0);
        } else if (arg == "--beats") {
            options.beats = static_cast<int>(number(argc, argv, i, 2.0, 5000.0));
        } else if (arg == "--offset") {
            options.offsetMs = static_cast<int>(number(argc, argv, i, 0.0, 2000.0));
        } else if (arg == "--max-fps") {
            options.maxFps = number(argc, argv, i, 0.0, 1000.0);
        } else if (arg == "--size") {
            options.size = value(argc, argv, i);
            if (!isSize(options.size)) {
                usage("--size wants WxH, e.g. 320x240, not " + options.size);
            }
        } else if (arg == "--program") {
            options.program = value(argc, argv, i);
        } else if (arg == "--data") {
            options.data = value(argc, argv, i);
        } else if (arg == "--sink") {
            options.sink = value(argc, argv, i);
        } else if (arg == "--keep") {
            options.keep = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--wine") {
            options.wine = true;
        } else {
            usage("unknown option " + arg);
        }
    }
    if (access(options.program.c_str(), X_OK) != 0) {
        usage("no program to run at " + options.program);
    }
    if (!fs::is_regular_file(fs::path(options.data) / "room_a.obj")) {
        usage("no shipped data (room_a.obj) in " + options.data);
    }
    options.program = fs::absolute(options.program).string();
    options.data = fs::absolute(options.data).string();
    return options;
}

double steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// The machine's load over the last minute; -1 where it cannot be read.
double loadAverage() {
    double load = -1.0;
    if (std::FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) {
            load = -1.0;
        }
        std::fclose(file);
    }
    return load;
}

// The shipped data but for the music: the click track stands in its place.
bool linkShippedData(const fs::path& shipped, const fs::path& data) {
    std::error_code error;
    fs::create_directories(data, error);
    for (const auto& entry : fs::directory_iterator(shipped, error)) {
        if (entry.path().filename() == "Ombrel.ogg") {
            continue;
        }
        fs::create_symlink(entry.path(), data / entry.path().filename(), error);
        if (error) {
            return false;
        }
    }
    return !error;
}

// "bars beats steps" of a beat; four beats a bar.
std::string beatTime(int beat) {
    return std::to_string(beat / 4) + " " + std::to_string(beat % 4) + " 0";
}

std::string cameraOfBeat(int beat) {
    return beat % 2 == 1 ? "camA" : "camB";
}

// One room, a light, the start camera and the two the script cuts between on every beat.
bool writeWorld(const fs::path& path, const Options& options) {
    std::ofstream out(path);
    out << "<ZEMWorld>\n"
           "<entity type=\"Room\" name=\"hall\"><model>room_a.obj</model></entity>\n"
           "<entity type=\"Camera\" name=\"camera\"><parent>hall</parent>"
           "<position>0 1.7 3</position></entity>\n"
           "<entity type=\"Camera\" name=\"camA\"><parent>hall</parent>"
           "<position>3 2 3</position><rotation>-10 40 0</rotation></entity>\n"
           "<entity type=\"Camera\" name=\"camB\"><parent>hall</parent>"
           "<position>-3 2.5 -3</position><rotation>-20 -140 0</rotation></entity>\n"
           "<entity type=\"Light\" name=\"light\"><parent>hall</parent>"
           "<position>0 3 0</position><radius>7</radius><color>0.2 0.18 0.15</color></entity>\n"
        << "<entity type=\"ScriptMaster\" name=\"mainscript\"><offset>" << options.offsetMs
        << "</offset><bpm>" << options.bpm << "</bpm><script>\n";
    for (int beat = 1; beat <= options.beats; ++beat) {
        out << "<event time=\"" << beatTime(beat)
            << "\" target=\"mainscript\" command=\"setcamera\">" << cameraOfBeat(beat)
            << "</event>\n";
    }
    out << "<event time=\"" << beatTime(options.beats + 1)
        << "\" target=\"mainscript\" command=\"exit\"/>\n"
           "</script></entity>\n"
           "</ZEMWorld>\n";
    return static_cast<bool>(out);
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& text : strings) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

// ombrel in the folder (its zem.log stays there), its output in ombrel.log there. All is made
// before the fork: the recorder's thread may hold the allocator's lock at that moment.
pid_t startProgram(const Options& options, const fs::path& folder) {
    std::vector<std::string> args = {options.program, (folder / "beats.world").string(),
                                     "--data",        (folder / "data").string(),
                                     "--window",      options.size,
                                     "--frame-log",   (folder / "frames.txt").string()};
    if (options.maxFps > 0.0) {
        char fps[32];
        std::snprintf(fps, sizeof fps, "%g", options.maxFps);
        args.insert(args.end(), {"--max-fps", fps});
    }
    std::vector<std::string> environment = {"SDL_VIDEODRIVER=offscreen",
                                            "SDL_AUDIODRIVER=pulseaudio"};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        if (entry.rfind("SDL_VIDEODRIVER=", 0) != 0 && entry.rfind("SDL_AUDIODRIVER=", 0) != 0) {
            environment.push_back(entry);
        }
    }
    const std::vector<char*> argv = pointers(args);
    const std::vector<char*> envp = pointers(environment);
    const std::string where = folder.string();
    const int log =
        open((folder / "ombrel.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log < 0) {
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(where.c_str()) != 0 || dup2(log, 1) < 0 || dup2(log, 2) < 0) {
            _exit(126);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(log);
    return child;
}

// Waits for the program, with progress on the terminal; its exit status, or -1 when it had to
// be stopped.
int waitForProgram(pid_t child, double startMs, double expectedMs) {
    const double limitMs = expectedMs + 60000.0;
    int lastSecond = -1;
    for (;;) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "\n");
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        const double elapsed = steadyMs() - startMs;
        if (elapsed > limitMs) {
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
            std::fprintf(stderr, "\n");
            return -1;
        }
        const int second = static_cast<int>(elapsed / 1000.0);
        if (second != lastSecond) {
            lastSecond = second;
            std::fprintf(stderr, "\r  %d / %.0f s", second, std::ceil(expectedMs / 1000.0));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

struct Folder {
    fs::path path;
    bool keep = false;
    ~Folder() {
        if (path.empty()) {
            return;
        }
        if (keep) {
            std::fprintf(stderr, "BeatSyncBench: the run's files are in %s\n", path.c_str());
        } else {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    }
};

int measure(const Options& options, Folder& folder) {
    const double beatMs = 60000.0 / options.bpm;
    // Clicks a beat apart must not run together; a quarter second stays quiet at slow tempos.
    const int quietFrames = std::min(ZemBench::clickRate / 4,
                                     static_cast<int>(beatMs * ZemBench::clickFramesPerMs / 2));

    std::fprintf(stderr, "Writing %d beats of clicks at %g bpm and the world...\n", options.beats,
                 options.bpm);
    const fs::path music = folder.path / "data" / "Ombrel.ogg";
    const auto track =
        ZemBench::clickTrack(beatMs / 1000.0, options.beats, (options.beats + 3) * beatMs / 1000.0);
    if (!linkShippedData(options.data, folder.path / "data") ||
        !ZemBench::writeClickTrack(track, music.string()) ||
        !writeWorld(folder.path / "beats.world", options)) {
        std::fprintf(stderr, "BeatSyncBench: cannot write the world and its data in %s\n",
                     folder.path.c_str());
        return 1;
    }
    const auto written = ZemBench::decodedClickTimesMs(music.string(), quietFrames);
    if (written.size() != static_cast<size_t>(options.beats)) {
        std::fprintf(stderr, "BeatSyncBench: %zu clicks in the encoded track, not %d\n",
                     written.size(), options.beats);
        return 1;
    }

    const double loadBefore = loadAverage();
    ZemBench::MonitorRecorder recorder;
    std::string error;
    if (!recorder.start(options.sink, error)) {
        std::fprintf(stderr, "BeatSyncBench: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "Playing it with %s...\n", options.program.c_str());
    const double startMs = steadyMs();
    ZemBench::WineClock wineClock;
    const pid_t child = startProgram(options, folder.path);
    if (child < 0) {
        std::fprintf(stderr, "BeatSyncBench: cannot start %s\n", options.program.c_str());
        return 1;
    }
    const int status = waitForProgram(child, startMs, (options.beats + 1) * beatMs);
    // What the program played last is still on its way to the monitor.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    recorder.stop();
    if (status != 0) {
        folder.keep = true;
        if (status < 0) {
            std::fprintf(stderr, "BeatSyncBench: the program did not end; stopped\n");
        } else {
            std::fprintf(stderr, "BeatSyncBench: the program failed (%d); see ombrel.log\n",
                         status);
        }
        return 1;
    }

    std::ifstream log(folder.path / "frames.txt");
    auto frames = ZemBench::readFrameLog(log);
    if (options.wine) {
        wineClock.end();
        for (ZemBench::LoggedFrame& frame : frames) {
            frame.presentedMs = wineClock.steadyMs(frame.presentedMs);
        }
    }
    const auto cuts = ZemBench::cutsIn(frames);
    const auto heard = recorder.heardClicksMs(quietFrames);
    const auto onBeats = ZemBench::clicksOnBeats(heard, beatMs, static_cast<size_t>(options.beats));
    if (options.verbose) {
        std::printf("%zu frames logged, the first on screen at %.1f ms; %zu clicks heard, the "
                    "first at %.1f ms (from the program's start)\n",
                    frames.size(), frames.empty() ? 0.0 : frames.front().presentedMs - startMs,
                    heard.size(), heard.empty() ? 0.0 : heard.front() - startMs);
    }
    if (cuts.size() != static_cast<size_t>(options.beats)) {
        std::printf("%zu cuts in the frame log for %d beats\n", cuts.size(), options.beats);
    }
    if (heard.size() != static_cast<size_t>(options.beats)) {
        std::printf("%zu clicks heard for %d beats\n", heard.size(), options.beats);
    }

    std::vector<double> offsets;
    for (size_t k = 0; k < static_cast<size_t>(options.beats); ++k) {
        const int beat = static_cast<int>(k) + 1;
        if (k >= cuts.size() || onBeats[k] < 0.0) {
            std::printf("beat %3d: %s\n", beat,
                        k >= cuts.size() ? "no cut on screen" : "no click heard");
            continue;
        }
        const double offset = cuts[k].presentedMs - onBeats[k];
        const bool expected = cuts[k].camera == cameraOfBeat(beat);
        if (options.verbose || !expected) {
            std::printf("beat %3d: heard %9.2f ms, %s on screen %9.2f ms (show %6d ms): %+7.2f "
                        "ms%s\n",
                        beat, onBeats[k] - startMs, cuts[k].camera.c_str(),
                        cuts[k].presentedMs - startMs, cuts[k].showMs, offset,
                        expected ? "" : " (not the beat's camera)");
        }
        offsets.push_back(offset);
    }
    if (offsets.size() < 2) {
        std::printf("picture vs heard beat: too few beats both seen and heard\n");
        folder.keep = true;
        return 1;
    }
    // Other work on the machine delays frames and sound alike: the figures hold for this load.
    double shortestGap = 1e300;
    double longestGap = 0.0;
    for (size_t k = 1; k < onBeats.size(); ++k) {
        if (onBeats[k] < 0.0 || onBeats[k - 1] < 0.0) {
            continue;
        }
        shortestGap = std::min(shortestGap, onBeats[k] - onBeats[k - 1]);
        longestGap = std::max(longestGap, onBeats[k] - onBeats[k - 1]);
    }
    if (longestGap > 0.0) {
        std::printf("sound: clicks on neighbouring beats heard %.1f to %.1f ms apart (a beat is "
                    "%.1f ms); the recording lacks %.0f ms\n",
                    shortestGap, longestGap, beatMs, recorder.missingMs());
    }
    const ZemBench::FrameIntervals intervals = ZemBench::frameIntervals(frames);
    std::printf("frames: %zu on screen, longest %.1f ms, %zu over twice the median; load "
                "average %.2f before, %.2f after\n",
                frames.size(), intervals.longestMs, intervals.slow, loadBefore, loadAverage());
    const ZemBench::OffsetSummary summary = ZemBench::summarize(offsets);
    std::printf("picture vs heard beat: mean %.1f ms, p95 %.1f ms, frame %.1f ms over %zu beats\n",
                summary.meanMs, summary.p95Ms, intervals.medianMs, summary.count);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    char pathTemplate[] = "/tmp/beatsync-XXXXXX";
    if (mkdtemp(pathTemplate) == nullptr) {
        std::fprintf(stderr, "BeatSyncBench: cannot make a temporary folder\n");
        return 1;
    }
    Folder folder;
    folder.path = pathTemplate;
    folder.keep = options.keep;
    return measure(options, folder);
}
