#pragma once

namespace Machinery {

class Part;

// Hands one part's angle to the part it drives. Owned by the driven part, as its input.
class Connector {
public:
    Connector(Part& driver, Part& driven);
    Connector(const Connector&) = delete;
    Connector& operator=(const Connector&) = delete;
    virtual ~Connector();

    // Sets driven's angle from driver's.
    virtual void apply() = 0;

    // Neither is owned.
    Part* driver;
    Part* driven;
};

} // namespace Machinery
