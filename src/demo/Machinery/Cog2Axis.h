#pragma once

#include "demo/Machinery/Connector.h"

namespace Machinery {

class Cog;
class Axis;

// An axle fixed in a cog: it turns with the cog.
class Cog2Axis : public Connector {
public:
    Cog2Axis(Cog& driver, Axis& driven);
    void apply() override;
};

} // namespace Machinery
