#pragma once

#include "resource/WorldObserver.h"
#include "resource/XmlNode.h"

#include <string>
#include <vector>

namespace Zem::Main {
class Entity;
class Game;
} // namespace Zem::Main

namespace Zem::App {

// Looks over a world as it is built and once it stands, for the mistakes that load without a
// word but spoil the show: settings no type reads, names that find nothing, a script out of time
// order, values out of range and doorways cut into no wall. Each is one line, "FILE:LINE: Type
// "name": what is wrong; what to do".
class WorldCheck : public Resource::WorldObserver {
public:
    void entityRead(const std::string& file, const Resource::XmlNode& element,
                    Main::Entity* built) override;

    // The mistakes of the world built in `game`, in the order of the file.
    std::vector<std::string> mistakes(const Main::Game& game) const;

private:
    struct Read {
        std::string file;
        Resource::XmlNode element;
        Main::Entity* built;
    };

    void checkSettings(const Read& read, std::vector<std::string>& found) const;
    void checkPortal(const Read& read, std::vector<std::string>& found) const;
    void checkScript(const Read& read, const Main::Game& game,
                     std::vector<std::string>& found) const;
    void checkEvent(const Read& read, const Resource::XmlNode& event, const Main::Game& game,
                    std::vector<std::string>& found) const;
    void checkRest(const Read& read, const Main::Game& game, std::vector<std::string>& found) const;

    std::vector<Read> reads;
};

} // namespace Zem::App
