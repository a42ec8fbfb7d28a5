#include "app/CommandLine.h"

#include "app/capture/FrameWriter.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace Zem::App {

namespace {

// The longest show a capture or a seek may name: a day.
constexpr double longestShowSeconds = 24.0 * 3600.0;

bool readNumber(const std::string& text, double& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == nullptr || *end != '\0' || !std::isfinite(number)) {
        return false;
    }
    value = number;
    return true;
}

bool readSize(const std::string& text, int& width, int& height) {
    const auto cross = text.find('x');
    if (cross == std::string::npos) {
        return false;
    }
    char* end = nullptr;
    const std::string w = text.substr(0, cross);
    const std::string h = text.substr(cross + 1);
    const long readWidth = std::strtol(w.c_str(), &end, 10);
    if (w.empty() || *end != '\0') {
        return false;
    }
    const long readHeight = std::strtol(h.c_str(), &end, 10);
    if (h.empty() || *end != '\0') {
        return false;
    }
    // Even sizes: the video's colour planes are half size.
    if (readWidth < 16 || readHeight < 16 || readWidth > 8192 || readHeight > 8192) {
        return false;
    }
    width = static_cast<int>(readWidth);
    height = static_cast<int>(readHeight);
    return true;
}

} // namespace

CommandLine::CommandLine(const std::vector<std::string>& arguments) {
    if (!parse(arguments)) {
        result = Outcome::BadUse;
    }
}

std::string CommandLine::usage() {
    return "Usage: ombrel [options] [WORLD]\n"
           "Plays the Ombrel demo: the shipped main.world, or the world file WORLD. Files are\n"
           "looked for in WORLD's folder, then in --data DIR, then in the data/ folder beside\n"
           "the program (or beside its build folder), never in the working folder by chance.\n"
           "\n"
           "Options:\n"
           "  -h, --help         print this help and exit\n"
           "  --check            read the world and everything it names without playing it,\n"
           "                     list each mistake as FILE:LINE: what is wrong, and exit with\n"
           "                     0 when there is none, 1 otherwise\n"
           "  --data DIR         a data folder searched before the shipped data; the music is\n"
           "                     DIR/Ombrel.ogg when there is one\n"
           "  --window WxH       play in a window of that size (default: 640x480, full screen\n"
           "                     where the display offers it)\n"
           "  --fullscreen       play full screen at the --window size\n"
           "  --stats            show what each frame costs: an overlay, and once a second a\n"
           "                     line on standard output (default: off; never in captured\n"
           "                     frames)\n"
           "  --start S          begin at S seconds of show time, the world standing as if\n"
           "                     played from 0 (default: 0)\n"
           "  --end S            end at S seconds (default: the script's \"exit\", else the end\n"
           "                     of the music, else Escape)\n"
           "  --loop             play from --start to --end again and again\n"
           "  --max-fps N        draw at most N frames a second (default: as many as the\n"
           "                     display takes; 30 while nothing keeps the show's time)\n"
           "  --frame-log FILE   write a line per frame to FILE: when it went on screen (steady\n"
           "                     milliseconds; in a capture, its show time), the show time and\n"
           "                     the camera it showed\n"
           "  --no-edge-filter   leave the stair steps of edges unsmoothed (default: the final\n"
           "                     image's edges are smoothed, live and in captures)\n"
           "\n"
           "Keys while playing: Space pauses and resumes, Left and Right jump 5 s back and\n"
           "forward, Home goes to the start, Escape ends the show. A shader or texture saved\n"
           "while playing is reloaded in place; a saved world, template or mesh builds the world\n"
           "again at the same show time. A file that does not load leaves the running one.\n"
           "\n"
           "Capture (renders offline, without a window or sound, never waiting for real time):\n"
           "  --capture OUT      OUT ending in .mp4 or .mkv (any case): one video with the\n"
           "                     music (needs ffmpeg); a name without an extension, or ending\n"
           "                     in /: a folder of frame-000000.png, ... and music.wav (frames\n"
           "                     of an earlier capture there are replaced)\n"
           "  --fps N            frames per second of the capture, fractions too: 0.25 is a\n"
           "                     still every 4 s (default: 60)\n"
           "  --size WxH         size of the captured picture (default: 640x480)\n"
           "  --supersample N    draw each frame N x N times larger and filter it down to the\n"
           "                     size, for clean edges (N from 1 to 4; default: 1)\n"
           "  --start and --end choose the part of the show captured.\n";
}

bool CommandLine::bad(const std::string& reason) {
    why = reason;
    return false;
}

bool CommandLine::takesValue(const std::string& option) const {
    return option == "--data" || option == "--window" || option == "--capture" ||
           option == "--fps" || option == "--size" || option == "--start" || option == "--end" ||
           option == "--max-fps" || option == "--frame-log" || option == "--supersample";
}

bool CommandLine::parse(const std::vector<std::string>& arguments) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            if (!parsed.files.worldFile.empty()) {
                return bad("one world file at most: '" + parsed.files.worldFile + "' and '" +
                           argument + "'");
            }
            parsed.files.worldFile = argument;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            result = Outcome::Help;
            return true;
        }
        std::string option = argument;
        std::string value;
        bool hasValue = false;
        const auto equals = argument.find('=');
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            option = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            hasValue = true;
        }
        if (takesValue(option) && !hasValue) {
            if (i + 1 >= arguments.size()) {
                return bad(option + " needs a value");
            }
            value = arguments[++i];
        } else if (!takesValue(option) && hasValue) {
            return bad(option + " takes no value");
        }
        if (!apply(option, value)) {
            return false;
        }
    }
    if (parsed.endSeconds >= 0.0 && parsed.endSeconds <= parsed.startSeconds) {
        return bad("--end must come after --start");
    }
    if (parsed.loop && parsed.capturing) {
        return bad("--loop plays the show; a capture has an end");
    }
    if (parsed.checking && parsed.capturing) {
        return bad("--check reads the world and plays nothing; leave out --capture");
    }
    const auto& capture = parsed.capture;
    if (capture.supersample > 1 && !parsed.capturing) {
        return bad("--supersample is for a capture: give --capture");
    }
    if (capture.width * capture.supersample > 8192 || capture.height * capture.supersample > 8192) {
        return bad("--supersample " + std::to_string(capture.supersample) + " draws " +
                   std::to_string(capture.width * capture.supersample) + "x" +
                   std::to_string(capture.height * capture.supersample) +
                   ", more than 8192x8192: give a smaller --size or factor");
    }
    return true;
}

bool CommandLine::apply(const std::string& option, const std::string& value) {
    auto& capture = parsed.capture;
    double number = 0.0;
    if (option == "--data") {
        if (value.empty()) {
            return bad("--data needs a folder");
        }
        parsed.files.dataDir = value.back() == '/' ? value : value + "/";
        parsed.dataGiven = true;
    } else if (option == "--window") {
        if (!readSize(value, parsed.display.width, parsed.display.height)) {
            return bad("--window needs WIDTHxHEIGHT from 16x16 to 8192x8192, not '" + value + "'");
        }
        parsed.display.fullscreen = false;
    } else if (option == "--fullscreen") {
        parsed.display.fullscreen = true;
    } else if (option == "--check") {
        parsed.checking = true;
    } else if (option == "--stats") {
        parsed.stats = true;
    } else if (option == "--no-edge-filter") {
        parsed.edgeFilter = false;
    } else if (option == "--loop") {
        parsed.loop = true;
    } else if (option == "--capture") {
        if (value.empty()) {
            return bad("--capture needs a file or folder");
        }
        if (FrameWriter::formOf(value) == FrameWriter::Form::Unknown) {
            return bad("--capture makes a .mp4 or .mkv video, or a folder of PNG frames (a name "
                       "without an extension, or ending in /), not '" +
                       value + "'");
        }
        parsed.capturing = true;
        capture.output = value;
    } else if (option == "--fps") {
        if (!readNumber(value, number) || number < 0.01 || number > 1000.0) {
            return bad("--fps needs a number from 0.01 to 1000, not '" + value + "'");
        }
        capture.fps = number;
    } else if (option == "--size") {
        if (!readSize(value, capture.width, capture.height) || capture.width % 2 != 0 ||
            capture.height % 2 != 0) {
            return bad("--size needs even WIDTHxHEIGHT from 16x16 to 8192x8192, not '" + value +
                       "'");
        }
    } else if (option == "--supersample") {
        if (!readNumber(value, number) || number < 1.0 || number > 4.0 ||
            number != std::floor(number)) {
            return bad("--supersample needs a whole number from 1 to 4, not '" + value + "'");
        }
        capture.supersample = static_cast<int>(number);
    } else if (option == "--max-fps") {
        if (!readNumber(value, number) || number < 1.0 || number > 1000.0) {
            return bad("--max-fps needs a number from 1 to 1000, not '" + value + "'");
        }
        parsed.maxFps = number;
    } else if (option == "--frame-log") {
        if (value.empty()) {
            return bad("--frame-log needs a file");
        }
        parsed.frameLog = value;
    } else if (option == "--start" || option == "--end") {
        if (!readNumber(value, number) || number < 0.0 || number > longestShowSeconds) {
            return bad(option + " needs seconds from 0 to 86400, not '" + value + "'");
        }
        (option == "--start" ? parsed.startSeconds : parsed.endSeconds) = number;
    } else {
        return bad("unknown option '" + option + "'");
    }
    return true;
}

} // namespace Zem::App
