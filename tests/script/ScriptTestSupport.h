#pragma once

#include "main/BaseEntity.h"
#include "main/Game.h"
#include "resource/XmlNode.h"
#include "script/Interpolator.h"
#include "script/Music.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ScriptTest {

// A game that updates its entities in list order and stops once the script asks it to.
class ScriptGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float dt) override {
        for (size_t i = 0; i < entities.size(); ++i) {
            entities[i]->update(dt);
        }
        return !exitRequested();
    }
    bool shutdown() override { return true; }
};

// An entity that remembers every command it was given: (time, "command" attribute).
class Recorder : public Zem::Main::BaseEntity {
public:
    using BaseEntity::BaseEntity;
    void command(int time, const Zem::Resource::XmlNode& element) override {
        received.emplace_back(time, element.attribute("command"));
    }
    std::vector<std::pair<int, std::string>> received;
};

// The silent music layer on a clock the test sets.
inline std::unique_ptr<Music> musicAt(const double* nowMs) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return Music::create([nowMs] { return *nowMs; });
}

// What `action` prints to standard output.
template <typename Action> std::string printedBy(Action&& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// A ScriptMaster "clock" at 120 bpm, its music started at 0, so that four steps ("0 1 0") last
// half a second; an Interpolator "interp" on it.
class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock = new ScriptMaster(Zem::Resource::XmlNode("<entity name=\"clock\"><offset>0</offset>"
                                                        "<bpm>120</bpm><script/></entity>"),
                                 musicAt(&nowMs));
        clock->update(0.0f);
        interpolator = new Interpolator(Zem::Resource::XmlNode(
            "<entity name=\"interp\"><scriptmaster>clock</scriptmaster></entity>"));
    }
    // A request to the interpolator; an empty index leaves the attribute out.
    void request(const std::string& target, const std::string& index, const std::string& values,
                 const std::string& elaps = "0 1 0") {
        const std::string indexAttribute = index.empty() ? "" : " index=\"" + index + "\"";
        interpolator->command(0, Zem::Resource::XmlNode("<event interptarget=\"" + target + "\"" +
                                                        indexAttribute + "><elaps>" + elaps +
                                                        "</elaps>" + values + "</event>"));
    }
    void updateAt(double ms) {
        nowMs = ms;
        interpolator->update(0.0f);
    }

    ScriptGame game;
    double nowMs = 0.0;
    ScriptMaster* clock = nullptr;
    Interpolator* interpolator = nullptr;
};

} // namespace ScriptTest
