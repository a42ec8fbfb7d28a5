#include "app/Player.h"

#include "app/FrameLog.h"
#include "app/LivePlay.h"
#include "app/WorldCheck.h"
#include "app/capture/CaptureRun.h"
#include "app/findShippedData.h"
#include "app/musicLengthMs.h"
#include "app/programFolder.h"
#include "demo/Ombrel.h"
#include "graphics/DisplayBase.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/hasCurrentContext.h"
#include "graphics/registerDeferredPasses.h"
#include "input/InputBase.h"
#include "main/Engine.h"
#include "main/report.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "script/ScriptMaster.h"
#include "script/SilentMusic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

namespace Zem::App {

namespace {

// The shipped data goes with the program, wherever it is started from: after --data when that
// is given, as the data folder otherwise. False when there is none to be found.
bool settleDataFolders(PlayerOptions& options) {
    const std::string program = programFolder();
    const std::string shipped = findShippedData(program);
    if (options.dataGiven) {
        options.files.shippedDir = shipped;
    } else if (!shipped.empty()) {
        options.files.dataDir = shipped;
    } else if (!program.empty()) {
        // Never the working folder by chance: a show without its data says so.
        options.files.dataDir = program + "data/";
    }
    return !shipped.empty();
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

// The engine on the platform's drivers, the display as `settings` say.
void buildEngine(Main::Engine& engine, Graphics::DisplaySettings settings) {
    engine.setWorkingDir("./");
    engine.registerDriver("input", Input::InputBase::create());
    std::unique_ptr<Graphics::DisplayBase> display = Graphics::DisplayBase::create();
    display->useSettings(settings);
    engine.registerDriver("display", std::move(display));
}

// The world's own lines in the order of the file; any other line stays after the one said
// before it.
void sortByLine(std::vector<std::string>& lines, const std::string& world) {
    std::vector<std::pair<long, std::string>> keyed;
    long line = 0;
    for (std::string& text : lines) {
        if (text.compare(0, world.size() + 1, world + ":") == 0) {
            line = std::strtol(text.c_str() + world.size() + 1, nullptr, 10);
        }
        keyed.emplace_back(line, std::move(text));
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    lines.clear();
    for (auto& [at, text] : keyed) {
        lines.push_back(std::move(text));
    }
}

// Wherever the run was started from.
void sayWhereTheLogIs(Main::Engine& engine) {
    if (!engine.logPath().empty()) {
        engine.message("Log: " + engine.logPath() + "\n");
    }
}

} // namespace

Player::Player(PlayerOptions playerOptions) : options(std::move(playerOptions)) {
    shippedDataFound = settleDataFolders(options);
}

void Player::sayWhenTheShippedDataIsMissing() const {
    if (!shippedDataFound && !options.dataGiven) {
        Main::report("No shipped data beside the program: " + options.files.dataDir +
                     " holds no main.world; give the data folder with --data DIR");
    }
}

int Player::run() {
    if (options.checking) {
        return check();
    }
    sayWhenTheShippedDataIsMissing();
    Ombrel show;
    show.useFiles(options.files);
    show.useEdgeFilter(options.edgeFilter);
    Main::Engine engine;
    // A capture draws offscreen at its own size and never waits for the display.
    Graphics::DisplaySettings settings = options.display;
    if (options.capturing) {
        settings.width = options.capture.width * options.capture.supersample;
        settings.height = options.capture.height * options.capture.supersample;
        settings.fullscreen = false;
        settings.vsync = false;
        settings.offscreen = true;
    }
    buildEngine(engine, settings);
    show.engine = &engine;
    engine.setGame(&show);

    const int code = options.capturing ? capture(engine, show) : playLive(engine, show);
    engine.shutdown();
    return code;
}

double Player::showEndSeconds(const Ombrel& show) const {
    if (show.endTimeMs() >= 0) {
        return show.endTimeMs() / 1000.0;
    }
    const int64_t musicMs = show.hasClock() ? musicLengthMs(options.files.musicPath()) : -1;
    return musicMs >= 0 ? static_cast<double>(musicMs) / 1000.0 : -1.0;
}

bool Player::startsPastTheEnd(double endSeconds) const {
    if (endSeconds < 0.0 || options.startSeconds < endSeconds) {
        return false;
    }
    Main::report("ombrel: --start " + secondsText(options.startSeconds) +
                 " lies past the show's end at " + secondsText(endSeconds) +
                 "; give a start before it");
    return true;
}

int Player::playLive(Main::Engine& engine, Ombrel& show) const {
    engine.init(Resource::XmlNode());
    sayWhereTheLogIs(engine);
    const double endSeconds = showEndSeconds(show);
    if (options.startSeconds > 0.0 && startsPastTheEnd(endSeconds)) {
        return 2;
    }
    // Without --end and without an exit, the music's end ends the run.
    PlayerOptions playing = options;
    if (playing.endSeconds < 0.0 && show.endTimeMs() < 0) {
        playing.endSeconds = endSeconds;
    }
    LivePlay live(show, playing);
    live.begin();
    const auto* input = dynamic_cast<const Input::InputBase*>(engine.driver("input"));
    const auto* display = dynamic_cast<const Graphics::DisplayBase*>(engine.driver("display"));
    engine.run([&] { return live.afterTurn(input, display); });
    return 0;
}

int Player::capture(Main::Engine& engine, Ombrel& show) const {
    CaptureRun run(options.capture, options.startSeconds, options.endSeconds,
                   options.files.musicPath());
    // The show's music runs silently on the capture's clock.
    show.useMusic(
        [&run] { return std::make_unique<SilentMusic>([&run] { return run.showTimeMs(); }); });
    engine.init(Resource::XmlNode());
    sayWhereTheLogIs(engine);
    if (options.startSeconds > 0.0 && startsPastTheEnd(showEndSeconds(show))) {
        return 2;
    }
    FrameLog frameLog(options.frameLog);
    run.logFramesTo(&frameLog);
    if (!run.run(show, [&engine] { return engine.stopRequested(); })) {
        Main::report("ombrel: capture failed: " + run.error());
        return 1;
    }
    return 0;
}

std::string Player::worldLabel() const {
    const std::string name =
        options.files.worldFile.empty()
            ? std::string("main.world")
            : std::filesystem::path(options.files.worldFile).filename().string();
    const auto& sources = Resource::ResourceManager::instance().sourceFiles();
    const auto found = sources.find(name);
    return found != sources.end() ? found->second
                                  : (options.files.worldFile.empty() ? options.files.dataDir + name
                                                                     : options.files.worldFile);
}

int Player::check() const {
    // Everything reported while the world loads is a mistake of the world's; what the drivers
    // say while they start is not.
    std::vector<std::string> setup;
    std::vector<std::string> found;
    std::vector<std::string>* heard = &setup;
    const Main::ReportHandler previous =
        Main::setReportHandler([&heard](const std::string& text) { heard->push_back(text); });

    Ombrel show;
    show.useFiles(options.files);
    WorldCheck look;
    show.observeWorld(&look);
    // The music is looked for, never played.
    show.useMusic([] { return std::make_unique<SilentMusic>([] { return 0.0; }); });
    Main::Engine engine;
    engine.setQuiet(true);
    engine.setLogPath("");
    Graphics::DisplaySettings settings = options.display;
    settings.width = 64;
    settings.height = 64;
    settings.fullscreen = false;
    settings.vsync = false;
    settings.offscreen = true;
    buildEngine(engine, settings);
    // The drivers alone: the game's init comes once the reports count.
    engine.init(Resource::XmlNode());
    const bool compiles = Graphics::hasCurrentContext();

    heard = &found;
    sayWhenTheShippedDataIsMissing();
    show.engine = &engine;
    engine.setGame(&show);
    show.init();
    if (compiles) {
        // Every pass links its programs when it is made; a frame compiles the materials' builds.
        auto& registry = Graphics::ShaderRegistry::instance();
        registry.release(registry.acquire());
        show.draw();
    } else {
        auto& resources = Resource::ResourceManager::instance();
        for (const std::string& file : Graphics::deferredPassFiles()) {
            bool there = false;
            for (const std::string& folder : resources.getSearchPaths()) {
                there = there || std::filesystem::is_regular_file(folder + file);
            }
            if (!there) {
                Main::report("Unable to load " + file + ": no such file along the search paths");
            }
        }
    }
    const std::string world = worldLabel();
    // A world that did not load was reported as such; there is nothing more to look at.
    if (show.hasWorld()) {
        for (const std::string& mistake : look.mistakes(show)) {
            found.push_back(mistake);
        }
    }
    if (show.scriptMaster() != nullptr && musicLengthMs(options.files.musicPath()) < 0) {
        found.push_back("Unable to load " + options.files.musicPath() +
                        ": the music is silent, its clock runs on; put an Ogg Vorbis "
                        "Ombrel.ogg in the data folder");
    }
    sortByLine(found, world);
    Main::setReportHandler(previous);
    engine.shutdown();

    if (!compiles) {
        std::cout << "No OpenGL here" << (setup.empty() ? "" : " (" + setup.back() + ")")
                  << ": the shaders were looked for, not compiled\n";
    }
    for (const std::string& mistake : found) {
        std::cout << mistake << "\n";
    }
    if (found.empty()) {
        std::cout << world << ": no mistakes found\n";
    } else {
        std::cout << world << ": " << found.size() << (found.size() == 1 ? " mistake" : " mistakes")
                  << "\n";
    }
    std::cout.flush();
    return found.empty() ? 0 : 1;
}

} // namespace Zem::App
