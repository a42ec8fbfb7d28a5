#include "script/Music.h"

#include <chrono>

double Music::steadyMilliseconds() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

Music::~Music() = default;

bool Music::seekStream(MusicStream*, int32_t) {
    return false;
}

bool Music::pauseStream(MusicStream*, bool) {
    return false;
}
