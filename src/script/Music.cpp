#include "script/Music.h"

#include "main/steadyMs.h"

double Music::steadyMilliseconds() {
    return Zem::Main::steadyMs();
}

Music::~Music() = default;

bool Music::seekStream(MusicStream*, int32_t) {
    return false;
}

bool Music::pauseStream(MusicStream*, bool) {
    return false;
}
