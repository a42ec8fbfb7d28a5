#pragma once

#include "resource/ResourceLoader.h"
#include "resource/TemplateLoader.h"

#include <memory>

namespace Zem::Main {
class Entity;
}

namespace Zem::Resource {

class WorldObserver;
class XmlNode;

// Reads "world" files: every "entity" child of the root "ZEMWorld" is built through the current
// game's factories, in document order, after its templates have been merged in. The resource
// it returns is only a marker; the entities are the point.
class WorldLoader : public ResourceLoader {
public:
    WorldLoader();
    ~WorldLoader() override;

    std::string extension() const override;
    // Null when the document does not parse or its root is not "ZEMWorld".
    std::unique_ptr<Resource> load(ResourceStream& stream) override;

    // Every entity element of the worlds loaded from now on is shown to the observer; null
    // stops it. Not owned.
    void observe(WorldObserver* watcher) { observer = watcher; }

    // Created and registered with the resource manager on the first load; owned here because
    // the manager never deletes loaders.
    std::unique_ptr<TemplateLoader> templateLoader;

private:
    // Merges the element's templates in and builds it; null when it was skipped.
    static Main::Entity* buildEntity(XmlNode& element);
    // Replaces the element's "template" children by the settings of the documents they name,
    // appended after everything already there. False when a template cannot be had or names
    // itself through any chain of templates; the entity is then not built.
    static bool expandTemplates(XmlNode& element);

    WorldObserver* observer = nullptr;
};

} // namespace Zem::Resource
