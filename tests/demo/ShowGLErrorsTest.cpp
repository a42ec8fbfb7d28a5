#include "demo/Ombrel.h"

#include "graphics/DisplayBase.h"
#include "graphics/ShaderRegistry.h"
#include "input/InputBase.h"
#include "main/Engine.h"
#include "resource/ResourceManager.h"
#include "script/SilentMusic.h"
#include "support/GLContext.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class StillInput : public Zem::Input::InputBase {
public:
    bool update(float) override { return true; }
};

class StillDisplay : public Zem::Graphics::DisplayBase {
public:
    bool update(float) override { return true; }
    void swapBuffers() override {}
};

// Every error GL reports through KHR_debug, with the driver's words (they name the call).
void GLAPIENTRY collectError(GLenum, GLenum type, GLuint, GLenum, GLsizei, const GLchar* message,
                             const void* user) {
    if (type == GL_DEBUG_TYPE_ERROR) {
        static_cast<std::vector<std::string>*>(const_cast<void*>(user))->push_back(message);
    }
}

class ShowGLErrorsTest : public ZemTest::GLTest {
protected:
    void TearDown() override {
        if (GLEW_KHR_debug) {
            glDebugMessageCallback(nullptr, nullptr);
            glDisable(GL_DEBUG_OUTPUT);
        }
        Zem::Resource::ResourceManager::instance().reset();
    }
};

// Ten seconds of the shipped show at 20 frames a second, every pass and effect drawn: GL must
// not refuse a single call. Each error says in which frame and what GL said about it.
TEST_F(ShowGLErrorsTest, TenSecondsOfTheShippedShowRaiseNoGLError) {
    Zem::Graphics::ShaderRegistry::instance().reset();
    Zem::Resource::ResourceManager::instance().reset();
    Zem::Main::Engine engine;
    engine.registerDriver("input", std::make_unique<StillInput>());
    engine.registerDriver("display", std::make_unique<StillDisplay>());
    engine.setWorkingDir("./");
    double nowMs = 0.0;
    {
        Ombrel game;
        game.engine = &engine;
        engine.setGame(&game);
        game.useMusic(
            [&nowMs] { return std::make_unique<SilentMusic>([&nowMs] { return nowMs; }); });

        std::vector<std::string> errors;
        while (glGetError() != GL_NO_ERROR) {
        }
        if (GLEW_KHR_debug) {
            glEnable(GL_DEBUG_OUTPUT);
            glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
            glDebugMessageCallback(collectError, &errors);
        }
        ASSERT_TRUE(game.init());
        for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
            errors.push_back("while loading: glGetError " + std::to_string(error));
        }

        constexpr int framesPerSecond = 20;
        int frames = 0;
        for (int frame = 0; frame < 10 * framesPerSecond; ++frame) {
            nowMs = frame * 1000.0 / framesPerSecond;
            const std::size_t before = errors.size();
            const bool goesOn = game.update(1.0f / framesPerSecond);
            for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
                errors.push_back("glGetError " + std::to_string(error));
            }
            for (std::size_t i = before; i < errors.size(); ++i) {
                errors[i] = "frame " + std::to_string(frame) + ": " + errors[i];
            }
            ++frames;
            if (!goesOn) {
                break;
            }
        }
        EXPECT_EQ(frames, 10 * framesPerSecond) << "the show lasts longer than ten seconds";
        EXPECT_TRUE(errors.empty()) << errors.size() << " errors, the first: " << errors.front();
        engine.shutdown();
    }
}

} // namespace
