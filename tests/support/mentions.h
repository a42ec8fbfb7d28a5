#pragma once

#include <initializer_list>
#include <string_view>

namespace ZemTest {

// True when `text` holds every one of `parts`: a report is checked by what it names (the entity,
// the key, the file), not by its wording.
template <typename Parts> bool mentions(std::string_view text, const Parts& parts) {
    for (const auto& part : parts) {
        if (text.find(part) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

inline bool mentions(std::string_view text, std::initializer_list<std::string_view> parts) {
    return mentions<std::initializer_list<std::string_view>>(text, parts);
}

} // namespace ZemTest
