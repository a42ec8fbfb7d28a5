#include "script/Music.h"

#include "script/Music_sdl2.h"

#include <chrono>

double Music::steadyMilliseconds() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::unique_ptr<Music> Music::create(TimeSource timeSource, bool trustDummyDevice) {
    return std::make_unique<Music_sdl2>(std::move(timeSource), trustDummyDevice);
}

Music::~Music() = default;

bool Music::seekStream(MusicStream*, int32_t) {
    return false;
}

bool Music::pauseStream(MusicStream*, bool) {
    return false;
}
