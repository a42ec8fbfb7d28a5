#include "graphics/LightShader.h"
#include "graphics/GBufferShader.h"
#include "graphics/Light.h"
#include "graphics/Portal.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "resource/Mesh.h"
#include "support/DeferredScene.h"
#include "support/ImageCapture.h"
#include "support/SceneFixtures.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

using Zem::Graphics::GBufferShader;
using Zem::Graphics::Light;
using Zem::Graphics::LightShader;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::Vector3;
using ZemTest::xmlElement;

constexpr int width = GBufferShader::targetWidth;
constexpr int height = GBufferShader::targetHeight;

std::string lightXml(const Vector3& centre, float radius, const std::string& colour = "1 1 1") {
    return "<Light><color>" + colour + "</color><radius>" + std::to_string(radius) +
           "</radius><position>" + std::to_string(centre.x) + " " + std::to_string(centre.y) + " " +
           std::to_string(centre.z) + "</position></Light>";
}

// The deferred passes over a matt white wall across the whole view, 5 units ahead.
class LightShaderTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        registerPasses();
        wall.position = Vector3(0.0f, 0.0f, -5.0f);
    }
    static std::array<float, 4> lightAt(int x, int y) {
        return texel(readTexture(LightShader::sharedObjects().lightTarget, width, height), width, x,
                     y);
    }
    // A frame lit by a light of colour 0.5 0 2 and radius 3, 1 in front of the wall, without the
    // HDR pass, whose quads send texture coordinates of their own afterwards.
    void renderColouredLight() {
        ASSERT_TRUE(ShaderRegistry::instance().reset());
        ShaderRegistry::instance().registerFactory(
            std::make_unique<GBufferShader::Factory>(GBufferShader::passId, 1000));
        ShaderRegistry::instance().registerFactory(
            std::make_unique<LightShader::Factory>(LightShader::passId, 2000));
        Light light(xmlElement(lightXml(Vector3(0, 0, -4), 3.0f, "0.5 0 2")));
        renderFrame({&wall, &light});
    }
    static std::array<float, 4> sentOnUnit(GLenum unit) {
        std::array<float, 4> sent{};
        glActiveTexture(unit);
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, sent.data());
        glActiveTexture(GL_TEXTURE0);
        return sent;
    }
    // The wall as a light of the reach leaves it, sampled every 8 pixels: every pixel well
    // inside the reach is lit and none well beyond it. The number lit.
    int litExactlyWithinReach(const Vector3& centre, float radius) {
        Light light(xmlElement(lightXml(centre, radius)));
        renderFrame({&wall, &light});
        const std::vector<float> image =
            readTexture(LightShader::sharedObjects().lightTarget, width, height);
        // The view's half extent at distance 1 (80 degrees high, 4:3).
        const float halfHeight = std::tan(40.0f * 3.14159265f / 180.0f);
        const float halfWidth = halfHeight * 4.0f / 3.0f;
        int lit = 0;
        for (int y = 4; y < height; y += 8) {
            for (int x = 4; x < width; x += 8) {
                const float nx = (static_cast<float>(x) + 0.5f) / width * 2.0f - 1.0f;
                const float ny = (static_cast<float>(y) + 0.5f) / height * 2.0f - 1.0f;
                const Vector3 onWall(nx * halfWidth * 5.0f, ny * halfHeight * 5.0f, -5.0f);
                const float reach = (onWall - centre).length() / radius;
                const float shown = texel(image, width, x, y)[0];
                if (reach < 0.97f) {
                    EXPECT_GT(shown, 0.0f) << x << ", " << y;
                    ++lit;
                } else if (reach > 1.03f) {
                    EXPECT_EQ(0.0f, shown) << x << ", " << y;
                }
            }
        }
        return lit;
    }
    // The light image and the screen's corner for the wall glowing as given, the only light
    // far away.
    std::pair<std::array<float, 4>, std::array<std::uint8_t, 3>> glowingAt(float glow) {
        Light farAway(xmlElement(lightXml(Vector3(0, 0, 50), 1.0f)));
        wall.glow = Vector3(glow, glow, glow);
        renderFrame({&wall, &farAway});
        return {lightAt(width / 2, height / 2),
                ZemTest::ImageCapture::readFramebuffer(0, 0, 1, 1).pixel(0, 0)};
    }

    ZemTest::TestPanel wall{20.0f, Vector3(1.0f, 1.0f, 1.0f)};
};

TEST_F(LightShaderTest, TheColourReachesTheProgramTimesThirty) {
    renderColouredLight();
    const std::array<float, 4> sent = sentOnUnit(GL_TEXTURE1);
    EXPECT_EQ((std::array<float, 4>{15.0f, 0.0f, 60.0f, sent[3]}), sent);
}

TEST_F(LightShaderTest, TheRadiusReachesTheProgram) {
    renderColouredLight();
    EXPECT_EQ(3.0f, sentOnUnit(GL_TEXTURE0)[0]);
}

// Blue and magenta, never green.
TEST_F(LightShaderTest, TheWallIsLitInTheLightsColour) {
    renderColouredLight();
    const auto lit = lightAt(width / 2, height / 2);
    EXPECT_NEAR(4.0f, lit[2] / lit[0], 0.05f);
    EXPECT_EQ(0.0f, lit[1]);
}

TEST_F(LightShaderTest, TwoOverlappingLightsAddUp) {
    Light red(xmlElement(lightXml(Vector3(-0.5f, 0, -3.5f), 4.0f, "1 0 0.5")));
    Light blue(xmlElement(lightXml(Vector3(0.5f, 0, -3.5f), 4.0f, "0 0.25 1")));
    renderFrame({&wall, &red});
    const auto redOnly = lightAt(width / 2, height / 2);
    renderFrame({&wall, &blue});
    const auto blueOnly = lightAt(width / 2, height / 2);
    renderFrame({&wall, &red, &blue});
    const auto both = lightAt(width / 2, height / 2);
    EXPECT_GT(redOnly[0], 0.0f);
    EXPECT_GT(blueOnly[1], 0.0f);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(redOnly[c] + blueOnly[c], both[c], 0.01f * (both[c] + 1.0f)) << "channel " << c;
    }
}

TEST_F(LightShaderTest, AMattWallNoLightReachesStaysBlack) {
    const auto [light, shown] = glowingAt(0.0f);
    EXPECT_EQ(0.0f, light[0]);
    EXPECT_EQ((std::array<std::uint8_t, 3>{0, 0, 0}), shown);
}

TEST_F(LightShaderTest, AGlowingWallIsInTheLightImageWithNoLightNearIt) {
    const std::array<float, 4> light = glowingAt(2.0f).first;
    EXPECT_GT(light[0], 0.0f);
    EXPECT_EQ(light[0], light[2]);
}

TEST_F(LightShaderTest, AGlowingWallShowsOnScreenWithNoLightNearIt) {
    const std::array<std::uint8_t, 3> shown = glowingAt(2.0f).second;
    EXPECT_GT(int(shown[0]) + shown[1] + shown[2], 3 * 40);
}

// A small square that does not cover the screen, after a frame of the glowing wall.
TEST_F(LightShaderTest, TheGlowOfTheFrameBeforeIsGoneWhereNothingIsDrawn) {
    glowingAt(2.0f);
    ZemTest::TestPanel small{0.5f, Vector3(1.0f, 1.0f, 1.0f)};
    small.position = wall.position;
    renderFrame({&small});
    EXPECT_EQ(0.0f, lightAt(5, 5)[0]);
}

// A light shades only the pixels whose surface may lie in its reach, found by depth tests, so
// the reach must come out whole wherever the eye and the wall are.
TEST_F(LightShaderTest, ALightLightsExactlyTheWallWithinItsReach) {
    const struct {
        const char* name;
        Vector3 centre;
        float radius;
    } cases[] = {{"eye inside the reach", Vector3(0.0f, 0.0f, -1.0f), 6.0f},
                 {"in front of the wall", Vector3(1.0f, 0.5f, -4.0f), 3.0f},
                 {"behind the wall", Vector3(-1.0f, 0.0f, -6.0f), 2.5f},
                 {"short of the wall", Vector3(0.0f, 0.0f, -2.0f), 2.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int lit = litExactlyWithinReach(c.centre, c.radius);
        if (c.centre.z - c.radius > -5.0f) {
            EXPECT_EQ(0, lit);
        } else {
            EXPECT_GT(lit, 20);
        }
    }
}

// The hall seen through a 1 x 1 window in the vault's wall: the window's view has a wall of its
// own further back and a light near the window, within reach of the vault wall around it.
class LightShaderWindowTest : public LightShaderTest {
protected:
    void SetUp() override {
        LightShaderTest::SetUp();
        window.maskGroup = windowShape->groups[0].get();
        windowSurface.position = Vector3(0.0f, 0.0f, -4.9f);
        window.position = windowSurface.position;
        hallWall.position = Vector3(0.0f, 0.0f, -8.0f);
    }
    // The light target after a frame of the vault and the view through the window; the hall's
    // light is left out when asked.
    std::vector<float> renderThroughWindow(bool hallLit) {
        Zem::Graphics::View root;
        root.passes = ShaderRegistry::instance().acquire();
        wall.submit(root);
        windowSurface.submit(root);
        Zem::Graphics::View& hall = root.allocateChild();
        hall.parent = &root;
        hall.depth = 1;
        hall.portal = &window;
        hall.passes = ShaderRegistry::instance().acquire();
        hallWall.submit(hall);
        if (hallLit) {
            hallLight.submit(hall);
        }
        Zem::Graphics::drawTree(root);
        return readTexture(LightShader::sharedObjects().lightTarget, width, height);
    }

    std::unique_ptr<Zem::Resource::Mesh> windowShape =
        ZemTest::makeMesh({{-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f, 0.5f, 0, -0.5f, -0.5f, 0, 0.5f,
                            0.5f, 0, -0.5f, 0.5f, 0}});
    Zem::Graphics::Portal window{xmlElement("<entity/>")};
    ZemTest::TestPanel windowSurface{0.5f, Vector3(0.2f, 0.2f, 0.2f)};
    ZemTest::TestPanel hallWall{20.0f, Vector3(1.0f, 1.0f, 1.0f)};
    Light hallLight{xmlElement("<Light><radius>5</radius><position>0 0 -6.5</position></Light>")};
};

// About 57 pixels to a unit at the vault wall: the window spans 29 pixels each way.
TEST_F(LightShaderWindowTest, ALightBehindAWindowLeavesTheWallAroundItAsDarkAsWithoutIt) {
    const std::vector<float> dark = renderThroughWindow(false);
    const std::vector<float> lit = renderThroughWindow(true);
    ASSERT_GT(texel(lit, width, width / 2, height / 2)[0], 0.0f) << "the hall is lit";
    for (const auto& [x, y] :
         {std::pair{width / 2 + 86, height / 2}, std::pair{width / 2 - 60, height / 2},
          std::pair{width / 2, height / 2 + 50}, std::pair{width / 2 + 40, height / 2 - 40}}) {
        EXPECT_EQ(texel(dark, width, x, y), texel(lit, width, x, y))
            << "vault wall at " << x << ", " << y;
    }
}

} // namespace
