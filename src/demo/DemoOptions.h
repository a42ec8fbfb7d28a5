#pragma once

#include "demo/Capture/CaptureSettings.h"

#include <string>

// How the demo was asked to run, from its command line.
struct DemoOptions {
    // A world file of the maker's; empty plays the shipped "main.world".
    std::string worldFile;
    // The shipped data, searched after the world's own folder.
    std::string dataDir = "data/";
    int windowWidth = 640;
    int windowHeight = 480;
    // Full screen where the display offers the size, else a window: the show's default.
    bool fullscreen = true;
    // Seconds of show time: where the show starts, and where it ends (negative: the script's
    // "exit", or else the end of the music).
    double startSeconds = 0.0;
    double endSeconds = -1.0;
    // Plays start..end again and again.
    bool loop = false;
    bool capture = false;
    // Frame cost: an overlay on the picture and a line a second on standard output.
    bool stats = false;
    // Output, rate and size of a capture; its start, end and music come from the fields above.
    Capture::CaptureSettings captureSettings;

    std::string musicPath() const { return dataDir + "Ombrel.ogg"; }
};
