#include "app/Player.h"

#include "app/FrameLog.h"
#include "app/LivePlay.h"
#include "app/capture/CaptureRun.h"
#include "demo/Ombrel.h"
#include "graphics/DisplayBase.h"
#include "input/InputBase.h"
#include "main/Engine.h"
#include "main/report.h"
#include "resource/XmlNode.h"
#include "script/SilentMusic.h"

#include <memory>

namespace Zem::App {

Player::Player(PlayerOptions playerOptions) : options(std::move(playerOptions)) {}

int Player::run() {
    Ombrel show;
    show.useFiles(options.files);
    show.useEdgeFilter(options.edgeFilter);
    Main::Engine engine;
    engine.setWorkingDir("./");
    engine.registerDriver("input", Input::InputBase::create());
    std::unique_ptr<Graphics::DisplayBase> display = Graphics::DisplayBase::create();
    // A capture draws offscreen at its own size and never waits for the display.
    Graphics::DisplaySettings settings = options.display;
    if (options.capturing) {
        settings.width = options.capture.width * options.capture.supersample;
        settings.height = options.capture.height * options.capture.supersample;
        settings.fullscreen = false;
        settings.vsync = false;
        settings.offscreen = true;
    }
    display->useSettings(settings);
    engine.registerDriver("display", std::move(display));
    show.engine = &engine;
    engine.setGame(&show);

    bool succeeded = true;
    if (options.capturing) {
        succeeded = capture(engine, show);
    } else {
        playLive(engine, show);
    }
    engine.shutdown();
    return succeeded ? 0 : 1;
}

void Player::playLive(Main::Engine& engine, Ombrel& show) const {
    engine.init(Resource::XmlNode());
    LivePlay live(show, options);
    live.begin();
    const auto* input = dynamic_cast<const Input::InputBase*>(engine.driver("input"));
    const auto* display = dynamic_cast<const Graphics::DisplayBase*>(engine.driver("display"));
    engine.run([&] { return live.afterTurn(input, display); });
}

bool Player::capture(Main::Engine& engine, Ombrel& show) const {
    CaptureRun run(options.capture, options.startSeconds, options.endSeconds,
                   options.files.musicPath());
    // The show's music runs silently on the capture's clock.
    show.useMusic(
        [&run] { return std::make_unique<SilentMusic>([&run] { return run.showTimeMs(); }); });
    engine.init(Resource::XmlNode());
    FrameLog frameLog(options.frameLog);
    run.logFramesTo(&frameLog);
    if (!run.run(show, [&engine] { return engine.stopRequested(); })) {
        Main::report("ombrel: capture failed: " + run.error());
        return false;
    }
    return true;
}

} // namespace Zem::App
