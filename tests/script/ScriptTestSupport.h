#pragma once

#include "main/BaseEntity.h"
#include "resource/XmlNode.h"
#include "script/Music.h"
#include "support/Environment.h"
#include "support/FrameGame.h"
#include "support/ReportRecorder.h"
#include "support/mentions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ScriptTest {

// Headless runs have no sound card; the dummy driver stands in for one.
inline std::unique_ptr<Music> musicAt(const double* nowMs, bool trustDummyDevice = false) {
    ZemTest::setEnvironment("SDL_AUDIODRIVER", "dummy");
    return Music::create([nowMs] { return *nowMs; }, trustDummyDevice);
}

using ZemTest::mentions;
using ZemTest::reportedBy;

// The commands an entity was given, each with the time it was given for.
using Received = std::vector<std::pair<int, std::string>>;

// Keeps every command it is given.
class Recorder : public Zem::Main::BaseEntity {
public:
    using BaseEntity::BaseEntity;
    void command(int time, const Zem::Resource::XmlNode& element) override {
        received.emplace_back(time, element.attribute("command"));
    }
    Received received;
};

} // namespace ScriptTest
