#pragma once

#include "graphics/GBufferShader.h"
#include "graphics/Vector3.h"
#include "main/Entity.h"
#include "main/Room.h"
#include "resource/BMPLoader.h"
#include "resource/OBJLoader.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/DeferredScene.h"
#include "support/SceneFixtures.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace EffectTest {

// The demo's passes and data/ with a room "hall"; the eye at the origin looks down -z, 80
// degrees wide.
class EffectRenderTest : public ZemTest::DeferredTest {
protected:
    static constexpr int width = Zem::Graphics::GBufferShader::targetWidth;
    static constexpr int height = Zem::Graphics::GBufferShader::targetHeight;

    void SetUp() override {
        DeferredTest::SetUp();
        auto& resources = Zem::Resource::ResourceManager::instance();
        resources.addSearchPath("data/textures/");
        resources.registerLoader(&objLoader);
        resources.registerLoader(&bmpLoader);
        registerPasses();
        new Zem::Main::Room(Zem::Resource::XmlNode("<entity name='hall'/>"));
    }
    // The entities hold meshes and textures: they go before the passes and resources do.
    void TearDown() override {
        game.reset();
        DeferredTest::TearDown();
    }

    // The G-buffer texel (albedo, or emissive) that a point of eye space lands on.
    static std::array<float, 4> texelAt(const Zem::Graphics::Vector3& eye, bool glow = false) {
        const double focal = 1.0 / std::tan(40.0 * 3.14159265358979 / 180.0);
        const int x = static_cast<int>((focal * height / width * eye.x / -eye.z + 1.0) * width / 2);
        const int y = static_cast<int>((focal * eye.y / -eye.z + 1.0) * height / 2);
        const auto& targets = Zem::Graphics::GBufferShader::sharedObjects();
        return texel(readTexture(glow ? targets.aux2Target : targets.colourTarget, width, height),
                     width, x, y);
    }
    // Draws the entities, then expects something at each lit point and nothing at the dark ones.
    void expectDrawnAt(const std::vector<Zem::Main::Entity*>& entities,
                       std::initializer_list<Zem::Graphics::Vector3> litPoints,
                       std::initializer_list<Zem::Graphics::Vector3> darkPoints) {
        renderFrame(entities);
        for (const auto& [points, shown] : {std::pair{litPoints, true}, {darkPoints, false}}) {
            for (const Zem::Graphics::Vector3& p : points) {
                const auto value = texelAt(p);
                EXPECT_EQ(value[0] + value[1] + value[2] > 0.0f, shown)
                    << p.x << " " << p.y << " " << p.z;
            }
        }
    }
    static std::array<GLfloat, 4> material(GLenum what) {
        std::array<GLfloat, 4> value{};
        glGetMaterialfv(GL_FRONT, what, value.data());
        return value;
    }

    Zem::Resource::OBJLoader objLoader;
    Zem::Resource::BMPLoader bmpLoader;
    std::unique_ptr<ZemTest::SceneGame> game = std::make_unique<ZemTest::SceneGame>();
};

} // namespace EffectTest
