#pragma once

#include "main/BaseEntity.h"
#include "main/Game.h"
#include "resource/XmlNode.h"

#include <string>
#include <string_view>
#include <vector>

namespace ZemTest {

// A game with nothing of its own: the engine's rules about entities and factories, alone.
class TestGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return true; }
    bool shutdown() override { return true; }
};

// The element a world file would hold for one entity, parsed from its XML text.
inline Zem::Resource::XmlNode element(std::string_view xml) {
    return Zem::Resource::XmlNode(xml);
}

// An entity that writes "<event> <name>" into a shared log when it is updated or deleted, and keeps
// a copy of the element it was built from.
class ProbeEntity : public Zem::Main::BaseEntity {
public:
    ProbeEntity(const Zem::Resource::XmlNode& element, std::vector<std::string>& log)
        : BaseEntity(element), log(log), settings(element) {}
    ~ProbeEntity() override { log.push_back("delete " + name); }

    void update(float) override { log.push_back("update " + name); }

    std::vector<std::string>& log;
    Zem::Resource::XmlNode settings;
};

// Builds ProbeEntity objects that share one log; records its own deletion there too.
class ProbeFactory : public Zem::Main::EntityFactory {
public:
    ProbeFactory(std::vector<std::string>& log, std::string label = "probe factory")
        : log(log), label(std::move(label)) {}
    ~ProbeFactory() override { log.push_back("delete " + label); }

    Zem::Main::Entity* create(const Zem::Resource::XmlNode& element) override {
        ++created;
        return new ProbeEntity(element, log);
    }

    std::vector<std::string>& log;
    std::string label;
    int created = 0;
};

} // namespace ZemTest
