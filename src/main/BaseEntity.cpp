#include "main/BaseEntity.h"

namespace Zem::Main {

namespace {

// Channels 0-5 in order: position x, y, z, then rotation x, y, z.
float* channelTarget(Entity& entity, unsigned index) {
    if (index < 3) {
        return &entity.position[static_cast<int>(index)];
    }
    if (index < 6) {
        return &entity.rotation[static_cast<int>(index - 3)];
    }
    return nullptr;
}

} // namespace

BaseEntity::BaseEntity(const Resource::XmlNode& element) : Entity(element) {}

void BaseEntity::command(int, const Resource::XmlNode&) {}

void BaseEntity::setChannel(unsigned index, float value) {
    if (float* target = channelTarget(*this, index)) {
        *target = value;
        matrixDirty = true;
    }
}

float BaseEntity::getChannel(unsigned index) {
    if (float* target = channelTarget(*this, index)) {
        // An interpolator reads a channel right before it starts writing it.
        matrixDirty = true;
        return *target;
    }
    return 0.0f;
}

} // namespace Zem::Main
