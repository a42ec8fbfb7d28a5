#pragma once

#include "app/capture/CaptureOptions.h"
#include "demo/ShowFiles.h"
#include "graphics/DisplaySettings.h"

#include <string>

namespace Zem::App {

// How the program was asked to run, from its command line.
struct PlayerOptions {
    ShowFiles files;
    // --data named the data folder; otherwise it is the shipped data beside the program.
    bool dataGiven = false;
    // Reads the world and everything it names, lists its mistakes and plays nothing.
    bool checking = false;
    // The show's own display: 640 x 480, full screen where the display offers the size, else a
    // window, waiting for the display at every swap.
    Graphics::DisplaySettings display = builtInDisplay();
    // Seconds of show time: where the show starts, and where it ends (negative: the script's
    // "exit", or else the end of the music, or else Escape).
    double startSeconds = 0.0;
    double endSeconds = -1.0;
    // Plays start..end again and again.
    bool loop = false;
    // Frame cost: an overlay on the picture and a line a second on standard output.
    bool stats = false;
    // Smooths the stair steps of edges in the final image.
    bool edgeFilter = true;
    // At most this many frames a second while playing; 0: as many as the display takes.
    double maxFps = 0.0;
    // A file that gets a line per frame: when it went on screen and what it showed.
    std::string frameLog;
    // Renders offline into capture.output instead of playing.
    bool capturing = false;
    CaptureOptions capture;

    static Graphics::DisplaySettings builtInDisplay() {
        Graphics::DisplaySettings settings;
        settings.fullscreen = true;
        settings.vsync = true;
        return settings;
    }
};

} // namespace Zem::App
