#pragma once

#include <string>

namespace Capture {

// What the command line asks of a capture.
struct CaptureSettings {
    // A ".mp4" or ".mkv" file, or a folder of PNG frames.
    std::string output;
    double fps = 60.0;
    int width = 640;
    int height = 480;
    double startSeconds = 0.0;
    // Negative: the script's "exit", or else the end of the music.
    double endSeconds = -1.0;
    std::string musicPath = "data/Ombrel.ogg";
};

} // namespace Capture
