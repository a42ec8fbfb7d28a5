#include "graphics/GBufferShader.h"
#include "graphics/HDRSettings.h"
#include "graphics/HDRShader.h"
#include "graphics/Light.h"
#include "graphics/LightShader.h"
#include "graphics/Portal.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "graphics/reportGLErrors.h"
#include "main/messageBox.h"
#include "resource/Mesh.h"
#include "support/DeferredScene.h"
#include "support/ImageCapture.h"
#include "support/SceneFixtures.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Zem::Graphics::GBufferShader;
using Zem::Graphics::HDRShader;
using Zem::Graphics::Light;
using Zem::Graphics::LightShader;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::Vector3;
using ZemTest::xmlElement;

constexpr int width = GBufferShader::targetWidth;
constexpr int height = GBufferShader::targetHeight;

using GBufferTest = ZemTest::DeferredTest;

TEST_F(GBufferTest, MissingProgramFilesLeaveProgramZeroAndTheFrameStillRuns) {
    ZemTest::TempDir empty;
    searchShadersIn(empty.path() + "/");
    registerPasses();
    EXPECT_EQ(GBufferShader::passId, ShaderRegistry::instance().defaultGeometryPass);
    ZemTest::TestPanel panel(2.0f, Vector3(1.0f, 1.0f, 1.0f));
    panel.position = Vector3(0.0f, 0.0f, -3.0f);
    testing::internal::CaptureStderr();
    renderFrame({&panel});
    renderFrame({&panel});
    // Each pass says which programs it goes without, each once.
    const std::string said = testing::internal::GetCapturedStderr();
    for (const char* line :
         {"G-buffer pass: no program from shaders/gbuf-1p.glvp and shaders/gbuf-1p.glfp: "
          "shaders/gbuf-1p.glvp cannot be loaded",
          "light pass: no program from shaders/light.glvp and shaders/light.glfp: "
          "shaders/light.glvp cannot be loaded",
          "HDR pass: no program from shaders/"}) {
        EXPECT_NE(said.find(line), std::string::npos) << line << "\n" << said;
    }
    EXPECT_EQ(said.find("from shaders/light.glvp"), said.rfind("from shaders/light.glvp")) << said;
    EXPECT_EQ(0u, GBufferShader::sharedObjects().program.program);
    EXPECT_EQ(0u, LightShader::sharedObjects().program.program);
    for (const auto& record : HDRShader::sharedObjects().programs) {
        EXPECT_EQ(0u, record.program);
    }
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(GBufferTest, AViewWithNothingQueuedShowsEmptyListAndDrawsOn) {
    registerPasses();
    std::vector<std::string> shown;
    const auto previous = Zem::Main::setMessageBoxHandler(
        [&shown](const std::string& caption, const std::string& text, Zem::Main::MessageIcon) {
            shown.push_back("[" + caption + "] " + text);
        });
    renderFrame({});
    Zem::Main::setMessageBoxHandler(previous);
    EXPECT_EQ(std::vector<std::string>{"[] Empty list!"}, shown);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(GBufferTest, ReportGLErrorsNamesThePassAndDrainsTheQueue) {
    EXPECT_TRUE(Zem::Graphics::reportGLErrors("Clean"));
    glEnable(0xFFFF); // GL_INVALID_ENUM
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Zem::Graphics::reportGLErrors("GBufferShader"));
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, text.find("0x0500 in GBufferShader")) << text;
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

using LinkProgramTest = ZemTest::DeferredTest;

TEST_F(LinkProgramTest, LinksCachedObjectsOrGivesProgramZero) {
    // gbuf-1p.glfp calls functions only the pass's companion shader defines; an earlier GL error
    // is no link failure.
    const std::tuple<const char*, bool, bool> cases[] = {{"shaders/hdr_compose.glfp", false, true},
                                                         {"shaders/gbuf-1p.glfp", false, false},
                                                         {"shaders/hdr_compose.glfp", true, true}};
    for (const auto& [fragment, pendingError, links] : cases) {
        SCOPED_TRACE(fragment);
        if (pendingError) {
            glEnable(0xFFFF);
        }
        Zem::Graphics::ProgramRecord record;
        record.program = 77;
        testing::internal::CaptureStderr();
        EXPECT_EQ(links, Zem::Graphics::linkProgram(record, "shaders/gbuf-1p.glvp", fragment,
                                                    "test pass"));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(links, record.program != 0u);
        EXPECT_EQ(links, said.empty()) << said;
        if (!links) {
            EXPECT_EQ(said.rfind("test pass: no program from shaders/gbuf-1p.glvp and "
                                 "shaders/gbuf-1p.glfp: it does not link",
                                 0),
                      0u)
                << said;
        }
        glDeleteProgram(record.program);
    }
}

class LightPassTest : public ZemTest::DeferredTest {
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

    ZemTest::TestPanel wall{20.0f, Vector3(1.0f, 1.0f, 1.0f)}; // across the whole view
};

TEST_F(LightPassTest, SendsRadiusAndColourTimesThirty) {
    // Without the HDR pass, whose quads send texture coordinates of their own afterwards.
    ASSERT_TRUE(ShaderRegistry::instance().reset());
    ShaderRegistry::instance().registerFactory(
        std::make_unique<GBufferShader::Factory>(GBufferShader::passId, 1000));
    ShaderRegistry::instance().registerFactory(
        std::make_unique<LightShader::Factory>(LightShader::passId, 2000));
    Light light(xmlElement("<Light><color>0.5 0 2</color><radius>3</radius>"
                           "<position>0 0 -4</position></Light>"));
    // Channels 6 to 8 read the colour, 9 the radius, 10 nothing.
    const float channels[] = {0.5f, 0.0f, 2.0f, 3.0f, 0.0f};
    for (unsigned i = 0; i < 5; ++i) {
        EXPECT_EQ(channels[i], light.getChannel(6 + i)) << 6 + i;
    }
    renderFrame({&wall, &light});

    std::array<float, 4> sent{};
    glActiveTexture(GL_TEXTURE1);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, sent.data());
    EXPECT_EQ((std::array<float, 4>{15.0f, 0.0f, 60.0f, sent[3]}), sent);
    glActiveTexture(GL_TEXTURE0);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, sent.data());
    EXPECT_EQ(3.0f, sent[0]);
    // The program receives it: the lit wall is blue and magenta, never green.
    const auto lit = lightAt(width / 2, height / 2);
    EXPECT_NEAR(4.0f, lit[2] / lit[0], 0.05f);
    EXPECT_EQ(0.0f, lit[1]);
    EXPECT_EQ((std::array<float, 4>{0, 0, 0, 1}), lightAt(5, 5)) << "beyond the radius";
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(LightPassTest, TwoOverlappingLightsAddUp) {
    Light red(xmlElement(
        "<Light><color>1 0 0.5</color><radius>4</radius><position>-0.5 0 -3.5</position></Light>"));
    Light blue(xmlElement(
        "<Light><color>0 0.25 1</color><radius>4</radius><position>0.5 0 -3.5</position></Light>"));
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

TEST_F(LightPassTest, AGlowingSurfaceShowsWithNoLightNearIt) {
    const Light farAway(xmlElement("<Light><radius>1</radius><position>0 0 50</position></Light>"));
    for (const float glow : {0.0f, 2.0f}) {
        wall.glow = Vector3(glow, glow, glow);
        renderFrame({&wall, const_cast<Light*>(&farAway)});
        const auto light = lightAt(width / 2, height / 2);
        const auto shown = ZemTest::ImageCapture::readFramebuffer(0, 0, 1, 1).pixel(0, 0);
        if (glow == 0.0f) {
            EXPECT_EQ(0.0f, light[0]) << "nothing lights a matt wall";
            EXPECT_EQ((std::array<std::uint8_t, 3>{0, 0, 0}), shown);
        } else {
            EXPECT_GT(light[0], 0.0f) << "the glow is in the light image";
            EXPECT_EQ(light[0], light[2]);
            EXPECT_GT(int(shown[0]) + shown[1] + shown[2], 3 * 40) << "and on screen";
        }
    }
}

// A light shades only the pixels whose surface may lie in its reach, found by depth tests, so
// the reach must come out whole wherever the eye and the wall are: the eye inside it, the light
// in front of the wall, the light behind it (its reach poking through), and a reach that stops
// short of the wall.
TEST_F(LightPassTest, LightsExactlyTheWallInsideItsReach) {
    struct Case {
        const char* name;
        Vector3 centre;
        float radius;
    };
    const Case cases[] = {{"eye inside the reach", Vector3(0.0f, 0.0f, -1.0f), 6.0f},
                          {"in front of the wall", Vector3(1.0f, 0.5f, -4.0f), 3.0f},
                          {"behind the wall", Vector3(-1.0f, 0.0f, -6.0f), 2.5f},
                          {"short of the wall", Vector3(0.0f, 0.0f, -2.0f), 2.5f}};
    // The view's half extent at distance 1 (80 degrees high, 4:3).
    const float halfHeight = std::tan(40.0f * 3.14159265f / 180.0f);
    const float halfWidth = halfHeight * 4.0f / 3.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string xml = "<Light><color>1 1 1</color><radius>" + std::to_string(c.radius) +
                                "</radius><position>" + std::to_string(c.centre.x) + " " +
                                std::to_string(c.centre.y) + " " + std::to_string(c.centre.z) +
                                "</position></Light>";
        Light light(xmlElement(xml));
        renderFrame({&wall, &light});
        const std::vector<float> image =
            readTexture(LightShader::sharedObjects().lightTarget, width, height);
        int lit = 0;
        for (int y = 4; y < height; y += 8) {
            for (int x = 4; x < width; x += 8) {
                const float nx = (static_cast<float>(x) + 0.5f) / width * 2.0f - 1.0f;
                const float ny = (static_cast<float>(y) + 0.5f) / height * 2.0f - 1.0f;
                const Vector3 onWall(nx * halfWidth * 5.0f, ny * halfHeight * 5.0f, -5.0f);
                const float reach = (onWall - c.centre).length() / c.radius;
                const float shown = texel(image, width, x, y)[0];
                if (reach < 0.97f) {
                    EXPECT_GT(shown, 0.0f) << x << ", " << y;
                    ++lit;
                } else if (reach > 1.03f) {
                    EXPECT_EQ(0.0f, shown) << x << ", " << y;
                }
            }
        }
        if (c.centre.z - c.radius > -5.0f) {
            EXPECT_EQ(0, lit);
        } else {
            EXPECT_GT(lit, 20);
        }
    }
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

std::array<int, 2> textureSize(uint32_t texture) {
    std::array<int, 2> size{};
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_ARB, 0, GL_TEXTURE_WIDTH, &size[0]);
    glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_ARB, 0, GL_TEXTURE_HEIGHT, &size[1]);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    return size;
}

TEST_F(LightPassTest, TargetsFollowTheFrameSizeAndTheLightStaysWhereItIs) {
    const Light light(xmlElement("<Light><radius>3</radius><position>0 0 -4</position></Light>"));
    for (const auto& [w, h] : {std::pair{320, 240}, std::pair{800, 450}, std::pair{640, 480}}) {
        ShaderRegistry::instance().setFrameSize(w, h);
        glViewport(0, 0, w, h);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(80.0, double(w) / double(h), 0.1, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        renderFrame({&wall, const_cast<Light*>(&light)});

        const GBufferShader::SharedObjects& gBuffer = GBufferShader::sharedObjects();
        for (uint32_t target :
             {gBuffer.colourTarget, gBuffer.depthStencilTarget, gBuffer.normalTarget,
              gBuffer.aux1Target, gBuffer.aux2Target, LightShader::sharedObjects().lightTarget}) {
            EXPECT_EQ((std::array<int, 2>{w, h}), textureSize(target)) << w << " x " << h;
        }
        // The light in front of the wall's centre lights the middle of the image, not a corner.
        const std::vector<float> image =
            readTexture(LightShader::sharedObjects().lightTarget, w, h);
        EXPECT_GT(texel(image, w, w / 2, h / 2)[0], 0.0f) << w << " x " << h;
        EXPECT_EQ(0.0f, texel(image, w, 2, 2)[0]) << w << " x " << h;
    }
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

// The hall seen through a 1 x 1 window in the vault's wall: the window's view has a wall of its
// own further back and a light near the window, within reach of the vault wall around it.
class WindowLightTest : public LightPassTest {
protected:
    void SetUp() override {
        LightPassTest::SetUp();
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

TEST_F(WindowLightTest, LightsBehindAWindowLeaveTheWallAroundItAsDarkAsWithoutThem) {
    const std::vector<float> dark = renderThroughWindow(false);
    const std::vector<float> lit = renderThroughWindow(true);
    EXPECT_GT(texel(lit, width, width / 2, height / 2)[0], 0.0f) << "the hall is lit";
    // About 57 pixels to a unit at the vault wall: the window spans 29 pixels each way.
    for (const auto& [x, y] :
         {std::pair{width / 2 + 86, height / 2}, std::pair{width / 2 - 60, height / 2},
          std::pair{width / 2, height / 2 + 50}, std::pair{width / 2 + 40, height / 2 - 40}}) {
        EXPECT_EQ(texel(dark, width, x, y), texel(lit, width, x, y))
            << "vault wall at " << x << ", " << y;
    }
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

class HDRTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        registerPasses();
        view.passes = ShaderRegistry::instance().acquire();
    }
    void TearDown() override {
        Zem::Graphics::exposure = 0.18f;
        view.reset();
        DeferredTest::TearDown();
    }
    // The post-process alone, over whatever the light target holds.
    void postProcess() {
        Zem::Graphics::Shader* pass = ShaderRegistry::findPass(view.passes, HDRShader::passId);
        pass->begin();
        pass->draw(view);
        pass->end();
    }
    // Level 5 or 6, a 1 x 1 target: channel 0 adapted, 1 measured.
    static float luminance(int level, int channel) {
        const HDRShader::Target& target = HDRShader::sharedObjects().levels[level];
        return texel(readTexture(target.texture, 1, 1), 1, 0, 0)[channel];
    }
    // Mean brightness of the window's lower-left corner, which the composed image covers.
    static float windowBrightness() {
        const auto pixels = ZemTest::ImageCapture::readFramebuffer(0, 0, 32, 32).data();
        return std::accumulate(pixels.begin(), pixels.end(), 0.0f) / pixels.size();
    }

    Zem::Graphics::View view;
};

TEST_F(HDRTest, LuminanceAlternatesBetweenLevelsFiveAndSixAndTheImageFollowsTheExposure) {
    fillLightTarget(2.0f, 2.0f, 2.0f);
    postProcess();
    EXPECT_NEAR(2.0f, luminance(5, 1), 0.02f);
    EXPECT_NEAR(2.0f, luminance(5, 0), 0.02f) << "the first frame takes the measured value";
    EXPECT_EQ(0.0f, luminance(6, 0));

    fillLightTarget(8.0f, 8.0f, 8.0f);
    postProcess();
    EXPECT_NEAR(2.0f, luminance(5, 1), 0.02f) << "frame 2 leaves level 5 alone";
    EXPECT_NEAR(8.0f, luminance(6, 1), 0.1f);
    const float adapted = luminance(6, 0);
    EXPECT_GT(adapted, 2.0f);
    EXPECT_LT(adapted, 8.0f);
    postProcess();
    EXPECT_GT(luminance(5, 0), adapted);

    fillLightTarget(0.3f, 0.2f, 0.1f);
    postProcess();
    postProcess();
    const float normal = windowBrightness();
    Zem::Graphics::exposure = 0.6f;
    postProcess();
    const float brighter = windowBrightness();
    Zem::Graphics::exposure = 0.05f;
    postProcess();
    EXPECT_GT(normal, 10.0f);
    EXPECT_LT(normal, 245.0f);
    EXPECT_GT(brighter, normal + 10.0f);
    EXPECT_LT(windowBrightness(), normal - 10.0f);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

// A tiny spot far brighter than the dim room around it spreads a soft bloom: bright well beyond
// the spot itself, alike on opposite sides (the image is squeezed into a square, so the bloom is
// narrower up and down), and nothing of it far away. The test window shows the image's
// lower-left 64 x 64 pixels, so the spot is put there.
TEST_F(HDRTest, ABrightSpotBloomsEvenlyAroundItself) {
    const int spot = 32;
    const auto show = [](float spotValue) {
        fillLightTarget(0.05f, 0.05f, 0.05f);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, LightShader::sharedObjects().framebuffer);
        glEnable(GL_SCISSOR_TEST);
        glScissor(spot - 2, spot - 2, 4, 4);
        glClearColor(spotValue, spotValue, spotValue, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glDisable(GL_SCISSOR_TEST);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    };
    const auto grey = [](int x, int y) {
        const auto pixel = ZemTest::ImageCapture::readFramebuffer(x, y, 1, 1).pixel(0, 0);
        return static_cast<int>(pixel[0]);
    };
    // The room as it shows with the spot as dim as the rest, the eye adapted to it.
    show(0.05f);
    postProcess();
    const int room = grey(spot + 16, spot);
    show(200.0f);
    postProcess();

    const int right = grey(spot + 16, spot);
    const int left = grey(spot - 17, spot);
    const int up = grey(spot, spot + 16);
    const int down = grey(spot, spot - 17);
    for (const int side : {right, left, up, down}) {
        EXPECT_GT(side, room + 20);
    }
    EXPECT_NEAR(left, right, 12);
    EXPECT_NEAR(up, down, 12);
    // The bloom image itself, a ninth of a screen and more from the spot.
    const HDRShader::Target& bloom = HDRShader::sharedObjects().blurA;
    const std::vector<float> image = readTexture(bloom.texture, bloom.size, bloom.size);
    EXPECT_GT(texel(image, bloom.size, 4, 5)[0], 1.0f);
    EXPECT_EQ(0.0f, texel(image, bloom.size, 20, 5)[0]);
    EXPECT_EQ(0.0f, texel(image, bloom.size, 4, 30)[0]);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

// Quadrants of grey 1, 4 and 16, and an unlit one: the lit pixels' geometric mean is 4.
TEST_F(HDRTest, ReductionMeasuresTheLitPartsOfAnUnevenImage) {
    fillLightTarget(0.0f, 0.0f, 0.0f);
    const std::array<int, 3> quadrants[] = {{0, 0, 1}, {width / 2, 0, 4}, {0, height / 2, 16}};
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, LightShader::sharedObjects().framebuffer);
    glEnable(GL_SCISSOR_TEST);
    for (const auto& [x, y, grey] : quadrants) {
        glScissor(x, y, width / 2, height / 2);
        glClearColor(float(grey), float(grey), float(grey), 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    postProcess();
    EXPECT_NEAR(4.0f, luminance(5, 1), 0.1f);
    EXPECT_NEAR(16.0f, luminance(5, 2), 0.01f) << "the peak";
}

} // namespace
