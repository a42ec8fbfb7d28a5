#include "graphics/DisplayBase.h"
#include "resource/XmlNode.h"
#include "support/FakeDrivers.h"

#include <gtest/gtest.h>

#include <string>

using Zem::Graphics::DisplaySettings;

namespace {

// A display that only reads its configuration.
class ReadingDisplay : public ZemTest::StillDisplay {
public:
    bool init(const Zem::Resource::XmlNode& config) override {
        readSettings(config);
        return true;
    }
};

DisplaySettings read(const std::string& resolution) {
    ReadingDisplay display;
    display.init(
        Zem::Resource::XmlNode("<display><resolution>" + resolution + "</resolution></display>"));
    return display.settings();
}

TEST(DisplayBaseTest, FullscreenTrueOrOneAsksForTheFullScreen) {
    EXPECT_TRUE(read("<fullscreen>true</fullscreen>").fullscreen);
    EXPECT_TRUE(read("<fullscreen>1</fullscreen>").fullscreen);
}

TEST(DisplayBaseTest, DoublebufferFalseOrZeroDrawsWithOneBuffer) {
    EXPECT_FALSE(read("<doublebuffer>false</doublebuffer>").doublebuffer);
    EXPECT_FALSE(read("<doublebuffer>0</doublebuffer>").doublebuffer);
}

} // namespace
