#include "demo/Machinery/Axis2Cog.h"

#include "demo/Machinery/Cog.h"

namespace Machinery {

Axis2Cog::Axis2Cog(Cog& driver, Cog& driven) : Connector(driver, driven) {}

void Axis2Cog::apply() {
    driven->angle = driver->angle;
}

} // namespace Machinery
