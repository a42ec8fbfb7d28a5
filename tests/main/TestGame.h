#pragma once

#include "main/BaseEntity.h"
#include "main/Game.h"
#include "main/messageBox.h"
#include "resource/XmlNode.h"

#include <string>
#include <string_view>
#include <vector>

namespace ZemTest {

class TestGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return true; }
    bool shutdown() override { return true; }
};

inline Zem::Resource::XmlNode element(std::string_view xml) {
    return Zem::Resource::XmlNode(xml);
}

// Logs "update <name>" and "delete <name>"; keeps the element it was built from.
class ProbeEntity : public Zem::Main::BaseEntity {
public:
    ProbeEntity(const Zem::Resource::XmlNode& element, std::vector<std::string>& log)
        : BaseEntity(element), log(log), settings(element) {}
    ~ProbeEntity() override { log.push_back("delete " + name); }

    void update(float) override { log.push_back("update " + name); }

    std::vector<std::string>& log;
    Zem::Resource::XmlNode settings;
};

// Builds ProbeEntity objects sharing its log; logs its own deletion too.
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

// Records the message boxes shown while it lives, as "[caption] text"; none reaches the user.
class ShownBoxes {
public:
    ShownBoxes() {
        previous = Zem::Main::setMessageBoxHandler(
            [this](const std::string& caption, const std::string& text, Zem::Main::MessageIcon) {
                texts.push_back("[" + caption + "] " + text);
            });
    }
    ~ShownBoxes() { Zem::Main::setMessageBoxHandler(std::move(previous)); }
    ShownBoxes(const ShownBoxes&) = delete;
    ShownBoxes& operator=(const ShownBoxes&) = delete;

    std::vector<std::string> texts;

private:
    Zem::Main::MessageBoxHandler previous;
};

} // namespace ZemTest
