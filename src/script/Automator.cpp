#include "script/Automator.h"

#include "main/BaseEntity.h"
#include "main/Game.h"

#include <algorithm>
#include <limits>

using Zem::Resource::XmlNode;

Automator::Automator(int32_t start, int32_t end, int32_t step, const XmlNode& event)
    : start(start), end(end), step(step), current(start), event(event) {}

Automator::~Automator() = default;

void Automator::skipLongOverdue(int32_t now) {
    if (step <= 0 || current >= end) {
        return;
    }
    const int64_t lastDue = std::min<int64_t>(now, int64_t(end) - 1);
    const int64_t due = (lastDue - current) / step + 1;
    if (due > maxCatchUp) {
        // Only the latest due repetition is delivered; the older ones are past help.
        current = static_cast<int32_t>(current + (due - 1) * int64_t(step));
    }
}

XmlNode Automator::makeEvent(int) const {
    return event;
}

bool Automator::advance(int32_t now) {
    if (current > now) {
        return current < end;
    }
    skipLongOverdue(now);
    while (current < end) {
        const XmlNode delivered = makeEvent(current);
        Zem::Main::Game* game = Zem::Main::currentGame;
        auto* target = dynamic_cast<Zem::Main::BaseEntity*>(
            game != nullptr ? game->findEntity(delivered.attribute("target")) : nullptr);
        if (target != nullptr) {
            target->command(current, delivered);
        }
        // Saturates rather than wrapping past the largest step count.
        const int64_t next = static_cast<int64_t>(current) + step;
        current =
            static_cast<int32_t>(std::min<int64_t>(next, std::numeric_limits<int32_t>::max()));
        if (current > now) {
            break;
        }
    }
    return current < end;
}
