#pragma once

#include "main/BaseEntity.h"
#include "main/Game.h"
#include "resource/XmlNode.h"
#include "script/Music.h"

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

// The music layer as the script drives it, on a clock the test sets, with each call written
// down.
class RecordingMusic : public Music {
public:
    RecordingMusic(const double* nowMs, std::vector<std::string>* calls)
        : inner(Music::create([nowMs] { return *nowMs; })), calls(calls) {}

    bool init(int mixRate, int channels, unsigned flags) override {
        calls->push_back("init " + std::to_string(mixRate) + " " + std::to_string(channels) + " " +
                         std::to_string(flags));
        return inner->init(mixRate, channels, flags);
    }
    bool setBufferSize(int milliseconds) override {
        calls->push_back("buffer " + std::to_string(milliseconds));
        return inner->setBufferSize(milliseconds);
    }
    MusicStream* openStream(const std::string& path, unsigned mode, int offset,
                            int length) override {
        calls->push_back("open " + path + " " + std::to_string(mode) + " " +
                         std::to_string(offset) + " " + std::to_string(length));
        return inner->openStream(path, mode, offset, length);
    }
    bool playStream(int channel, MusicStream* stream) override {
        calls->push_back("play " + std::to_string(channel));
        return inner->playStream(channel, stream);
    }
    int32_t streamTime(MusicStream* stream) override { return inner->streamTime(stream); }
    int32_t streamLengthMs(const MusicStream* stream) const override {
        return inner->streamLengthMs(stream);
    }

private:
    std::unique_ptr<Music> inner;
    std::vector<std::string>* calls;
};

} // namespace ScriptTest
