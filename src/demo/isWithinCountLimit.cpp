#include "demo/isWithinCountLimit.h"

#include "resource/XmlNode.h"

#include <iostream>

bool isWithinCountLimit(const Zem::Resource::XmlNode& element, const std::string& type,
                        const std::string& what, int64_t count, int64_t limit) {
    if (count <= limit) {
        return true;
    }
    std::cout << type << " \"" << element.attribute("name") << "\": " << count << " " << what
              << " is more than " << limit << ", not created" << std::endl;
    return false;
}
