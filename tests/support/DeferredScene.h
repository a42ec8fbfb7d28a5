#pragma once

#include "graphics/Vector3.h"
#include "graphics/View.h"
#include "main/BaseEntity.h"
#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "support/GLContext.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ZemTest {

// A flat square facing +z in its own frame, with a material and a tangent frame, drawn the
// way the mesh drawing hands a surface to the geometry pass.
class TestPanel : public Zem::Main::BaseEntity {
public:
    TestPanel(float halfSize, const Zem::Graphics::Vector3& diffuse);
    void draw() override;

    float halfSize;
    Zem::Graphics::Vector3 diffuse;
    Zem::Graphics::Vector3 specular;
    Zem::Graphics::Vector3 ambient;
    float shininess = 1.0f;
};

// The state the deferred passes run in: the shared GL context with the display's viewport
// and projection, the GLSL loaders searching "data/" (or another directory), an empty pass
// registry, and no pass GPU objects left from an earlier test.
class DeferredTest : public GLTest {
public:
    // The GL state of a fresh context, for the tests that run after.
    static void restoreDefaultState();

protected:
    void SetUp() override;
    void TearDown() override;

    // Resets the resource manager to search only `directory` (ending in "/").
    void searchShadersIn(const std::string& directory);
    // Registers the three passes as the demo does.
    void registerPasses();

    // A root view looking down -z from the origin, with a pass set, the entities submitted.
    void prepareView(Zem::Graphics::View& root, const std::vector<Zem::Main::Entity*>& entities);
    // Every pass over the view, then the view's sets given back.
    void renderFrame(const std::vector<Zem::Main::Entity*>& entities);

    // RGBA floats of a rectangle texture, row by row from the bottom.
    static std::vector<float> readTexture(uint32_t texture, int width, int height);
    static std::array<float, 4> texel(const std::vector<float>& image, int width, int x, int y);
    // Fills the light pass's target with one colour, as if the lights had drawn it.
    static void fillLightTarget(float red, float green, float blue);

    static void releasePassObjects();

    Zem::Resource::GLSLVertexProgramLoader vertexLoader;
    Zem::Resource::GLSLFragmentProgramLoader fragmentLoader;
};

} // namespace ZemTest
