#pragma once

#include "demo/Ombrel.h"
#include "graphics/DisplayBase.h"
#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "input/InputBase.h"
#include "main/Camera.h"
#include "main/Engine.h"
#include "main/Entity.h"
#include "main/SimpleRoom.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "script/SilentMusic.h"
#include "support/Environment.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdlib>
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
        Zem::Graphics::GBufferShader::releaseSharedObjects();
        Zem::Graphics::LightShader::releaseSharedObjects();
        Zem::Graphics::HDRShader::releaseSharedObjects();
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
        forgetAdaptation();
        while (frameNumber < target) {
            step(true);
        }
    }

    // The eye adaptation starts afresh at the next frame (it takes that frame's luminance at
    // once), so a frame does not depend on frames drawn long before it.
    static void forgetAdaptation() {
        const Zem::Graphics::HDRShader::SharedObjects& hdr =
            Zem::Graphics::HDRShader::sharedObjects();
        for (std::size_t level : {5u, 6u}) {
            if (hdr.levels[level].framebuffer == 0) {
                continue;
            }
            glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, hdr.levels[level].framebuffer);
            glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }

    int frame() const { return frameNumber; }
    Ombrel& demo() { return game; }
    Zem::Graphics::DisplayBase& display() { return *displayDriver; }

private:
    Zem::Main::Engine engine;
    Ombrel game;
    Zem::Graphics::DisplayBase* displayDriver = nullptr;
    double nowMs = 0.0;
    int frameNumber = 0;
    bool opened = false;
};

} // namespace ZemTest
