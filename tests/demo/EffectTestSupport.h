#pragma once

#include "graphics/Matrix4.h"
#include "main/Game.h"
#include "resource/XmlNode.h"
#include "support/ReportRecorder.h"
#include "support/mentions.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace EffectTest {

using ZemTest::mentions;
using ZemTest::reportedBy;

// The entity a type's factory builds from `xml`, or null.
template <class T> T* make(const std::string& xml) {
    return dynamic_cast<T*>(typename T::Factory().create(Zem::Resource::XmlNode(xml)));
}

// An entity named "e" with the given settings.
template <class T> T* named(const std::string& settings) {
    return make<T>("<entity name='e'>" + settings + "</entity>");
}

inline void expectMatrixNear(const Zem::Graphics::Matrix4& actual,
                             const Zem::Graphics::Matrix4& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
    }
}

// Leaves out each key in turn: nothing is built, and the report names the entity and the key.
template <class T> void expectEveryKeyRequired(std::initializer_list<std::string> keys) {
    const std::size_t entityCount = Zem::Main::currentGame->entities.size();
    for (const std::string& missing : keys) {
        SCOPED_TRACE(missing);
        std::string settings;
        for (const std::string& key : keys) {
            settings += key == missing ? "" : "<" + key + ">1</" + key + ">";
        }
        bool made = true;
        const std::string said = reportedBy([&] { made = named<T>(settings) != nullptr; });
        EXPECT_FALSE(made);
        EXPECT_TRUE(mentions(said, {"\"e\"", "\"" + missing + "\""})) << said;
    }
    EXPECT_EQ(Zem::Main::currentGame->entities.size(), entityCount);
}

// What building a T named "big" from `settings` reported; `made` is what was built, or null.
template <class T> std::string reportedBuilding(const std::string& settings, T*& made) {
    return reportedBy([&] { made = make<T>("<entity name='big'>" + settings + "</entity>"); });
}

} // namespace EffectTest
