#include "resource/WorldLoader.h"

#include "main/Game.h"
#include "main/ReportLocation.h"
#include "main/report.h"
#include "resource/ResourceManager.h"
#include "resource/ResourceStream.h"
#include "resource/WorldObserver.h"
#include "resource/XmlNode.h"
#include "resource/parseReporting.h"

#include <deque>
#include <set>
#include <string>

namespace Zem::Resource {

namespace {

const XmlNode& templateTag() {
    static const XmlNode tag = [] {
        XmlNode node;
        node.setName("template");
        node.setKind(XmlNode::Kind::Element);
        return node;
    }();
    return tag;
}

} // namespace

WorldLoader::WorldLoader() = default;

WorldLoader::~WorldLoader() = default;

std::string WorldLoader::extension() const {
    return "world";
}

std::unique_ptr<Resource> WorldLoader::load(ResourceStream& stream) {
    if (!templateLoader) {
        templateLoader = std::make_unique<TemplateLoader>();
        ResourceManager::instance().registerLoader(templateLoader.get());
    }

    XmlNode document;
    if (!parseReporting(document, stream)) {
        return nullptr;
    }
    if (document.name() != "ZEMWorld") {
        Zem::Main::report(stream.path() + ": the root element is <" + document.name() +
                          ">, not <ZEMWorld>");
        return nullptr;
    }

    for (std::size_t i = 0; i < document.childCount(); ++i) {
        // A copy, so templates can be merged in while the document stays as parsed.
        XmlNode element = document.child(i);
        if (element.name() != "entity") {
            continue;
        }
        // Whatever building the entity reports says where in the file it stands.
        const Main::ReportLocation here(stream.path(), element.line());
        Main::Entity* built = buildEntity(element);
        if (observer != nullptr) {
            observer->entityRead(stream.path(), element, built);
        }
    }
    return std::make_unique<Resource>();
}

Main::Entity* WorldLoader::buildEntity(XmlNode& element) {
    if (!expandTemplates(element) || Main::currentGame == nullptr) {
        return nullptr;
    }
    const std::string type = element.attribute("type");
    if (Main::currentGame->factories.count(type) == 0) {
        Zem::Main::report(std::string("Skipping entity \"") + element.attribute("name") +
                          "\": no entity type \"" + type + "\"");
        return nullptr;
    }
    // The entity lists itself in the game; nothing more to do with it here.
    return Main::currentGame->createEntity(type, element);
}

bool WorldLoader::expandTemplates(XmlNode& element) {
    // The "template" children are taken first to last and each one's settings appended at the end,
    // so they form a queue. Beside it runs the chain of templates each entry was brought in by: a
    // name already in its own chain is a cycle, which would never end. The same template reached
    // along two separate chains is fine.
    std::deque<std::set<std::string>> chains(element.childCount("template"));
    while (!chains.empty()) {
        const std::string templateName = element.child("template").text();
        std::set<std::string> chain = std::move(chains.front());
        chains.pop_front();

        if (chain.count(templateName) != 0) {
            Zem::Main::report(std::string("Skipping entity \"") + element.attribute("name") +
                              "\": template \"" + templateName + "\" includes itself");
            return false;
        }
        const XmlNode* document = ResourceManager::instance().get<XmlNode>(templateName);
        if (document == nullptr) {
            Zem::Main::report(std::string("Skipping entity \"") + element.attribute("name") +
                              "\": no template \"" + templateName + "\"");
            return false;
        }

        chain.insert(templateName);
        for (std::size_t i = 0; i < document->childCount(); ++i) {
            const XmlNode& setting = document->child(i);
            element.addChild(setting);
            if (setting.name() == "template") {
                chains.push_back(chain);
            }
        }
        element.removeChild(templateTag());
    }
    return true;
}

} // namespace Zem::Resource
