#pragma once

#include <string>

namespace Zem::Resource {
class XmlNode;
}

namespace Zem::Main {

class Engine;

// A platform service the engine owns and updates once per frame, before the game.
class Driver {
public:
    virtual ~Driver();

    // Called once, in name order, with the configuration element named after the driver (the
    // shared empty node when the configuration has none). The engine goes on whatever it
    // returns: a driver that fails has told the user itself.
    virtual bool init(const Resource::XmlNode& config);
    virtual void shutdown();
    virtual std::string info() const;
    // One frame of work; false asks the engine to end the main loop after this frame.
    virtual bool update(float dt) = 0;

    // The owning engine; set when the driver is registered.
    Engine* engine = nullptr;
};

} // namespace Zem::Main
