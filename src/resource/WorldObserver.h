#pragma once

#include <string>

namespace Zem::Main {
class Entity;
}

namespace Zem::Resource {

class XmlNode;

// Looks on while a world is built: every entity element as it was used (its templates merged in),
// the file it stands in, and what became of it.
class WorldObserver {
public:
    virtual ~WorldObserver() = default;

    // `file` is where the world was found; `built` is null when the element was skipped.
    virtual void entityRead(const std::string& file, const XmlNode& element,
                            Main::Entity* built) = 0;
};

} // namespace Zem::Resource
