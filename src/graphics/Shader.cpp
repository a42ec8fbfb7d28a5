#include "graphics/Shader.h"

namespace Zem::Graphics {

void Shader::reset() {}

void Shader::init() {}

bool Shader::usesPortalMasks() const {
    return true;
}

void Shader::add(Main::Entity* entity) {
    queue.push_back(entity);
}

void Shader::begin() {}

void Shader::end() {}

Shader::~Shader() = default;

std::vector<ProgramRecord*> Shader::programs() {
    return {};
}

Shader::Factory::Factory(int32_t id, int32_t order) : id(id), order(order) {}

bool Shader::Factory::isAvailable() const {
    return true;
}

Shader::Factory::~Factory() = default;

PassSet::~PassSet() = default;

} // namespace Zem::Graphics
