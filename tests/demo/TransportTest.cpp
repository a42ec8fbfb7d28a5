#include "StillShow.h"

#include "graphics/ShaderRegistry.h"
#include "input/VirtualKeys.h"
#include "main/BaseEntity.h"
#include "resource/ResourceManager.h"
#include "script/SilentMusic.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <vector>

namespace {

// The shipped show on a silent clock the test moves by hand.
class ShippedShow : public DemoTest::StillShow {
public:
    explicit ShippedShow(const DemoOptions& options = DemoOptions()) : StillShow("./") {
        Zem::Graphics::ShaderRegistry::instance().reset();
        Zem::Resource::ResourceManager::instance().reset();
        game.useOptions(options);
        game.useMusic([this] { return std::make_unique<SilentMusic>([this] { return nowMs; }); });
        ok = game.init();
    }
    ~ShippedShow() { Zem::Resource::ResourceManager::instance().reset(); }

    // Every entity's place: what a jump must bring back.
    std::vector<Zem::Graphics::Matrix4> state() {
        std::vector<Zem::Graphics::Matrix4> places;
        for (auto* entity : game.entities) {
            if (auto* placed = dynamic_cast<Zem::Main::BaseEntity*>(entity)) {
                places.push_back(placed->getWorldMatrix());
            }
        }
        return places;
    }
    int32_t showTime() { return game.transport()->showTimeMs(); }

    double nowMs = 0.0;
    bool ok = false;
};

void expectSameState(const std::vector<Zem::Graphics::Matrix4>& a,
                     const std::vector<Zem::Graphics::Matrix4>& b, const char* what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    ASSERT_GT(a.size(), 10u);
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (int k = 0; k < 16; ++k) {
            ASSERT_NEAR(a[i].m[k], b[i].m[k], 1e-3f)
                << what << ": entity " << i << " [" << k << "]";
        }
    }
}

class TransportTest : public ZemTest::GLTest {};

// --start 30 must leave the world as playing to 30 s does, moving effects included, whether it
// gets there forward, by building the world again after going past, or by reloading it.
TEST_F(TransportTest, AJumpLeavesTheWorldAsPlayingWould) {
    const double step = 1000.0 / 60.0;
    std::vector<Zem::Graphics::Matrix4> played;
    {
        ShippedShow show;
        ASSERT_TRUE(show.ok);
        show.game.transport()->setPaused(false);
        for (int i = 1; i * step <= 30000.0 + 1e-6; ++i) {
            show.nowMs = std::floor(i * step);
            show.game.stepWorld(static_cast<float>(step / 1000.0));
        }
        EXPECT_EQ(show.showTime(), 30000);
        played = show.state();
    }
    DemoOptions late;
    late.startSeconds = 30.0;
    ShippedShow started(late);
    EXPECT_EQ(started.showTime(), 30000);
    expectSameState(started.state(), played, "--start 30");

    ShippedShow jumped;
    jumped.game.transport()->seek(41000);
    jumped.game.transport()->seek(30000);
    EXPECT_EQ(jumped.showTime(), 30000);
    expectSameState(jumped.state(), played, "past 30 s and back");

    // A saved world is built again from disk and brought back to where the show stood.
    jumped.game.reloadWorld();
    EXPECT_EQ(jumped.showTime(), 30000);
    expectSameState(jumped.state(), played, "reloaded at 30 s");
}

// Each press, held for some frames, acts once; then the clock moves on by `laterMs`.
TEST_F(TransportTest, KeysPauseJumpAndGoHomeOncePerPress) {
    using namespace Zem::Input::VirtualKey;
    DemoOptions options;
    options.startSeconds = 10.0;
    ShippedShow show(options);
    Transport& transport = *show.game.transport();
    const struct {
        int key, frames;
        double laterMs;
        int32_t showTime;
        bool paused;
    } presses[] = {{Right, 3, 0, 15000, false}, // held for three frames, jumps once
                   {Left, 1, 0, 10000, false},
                   {Space, 1, 4000, 10000, true}, // the clock waits
                   {Space, 1, 500, 10500, false},
                   {Home, 1, 0, 10000, false}}; // the start asked for
    for (const auto& p : presses) {
        SCOPED_TRACE(p.key);
        for (int i = 0; i <= p.frames; ++i) {
            show.input->keys[static_cast<std::size_t>(p.key)] = i < p.frames ? 1.0f : 0.0f;
            transport.handleKeys(*show.input);
        }
        show.nowMs += p.laterMs;
        EXPECT_EQ(transport.paused(), p.paused);
        EXPECT_EQ(show.showTime(), p.showTime);
    }
}

TEST_F(TransportTest, TheEndLoopsToTheStartOrEndsTheRun) {
    DemoOptions options;
    options.startSeconds = 2.0;
    options.endSeconds = 3.0;
    for (const bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "looping" : "once");
        options.loop = loop;
        ShippedShow show(options);
        EXPECT_TRUE(show.game.transport()->goesOn());
        show.game.transport()->seek(3000);
        EXPECT_EQ(show.game.transport()->goesOn(), loop);
        EXPECT_EQ(show.showTime(), loop ? 2000 : 3000);
    }
}

// A maker's folder holds only what it changes: its own files win, the shipped ones fill in.
TEST_F(TransportTest, AWorldElsewhereFindsItsOwnFilesFirstThenTheShippedOnes) {
    ZemTest::TempDir folder;
    std::ofstream(folder.file("mine.world"))
        << "<ZEMWorld><entity type='Room' name='r'/>"
           "<entity type='Entity' name='box'><template>crate.template</template>"
           "<parent>r</parent></entity>"
           "<entity type='Entity' name='gear'><model>kugghjul.obj</model><parent>r</parent>"
           "</entity></ZEMWorld>";
    std::ofstream(folder.file("crate.template"))
        << "<template><model>crate.obj</model><radius>7.5</radius></template>";
    DemoOptions options;
    options.worldFile = folder.file("mine.world");
    ShippedShow show(options);
    auto* box = dynamic_cast<Zem::Main::BaseEntity*>(show.game.findEntity("box"));
    auto* gear = dynamic_cast<Zem::Main::BaseEntity*>(show.game.findEntity("gear"));
    ASSERT_NE(box, nullptr);
    ASSERT_NE(gear, nullptr);
    EXPECT_FLOAT_EQ(box->radius, 7.5f) << "the maker's template, not the shipped one";
    EXPECT_NE(box->model, nullptr) << "the shipped mesh the template names";
    EXPECT_NE(gear->model, nullptr);
    EXPECT_EQ(show.game.findEntity("crate_hall"), nullptr) << "the shipped world is not loaded";
}

} // namespace
