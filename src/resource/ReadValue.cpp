#include "resource/ReadValue.h"

#include "resource/XmlNode.h"
#include "resource/readLongestNumber.h"

#include <sstream>
#include <type_traits>

namespace Zem::Resource {

namespace {

template <typename Number>
bool readNumber(const XmlNode& node, std::string_view key, Number& target) {
    const XmlNode& setting = node.child(key);
    if (setting.isEmpty()) {
        return false;
    }
    std::istringstream in(setting.text());
    // Through a temporary: a failed extraction stores 0, and the default must survive it.
    Number value{};
    bool read = false;
    if constexpr (std::is_floating_point_v<Number>) {
        read = readLongestNumber(in, value);
    } else {
        read = static_cast<bool>(in >> value);
    }
    if (read) {
        target = value;
    }
    return true;
}

} // namespace

bool readValue(const XmlNode& node, std::string_view key, int& target) {
    return readNumber(node, key, target);
}

bool readValue(const XmlNode& node, std::string_view key, unsigned int& target) {
    return readNumber(node, key, target);
}

bool readValue(const XmlNode& node, std::string_view key, float& target) {
    return readNumber(node, key, target);
}

bool readValue(const XmlNode& node, std::string_view key, double& target) {
    return readNumber(node, key, target);
}

bool readValue(const XmlNode& node, std::string_view key, std::string& target) {
    const XmlNode& setting = node.child(key);
    if (setting.isEmpty()) {
        return false;
    }
    target = setting.text();
    return true;
}

} // namespace Zem::Resource
