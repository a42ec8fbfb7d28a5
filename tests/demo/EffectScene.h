#pragma once

#include "graphics/Matrix4.h"
#include "main/Game.h"
#include "resource/XmlNode.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace EffectTest {

// Entities built while it lives list themselves in it and are deleted with it.
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

template <typename Action> std::string printedBy(Action&& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// Leaves out each key in turn: nothing is built and the message names the key.
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

} // namespace EffectTest
