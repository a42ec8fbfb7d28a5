#pragma once

#include "main/BaseEntity.h"
#include "resource/XmlNode.h"
#include "script/Automator.h"
#include "script/Music.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Zem::Graphics {
struct Vector3;
}

// Plays the show: owns the music, turns its play position into steps (quarter beats at the
// script's "bpm") and delivers each timed element of its "script" as a command to the entity
// the element names. Understands "setoffset", "setcamera" and "exit" itself.
class ScriptMaster : public Zem::Main::BaseEntity {
public:
    static constexpr const char* defaultMusicPath = "data/Ombrel.ogg";

    // Opens "data/Ombrel.ogg" on the platform's music layer.
    explicit ScriptMaster(const Zem::Resource::XmlNode& element);
    // The given file on the given music layer (the platform's when null).
    ScriptMaster(const Zem::Resource::XmlNode& element, std::unique_ptr<Music> music,
                 const std::string& musicPath = defaultMusicPath);
    ~ScriptMaster() override;

    // Starts the music on the first call, then delivers whatever has fallen due.
    void update(float dt) override;
    void command(int time, const Zem::Resource::XmlNode& element) override;

    // Moves the music to heardMs (starting it if it has not started); nothing is delivered
    // until the next update. False when the music layer cannot seek.
    bool seek(int32_t heardMs);
    // Stops or restarts the music and with it the script's clock.
    bool setPaused(bool paused);

    // The stream's position plus clockOffsetMs, plus the picture's lead: the time every reader
    // of the timeline uses.
    int32_t musicTimeMs() const;
    // The present step: the music time in whole steps, a step due from its first millisecond on.
    int32_t currentStep() const;
    // Frames are drawn as the show will stand when they are seen: readers of the clock see the
    // music this many milliseconds ahead of what is heard now (0 unless a player sets it).
    void setPictureLeadMs(double leadMs) { pictureLeadMs = leadMs; }
    // False for an element that was rejected: it then delivers nothing.
    bool isScripted() const { return scripted; }
    // The music time at which the script's first "exit" addressed to this entity is delivered,
    // or -1 when it has none: its own time or, when later, that of an element placed before it,
    // which holds it back. Looks ahead without delivering anything.
    int32_t exitTimeMs() const;
    // The first whole millisecond of music time that falls in the step.
    int32_t stepStartMs(int32_t step) const;

    // A script time "x y z" as steps: x bars, y beats, z steps, truncated toward zero.
    static int32_t stepCount(const Zem::Graphics::Vector3& time);
    // The step count of a script time text read from 0 0 0.
    static int32_t stepCount(const std::string& text);

    std::vector<std::unique_ptr<Automator>> automators;
    // Position in script of the next child to examine; it only grows.
    int32_t nextEvent = 0;
    // Added to the stream time; also the music's buffer length.
    int32_t clockOffsetMs = 0;
    double stepsPerMs = 0.0;
    // Added to every script time read after a "setoffset".
    int32_t stepOffset = 0;
    Zem::Resource::XmlNode script;
    // Owned by music.
    MusicStream* stream = nullptr;
    bool startPending = true;

    class Factory;

private:
    void readTempo(const Zem::Resource::XmlNode& element);
    void startMusic();
    void walkScript(int32_t now);
    // False when the event is not due yet.
    bool deliverEvent(const Zem::Resource::XmlNode& event, int32_t now);
    // False when the repeat is not due yet.
    bool startRepeat(const Zem::Resource::XmlNode& repeat, int32_t now);
    // The time of the child at the cursor, read from its attribute once rather than every
    // update while it waits.
    const Zem::Graphics::Vector3& cursorTime(const Zem::Resource::XmlNode& child,
                                             const char* attribute);
    // The event's text names the camera; `time` is its script time in steps.
    void setCamera(int time, const Zem::Resource::XmlNode& event);
    void reject(const std::string& reason);

    std::unique_ptr<Music> music;
    // bpm x 4, kept whole where the tempo is, so that a step boundary falls exactly on its
    // millisecond: 1000 ms at 60 bpm is step 4, not 3.9999.
    double stepsPerMinute = 0.0;
    double pictureLeadMs = 0.0;
    bool scripted = true;
    Zem::Graphics::Vector3 cursorTimeValue;
    int32_t cursorTimeIndex = -1;
};

// Builds script masters on the platform's music layer, or on the layers a maker hands out (a
// capture runs the show on a clock of its own) reading the given music file.
class ScriptMaster::Factory : public Zem::Main::EntityFactory {
public:
    using MusicMaker = std::function<std::unique_ptr<Music>()>;

    Factory() = default;
    Factory(MusicMaker maker, std::string musicPath);

    Zem::Main::Entity* create(const Zem::Resource::XmlNode& element) override;

private:
    MusicMaker makeMusic;
    std::string musicPath = defaultMusicPath;
};
