#include "main/Driver.h"

namespace Zem::Main {

Driver::~Driver() = default;

bool Driver::init(const Resource::XmlNode&) {
    return true;
}

void Driver::shutdown() {}

std::string Driver::info() const {
    return "No info on driver";
}

} // namespace Zem::Main
