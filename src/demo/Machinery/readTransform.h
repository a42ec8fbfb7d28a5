#pragma once

#include "graphics/Matrix4.h"

namespace Zem::Resource {
class XmlNode;
}

namespace Machinery {

// The matrix of a "transform" element: starting from the identity, each "translate" (a vector)
// and "rotate" (degrees, a comma, then the axis: 90,0,1,0) child multiplies it on the right in
// document order, as on an OpenGL matrix stack. Other children are ignored.
Zem::Graphics::Matrix4 readTransform(const Zem::Resource::XmlNode& transform);

} // namespace Machinery
