#include "script/Music.h"

#ifndef _WIN32
#include "script/Music_sdl2.h"
#endif

#include <chrono>

double Music::steadyMilliseconds() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Windows builds define it beside their back end, in Music_win32.cpp.
#ifndef _WIN32
std::unique_ptr<Music> Music::create(TimeSource timeSource, bool trustDummyDevice) {
    return std::make_unique<Music_sdl2>(std::move(timeSource), trustDummyDevice);
}
#endif

Music::~Music() = default;

bool Music::seekStream(MusicStream*, int32_t) {
    return false;
}

bool Music::pauseStream(MusicStream*, bool) {
    return false;
}
