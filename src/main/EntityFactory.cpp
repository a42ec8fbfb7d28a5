#include "main/EntityFactory.h"

namespace Zem::Main {

EntityFactory::~EntityFactory() = default;

} // namespace Zem::Main
