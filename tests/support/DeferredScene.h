#pragma once

#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/Vector3.h"
#include "graphics/View.h"
#include "graphics/registerDeferredPasses.h"
#include "main/BaseEntity.h"
#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/GLContext.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ZemTest {

// The passes' GPU objects released: the next user of the context makes them anew.
inline void releasePassObjects() {
    Zem::Graphics::GBufferShader::releaseSharedObjects();
    Zem::Graphics::LightShader::releaseSharedObjects();
    Zem::Graphics::HDRShader::releaseSharedObjects();
}

// A flat square facing +z, matt, untextured and not glowing unless asked, with a tangent frame as a
// mesh group has.
class TestPanel : public Zem::Main::BaseEntity {
public:
    TestPanel(float halfSize, const Zem::Graphics::Vector3& diffuse)
        : BaseEntity(Zem::Resource::XmlNode("<Entity name='panel'/>")), halfSize(halfSize),
          diffuse(diffuse) {}

    void draw() override {
        const GLfloat ambient[4] = {glow.x, glow.y, glow.z, 0.0f};
        const GLfloat colour[4] = {diffuse.x, diffuse.y, diffuse.z, 0.0f};
        const GLfloat noShine[4] = {0.0f, 0.0f, 0.0f, 1.0f}; // alpha: the specular exponent
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, noShine);
        for (GLenum unit = GL_TEXTURE3; unit >= GL_TEXTURE0; --unit) {
            glActiveTexture(unit);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        glNormal3f(0.0f, 0.0f, 1.0f);
        glMultiTexCoord3f(GL_TEXTURE1, 1.0f, 0.0f, 0.0f);
        glMultiTexCoord3f(GL_TEXTURE2, 0.0f, 1.0f, 0.0f);
        const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        glBegin(GL_QUADS);
        for (const auto& [u, v] : corners) {
            glMultiTexCoord2f(GL_TEXTURE0, u, v);
            glVertex3f((2 * u - 1) * halfSize, (2 * v - 1) * halfSize, 0.0f);
        }
        glEnd();
    }

    float halfSize;
    Zem::Graphics::Vector3 diffuse;
    // The material's ambient term: light the panel gives off by itself.
    Zem::Graphics::Vector3 glow;
};

// The shared context in the display's 640 x 480 state, the GLSL loaders searching "data/", an
// empty pass registry and no pass GPU objects left from an earlier test.
class DeferredTest : public GLTest {
public:
    // The state of a fresh context, for the tests that run after.
    static void restoreDefaultState() {
        glViewport(0, 0, GLContext::shared().width(), GLContext::shared().height());
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
        glDisable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDisable(GL_TEXTURE_2D);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    }

    // RGBA floats of a rectangle texture, rows from the bottom.
    static std::vector<float> readTexture(uint32_t texture, int width, int height) {
        std::vector<float> image(static_cast<std::size_t>(width * height * 4));
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
        glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_FLOAT, image.data());
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
        return image;
    }
    static std::array<float, 4> texel(const std::vector<float>& image, int width, int x, int y) {
        const std::size_t at = static_cast<std::size_t>((y * width + x) * 4);
        return {image[at], image[at + 1], image[at + 2], image[at + 3]};
    }

protected:
    void SetUp() override {
        GLTest::SetUp();
        while (glGetError() != GL_NO_ERROR) {
        }
        releasePassObjects();
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset()) << "a view holds a pass set";
        searchShadersIn("data/");
        glViewport(0, 0, 640, 480);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(80.0, 640.0 / 480.0, 0.1, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }
    // Every test ends without a GL error left.
    void TearDown() override {
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
        Zem::Graphics::ShaderRegistry::instance().reset();
        releasePassObjects();
        Zem::Resource::ResourceManager::instance().reset();
        restoreDefaultState();
    }

    // Resets the resource manager to search only `directory` (ending in "/").
    void searchShadersIn(const std::string& directory) {
        Zem::Resource::ResourceManager& resources = Zem::Resource::ResourceManager::instance();
        resources.reset();
        resources.addSearchPath(directory);
        resources.registerLoader(&vertexLoader);
        resources.registerLoader(&fragmentLoader);
    }
    void registerPasses() { Zem::Graphics::registerDeferredPasses(); }
    // Every pass over a root view at the origin looking down -z, with the entities submitted.
    void renderFrame(const std::vector<Zem::Main::Entity*>& entities) {
        Zem::Graphics::View root;
        root.passes = Zem::Graphics::ShaderRegistry::instance().acquire();
        for (Zem::Main::Entity* entity : entities) {
            entity->submit(root);
        }
        Zem::Graphics::drawTree(root);
    }

    // Fills the light pass's target with one colour, as if the lights had drawn it.
    static void fillLightTarget(float red, float green, float blue) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT,
                             Zem::Graphics::LightShader::sharedObjects().framebuffer);
        glClearColor(red, green, blue, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    }

    Zem::Resource::GLSLVertexProgramLoader vertexLoader;
    Zem::Resource::GLSLFragmentProgramLoader fragmentLoader;
};

} // namespace ZemTest
