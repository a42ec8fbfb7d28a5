#pragma once

#include "graphics/DisplayBase.h"
#include "input/InputBase.h"

namespace ZemTest {

// Drivers that do nothing, for a game run without a window: keys are set by the test.
class StillInput : public Zem::Input::InputBase {
public:
    bool update(float) override { return true; }
};

class StillDisplay : public Zem::Graphics::DisplayBase {
public:
    bool update(float) override { return true; }
    void swapBuffers() override {}
};

} // namespace ZemTest
