#include "support/DeferredScene.h"

#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/registerDeferredPasses.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"

#include <GL/glew.h>
#include <GL/glu.h>

namespace ZemTest {

using Zem::Graphics::GBufferShader;
using Zem::Graphics::HDRShader;
using Zem::Graphics::LightShader;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::Vector3;
using Zem::Graphics::View;

TestPanel::TestPanel(float halfSize, const Vector3& diffuse)
    : BaseEntity(Zem::Resource::XmlNode("<Entity name='panel'/>")), halfSize(halfSize),
      diffuse(diffuse) {}

void TestPanel::draw() {
    const GLfloat ambientColour[4] = {ambient.x, ambient.y, ambient.z, 0.0f};
    const GLfloat diffuseColour[4] = {diffuse.x, diffuse.y, diffuse.z, specular.x};
    const GLfloat specularColour[4] = {specular.x, specular.y, specular.z, shininess};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambientColour);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuseColour);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specularColour);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    for (GLenum unit = GL_TEXTURE3; unit >= GL_TEXTURE0; --unit) {
        glActiveTexture(unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    const float h = halfSize;
    glNormal3f(0.0f, 0.0f, 1.0f);
    glMultiTexCoord3f(GL_TEXTURE1, 1.0f, 0.0f, 0.0f);
    glMultiTexCoord3f(GL_TEXTURE2, 0.0f, 1.0f, 0.0f);
    glBegin(GL_QUADS);
    glMultiTexCoord2f(GL_TEXTURE0, 0.0f, 0.0f);
    glVertex3f(-h, -h, 0.0f);
    glMultiTexCoord2f(GL_TEXTURE0, 1.0f, 0.0f);
    glVertex3f(h, -h, 0.0f);
    glMultiTexCoord2f(GL_TEXTURE0, 1.0f, 1.0f);
    glVertex3f(h, h, 0.0f);
    glMultiTexCoord2f(GL_TEXTURE0, 0.0f, 1.0f);
    glVertex3f(-h, h, 0.0f);
    glEnd();
}

void DeferredTest::SetUp() {
    GLTest::SetUp();
    while (glGetError() != GL_NO_ERROR) {
    }
    releasePassObjects();
    ASSERT_TRUE(ShaderRegistry::instance().reset()) << "a view still holds a pass set";
    searchShadersIn("data/");

    // The display driver's and the demo's state for a 640 x 480 window.
    glViewport(0, 0, GBufferShader::targetWidth, GBufferShader::targetHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(80.0, 640.0 / 480.0, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_TEXTURE_2D);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

void DeferredTest::TearDown() {
    ShaderRegistry::instance().reset();
    releasePassObjects();
    Zem::Resource::ResourceManager::instance().reset();
    restoreDefaultState();
}

void DeferredTest::restoreDefaultState() {
    // Tests that share the context expect it as a fresh one starts.
    const int windowWidth = GLContext::shared().width();
    const int windowHeight = GLContext::shared().height();
    glViewport(0, 0, windowWidth, windowHeight);
    glScissor(0, 0, windowWidth, windowHeight);
    glDisable(GL_SCISSOR_TEST);
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

void DeferredTest::searchShadersIn(const std::string& directory) {
    Zem::Resource::ResourceManager& resources = Zem::Resource::ResourceManager::instance();
    resources.reset();
    resources.addSearchPath(directory);
    resources.registerLoader(&vertexLoader);
    resources.registerLoader(&fragmentLoader);
}

void DeferredTest::registerPasses() {
    Zem::Graphics::registerDeferredPasses();
}

void DeferredTest::prepareView(View& root, const std::vector<Zem::Main::Entity*>& entities) {
    root.reset();
    root.passes = ShaderRegistry::instance().acquire();
    for (Zem::Main::Entity* entity : entities) {
        entity->submit(root);
    }
}

void DeferredTest::renderFrame(const std::vector<Zem::Main::Entity*>& entities) {
    View root;
    prepareView(root, entities);
    Zem::Graphics::drawTree(root);
}

std::vector<float> DeferredTest::readTexture(uint32_t texture, int width, int height) {
    std::vector<float> image(static_cast<std::size_t>(width * height * 4));
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_FLOAT, image.data());
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    return image;
}

std::array<float, 4> DeferredTest::texel(const std::vector<float>& image, int width, int x, int y) {
    const std::size_t at = static_cast<std::size_t>((y * width + x) * 4);
    return {image[at], image[at + 1], image[at + 2], image[at + 3]};
}

void DeferredTest::fillLightTarget(float red, float green, float blue) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, LightShader::sharedObjects().framebuffer);
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void DeferredTest::releasePassObjects() {
    GBufferShader::releaseSharedObjects();
    LightShader::releaseSharedObjects();
    HDRShader::releaseSharedObjects();
}

} // namespace ZemTest
