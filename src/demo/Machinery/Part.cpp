#include "demo/Machinery/Part.h"

#include "resource/XmlNode.h"

#include <algorithm>

namespace Machinery {

Part::Part() : BaseEntity(Zem::Resource::XmlNode::empty()) {
    autoMatrix = false;
}

Part::~Part() {
    input.reset();
    if (parentPart != nullptr) {
        auto& siblings = parentPart->childParts;
        auto found = std::find(siblings.begin(), siblings.end(), this);
        if (found != siblings.end()) {
            siblings.erase(found);
        }
    }
    for (Part* child : childParts) {
        child->parentPart = nullptr;
        // Its connector reads this part; it must never be applied again.
        child->input.reset();
    }
}

void Part::hangOn(Part& parent, std::unique_ptr<Connector> connector) {
    input = std::move(connector);
    parentPart = &parent;
    parent.childParts.push_back(this);
    setRoom(parent.room);
}

void Part::propagate() {
    if (input != nullptr) {
        input->apply();
    }
    for (Part* child : childParts) {
        child->propagate();
    }
}

} // namespace Machinery
