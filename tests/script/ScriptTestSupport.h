#pragma once

#include "script/Music.h"
#include "support/FrameGame.h"
#include "support/ReportRecorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace ScriptTest {

// Headless runs have no sound card; the dummy driver stands in for one.
inline std::unique_ptr<Music> musicAt(const double* nowMs, bool trustDummyDevice = false) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return Music::create([nowMs] { return *nowMs; }, trustDummyDevice);
}

using ZemTest::reportedBy;

} // namespace ScriptTest
