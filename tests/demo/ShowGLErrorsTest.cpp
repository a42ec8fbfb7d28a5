#include "demo/Ombrel.h"
#include "graphics/ShaderRegistry.h"
#include "resource/ResourceManager.h"
#include "script/SilentMusic.h"
#include "support/GLContext.h"
#include "support/StillShow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

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
// not refuse a single call, loading or drawing. Each error says when it came and what GL said.
TEST_F(ShowGLErrorsTest, TenSecondsOfTheShippedShowRaiseNoGLError) {
    Zem::Graphics::ShaderRegistry::instance().reset();
    Zem::Resource::ResourceManager::instance().reset();
    double nowMs = 0.0;
    ZemTest::StillShow show("./");
    show.game.useMusic(
        [&nowMs] { return std::make_unique<SilentMusic>([&nowMs] { return nowMs; }); });
    std::vector<std::string> errors;
    // Names the errors from `first` on, with those glGetError holds.
    const auto takeErrors = [&errors](std::size_t first, const std::string& when) {
        for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
            errors.push_back("glGetError " + std::to_string(error));
        }
        for (std::size_t i = first; i < errors.size(); ++i) {
            errors[i] = when + ": " + errors[i];
        }
    };
    while (glGetError() != GL_NO_ERROR) {
    }
    if (GLEW_KHR_debug) {
        glEnable(GL_DEBUG_OUTPUT);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(collectError, &errors);
    }
    ASSERT_TRUE(show.game.init());
    takeErrors(0, "while loading");
    constexpr int framesPerSecond = 20;
    for (int frame = 0; frame < 10 * framesPerSecond; ++frame) {
        nowMs = frame * 1000.0 / framesPerSecond;
        const std::size_t before = errors.size();
        ASSERT_TRUE(show.game.update(1.0f / framesPerSecond))
            << "the show lasts longer than ten seconds";
        takeErrors(before, "frame " + std::to_string(frame));
    }
    EXPECT_TRUE(errors.empty()) << errors.size() << " errors, the first: " << errors.front();
    show.engine.shutdown();
}

} // namespace
