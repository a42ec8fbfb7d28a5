#include "input/InputBase.h"
#include "support/FakeDrivers.h"

#include <gtest/gtest.h>

#include <algorithm>

using Zem::Input::InputBase;

namespace {

TEST(InputBaseTest, KeyCodesOutsideAByteAreIgnored) {
    ZemTest::StillInput input;
    input.setKey(256, true);
    input.setKey(-1, true);
    EXPECT_EQ(std::count(input.keys.begin(), input.keys.end(), 0.0f), 256);
}

TEST(InputBaseTest, ButtonsBeyondTheFiveAreIgnored) {
    ZemTest::StillInput input;
    input.setMouseButton(InputBase::MouseButtonCount, true);
    input.setMouseButton(-1, true);
    EXPECT_EQ(std::count(input.mouseButtons.begin(), input.mouseButtons.end(), 0.0f), 5);
}

} // namespace
