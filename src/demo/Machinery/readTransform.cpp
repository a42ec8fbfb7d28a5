#include "demo/Machinery/readTransform.h"

#include "resource/ThreeNumbers.h"
#include "resource/XmlNode.h"
#include "resource/readLongestNumber.h"

#include <sstream>
#include <string>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Resource::XmlNode;

namespace Machinery {

namespace {

Matrix4 readTranslate(const std::string& text) {
    Vector3 offset;
    Zem::Resource::readThreeNumbers(text, offset);
    return Matrix4::translation(offset.x, offset.y, offset.z);
}

// The angle, then the next word with everything up to its first comma dropped as the axis.
// World files write "90,0,1,0"; the axis is used as written, not normalised.
Matrix4 readRotate(const std::string& text) {
    std::istringstream in(text);
    float degrees = 0.0f;
    Zem::Resource::readLongestNumber(in, degrees);
    std::string word;
    in >> word;
    const std::string::size_type comma = word.find(',');
    if (comma != std::string::npos) {
        word.erase(0, comma + 1);
    }
    Vector3 axis;
    Zem::Resource::readThreeNumbers(word, axis);
    return Matrix4::rotation(degrees, axis.x, axis.y, axis.z);
}

} // namespace

Matrix4 readTransform(const XmlNode& transform) {
    Matrix4 result;
    for (std::size_t i = 0; i < transform.childCount(); ++i) {
        const XmlNode& operation = transform.child(i);
        if (operation.kind() != XmlNode::Kind::Element) {
            continue;
        }
        if (operation.name() == "translate") {
            result = Matrix4::product(result, readTranslate(operation.text()));
        } else if (operation.name() == "rotate") {
            result = Matrix4::product(result, readRotate(operation.text()));
        }
    }
    return result;
}

} // namespace Machinery
