#include "graphics/HDRShader.h"
#include "graphics/HDRSettings.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "graphics/registerDeferredPasses.h"
#include "support/DeferredScene.h"
#include "support/ImageCapture.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <vector>

namespace {

using Zem::Graphics::HDRShader;
using Zem::Graphics::LightShader;
using Zem::Graphics::ShaderRegistry;

constexpr int width = 640;
constexpr int height = 480;

// The post-process alone, over whatever the light target holds.
class HDRShaderTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        registerPasses();
        view.passes = ShaderRegistry::instance().acquire();
    }
    void TearDown() override {
        Zem::Graphics::exposure = 0.18f;
        Zem::Graphics::bloomScale = 1.0f;
        view.reset();
        DeferredTest::TearDown();
    }
    void postProcess() {
        Zem::Graphics::Shader* pass = ShaderRegistry::findPass(view.passes, HDRShader::passId);
        pass->begin();
        pass->draw(view);
        pass->end();
    }
    void frameOf(float grey) {
        fillLightTarget(grey, grey, grey);
        postProcess();
    }
    // Level 5 or 6, a 1 x 1 target: channel 0 adapted, 1 measured, 2 the peak.
    static float luminance(int level, int channel) {
        const HDRShader::Target& target = HDRShader::sharedObjects().levels[level];
        return texel(readTexture(target.texture, 1, 1), 1, 0, 0)[channel];
    }
    // Mean brightness of the window's lower-left corner, which the composed image covers.
    static float windowBrightness() {
        const auto pixels = ZemTest::ImageCapture::readFramebuffer(0, 0, 32, 32).data();
        return std::accumulate(pixels.begin(), pixels.end(), 0.0f) / pixels.size();
    }
    // The brightness of a dim image after two frames at the usual exposure, then of one more
    // frame at `exposure`.
    std::pair<float, float> brightnessAtExposure(float exposure) {
        fillLightTarget(0.3f, 0.2f, 0.1f);
        postProcess();
        postProcess();
        const float usual = windowBrightness();
        EXPECT_GT(usual, 10.0f);
        EXPECT_LT(usual, 245.0f);
        Zem::Graphics::exposure = exposure;
        postProcess();
        return {usual, windowBrightness()};
    }
    // A tiny spot far brighter than the dim room around it, in the lower-left 64 x 64 pixels
    // the test window shows; the room is first shown as it looks with the spot as dim as the
    // rest, the eye adapted to it.
    void showBrightSpot() {
        showSpot(0.05f);
        postProcess();
        room = grey(spot + 16, spot);
        showSpot(200.0f);
        postProcess();
    }
    static void showSpot(float spotValue) {
        fillLightTarget(0.05f, 0.05f, 0.05f);
        fillLightRect(spot - 2, spot - 2, 4, 4, spotValue);
    }
    // A rectangle of the light target in one grey, the rest left as it is.
    static void fillLightRect(int x, int y, int w, int h, float value) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, LightShader::sharedObjects().framebuffer);
        glEnable(GL_SCISSOR_TEST);
        glScissor(x, y, w, h);
        glClearColor(value, value, value, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glDisable(GL_SCISSOR_TEST);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    }
    static int grey(int x, int y) {
        return ZemTest::ImageCapture::readFramebuffer(x, y, 1, 1).pixel(0, 0)[0];
    }
    // Quadrants of grey 1, 4 and 16, and an unlit one: the lit pixels' geometric mean is 4.
    void reduceQuadrants() {
        fillLightTarget(0.0f, 0.0f, 0.0f);
        const std::array<int, 3> quadrants[] = {{0, 0, 1}, {width / 2, 0, 4}, {0, height / 2, 16}};
        for (const auto& [x, y, value] : quadrants) {
            fillLightRect(x, y, width / 2, height / 2, float(value));
        }
        postProcess();
    }

    // The pass made anew, its compose program linked without the edge filter.
    void composeWithoutEdgeFilter() {
        view.reset();
        ASSERT_TRUE(ShaderRegistry::instance().reset());
        ZemTest::releasePassObjects();
        Zem::Graphics::registerDeferredPasses(false);
        view.passes = ShaderRegistry::instance().acquire();
    }
    // Starts the passes over from a copy of the shipped shaders without one program.
    void useShadersWithout(const std::string& program) {
        std::filesystem::create_directory(folder.file("shaders"));
        for (const auto& entry : std::filesystem::directory_iterator("data/shaders")) {
            if (entry.path().stem() != program) {
                std::filesystem::copy_file(entry.path(),
                                           folder.file("shaders") / entry.path().filename());
            }
        }
        view.reset();
        ZemTest::releasePassObjects();
        ShaderRegistry::instance().reset();
        searchShadersIn(folder.path() + "/");
        registerPasses();
        view.passes = ShaderRegistry::instance().acquire();
    }
    ZemTest::TempDir folder;
    // A shallow staircase in the lower-left corner, without bloom: a step up of one pixel every
    // four columns, lit 0.4 over a room of 0.05. The pixels whose grey lies between the two
    // (a margin apart from either) are counted.
    int inBetweenShadesOfAStaircase() {
        Zem::Graphics::bloomScale = 0.0f;
        fillLightTarget(0.05f, 0.05f, 0.05f);
        for (int step = 0; step < 16; ++step) {
            fillLightRect(4 * step, 0, 4, 16 + step, 0.4f);
        }
        postProcess();
        const int dark = grey(60, 60);
        const int lit = grey(2, 2);
        EXPECT_GT(lit, dark + 40);
        const auto picture = ZemTest::ImageCapture::readFramebuffer(0, 0, 64, 40);
        int between = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const int g = picture.pixel(x, y)[0];
                between += g > dark + 8 && g < lit - 8 ? 1 : 0;
            }
        }
        return between;
    }

    static constexpr int spot = 32;
    Zem::Graphics::View view;
    int room = 0;
};

TEST_F(HDRShaderTest, TheFirstFrameMeasuresTheImageIntoLevelFive) {
    frameOf(2.0f);
    EXPECT_NEAR(2.0f, luminance(5, 1), 0.02f);
}

TEST_F(HDRShaderTest, TheFirstFrameTakesTheMeasuredLuminanceAsAdapted) {
    frameOf(2.0f);
    EXPECT_NEAR(2.0f, luminance(5, 0), 0.02f);
}

TEST_F(HDRShaderTest, TheFirstFrameLeavesLevelSixAlone) {
    frameOf(2.0f);
    EXPECT_EQ(0.0f, luminance(6, 0));
}

TEST_F(HDRShaderTest, TheSecondFrameMeasuresIntoLevelSixAndLeavesLevelFiveAlone) {
    frameOf(2.0f);
    frameOf(8.0f);
    EXPECT_NEAR(2.0f, luminance(5, 1), 0.02f);
    EXPECT_NEAR(8.0f, luminance(6, 1), 0.1f);
}

TEST_F(HDRShaderTest, TheAdaptedLuminanceMovesPartWayTowardsTheMeasuredOne) {
    frameOf(2.0f);
    frameOf(8.0f);
    EXPECT_GT(luminance(6, 0), 2.0f);
    EXPECT_LT(luminance(6, 0), 8.0f);
}

TEST_F(HDRShaderTest, TheThirdFrameAdaptsFurtherInLevelFive) {
    frameOf(2.0f);
    frameOf(8.0f);
    const float adapted = luminance(6, 0);
    postProcess();
    EXPECT_GT(luminance(5, 0), adapted);
}

TEST_F(HDRShaderTest, AHigherExposureBrightensTheImage) {
    const auto [usual, shown] = brightnessAtExposure(0.6f);
    EXPECT_GT(shown, usual + 10.0f);
}

TEST_F(HDRShaderTest, ABrightSpotBrightensTheRoomAllAroundIt) {
    showBrightSpot();
    for (const auto& [x, y] : {std::pair{spot + 16, spot}, std::pair{spot - 17, spot},
                               std::pair{spot, spot + 16}, std::pair{spot, spot - 17}}) {
        EXPECT_GT(grey(x, y), room + 20) << x << ", " << y;
    }
}

// The image is squeezed into a square, so the bloom is narrower up and down.
TEST_F(HDRShaderTest, TheBloomIsAlikeOnOppositeSidesOfTheSpot) {
    showBrightSpot();
    EXPECT_NEAR(grey(spot - 17, spot), grey(spot + 16, spot), 12);
    EXPECT_NEAR(grey(spot, spot - 17), grey(spot, spot + 16), 12);
}

// The bloom image itself, a ninth of a screen and more from the spot.
TEST_F(HDRShaderTest, TheBloomFadesToNothingAwayFromTheSpot) {
    showBrightSpot();
    const HDRShader::Target& bloom = HDRShader::sharedObjects().blurA;
    const std::vector<float> image = readTexture(bloom.texture, bloom.size, bloom.size);
    EXPECT_GT(texel(image, bloom.size, 4, 5)[0], 1.0f);
    EXPECT_EQ(0.0f, texel(image, bloom.size, 20, 5)[0]);
    EXPECT_EQ(0.0f, texel(image, bloom.size, 4, 30)[0]);
}

// A data folder with only the seven programs of the original has no hdr_shrink; the bloom of a
// spot too small for a plain linear shrink to catch whole must come out as with it.
TEST_F(HDRShaderTest, WithoutHdrShrinkTheBloomIsAsWithIt) {
    showBrightSpot();
    const HDRShader::Target& bloom = HDRShader::sharedObjects().blurA;
    const std::vector<float> withShrink = readTexture(bloom.texture, bloom.size, bloom.size);

    useShadersWithout("hdr_shrink");
    showBrightSpot();
    const std::vector<float> without = readTexture(bloom.texture, bloom.size, bloom.size);
    ASSERT_EQ(without.size(), withShrink.size());
    float largest = 0.0f;
    for (std::size_t i = 0; i < without.size(); i += 4) {
        largest = std::max(largest, std::abs(without[i] - withShrink[i]));
    }
    EXPECT_LT(largest, 0.01f);
}

TEST_F(HDRShaderTest, TheEdgeFilterShadesTheStepsOfAStaircase) {
    EXPECT_GE(inBetweenShadesOfAStaircase(), 16);
}

TEST_F(HDRShaderTest, WithoutTheEdgeFilterAStaircaseKeepsItsTwoShades) {
    composeWithoutEdgeFilter();
    EXPECT_EQ(inBetweenShadesOfAStaircase(), 0);
}

// A data folder from before the edge filter had its own program composes straight onto the
// window.
TEST_F(HDRShaderTest, WithoutHdrEdgeAStaircaseKeepsItsTwoShades) {
    useShadersWithout("hdr_edge");
    EXPECT_EQ(inBetweenShadesOfAStaircase(), 0);
}

// The filter's image is encoded for blending in linear light and decoded by the sampler: away
// from edges the window must show what the compose made of the pixel, not a shade off.
TEST_F(HDRShaderTest, TheEdgeFilterLeavesAFlatAreaItsShade) {
    frameOf(0.2f);
    const int filtered = grey(8, 8);
    composeWithoutEdgeFilter();
    frameOf(0.2f);
    EXPECT_NEAR(grey(8, 8), filtered, 1);
}

TEST_F(HDRShaderTest, TheReductionMeasuresTheGeometricMeanOfTheLitPixels) {
    reduceQuadrants();
    EXPECT_NEAR(4.0f, luminance(5, 1), 0.1f);
}

TEST_F(HDRShaderTest, TheReductionKeepsThePeak) {
    reduceQuadrants();
    EXPECT_NEAR(16.0f, luminance(5, 2), 0.01f);
}

} // namespace
