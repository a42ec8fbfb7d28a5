#pragma once

#include "demo/Machinery/Connector.h"

namespace Machinery {

class Cog;

// A cog fixed on an axle: it turns with the axle, whatever its radius.
class Axis2Cog : public Connector {
public:
    Axis2Cog(Cog& driver, Cog& driven);
    void apply() override;
};

} // namespace Machinery
