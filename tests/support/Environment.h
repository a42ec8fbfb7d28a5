#pragma once

#include <cstdlib>
#include <string>

namespace ZemTest {

// Sets a variable of the process's environment, replacing any value it had.
void setEnvironment(const std::string& name, const std::string& value);

// SDL's headless drivers (offscreen video, dummy audio) unless the run chose others already. A
// Windows test run draws offscreen when asked and has no sound card (tools/windows/wine-run.sh).
inline void useHeadlessDrivers() {
    for (const auto& [name, value] :
         {std::pair{"SDL_VIDEODRIVER", "offscreen"}, std::pair{"SDL_AUDIODRIVER", "dummy"}}) {
        if (std::getenv(name) == nullptr) {
            setEnvironment(name, value);
        }
    }
}

} // namespace ZemTest
