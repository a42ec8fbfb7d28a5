#include "graphics/Light.h"
#include "graphics/GBufferShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "resource/XmlNode.h"
#include "support/DeferredScene.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

using Zem::Graphics::GBufferShader;
using Zem::Graphics::Light;
using Zem::Graphics::LightShader;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::Vector3;
using Zem::Resource::XmlNode;

constexpr int width = GBufferShader::targetWidth;
constexpr int height = GBufferShader::targetHeight;

std::unique_ptr<Light> makeLight(const std::string& xml) {
    return std::make_unique<Light>(XmlNode(xml));
}

TEST(LightEntityTest, ColourFromColorOrWhiteAndChannelsSixToNine) {
    const std::pair<const char*, Vector3> cases[] = {
        {"<Light/>", Vector3(1, 1, 1)},
        {"<Light><color>0.5,0.25,2</color></Light>", Vector3(0.5f, 0.25f, 2)},
        {"<Light><color>0.5</color></Light>", Vector3(0.5f, 0, 0)}}; // starts from black
    for (const auto& [xml, colour] : cases) {
        EXPECT_EQ(colour, makeLight(xml)->colour) << xml;
    }
    std::unique_ptr<Light> light = makeLight("<Light/>");
    EXPECT_NE(0u, light->flags & Zem::Main::EntityFlags::NoPortalTransfer);
    light->getWorldMatrix();
    for (int channel = 6; channel <= 10; ++channel) {
        light->setChannel(channel, channel * 0.5f);
    }
    EXPECT_EQ(Vector3(3.0f, 3.5f, 4.0f), light->colour);
    EXPECT_EQ(4.5f, light->radius);
    EXPECT_EQ(4.5f, light->getChannel(9));
    EXPECT_EQ(0.0f, light->getChannel(10));
    EXPECT_FALSE(light->matrixDirty) << "colour and radius are not part of the transform";
}

class LightPassTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        registerPasses();
        wall.position = Vector3(0.0f, 0.0f, -5.0f);
    }
    static std::vector<float> lightImage() {
        return readTexture(LightShader::sharedObjects().lightTarget, width, height);
    }

    // A wall across the whole view, 5 units ahead.
    ZemTest::TestPanel wall{20.0f, Vector3(1.0f, 1.0f, 1.0f)};
};

TEST_F(LightPassTest, SendsRadiusAndColourTimesThirty) {
    // Without the HDR pass, whose quads send texture coordinates of their own afterwards.
    ASSERT_TRUE(ShaderRegistry::instance().reset());
    ShaderRegistry::instance().registerFactory(
        std::make_unique<GBufferShader::Factory>(GBufferShader::passId, 1000));
    ShaderRegistry::instance().registerFactory(
        std::make_unique<LightShader::Factory>(LightShader::passId, 2000));
    std::unique_ptr<Light> light = makeLight("<Light><color>0.5 0 2</color><radius>3</radius>"
                                             "<position>0 0 -4</position></Light>");
    renderFrame({&wall, light.get()});

    std::array<float, 4> sent{};
    glActiveTexture(GL_TEXTURE1);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, sent.data());
    EXPECT_EQ((std::array<float, 4>{15.0f, 0.0f, 60.0f, sent[3]}), sent);
    glActiveTexture(GL_TEXTURE0);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, sent.data());
    EXPECT_EQ(3.0f, sent[0]);
    // The program receives it: the lit wall is blue and magenta, never green.
    const auto lit = texel(lightImage(), width, width / 2, height / 2);
    EXPECT_NEAR(4.0f, lit[2] / lit[0], 0.05f);
    EXPECT_EQ(0.0f, lit[1]);
    // The light fades to nothing at its radius: the wall's corner is far beyond it.
    EXPECT_EQ((std::array<float, 4>{0, 0, 0, 1}), texel(lightImage(), width, 5, 5));
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(LightPassTest, TwoOverlappingLightsAddUp) {
    std::unique_ptr<Light> red = makeLight(
        "<Light><color>1 0 0.5</color><radius>4</radius><position>-0.5 0 -3.5</position></Light>");
    std::unique_ptr<Light> blue = makeLight(
        "<Light><color>0 0.25 1</color><radius>4</radius><position>0.5 0 -3.5</position></Light>");
    auto centre = [] { return texel(lightImage(), width, width / 2, height / 2); };
    renderFrame({&wall, red.get()});
    const auto redOnly = centre();
    renderFrame({&wall, blue.get()});
    const auto blueOnly = centre();
    renderFrame({&wall, red.get(), blue.get()});
    const auto both = centre();
    EXPECT_GT(redOnly[0], 0.0f);
    EXPECT_GT(blueOnly[1], 0.0f);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(redOnly[c] + blueOnly[c], both[c], 0.01f * (both[c] + 1.0f)) << "channel " << c;
    }
}

} // namespace
