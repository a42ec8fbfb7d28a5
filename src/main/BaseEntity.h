#pragma once

#include "main/Entity.h"
#include "main/EntityFactory.h"

namespace Zem::Main {

// An entity that can be driven from outside: script commands and numbered float channels
// (0-5: position x, y, z and rotation x, y, z in degrees). Registered as "Entity", it is a
// plain scene object with a model.
class BaseEntity : public Entity {
public:
    explicit BaseEntity(const Resource::XmlNode& element);

    // The element's "command" attribute names the operation; unknown ones are ignored.
    virtual void command(int time, const Resource::XmlNode& element);
    // Channels 0-5 mark the world matrix for rebuilding; other indices are ignored.
    virtual void setChannel(unsigned index, float value);
    // Channels 0-5 also mark the matrix dirty, since the caller is about to write them; other
    // indices read 0.
    virtual float getChannel(unsigned index);

    class Factory;
};

class BaseEntity::Factory : public EntityFactoryOf<BaseEntity> {};

} // namespace Zem::Main
