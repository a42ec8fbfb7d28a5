#pragma once

#include "graphics/GBufferShader.h"
#include "graphics/Matrix4.h"
#include "graphics/Vector3.h"
#include "main/Game.h"
#include "resource/BMPLoader.h"
#include "resource/OBJLoader.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/DeferredScene.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

namespace EffectTest {

// Holds the entities and factories of a test; entities built while it lives list themselves
// in it and are deleted with it.
class EffectGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return true; }
    bool shutdown() override { return true; }
};

inline Zem::Resource::XmlNode element(const std::string& xml) {
    return Zem::Resource::XmlNode(xml);
}

inline void expectMatrixNear(const Zem::Graphics::Matrix4& actual,
                             const Zem::Graphics::Matrix4& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
    }
}

// What `action` prints to standard output.
template <typename Action> std::string printedBy(Action&& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// Leaves out each key in turn, the others set to 1: the factory must build nothing, leave
// nothing in the game and say which key the element lacks.
template <class Factory>
void expectEveryKeyRequired(const std::string& type, std::initializer_list<std::string> keys) {
    const std::size_t entityCount = Zem::Main::currentGame->entities.size();
    for (const std::string& missing : keys) {
        std::string xml = "<entity name='e'>";
        for (const std::string& key : keys) {
            xml += key == missing ? "" : "<" + key + ">1</" + key + ">";
        }
        bool made = true;
        const std::string said =
            printedBy([&] { made = Factory().create(element(xml + "</entity>")) != nullptr; });
        EXPECT_FALSE(made) << missing;
        EXPECT_NE(said.find(type + " \"e\": no \"" + missing + "\" setting"), std::string::npos)
            << said;
    }
    EXPECT_EQ(Zem::Main::currentGame->entities.size(), entityCount);
}

// The deferred passes as the demo registers them, with meshes and textures from data/. The
// camera stands at the origin looking down -z through the display's 80-degree projection.
class EffectSceneTest : public ZemTest::DeferredTest {
protected:
    static constexpr int width = Zem::Graphics::GBufferShader::targetWidth;
    static constexpr int height = Zem::Graphics::GBufferShader::targetHeight;

    struct Pixel {
        int x;
        int y;
    };

    void SetUp() override {
        DeferredTest::SetUp();
        auto& resources = Zem::Resource::ResourceManager::instance();
        resources.addSearchPath("data/textures/");
        resources.registerLoader(&objLoader);
        resources.registerLoader(&bmpLoader);
        registerPasses();
    }

    // Where a point of eye space lands in the targets, rows counted from the bottom.
    static Pixel pixelOf(const Zem::Graphics::Vector3& eye) {
        const double focal = 1.0 / std::tan(40.0 * 3.14159265358979 / 180.0);
        const double x = focal * height / width * eye.x / -eye.z;
        const double y = focal * eye.y / -eye.z;
        return {static_cast<int>((x + 1.0) * 0.5 * width),
                static_cast<int>((y + 1.0) * 0.5 * height)};
    }

    // The G-buffer's albedo (or, with glow, its emissive) target after renderFrame.
    static std::vector<float> image(bool glow = false) {
        const auto& targets = Zem::Graphics::GBufferShader::sharedObjects();
        return readTexture(glow ? targets.aux2Target : targets.colourTarget, width, height);
    }
    static std::array<float, 4> at(const std::vector<float>& image, Pixel p) {
        return texel(image, width, p.x, p.y);
    }
    static bool lit(const std::vector<float>& image, Pixel p) {
        const auto value = at(image, p);
        return value[0] > 0.0f || value[1] > 0.0f || value[2] > 0.0f;
    }
    // Lit pixels within `reach` of `centre` along both axes.
    static int litAround(const std::vector<float>& image, Pixel centre, int reach) {
        int count = 0;
        for (int y = centre.y - reach; y <= centre.y + reach; ++y) {
            for (int x = centre.x - reach; x <= centre.x + reach; ++x) {
                count += lit(image, {x, y}) ? 1 : 0;
            }
        }
        return count;
    }

    // Renders the entities; each of `litPoints` (in eye space) must then show in the albedo
    // target and none of `darkPoints`.
    void expectDrawnAt(const std::vector<Zem::Main::Entity*>& entities,
                       std::initializer_list<Zem::Graphics::Vector3> litPoints,
                       std::initializer_list<Zem::Graphics::Vector3> darkPoints) {
        renderFrame(entities);
        const auto albedo = image();
        for (const auto& p : litPoints) {
            EXPECT_TRUE(lit(albedo, pixelOf(p))) << p.x << " " << p.y << " " << p.z;
        }
        for (const auto& p : darkPoints) {
            EXPECT_FALSE(lit(albedo, pixelOf(p))) << p.x << " " << p.y << " " << p.z;
        }
        EXPECT_EQ(glGetError(), 0u);
    }

    Zem::Resource::OBJLoader objLoader;
    Zem::Resource::BMPLoader bmpLoader;
};

} // namespace EffectTest
