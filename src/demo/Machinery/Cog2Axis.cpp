#include "demo/Machinery/Cog2Axis.h"

#include "demo/Machinery/Axis.h"

namespace Machinery {

Cog2Axis::Cog2Axis(Cog& driver, Axis& driven) : Connector(driver, driven) {}

void Cog2Axis::apply() {
    driven->angle = driver->angle;
}

} // namespace Machinery
