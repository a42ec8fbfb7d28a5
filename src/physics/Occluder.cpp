#include "physics/Occluder.h"

namespace Zem::Physics {

Occluder::Occluder(Main::Entity* owner, int32_t id) : owner(owner), id(id) {}

Occluder::~Occluder() = default;

} // namespace Zem::Physics
