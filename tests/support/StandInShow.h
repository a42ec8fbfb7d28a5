#pragma once

#include "main/Show.h"

#include <string>

namespace ZemTest {

// A show that does nothing and stands at 0; a test overrides what it watches.
class StandInShow : public Zem::Main::Show {
public:
    int32_t showTimeMs() const override { return 0; }
    int32_t endTimeMs() const override { return -1; }
    bool ended() const override { return false; }
    bool hasClock() const override { return true; }
    void draw() override {}
    void step(float) override {}
    void seek(int32_t) override {}
    void setPaused(bool) override {}
    bool paused() const override { return false; }
    void setPictureLeadMs(double) override {}
    std::string cameraName() const override { return ""; }
    void reload() override {}
    void observeFrames(Zem::Graphics::RenderObserver*) override {}
};

} // namespace ZemTest
