#include "resource/ThreeNumbers.h"

#include "resource/XmlNode.h"
#include "resource/readLongestNumber.h"

#include <istream>
#include <sstream>

namespace Zem::Resource {

namespace {

// A number that cannot be read keeps the previous value.
bool readNumber(std::istream& in, float& target) {
    return readLongestNumber(in, target);
}

void readNumberAfterSeparator(std::istream& in, float& target) {
    if (readNumber(in, target)) {
        return;
    }
    in.clear();
    char separator = 0;
    in >> separator;
    readNumber(in, target);
}

} // namespace

void readThreeNumbers(std::istream& in, float& x, float& y, float& z) {
    readNumber(in, x);
    readNumberAfterSeparator(in, y);
    readNumberAfterSeparator(in, z);
}

void readThreeNumbers(std::istream& in, Graphics::Vector3& v) {
    readThreeNumbers(in, v.x, v.y, v.z);
}

void readThreeNumbers(const std::string& text, Graphics::Vector3& v) {
    std::istringstream in(text);
    readThreeNumbers(in, v);
}

bool readValue(const XmlNode& node, std::string_view key, Graphics::Vector3& target) {
    const XmlNode& setting = node.child(key);
    if (setting.isEmpty()) {
        return false;
    }
    readThreeNumbers(setting.text(), target);
    return true;
}

} // namespace Zem::Resource
