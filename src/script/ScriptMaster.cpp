#include "script/ScriptMaster.h"

#include "graphics/Vector3.h"
#include "main/Camera.h"
#include "main/Game.h"
#include "main/messageBox.h"
#include "main/report.h"
#include "resource/ReadValue.h"
#include "resource/ThreeNumbers.h"
#include "resource/readLongestNumber.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>

using Zem::Graphics::Vector3;
using Zem::Main::BaseEntity;
using Zem::Main::Game;
using Zem::Resource::XmlNode;

namespace {

int32_t saturate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double low = static_cast<double>(std::numeric_limits<int32_t>::min());
    constexpr double high = static_cast<double>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(std::clamp(value, low, high));
}

int32_t addSteps(int32_t a, int32_t b) {
    return saturate(static_cast<double>(a) + static_cast<double>(b));
}

BaseEntity* findTarget(const std::string& name) {
    Game* game = Zem::Main::currentGame;
    return dynamic_cast<BaseEntity*>(game != nullptr ? game->findEntity(name) : nullptr);
}

bool isElement(const XmlNode& node, const char* name) {
    return node.kind() == XmlNode::Kind::Element && node.name() == name;
}

} // namespace

ScriptMaster::ScriptMaster(const XmlNode& element) : ScriptMaster(element, Music::create()) {}

ScriptMaster::ScriptMaster(const XmlNode& element, std::unique_ptr<Music> musicLayer,
                           const std::string& musicPath)
    : BaseEntity(element), script(element.child("script")), music(std::move(musicLayer)) {
    if (music == nullptr) {
        music = Music::create();
    }
    // Without "offset" the clock simply runs unshifted.
    Zem::Resource::readValue(element, "offset", clockOffsetMs);
    readTempo(element);
    music->init(44100, 32, 0);
    music->setBufferSize(clockOffsetMs);
    stream = music->openStream(musicPath, 0x2000, 0, 0);
}

ScriptMaster::Factory::Factory(MusicMaker maker, std::string path)
    : makeMusic(std::move(maker)), musicPath(std::move(path)) {}

Zem::Main::Entity* ScriptMaster::Factory::create(const XmlNode& element) {
    return new ScriptMaster(element, makeMusic ? makeMusic() : nullptr, musicPath);
}

ScriptMaster::~ScriptMaster() = default;

void ScriptMaster::readTempo(const XmlNode& element) {
    if (element.childCount("bpm") == 0) {
        reject("no \"bpm\"");
        return;
    }
    std::istringstream in(element.child("bpm").text());
    double bpm = 0.0;
    if (!Zem::Resource::readLongestNumber(in, bpm) || !std::isfinite(bpm) || bpm <= 0.0) {
        reject("a \"bpm\" that is not a positive number");
        return;
    }
    stepsPerMinute = bpm * 4.0;
    stepsPerMs = stepsPerMinute / 60000.0;
}

void ScriptMaster::reject(const std::string& reason) {
    Zem::Main::report(std::string("ScriptMaster \"") + name + "\": " + reason +
                      "; its script is ignored");
    // Readers still see a sane clock that never reaches a step.
    scripted = false;
}

int32_t ScriptMaster::stepCount(const Vector3& time) {
    return saturate(std::trunc(time.y * 4.0 + time.x * 16.0 + time.z));
}

int32_t ScriptMaster::stepCount(const std::string& text) {
    Vector3 time;
    Zem::Resource::readThreeNumbers(text, time);
    return stepCount(time);
}

int32_t ScriptMaster::musicTimeMs() const {
    return saturate(
        std::floor(static_cast<double>(music->streamTime(stream)) + clockOffsetMs + pictureLeadMs));
}

// Whole products over a whole divisor: the quotient is exact when it is whole, so the floor
// never falls a step short at a boundary.
int32_t ScriptMaster::currentStep() const {
    return saturate(std::floor(static_cast<double>(musicTimeMs()) * stepsPerMinute / 60000.0));
}

int32_t ScriptMaster::stepStartMs(int32_t step) const {
    if (step <= 0) {
        return 0;
    }
    return saturate(std::ceil(static_cast<double>(step) * 60000.0 / stepsPerMinute));
}

bool ScriptMaster::seek(int32_t heardMs) {
    startMusic();
    return music->seekStream(stream, heardMs);
}

bool ScriptMaster::setPaused(bool paused) {
    startMusic();
    return music->pauseStream(stream, paused);
}

void ScriptMaster::startMusic() {
    if (startPending) {
        startPending = false;
        music->playStream(0, stream);
    }
}

void ScriptMaster::update(float) {
    startMusic();
    const int32_t now = currentStep();
    if (!scripted) {
        return;
    }
    for (size_t i = 0; i < automators.size();) {
        if (automators[i]->advance(now)) {
            ++i;
        } else {
            automators.erase(automators.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    walkScript(now);
}

int32_t ScriptMaster::exitTimeMs() const {
    if (!scripted) {
        return -1;
    }
    int32_t offset = 0;
    // The walk delivers in document order: an element waits for every one placed before it.
    int32_t due = 0;
    for (size_t i = 0; i < script.childCount(); ++i) {
        const XmlNode& child = script.child(i);
        if (isElement(child, "repeat")) {
            due = std::max(due, addSteps(stepCount(child.attribute("start")), offset));
            continue;
        }
        if (!isElement(child, "event")) {
            continue;
        }
        due = std::max(due, addSteps(stepCount(child.attribute("time")), offset));
        if (child.attribute("target") != name) {
            continue;
        }
        const std::string operation = child.attribute("command");
        if (operation == "setoffset") {
            offset = stepCount(child.text());
        } else if (operation == "exit") {
            return stepStartMs(due);
        }
    }
    return -1;
}

void ScriptMaster::walkScript(int32_t now) {
    while (nextEvent < static_cast<int32_t>(script.childCount())) {
        const XmlNode& child = script.child(static_cast<size_t>(nextEvent));
        if (isElement(child, "event")) {
            if (!deliverEvent(child, now)) {
                return;
            }
        } else if (isElement(child, "repeat")) {
            if (!startRepeat(child, now)) {
                return;
            }
        } else {
            // Anything else (a comment, stray text) still costs the rest of this update: kept,
            // since scripts may use a comment as a one-frame pause.
            ++nextEvent;
            return;
        }
    }
}

const Vector3& ScriptMaster::cursorTime(const XmlNode& child, const char* attribute) {
    if (cursorTimeIndex != nextEvent) {
        cursorTimeIndex = nextEvent;
        cursorTimeValue = Vector3();
        Zem::Resource::readThreeNumbers(child.attribute(attribute), cursorTimeValue);
    }
    return cursorTimeValue;
}

bool ScriptMaster::deliverEvent(const XmlNode& event, int32_t now) {
    const int32_t time = addSteps(stepCount(cursorTime(event, "time")), stepOffset);
    if (time > now) {
        return false;
    }
    if (BaseEntity* target = findTarget(event.attribute("target"))) {
        target->command(time, event);
    }
    ++nextEvent;
    return true;
}

bool ScriptMaster::startRepeat(const XmlNode& repeat, int32_t now) {
    // One value takes start, end and step in turn, so a component that end or step leaves out
    // keeps the one read before it; scripts may write "step" as a single number on that basis.
    Vector3 value = cursorTime(repeat, "start");
    const int32_t first = addSteps(stepCount(value), stepOffset);
    if (first > now) {
        return false;
    }
    Zem::Resource::readThreeNumbers(repeat.attribute("end"), value);
    const int32_t end = addSteps(stepCount(value), stepOffset);
    Zem::Resource::readThreeNumbers(repeat.attribute("step"), value);
    const int32_t step = stepCount(value);
    ++nextEvent;
    if (step <= 0) {
        Zem::Main::report(std::string("ScriptMaster \"") + name +
                          "\": a \"repeat\" with the \"step\" \"" + repeat.attribute("step") +
                          "\", not positive, is skipped");
        return true;
    }
    if (repeat.childCount("event") == 0) {
        Zem::Main::report(std::string("ScriptMaster \"") + name +
                          "\": a \"repeat\" without an \"event\" is skipped");
        return true;
    }
    automators.push_back(std::make_unique<Automator>(first, end, step, repeat.child("event")));
    // A finished automator is removed by a later update.
    automators.back()->advance(now);
    return true;
}

void ScriptMaster::command(int time, const XmlNode& element) {
    const std::string operation = element.attribute("command");
    if (operation == "setoffset") {
        stepOffset = stepCount(element.text());
    } else if (operation == "setcamera") {
        setCamera(time, element);
    } else if (operation == "exit") {
        if (Zem::Main::currentGame != nullptr) {
            Zem::Main::currentGame->requestExit();
        }
    }
}

void ScriptMaster::setCamera(int time, const XmlNode& event) {
    Game* game = Zem::Main::currentGame;
    if (game == nullptr) {
        return;
    }
    const std::string& cameraName = event.text();
    // Anything but a camera counts as not found.
    auto* camera = dynamic_cast<Zem::Main::Camera*>(game->findEntity(cameraName));
    if (camera == nullptr) {
        // The box keeps its words; the line beside it says which camera, where and when.
        char when[64];
        std::snprintf(when, sizeof when, "%d %d %d (%.3f s)", time / 16, time % 16 / 4, time % 4,
                      stepStartMs(time) / 1000.0);
        Zem::Main::report(game->worldFile + ":" + std::to_string(event.line()) +
                          ": ScriptMaster \"" + name + "\": \"setcamera\" at " + when +
                          " names \"" + cameraName +
                          "\", which is no Camera; nothing is drawn until a camera is set");
        Zem::Main::messageBox("", "Camera not found!", Zem::Main::MessageIcon::Error);
    }
    game->makeCameraCurrent(camera);
}
