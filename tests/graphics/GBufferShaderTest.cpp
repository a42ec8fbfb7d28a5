#include "graphics/GBufferShader.h"
#include "main/TestGame.h"
#include "support/DeferredScene.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

namespace {

class GBufferShaderTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        registerPasses();
    }
};

// The frame draws on after the box: no GL error is left (checked as every test here ends).
TEST_F(GBufferShaderTest, AViewWithNothingQueuedShowsEmptyList) {
    ZemTest::ShownBoxes boxes;
    renderFrame({});
    EXPECT_EQ(std::vector<std::string>{"[] Empty list!"}, boxes.texts);
}

} // namespace
