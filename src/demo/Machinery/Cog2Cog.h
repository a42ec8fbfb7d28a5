#pragma once

#include "demo/Machinery/Connector.h"

namespace Machinery {

class Cog;

// Two meshing wheels: the rims move together, so the driven wheel turns the other way, faster
// by the ratio of the radii.
class Cog2Cog : public Connector {
public:
    Cog2Cog(Cog& driver, Cog& driven);
    void apply() override;
};

} // namespace Machinery
