#pragma once

namespace Zem::Resource {
class XmlNode;
}

namespace Zem::Main {

class Entity;

// Builds one entity type from its world-file element. The entity lists itself in the current
// game while it is constructed, so the game owns what create returns.
class EntityFactory {
public:
    // A new entity, or null when none can be built.
    virtual Entity* create(const Resource::XmlNode& element) = 0;
    virtual ~EntityFactory();
};

// The factory of every type that is built straight from its element: `class Factory : public
// EntityFactoryOf<Camera> {};`.
template <class T> class EntityFactoryOf : public EntityFactory {
public:
    Entity* create(const Resource::XmlNode& element) override { return new T(element); }
};

} // namespace Zem::Main
