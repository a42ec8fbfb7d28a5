#pragma once

#include "resource/XmlNode.h"

#include <cstdint>

// Delivers one script event again and again: at start, start + step, start + 2 * step, ...
// while below end. Owned by the ScriptMaster that read the "repeat".
class Automator {
public:
    // step must be positive, or the repetitions never end.
    Automator(int32_t start, int32_t end, int32_t step, const Zem::Resource::XmlNode& event);
    Automator(const Automator&) = delete;
    Automator& operator=(const Automator&) = delete;
    virtual ~Automator();

    // The element delivered for the repetition at time; a copy of event.
    virtual Zem::Resource::XmlNode makeEvent(int time) const;

    // Delivers every repetition due by now, each with its own time, even several that fell due
    // since the last call. When more than maxCatchUp are due (a repeat that started long before
    // the script did), only the latest of them is delivered. True while repetitions remain.
    bool advance(int32_t now);

    // More due repetitions than any frame of a show at a sane tempo can miss.
    static constexpr int64_t maxCatchUp = 256;

    int32_t start;
    int32_t end;
    int32_t step;
    int32_t current;
    Zem::Resource::XmlNode event;

private:
    void skipLongOverdue(int32_t now);
};
