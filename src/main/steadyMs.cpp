#include "main/steadyMs.h"

#include <chrono>

namespace Zem::Main {

double steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace Zem::Main
