#pragma once

#include "graphics/GBufferShader.h"
#include "graphics/Vector3.h"
#include "main/Game.h"
#include "resource/BMPLoader.h"
#include "resource/OBJLoader.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/DeferredScene.h"

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace EffectTest {

// A game that only holds the entities and factories of a test. Entities built while it lives
// list themselves in it and are deleted with it.
class EffectGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return true; }
    bool shutdown() override { return true; }
};

// The element a world file would hold, parsed from its XML text.
inline Zem::Resource::XmlNode element(const std::string& xml) {
    return Zem::Resource::XmlNode(xml);
}

// The deferred passes as the demo registers them, with meshes and textures loaded from data/.
// The camera stands at the origin looking down -z through the display's 80-degree projection.
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
    static Pixel pixelOf(const Zem::Graphics::Vector3& eyePoint) {
        const double focal = 1.0 / std::tan(40.0 * 3.14159265358979 / 180.0);
        const double aspect = static_cast<double>(width) / height;
        const double x = focal / aspect * eyePoint.x / -eyePoint.z;
        const double y = focal * eyePoint.y / -eyePoint.z;
        return {static_cast<int>((x + 1.0) * 0.5 * width),
                static_cast<int>((y + 1.0) * 0.5 * height)};
    }

    static std::vector<float> albedoImage() {
        return readTexture(Zem::Graphics::GBufferShader::sharedObjects().colourTarget, width,
                           height);
    }
    static std::vector<float> glowImage() {
        return readTexture(Zem::Graphics::GBufferShader::sharedObjects().aux2Target, width, height);
    }

    static std::array<float, 4> at(const std::vector<float>& image, Pixel p) {
        return texel(image, width, p.x, p.y);
    }
    static bool lit(const std::vector<float>& image, Pixel p) {
        const auto value = at(image, p);
        return value[0] > 0.0f || value[1] > 0.0f || value[2] > 0.0f;
    }
    // Lit pixels in the rectangle from `low` to `high`, both included.
    static int litCount(const std::vector<float>& image, Pixel low, Pixel high) {
        int count = 0;
        for (int y = low.y; y <= high.y; ++y) {
            for (int x = low.x; x <= high.x; ++x) {
                count += lit(image, {x, y}) ? 1 : 0;
            }
        }
        return count;
    }

    Zem::Resource::OBJLoader objLoader;
    Zem::Resource::BMPLoader bmpLoader;
};

} // namespace EffectTest
