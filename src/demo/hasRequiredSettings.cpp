#include "demo/hasRequiredSettings.h"

#include "main/report.h"
#include "resource/XmlNode.h"

bool hasRequiredSettings(const Zem::Resource::XmlNode& element, const std::string& type,
                         std::initializer_list<const char*> keys) {
    bool complete = true;
    for (const char* key : keys) {
        if (element.child(key).isEmpty()) {
            Zem::Main::report(type + " \"" + element.attribute("name") + "\": no \"" + key +
                              "\" setting, not created");
            complete = false;
        }
    }
    return complete;
}
