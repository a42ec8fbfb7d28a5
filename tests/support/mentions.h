#pragma once

#include <string>
#include <vector>

namespace ZemTest {

// True when `text` holds every one of `parts`: a report is checked by what it names (the entity,
// the key, the file), not by its wording.
inline bool mentions(const std::string& text, const std::vector<std::string>& parts) {
    for (const std::string& part : parts) {
        if (text.find(part) == std::string::npos) {
            return false;
        }
    }
    return true;
}

} // namespace ZemTest
