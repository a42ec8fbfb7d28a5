#include "app/WorldCheck.h"

#include "demo/CubeGrid.h"
#include "graphics/Light.h"
#include "graphics/Portal.h"
#include "main/Camera.h"
#include "main/Game.h"
#include "main/Room.h"
#include "physics/TriangleOccluder.h"
#include "resource/Mesh.h"
#include "resource/MeshGroup.h"
#include "resource/ReadValue.h"
#include "script/Interpolator.h"
#include "script/ScriptMaster.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <set>
#include <sstream>

namespace Zem::App {

using Resource::XmlNode;

namespace {

// The settings each type reads, as docs/world-format.md lists them.
const std::map<std::string, std::set<std::string>>& settingsOf() {
    static const std::map<std::string, std::set<std::string>> settings = [] {
        const std::set<std::string> common = {"collisionmodel", "model",  "position", "rotation",
                                              "radius",         "parent", "scale"};
        const auto with = [&common](std::initializer_list<const char*> own) {
            std::set<std::string> keys = common;
            keys.insert(own.begin(), own.end());
            return keys;
        };
        std::set<std::string> fixed = common;
        fixed.erase("scale");
        std::set<std::string> portal = fixed;
        portal.insert({"portalmesh", "threshold", "camera", "triggerplane"});
        return std::map<std::string, std::set<std::string>>{
            {"Entity", common},
            {"Room", common},
            {"Camera", fixed},
            {"Portal", portal},
            {"Light", with({"color"})},
            {"ScriptMaster", with({"bpm", "offset", "script"})},
            {"Interpolator", with({"scriptmaster"})},
            {"ScreenMaster", common},
            {"Cog", {"model", "parent", "transform", "radius", "depth", "angle", "depthoffset"}},
            {"Axis", {"model", "parent", "radius", "depth", "angle", "depthoffset"}},
            {"CubeGrid", with({"xsize", "ysize", "xspace", "yspace", "waveslowness", "turnspeed",
                               "cubeinitdata"})},
            {"DustGlow",
             with({"maxradius", "maxacc", "maxspeed", "speedbrake", "rotationspeed",
                   "rotationcoursechange", "particles", "trianglesize", "dustinitdata"})},
            {"LeafStorm", with({"amount", "spread", "seed", "instances"})},
            {"Billboard", with({"texture", "width", "height", "brightness"})},
        };
    }();
    return settings;
}

// "FILE:LINE: Type "name": "
std::string where(const std::string& file, const XmlNode& node, const XmlNode& entity) {
    return file + ":" + std::to_string(node.line()) + ": " + entity.attribute("type") + " \"" +
           entity.attribute("name") + "\": ";
}

// A time in steps as a script writes it: "bar beat step".
std::string scriptTime(int32_t steps) {
    return std::to_string(steps / 16) + " " + std::to_string(steps % 16 / 4) + " " +
           std::to_string(steps % 4);
}

std::string point(const Graphics::Vector3& p) {
    char text[64];
    std::snprintf(text, sizeof text, "%g %g %g", p.x, p.y, p.z);
    return text;
}

bool isWholeNumber(const std::string& text) {
    std::istringstream in(text);
    int value = 0;
    return static_cast<bool>(in >> value);
}

// Whether a surface of the room's own covers the point: a ray through it along the normal,
// a hair either side, meets one of the room's triangles.
bool roomSurfaceCovers(const Main::Room& room, const Graphics::Vector3& at,
                       const Graphics::Vector3& normal) {
    constexpr float reach = 0.05f;
    const Graphics::Vector3 from = at + normal * reach;
    const Graphics::Vector3 across = normal * (-2.0f * reach);
    for (const auto& occluder : room.occluders) {
        const float t = occluder->intersect(from, across, nullptr);
        if (t >= 0.0f && t <= 1.0f) {
            return true;
        }
    }
    return false;
}

} // namespace

void WorldCheck::entityRead(const std::string& file, const XmlNode& element, Main::Entity* built) {
    reads.push_back(Read{file, element, built});
}

std::vector<std::string> WorldCheck::mistakes(const Main::Game& game) const {
    std::vector<std::string> found;
    for (const Read& read : reads) {
        // One skipped was reported as it was skipped.
        if (read.built == nullptr) {
            continue;
        }
        checkSettings(read, found);
        checkPortal(read, found);
        checkScript(read, game, found);
        checkRest(read, game, found);
    }
    if (dynamic_cast<const Main::Camera*>(game.findEntity("camera")) == nullptr) {
        found.push_back(game.worldFile +
                        ":1: no Camera named \"camera\": nothing is drawn until the script's "
                        "\"setcamera\"; name the camera to start from \"camera\"");
    }
    return found;
}

void WorldCheck::checkSettings(const Read& read, std::vector<std::string>& found) const {
    const auto type = settingsOf().find(read.element.attribute("type"));
    if (type == settingsOf().end()) {
        return;
    }
    for (std::size_t i = 0; i < read.element.childCount(); ++i) {
        const XmlNode& setting = read.element.child(i);
        if (setting.kind() == XmlNode::Kind::Element && type->second.count(setting.name()) == 0) {
            found.push_back(where(read.file, read.element, read.element) + "a " + type->first +
                            " has no setting \"" + setting.name() +
                            "\", so it is not read; check its spelling in docs/world-format.md");
        }
    }
}

void WorldCheck::checkPortal(const Read& read, std::vector<std::string>& found) const {
    auto* portal = dynamic_cast<Graphics::Portal*>(read.built);
    if (portal == nullptr) {
        return;
    }
    const std::string here = where(read.file, read.element, read.element);
    const XmlNode& camera = read.element.child("camera");
    if (!camera.isEmpty() && portal->partner == nullptr) {
        const std::string bind = camera.child("bind").text();
        found.push_back(here +
                        (bind.empty() ? "its \"camera\" names no room before it"
                                      : "its partner \"" + bind + "\" is no entity before it") +
                        ", so it shows nothing; put the partner or room earlier in the file");
    } else if (portal->partner != nullptr && portal->partner->room == nullptr) {
        found.push_back(here + "its partner \"" + portal->partner->name +
                        "\" stands in no room, so it shows nothing; give the partner a "
                        "\"parent\" room");
    }
    int maskIndex = 0;
    if (portal->model != nullptr && portal->maskGroup == nullptr &&
        Resource::readValue(read.element, "portalmesh", maskIndex)) {
        found.push_back(here + "\"portalmesh\" " + std::to_string(maskIndex) +
                        " names no group of its model (it has " +
                        std::to_string(portal->model->groups.size()) +
                        "), so the place behind is drawn over the whole view; count its groups "
                        "from 0");
    }
    // A window onto a viewpoint of its own may hang on a wall like a picture; a doorway leads
    // through the wall, which must have a hole there.
    if (portal->maskGroup == nullptr || portal->room == nullptr || portal->partner == nullptr ||
        portal->ownsPartner) {
        return;
    }
    // The middle of each triangle of the opening, in the world.
    const Graphics::Matrix4& toWorld = portal->getWorldMatrix();
    Graphics::Vector3 normal = toWorld.transformDirection(Graphics::Vector3(0.0f, 0.0f, 1.0f));
    normal.normalise();
    const auto& shape = *portal->maskGroup;
    for (std::size_t i = 0; i + 2 < shape.indices.size(); i += 3) {
        Graphics::Vector3 middle;
        for (std::size_t corner = 0; corner < 3; ++corner) {
            const std::size_t at = static_cast<std::size_t>(shape.indices[i + corner]) * 3;
            if (at + 2 >= shape.positions.size()) {
                return;
            }
            middle = middle + Graphics::Vector3(shape.positions[at], shape.positions[at + 1],
                                                shape.positions[at + 2]) *
                                  (1.0f / 3.0f);
        }
        const Graphics::Vector3 at = toWorld.transformPoint(middle);
        if (roomSurfaceCovers(*portal->room, at, normal)) {
            found.push_back(here + "its opening at " + point(at) +
                            " lies on a solid wall of "
                            "room \"" +
                            portal->room->name +
                            "\": the wall hides the room behind from the other side and the "
                            "camera walks through it; cut the opening out of the room's mesh");
            return;
        }
    }
}

void WorldCheck::checkScript(const Read& read, const Main::Game& game,
                             std::vector<std::string>& found) const {
    const auto* master = dynamic_cast<const ScriptMaster*>(read.built);
    if (master == nullptr || !master->isScripted()) {
        return;
    }
    const XmlNode& script = master->script;
    const std::string self = read.element.attribute("name");
    // Walked as the script master walks it: in document order, each element waiting for the
    // ones before it.
    int32_t offset = 0;
    int32_t latest = std::numeric_limits<int32_t>::min();
    for (std::size_t i = 0; i < script.childCount(); ++i) {
        const XmlNode& child = script.child(i);
        const bool isEvent = child.name() == "event";
        if (child.kind() != XmlNode::Kind::Element || (!isEvent && child.name() != "repeat")) {
            continue;
        }
        const std::string written = child.attribute(isEvent ? "time" : "start");
        const int32_t due = ScriptMaster::stepCount(written) + offset;
        const std::string here = where(read.file, child, read.element);
        if (due < latest) {
            found.push_back(here + "the " + child.name() + " at \"" + written +
                            "\" comes after one due at " + scriptTime(latest) +
                            " and waits for it; keep the script in time order");
        }
        latest = std::max(latest, due);
        if (isEvent) {
            checkEvent(read, child, game, found);
            if (child.attribute("target") == self && child.attribute("command") == "setoffset") {
                offset = ScriptMaster::stepCount(child.text());
            }
            continue;
        }
        // One value takes start, end and step in turn, as the script master reads them.
        Graphics::Vector3 value;
        Resource::readThreeNumbers(written, value);
        Resource::readThreeNumbers(child.attribute("end"), value);
        Resource::readThreeNumbers(child.attribute("step"), value);
        if (ScriptMaster::stepCount(value) <= 0) {
            found.push_back(here + "a \"repeat\" whose \"step\" \"" + child.attribute("step") +
                            "\" is not a positive time is skipped; give it a step");
        } else if (child.childCount("event") == 0) {
            found.push_back(here + "a \"repeat\" without an \"event\" does nothing; put the "
                                   "event to repeat inside it");
        } else {
            checkEvent(read, child.child("event"), game, found);
        }
    }
}

void WorldCheck::checkEvent(const Read& read, const XmlNode& event, const Main::Game& game,
                            std::vector<std::string>& found) const {
    const std::string here = where(read.file, event, read.element);
    const std::string target = event.attribute("target");
    const Main::Entity* entity = game.findEntity(target);
    if (dynamic_cast<const Main::BaseEntity*>(entity) == nullptr) {
        found.push_back(here + "an event for \"" + target + "\", " +
                        (entity == nullptr ? "which no entity is named"
                                           : "a Room or Portal, which takes no events") +
                        ", reaches nothing; name an entity of the world as its \"target\"");
        return;
    }
    const std::string command = event.attribute("command");
    if (dynamic_cast<const ScriptMaster*>(entity) != nullptr && target == read.built->name &&
        command == "setcamera" &&
        dynamic_cast<const Main::Camera*>(game.findEntity(event.text())) == nullptr) {
        found.push_back(here + "\"setcamera\" names \"" + event.text() +
                        "\", which is no Camera: \"Camera not found!\" and nothing is drawn; "
                        "name a Camera of the world");
    }
    if (dynamic_cast<const Interpolator*>(entity) == nullptr) {
        return;
    }
    const std::string moved = event.attribute("interptarget");
    if (dynamic_cast<const Main::BaseEntity*>(game.findEntity(moved)) == nullptr) {
        found.push_back(here + "the \"interptarget\" \"" + moved +
                        "\" is no entity with channels, so nothing moves; name one of the "
                        "world's entities");
    }
    if (!isWholeNumber(event.attribute("index"))) {
        found.push_back(here + "the \"index\" \"" + event.attribute("index") +
                        "\" is not a number, so the request is ignored; give the channel");
    }
    if (ScriptMaster::stepCount(event.child("elaps").text()) <= 0) {
        found.push_back(here + "the \"elaps\" \"" + event.child("elaps").text() +
                        "\" is not a positive time, so the request is ignored; give the "
                        "curve's length as bar beat step");
    }
}

void WorldCheck::checkRest(const Read& read, const Main::Game& game,
                           std::vector<std::string>& found) const {
    const std::string here = where(read.file, read.element, read.element);
    if (const auto* light = dynamic_cast<const Graphics::Light*>(read.built)) {
        const Graphics::Vector3& c = light->colour;
        if (c.x < 0.0f || c.y < 0.0f || c.z < 0.0f) {
            found.push_back(here + "a \"color\" of " + point(c) +
                            " is below 0 and takes light away; give each part 0 or more");
        }
    }
    if (dynamic_cast<const CubeGrid*>(read.built) != nullptr &&
        dynamic_cast<const ScriptMaster*>(game.findEntity("mainscript")) == nullptr) {
        found.push_back(here + "no ScriptMaster is named \"mainscript\", so its wave never "
                               "starts; name the script master \"mainscript\"");
    }
    if (dynamic_cast<const Main::Camera*>(read.built) != nullptr && read.built->room == nullptr) {
        found.push_back(here + "a camera in no room draws nothing; give it a \"parent\" room");
    }
}

} // namespace Zem::App
