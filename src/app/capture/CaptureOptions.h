#pragma once

#include <string>

namespace Zem::App {

// What the command line asks of a capture besides the part of the show it covers.
struct CaptureOptions {
    // A ".mp4" or ".mkv" file, or a folder of PNG frames.
    std::string output;
    double fps = 60.0;
    int width = 640;
    int height = 480;
    // Each frame is drawn this many times wider and higher, then filtered down to the size.
    int supersample = 1;
};

} // namespace Zem::App
