#include "demo/Capture/CaptureSession.h"
#include "demo/CommandLine.h"
#include "demo/Ombrel.h"
#include "main/Engine.h"
#include "resource/XmlNode.h"
#include "script/ScriptMaster.h"

#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

// The platform's drivers, chosen when the program is built.
#ifdef _WIN32
#include "graphics/Display_win32.h"
#include "input/Input_win32.h"
using PlatformDisplay = Zem::Graphics::Display_win32;
using PlatformInput = Zem::Input::Input_win32;
#else
#include "graphics/Display_sdl2.h"
#include "input/Input_sdl2.h"
using PlatformDisplay = Zem::Graphics::Display_sdl2;
using PlatformInput = Zem::Input::Input_sdl2;
#endif

namespace {

// The display configuration the show plays with: the built-in one at the size asked for. A
// capture draws offscreen at the capture's size and never waits for the display.
std::string displayConfig(const DemoOptions& options) {
    const bool capturing = options.capture;
    const int width = capturing ? options.captureSettings.width : options.windowWidth;
    const int height = capturing ? options.captureSettings.height : options.windowHeight;
    const bool fullscreen = !capturing && options.fullscreen;
    return "<config><display>" + std::string(capturing ? "<offscreen>true</offscreen>" : "") +
           "<resolution><width>" + std::to_string(width) + "</width><height>" +
           std::to_string(height) +
           "</height><bpp>32</bpp><depthbpp>24</depthbpp><stencilbpp>8</stencilbpp>"
           "<fullscreen>" +
           (fullscreen ? "true" : "false") +
           "</fullscreen><doublebuffer>true</doublebuffer><vsync>" +
           (capturing ? "false" : "true") + "</vsync></resolution></display></config>";
}

// Capture settings as the whole command line gives them.
Capture::CaptureSettings captureSettings(const DemoOptions& options) {
    Capture::CaptureSettings settings = options.captureSettings;
    settings.startSeconds = options.startSeconds;
    settings.endSeconds = options.endSeconds;
    settings.musicPath = options.musicPath();
    return settings;
}

// Plays the show, or captures it; the program's exit code.
int runShow(const DemoOptions& options) {
    std::unique_ptr<Capture::CaptureSession> capture;
    if (options.capture) {
        capture = std::make_unique<Capture::CaptureSession>(captureSettings(options));
    }
    Ombrel game;
    game.useOptions(options);
    game.captureTo(capture.get());
    bool captured = true;
    {
        Zem::Main::Engine engine;
        engine.setWorkingDir("./");
        engine.registerDriver("input", std::make_unique<PlatformInput>());
        engine.registerDriver("display", std::make_unique<PlatformDisplay>());
        if (capture) {
            // The frame step comes from the show's clock too, so every update sees one frame.
            const Capture::CaptureSession* session = capture.get();
            engine.setClock([session] {
                return static_cast<std::uint32_t>(
                    static_cast<std::int64_t>(std::floor(session->showTimeMs())));
            });
        }
        game.engine = &engine;
        engine.setGame(&game);

        auto config = std::make_unique<Zem::Resource::XmlNode>(displayConfig(options));
        engine.init(*config);
        config.reset();

        if (capture) {
            const ScriptMaster* script = game.scriptMaster();
            captured = capture->begin(script != nullptr ? script->exitTimeMs() : -1);
        }
        if (captured) {
            engine.run();
        }
        engine.shutdown();
        if (capture && captured) {
            captured = capture->finish(game.exitRequested());
        }
    } // the engine goes first, then the game
    if (!captured) {
        std::cerr << "ombrel: capture failed: " << capture->error() << std::endl;
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine commandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (commandLine.outcome()) {
    case CommandLine::Outcome::Help:
        std::cout << CommandLine::usage();
        return 0;
    case CommandLine::Outcome::BadUse:
        std::cerr << "ombrel: " << commandLine.error() << "\n" << CommandLine::usage();
        return 2;
    case CommandLine::Outcome::Run:
        break;
    }
    return runShow(commandLine.options());
}
