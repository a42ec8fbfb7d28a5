#include "demo/Machinery/Cog2Cog.h"

#include "demo/Machinery/Cog.h"

namespace Machinery {

Cog2Cog::Cog2Cog(Cog& driver, Cog& driven) : Connector(driver, driven) {}

void Cog2Cog::apply() {
    // Both ends were cogs when the connector was made.
    const auto& from = static_cast<const Cog&>(*driver);
    auto& to = static_cast<Cog&>(*driven);
    to.angle = -(from.cogRadius * from.angle) / to.cogRadius;
}

} // namespace Machinery
