#pragma once

#include "demo/Ombrel.h"
#include "graphics/DisplayBase.h"
#include "graphics/HDRShader.h"
#include "graphics/ShaderRegistry.h"
#include "input/InputBase.h"
#include "main/Engine.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "script/SilentMusic.h"
#include "support/DeferredScene.h"
#include "support/Environment.h"

#include <memory>
#include <string>

namespace ZemTest {

// Plays the shipped show headless on a fixed step: the script's music clock is the frame
// number over the step rate, so every run draws the same frames. Frames that are not rendered
// still advance the script and every entity, so a far point of the show is reached quickly.
class ShowPlayer {
public:
    static constexpr int stepsPerSecond = 30;

    // The final image's edges are smoothed unless edgeFilter is false.
    ShowPlayer(int width, int height, bool edgeFilter = true) {
        useHeadlessDrivers();
        // Whatever an earlier user of this process registered goes; the show registers its own.
        Zem::Graphics::ShaderRegistry::instance().reset();
        Zem::Resource::ResourceManager::instance().reset();
        auto display = Zem::Graphics::DisplayBase::create();
        displayDriver = display.get();
        engine.setWorkingDir("./");
        engine.registerDriver("display", std::move(display));
        engine.registerDriver("input", Zem::Input::InputBase::create());
        game.engine = &engine;
        game.useEdgeFilter(edgeFilter);
        engine.setGame(&game);
        // The world's script masters play on this player's clock.
        game.useMusic([this] { return std::make_unique<SilentMusic>([this] { return nowMs; }); });
        const std::string config = "<config><display><resolution><width>" + std::to_string(width) +
                                   "</width><height>" + std::to_string(height) +
                                   "</height><fullscreen>false</fullscreen><vsync>false</vsync>"
                                   "</resolution><offscreen>true</offscreen></display></config>";
        opened = engine.init(Zem::Resource::XmlNode(config)) && game.currentCamera() != nullptr;
    }

    // The passes' GPU objects go with this context; the next user makes them anew.
    ~ShowPlayer() {
        releasePassObjects();
        engine.shutdown();
        Zem::Graphics::ShaderRegistry::instance().reset();
    }

    ShowPlayer(const ShowPlayer&) = delete;
    ShowPlayer& operator=(const ShowPlayer&) = delete;

    bool ready() const { return opened; }

    // One step of the show: the frame drawn (when asked) and then every entity advanced.
    // False once the script asked to end.
    bool step(bool render) {
        nowMs = frameNumber * 1000.0 / stepsPerSecond;
        const float dt = 1.0f / stepsPerSecond;
        bool goOn = true;
        if (render) {
            // As the engine's loop does: the last frame is presented, then the next drawn.
            displayDriver->swapBuffers();
            goOn = game.update(dt);
        } else {
            game.step(dt);
            goOn = !game.exitRequested();
        }
        ++frameNumber;
        return goOn;
    }

    // Steps without drawing until the show reaches the second, then draws `rendered` frames
    // (the eye adaptation of the HDR pass needs some to settle).
    void playTo(double seconds, int rendered) {
        const int target = static_cast<int>(seconds * stepsPerSecond);
        while (frameNumber < target - rendered) {
            step(false);
        }
        // A frame must not depend on frames drawn long before it.
        Zem::Graphics::HDRShader::forgetAdaptation();
        while (frameNumber < target) {
            step(true);
        }
    }

    int frame() const { return frameNumber; }
    Ombrel& demo() { return game; }

private:
    Zem::Main::Engine engine;
    Ombrel game;
    Zem::Graphics::DisplayBase* displayDriver = nullptr;
    double nowMs = 0.0;
    int frameNumber = 0;
    bool opened = false;
};

} // namespace ZemTest
