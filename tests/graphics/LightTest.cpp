#include "graphics/Light.h"
#include "graphics/GBufferShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "main/Entity.h"
#include "resource/XmlNode.h"
#include "support/DeferredScene.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>

namespace {

using Zem::Graphics::GBufferShader;
using Zem::Graphics::Light;
using Zem::Graphics::LightShader;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::Vector3;
using Zem::Graphics::View;
using Zem::Resource::XmlNode;
using ZemTest::TestPanel;

constexpr int width = GBufferShader::targetWidth;
constexpr int height = GBufferShader::targetHeight;

std::unique_ptr<Light> makeLight(const char* xml) {
    return std::make_unique<Light>(XmlNode(xml));
}

float sum(const std::array<float, 4>& texel) {
    return texel[0] + texel[1] + texel[2];
}

TEST(LightEntityTest, ColourDefaultsToWhiteAndReadsColor) {
    EXPECT_EQ(makeLight("<Light name='a'/>")->colour, Vector3(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(makeLight("<Light><color>0.5 0 2</color></Light>")->colour,
              Vector3(0.5f, 0.0f, 2.0f));
    EXPECT_EQ(makeLight("<Light><color>0.5,0.25,2</color></Light>")->colour,
              Vector3(0.5f, 0.25f, 2.0f));
    // A given colour starts from black: what it leaves out stays 0.
    EXPECT_EQ(makeLight("<Light><color>0.5</color></Light>")->colour, Vector3(0.5f, 0.0f, 0.0f));
}

TEST(LightEntityTest, ReadsEntitySettingsAndIsNeverCarriedThroughPortals) {
    std::unique_ptr<Light> light =
        makeLight("<Light name='lamp'><position>1 2 3</position><radius>4</radius></Light>");
    EXPECT_EQ(light->name, "lamp");
    EXPECT_EQ(light->position, Vector3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(light->radius, 4.0f);
    EXPECT_NE(light->flags & Zem::Main::EntityFlags::NoPortalTransfer, 0u);
}

TEST(LightEntityTest, ChannelsSixToNineAreColourAndRadius) {
    std::unique_ptr<Light> light = makeLight("<Light/>");
    light->setChannel(6, 0.25f);
    light->setChannel(7, 0.5f);
    light->setChannel(8, 0.75f);
    light->setChannel(9, 12.0f);
    EXPECT_EQ(light->colour, Vector3(0.25f, 0.5f, 0.75f));
    EXPECT_EQ(light->radius, 12.0f);
    EXPECT_EQ(light->getChannel(6), 0.25f);
    EXPECT_EQ(light->getChannel(8), 0.75f);
    EXPECT_EQ(light->getChannel(9), 12.0f);

    light->setChannel(10, 5.0f);
    EXPECT_EQ(light->getChannel(10), 0.0f);
    EXPECT_EQ(light->colour, Vector3(0.25f, 0.5f, 0.75f));

    light->getWorldMatrix();
    EXPECT_FALSE(light->matrixDirty);
    light->setChannel(6, 1.0f);
    EXPECT_FALSE(light->matrixDirty) << "colour is not part of the transform";
    light->setChannel(1, 7.0f);
    EXPECT_TRUE(light->matrixDirty);
    EXPECT_EQ(light->position.y, 7.0f);
    EXPECT_EQ(light->getWorldMatrix().getTranslation(), Vector3(0.0f, 7.0f, 0.0f));
}

class LightPassTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        registerPasses();
        // A wall across the whole view, 5 units ahead.
        wall.position = Vector3(0.0f, 0.0f, -5.0f);
    }

    TestPanel wall{20.0f, Vector3(1.0f, 1.0f, 1.0f)};
};

TEST_F(LightPassTest, SubmitQueuesForTheLightAndGeometryPasses) {
    std::unique_ptr<Light> light = makeLight("<Light/>");
    View view;
    prepareView(view, {light.get()});
    ASSERT_EQ(view.submitted.size(), 1u);
    EXPECT_EQ(view.submitted[0], light.get());
    auto* lightPass = ShaderRegistry::findPass(view.passes, LightShader::passId);
    auto* geometryPass = ShaderRegistry::findPass(view.passes, GBufferShader::passId);
    ASSERT_NE(lightPass, nullptr);
    ASSERT_NE(geometryPass, nullptr);
    EXPECT_EQ(lightPass->queue, std::vector<Zem::Main::Entity*>{light.get()});
    EXPECT_EQ(geometryPass->queue, std::vector<Zem::Main::Entity*>{light.get()});
}

TEST_F(LightPassTest, SubmitWithoutALightPassOnlyRecordsTheLight) {
    ASSERT_TRUE(ShaderRegistry::instance().reset());
    ShaderRegistry::instance().registerFactory(
        std::make_unique<GBufferShader::Factory>(GBufferShader::passId, 1000));
    std::unique_ptr<Light> light = makeLight("<Light/>");
    View view;
    prepareView(view, {light.get()});
    EXPECT_EQ(view.submitted.size(), 1u);
    EXPECT_TRUE(ShaderRegistry::findPass(view.passes, GBufferShader::passId)->queue.empty());

    View bare;
    light->submit(bare);
    EXPECT_EQ(bare.submitted.size(), 1u);
}

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
    EXPECT_FLOAT_EQ(sent[0], 15.0f);
    EXPECT_FLOAT_EQ(sent[1], 0.0f);
    EXPECT_FLOAT_EQ(sent[2], 60.0f);
    glActiveTexture(GL_TEXTURE0);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, sent.data());
    EXPECT_FLOAT_EQ(sent[0], 3.0f);

    // The program receives it: the lit wall is blue and magenta, never green.
    const auto lit = lightTexel(width / 2, height / 2);
    EXPECT_GT(lit[2], 0.0f);
    EXPECT_NEAR(lit[2] / lit[0], 4.0f, 0.05f);
    EXPECT_EQ(lit[1], 0.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(LightPassTest, TakesTheGBufferTargetsAsInputs) {
    View view;
    prepareView(view, {});
    const GBufferShader::SharedObjects& targets = GBufferShader::sharedObjects();
    const std::array<uint32_t, 5> expected = {targets.colourTarget, targets.depthStencilTarget,
                                              targets.normalTarget, targets.aux1Target,
                                              targets.aux2Target};
    EXPECT_EQ(LightShader::sharedObjects().inputs, expected);
}

TEST_F(LightPassTest, TargetIsCompleteAndLightsAreNotMasked) {
    View view;
    prepareView(view, {});
    Zem::Graphics::Shader* pass = ShaderRegistry::findPass(view.passes, LightShader::passId);
    EXPECT_FALSE(pass->usesPortalMasks());
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, LightShader::sharedObjects().framebuffer);
    EXPECT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

TEST_F(LightPassTest, TwoOverlappingLightsAddUp) {
    std::unique_ptr<Light> red =
        makeLight("<Light><color>1 0 0.5</color><radius>4</radius><position>-0.5 0 -3.5</position>"
                  "</Light>");
    std::unique_ptr<Light> blue =
        makeLight("<Light><color>0 0.25 1</color><radius>4</radius><position>0.5 0 -3.5</position>"
                  "</Light>");
    const int x = width / 2;
    const int y = height / 2;
    renderFrame({&wall, red.get()});
    const auto redOnly = lightTexel(x, y);
    renderFrame({&wall, blue.get()});
    const auto blueOnly = lightTexel(x, y);
    renderFrame({&wall, red.get(), blue.get()});
    const auto both = lightTexel(x, y);

    EXPECT_GT(sum(redOnly), 0.0f);
    EXPECT_GT(sum(blueOnly), 0.0f);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(both[c], redOnly[c] + blueOnly[c], 0.01f * (both[c] + 1.0f)) << "channel " << c;
    }
}

TEST_F(LightPassTest, LightFallsOffToNothingAtItsRadius) {
    std::unique_ptr<Light> light =
        makeLight("<Light><radius>2</radius><position>0 0 -4</position></Light>");
    renderFrame({&wall, light.get()});
    const std::vector<float> image =
        readTexture(LightShader::sharedObjects().lightTarget, width, height);
    const float centre = sum(texel(image, width, width / 2, height / 2));
    const float aside = sum(texel(image, width, width / 2 + 60, height / 2));
    const float corner = sum(texel(image, width, 5, 5));
    EXPECT_GT(centre, aside);
    EXPECT_GT(aside, 0.0f);
    // The corner of the wall lies far beyond 2 units from the light.
    EXPECT_EQ(corner, 0.0f);
}

// A material's ambient term glows in the colour of every light that reaches it.
TEST_F(LightPassTest, GlowShowsInTheLightsColourWithinItsReach) {
    wall.diffuse = Vector3();
    wall.ambient = Vector3(1.0f, 1.0f, 1.0f);
    std::unique_ptr<Light> light =
        makeLight("<Light><color>1 0 0</color><radius>2</radius><position>0 0 -4.5</position>"
                  "</Light>");
    renderFrame({&wall, light.get()});
    const std::vector<float> image =
        readTexture(LightShader::sharedObjects().lightTarget, width, height);
    const auto centre = texel(image, width, width / 2, height / 2);
    EXPECT_GT(centre[0], 0.0f);
    EXPECT_EQ(centre[1], 0.0f);
    EXPECT_EQ(sum(texel(image, width, 5, 5)), 0.0f);
}

TEST_F(LightPassTest, RadiusChannelChangesTheReachInTheNextFrame) {
    std::unique_ptr<Light> light =
        makeLight("<Light><radius>1.5</radius><position>0 0 -4</position></Light>");
    const int x = width / 2 + 150;
    renderFrame({&wall, light.get()});
    EXPECT_EQ(sum(lightTexel(x, height / 2)), 0.0f);
    light->setChannel(9, 6.0f);
    renderFrame({&wall, light.get()});
    EXPECT_GT(sum(lightTexel(x, height / 2)), 0.0f);
}

TEST_F(LightPassTest, EyeInsideTheLightLightsTheWholeView) {
    std::unique_ptr<Light> light =
        makeLight("<Light><radius>12</radius><position>0 0 -1</position></Light>");
    renderFrame({&wall, light.get()});
    const std::vector<float> image =
        readTexture(LightShader::sharedObjects().lightTarget, width, height);
    for (const auto& [x, y] : {std::pair{1, 1}, std::pair{width - 2, 1}, std::pair{1, height - 2},
                               std::pair{width - 2, height - 2}}) {
        EXPECT_GT(sum(texel(image, width, x, y)), 0.0f) << x << ", " << y;
    }
}

// Every wall point well inside a light's reach is lit and every point beyond it is not, for
// lights seen head-on, off to the side, close to the eye and with the eye inside them.
TEST_F(LightPassTest, LightCoversExactlyItsReach) {
    const float tanHalf = std::tan(40.0f * 3.14159265f / 180.0f);
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    const char* const lights[] = {
        "<Light><radius>3</radius><position>3.5 0 -2.5</position></Light>",
        "<Light><radius>2.5</radius><position>-4 2 -3</position></Light>",
        "<Light><radius>2.2</radius><position>0 0 -3</position></Light>",
        "<Light><radius>2.6</radius><position>3 -2 -3</position></Light>",
        "<Light><radius>8</radius><position>-1 1 -1</position></Light>"};
    for (const char* xml : lights) {
        std::unique_ptr<Light> light = makeLight(xml);
        renderFrame({&wall, light.get()});
        const std::vector<float> image =
            readTexture(LightShader::sharedObjects().lightTarget, width, height);
        int inside = 0;
        for (int y = 2; y < height; y += 8) {
            for (int x = 2; x < width; x += 8) {
                // The wall point this pixel shows: the eye ray through its centre at z = -5.
                const float ndcX = (static_cast<float>(x) + 0.5f) / width * 2.0f - 1.0f;
                const float ndcY = (static_cast<float>(y) + 0.5f) / height * 2.0f - 1.0f;
                const Vector3 point(ndcX * tanHalf * aspect * 5.0f, ndcY * tanHalf * 5.0f, -5.0f);
                const float reach = (point - light->position).length() / light->radius;
                const float lit = sum(texel(image, width, x, y));
                if (reach < 0.95f) {
                    ++inside;
                    EXPECT_GT(lit, 0.0f) << xml << " pixel " << x << ", " << y;
                } else if (reach > 1.02f) {
                    EXPECT_EQ(lit, 0.0f) << xml << " pixel " << x << ", " << y;
                }
            }
        }
        EXPECT_GT(inside, 20) << xml;
    }
}

} // namespace
