#include "demo/hasRequiredSettings.h"

#include "resource/XmlNode.h"

#include <iostream>

bool hasRequiredSettings(const Zem::Resource::XmlNode& element, const std::string& type,
                         std::initializer_list<const char*> keys) {
    bool complete = true;
    for (const char* key : keys) {
        if (element.child(key).isEmpty()) {
            std::cout << type << " \"" << element.attribute("name") << "\": no \"" << key
                      << "\" setting, not created" << std::endl;
            complete = false;
        }
    }
    return complete;
}
