#include "support/Environment.h"

#include <stdlib.h>

namespace ZemTest {

void setEnvironment(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

} // namespace ZemTest
