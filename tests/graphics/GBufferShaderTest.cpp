#include "graphics/GBufferShader.h"
#include "graphics/ShaderRegistry.h"
#include "main/TestGame.h"
#include "support/DeferredScene.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

namespace {

using Zem::Graphics::GBufferShader;

class GBufferShaderTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        registerPasses();
    }
    void TearDown() override {
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
        DeferredTest::TearDown();
    }
};

TEST_F(GBufferShaderTest, ItsFactoryMakesItTheDefaultGeometryPass) {
    EXPECT_EQ(GBufferShader::passId, Zem::Graphics::ShaderRegistry::instance().defaultGeometryPass);
}

// The frame draws on after the box: no GL error is left (checked as every test here ends).
TEST_F(GBufferShaderTest, AViewWithNothingQueuedShowsEmptyList) {
    ZemTest::ShownBoxes boxes;
    renderFrame({});
    EXPECT_EQ(std::vector<std::string>{"[] Empty list!"}, boxes.texts);
}

} // namespace
