#pragma once

#include "demo/Machinery/Connector.h"
#include "main/BaseEntity.h"

#include <memory>
#include <vector>

namespace Zem::Main {
class Room;
}

namespace Machinery {

// A piece of a gear train. The driving part has no input; every other part hangs on the part
// whose angle its input connector reads. The world matrix is never built from position and
// rotation, only by the part's own update.
class Part : public Zem::Main::BaseEntity {
public:
    // Takes none of the entity settings: a part is placed by its train, not by "position".
    Part();
    // Unlinks the part from its train: from its parent's children, and its children lose
    // their parent and their input, which would read a part that is gone.
    ~Part() override;

    // Links this part below `parent`, driven through `connector`, listed after parent's other
    // children and put into parent's room.
    void hangOn(Part& parent, std::unique_ptr<Connector> connector);
    // Applies this part's input, then propagates through each child in order: parents are
    // always set before their children.
    void propagate();

    // Radians about the part's own Z axis.
    float angle = 0.0f;
    Part* parentPart = nullptr;
    // Not owned, in the order they were hung on.
    std::vector<Part*> childParts;
    std::unique_ptr<Connector> input;
};

} // namespace Machinery
