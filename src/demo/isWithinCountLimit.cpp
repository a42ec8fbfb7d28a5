#include "demo/isWithinCountLimit.h"

#include "main/report.h"
#include "resource/XmlNode.h"

bool isWithinCountLimit(const Zem::Resource::XmlNode& element, const std::string& type,
                        const std::string& what, int64_t count, int64_t limit) {
    if (count <= limit) {
        return true;
    }
    Zem::Main::report(type + " \"" + element.attribute("name") + "\": " + std::to_string(count) +
                      " " + what + " is more than " + std::to_string(limit) + ", not created");
    return false;
}
