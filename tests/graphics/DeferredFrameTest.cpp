#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/Light.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/registerDeferredPasses.h"
#include "resource/ResourceManager.h"
#include "support/DeferredScene.h"
#include "support/ReportRecorder.h"
#include "support/SceneFixtures.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

namespace {

using Zem::Graphics::GBufferShader;
using Zem::Graphics::HDRShader;
using Zem::Graphics::Light;
using Zem::Graphics::LightShader;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::Vector3;

// The three passes over a wall across the whole view, 5 units ahead.
class DeferredFrameTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        wall.position = Vector3(0.0f, 0.0f, -5.0f);
    }
    // Two frames with no shader file to be found.
    void renderWithoutShaderFiles() {
        searchShadersIn(empty.path() + "/");
        registerPasses();
        renderFrame({&wall});
        renderFrame({&wall});
    }
    // A frame of the given size with a light in front of the wall's centre.
    void renderAtSize(int w, int h) {
        ShaderRegistry::instance().setFrameSize(w, h);
        glViewport(0, 0, w, h);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(80.0, double(w) / double(h), 0.1, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        renderFrame({&wall, &light});
    }
    static std::array<int, 2> textureSize(uint32_t texture) {
        std::array<int, 2> size{};
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_ARB, 0, GL_TEXTURE_WIDTH, &size[0]);
        glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_ARB, 0, GL_TEXTURE_HEIGHT, &size[1]);
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
        return size;
    }
    // The reports that name the file.
    long reportsNaming(const std::string& file) const {
        return std::count_if(reports.lines.begin(), reports.lines.end(), [&](const auto& line) {
            return line.find(file) != std::string::npos;
        });
    }

    ZemTest::TempDir empty;
    ZemTest::TestPanel wall{20.0f, Vector3(1.0f, 1.0f, 1.0f)};
    Light light{
        ZemTest::xmlElement("<Light><radius>3</radius><position>0 0 -4</position></Light>")};
    ZemTest::ReportRecorder reports;
    const std::pair<int, int> sizes[3] = {{320, 240}, {800, 450}, {640, 480}};
};

// What a maker's data must hold for the frame to be drawn as designed, which --check looks for
// where it cannot compile.
TEST_F(DeferredFrameTest, ThePassesLinkExactlyTheProgramFilesListedForThem) {
    registerPasses();
    renderFrame({&wall});
    std::set<std::string> linked;
    for (const auto& [name, path] : Zem::Resource::ResourceManager::instance().sourceFiles()) {
        const std::string extension = Zem::Resource::ResourceManager::extensionOf(name);
        if (extension == "glvp" || extension == "glfp") {
            linked.insert(name);
        }
    }
    const std::vector<std::string> listed = Zem::Graphics::deferredPassFiles();
    EXPECT_EQ(linked, std::set<std::string>(listed.begin(), listed.end()));
}

TEST_F(DeferredFrameTest, WithoutShaderFilesEveryPassGoesWithoutItsPrograms) {
    renderWithoutShaderFiles();
    EXPECT_EQ(0u, GBufferShader::sharedObjects().program.program);
    EXPECT_EQ(0u, LightShader::sharedObjects().program.program);
    for (const auto& record : HDRShader::sharedObjects().programs) {
        EXPECT_EQ(0u, record.program) << record.vertexFile;
    }
}

TEST_F(DeferredFrameTest, WithoutShaderFilesEachPassReportsTheFilesItGoesWithout) {
    renderWithoutShaderFiles();
    for (const char* name : {"gbuf-1p", "light", "glow", "hdr_downsample1", "hdr_compose"}) {
        EXPECT_GE(reportsNaming("shaders/" + std::string(name) + ".glvp"), 1) << reports.text();
        EXPECT_GE(reportsNaming("shaders/" + std::string(name) + ".glfp"), 1) << reports.text();
    }
}

TEST_F(DeferredFrameTest, AMissingProgramIsReportedOnceHoweverManyFrames) {
    renderWithoutShaderFiles();
    ASSERT_FALSE(reports.lines.empty());
    EXPECT_EQ(reports.lines.size(),
              std::set<std::string>(reports.lines.begin(), reports.lines.end()).size())
        << reports.text();
    EXPECT_EQ(1, reportsNaming("shaders/light.glvp")) << reports.text();
}

TEST_F(DeferredFrameTest, TheTargetsOfTheGeometryAndLightPassesFollowTheFrameSize) {
    registerPasses();
    for (const auto& [w, h] : sizes) {
        renderAtSize(w, h);
        const GBufferShader::SharedObjects& gBuffer = GBufferShader::sharedObjects();
        for (uint32_t target :
             {gBuffer.colourTarget, gBuffer.depthStencilTarget, gBuffer.normalTarget,
              gBuffer.aux1Target, gBuffer.aux2Target, LightShader::sharedObjects().lightTarget}) {
            EXPECT_EQ((std::array<int, 2>{w, h}), textureSize(target)) << w << " x " << h;
        }
    }
}

// The light in front of the wall's centre lights the middle of the image, not a corner.
TEST_F(DeferredFrameTest, ALightStaysWhereItIsInAFrameOfAnotherSize) {
    registerPasses();
    for (const auto& [w, h] : sizes) {
        renderAtSize(w, h);
        const std::vector<float> image =
            readTexture(LightShader::sharedObjects().lightTarget, w, h);
        EXPECT_GT(texel(image, w, w / 2, h / 2)[0], 0.0f) << w << " x " << h;
        EXPECT_EQ(0.0f, texel(image, w, 2, 2)[0]) << w << " x " << h;
    }
}

} // namespace
