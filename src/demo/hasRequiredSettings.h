#pragma once

#include <initializer_list>
#include <string>

namespace Zem::Resource {
class XmlNode;
}

// True when the element has a child for every key. Otherwise writes, on standard output, which
// key the entity type lacks, e.g. CubeGrid "grid": no "xsize" setting, not created; the
// factory then builds nothing. Effects that have no sensible default for a setting use this.
bool hasRequiredSettings(const Zem::Resource::XmlNode& element, const std::string& type,
                         std::initializer_list<const char*> keys);
