#include "demo/Machinery/Connector.h"

namespace Machinery {

Connector::Connector(Part& driver, Part& driven) : driver(&driver), driven(&driven) {}

Connector::~Connector() = default;

} // namespace Machinery
