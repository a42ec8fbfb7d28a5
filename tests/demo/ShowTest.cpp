#include "StillShow.h"

#include "app/Transport.h"

#include "graphics/Display_sdl2.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/hasCurrentContext.h"
#include "input/Input_sdl2.h"
#include "input/VirtualKeys.h"
#include "main/BaseEntity.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "script/SilentMusic.h"
#include "support/GLContext.h"
#include "support/ImageCapture.h"
#include "support/ShowPlayer.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The shipped show on a silent clock the test moves by hand.
class ShippedShow : public DemoTest::StillShow {
public:
    explicit ShippedShow(const ShowFiles& files = ShowFiles()) : StillShow("./") {
        Zem::Graphics::ShaderRegistry::instance().reset();
        Zem::Resource::ResourceManager::instance().reset();
        game.useFiles(files);
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
    int32_t showTime() { return game.showTimeMs(); }

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
        // The music starts at 0, as a jump starts it.
        show.game.scriptMaster()->setPaused(false);
        for (int i = 1; i * step <= 30000.0 + 1e-6; ++i) {
            show.nowMs = std::floor(i * step);
            show.game.step(static_cast<float>(step / 1000.0));
        }
        EXPECT_EQ(show.showTime(), 30000);
        played = show.state();
    }
    ShippedShow started;
    Zem::App::Transport(started.game, 30.0, -1.0, false).begin();
    EXPECT_EQ(started.showTime(), 30000);
    expectSameState(started.state(), played, "--start 30");

    ShippedShow jumped;
    jumped.game.seek(41000);
    jumped.game.seek(30000);
    EXPECT_EQ(jumped.showTime(), 30000);
    expectSameState(jumped.state(), played, "past 30 s and back");

    // A saved world is built again from disk and brought back to where the show stood.
    jumped.game.reload();
    EXPECT_EQ(jumped.showTime(), 30000);
    expectSameState(jumped.state(), played, "reloaded at 30 s");
}

// Each press, held for some frames, acts once; then the clock moves on by `laterMs`.
TEST_F(TransportTest, KeysPauseJumpAndGoHomeOncePerPress) {
    using namespace Zem::Input::VirtualKey;
    ShippedShow show;
    Zem::App::Transport transport(show.game, 10.0, -1.0, false);
    transport.begin();
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
        EXPECT_EQ(show.game.paused(), p.paused);
        EXPECT_EQ(show.showTime(), p.showTime);
    }
}

TEST_F(TransportTest, TheEndLoopsToTheStartOrEndsTheRun) {
    for (const bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "looping" : "once");
        ShippedShow show;
        Zem::App::Transport transport(show.game, 2.0, 3.0, loop);
        transport.begin();
        EXPECT_TRUE(transport.goesOn());
        show.game.seek(3000);
        EXPECT_EQ(transport.goesOn(), loop);
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
    ShowFiles files;
    files.worldFile = folder.file("mine.world");
    ShippedShow show(files);
    auto* box = dynamic_cast<Zem::Main::BaseEntity*>(show.game.findEntity("box"));
    auto* gear = dynamic_cast<Zem::Main::BaseEntity*>(show.game.findEntity("gear"));
    ASSERT_NE(box, nullptr);
    ASSERT_NE(gear, nullptr);
    EXPECT_FLOAT_EQ(box->radius, 7.5f) << "the maker's template, not the shipped one";
    EXPECT_NE(box->model, nullptr) << "the shipped mesh the template names";
    EXPECT_NE(gear->model, nullptr);
    EXPECT_EQ(show.game.findEntity("crate_hall"), nullptr) << "the shipped world is not loaded";
}

// A short show: a mesh with a material and texture, a light, dust, and a script that ends the
// run after 20 steps of 1 ms.
const char* const shortShow =
    "<ZEMWorld><entity type='ScriptMaster' name='mainscript'><offset>0</offset><bpm>15000</bpm>"
    "<script><event time='0 0 1' target='mainscript' command='setcamera'>camera</event>"
    "<event time='0 0 20' target='mainscript' command='exit'/></script></entity>"
    "<entity type='Room' name='hall'><model>room_a.obj</model></entity>"
    "<entity type='Camera' name='camera'><parent>hall</parent></entity>"
    "<entity type='Entity' name='box'><parent>hall</parent><model>crate.obj</model></entity>"
    "<entity type='Light' name='lamp'><parent>hall</parent><radius>4</radius></entity>"
    "</ZEMWorld>";

// The whole program, drivers and all, as main() runs it, in a folder whose data/ holds the
// shipped files and a world of the test's own.
class DisplayFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset());
        Zem::Resource::ResourceManager::instance().reset();
        previousDriver = std::getenv("SDL_VIDEODRIVER");
    }
    void TearDown() override {
        setenv("SDL_VIDEODRIVER", previousDriver.c_str(), 1);
        Zem::Resource::ResourceManager::instance().reset();
    }

    // What the main loop returned; standard error and output are kept in `errors` and `output`.
    bool run(const std::string& world, const std::string& driver, const std::string& config,
             const std::function<uint32_t()>& clock = {}) {
        DemoTest::shippedDataWithWorld(dir, world);
        setenv("SDL_VIDEODRIVER", driver.c_str(), 1);
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        bool gameEnded = false;
        {
            Ombrel game;
            Zem::Main::Engine engine;
            engine.setWorkingDir(dir.path() + "/");
            engine.registerDriver("input", std::make_unique<Zem::Input::Input_sdl2>());
            engine.registerDriver("display", std::make_unique<Zem::Graphics::Display_sdl2>());
            game.engine = &engine;
            engine.setGame(&game);
            engine.init(Zem::Resource::XmlNode(config));
            if (clock) {
                engine.setClock(clock);
            }
            gameEnded = engine.run();
            engine.shutdown();
        }
        output = testing::internal::GetCapturedStdout();
        errors = testing::internal::GetCapturedStderr();
        return gameEnded;
    }

    ZemTest::TempDir dir;
    std::string previousDriver = "offscreen";
    std::string output, errors;
};

// Each way the display can fail to open: the show runs on unseen, with its message, until the
// script's exit ends it.
TEST_F(DisplayFailureTest, EveryDisplayFailureLeavesAShowThatRunsToItsExit) {
    const struct {
        const char* driver;
        const char* config;
        const char* message;
    } cases[] = {
        {"nonexistent", "<config/>", "ERROR: Failed To Register The Window Class."},
        {"dummy", "<config/>", "ERROR: Window Creation Error."},
        {"offscreen",
         "<config><display><resolution><depthbpp>99</depthbpp><stencilbpp>99</stencilbpp>"
         "</resolution></display></config>",
         "ERROR: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver);
        EXPECT_TRUE(run(shortShow, c.driver, c.config)) << errors;
        EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
        EXPECT_FALSE(Zem::Graphics::hasCurrentContext());
        EXPECT_NE(ZemTest::TempDir::readFile(dir.file("zem.log")).find(c.message),
                  std::string::npos);
    }
}

// The script never exits: only SIGTERM, raised while the first frame starts, ends the run.
TEST_F(DisplayFailureTest, ASignalEndsAShowWithoutADisplay) {
    EXPECT_FALSE(run("<ZEMWorld><entity type='ScriptMaster' name='mainscript'><offset>0</offset>"
                     "<bpm>15000</bpm><script/></entity></ZEMWorld>",
                     "nonexistent", "<config/>", [] {
                         std::raise(SIGTERM);
                         return 0u;
                     }));
    EXPECT_NE(output.find("Engine: stopping on signal"), std::string::npos) << output;
}

constexpr int frameWidth = 320;
constexpr int frameHeight = 240;
// Drawn before each compared frame, so the eye adaptation has the same history every run.
constexpr int settleFrames = 8;
constexpr double minimumPsnr = 35.0;
const double showSeconds[] = {2, 10, 20, 30, 40, 50};

std::string referencePath(double seconds) {
    return "tests/golden/show-" + std::to_string(static_cast<int>(seconds)) + "s.png";
}

// Absolute differences, amplified so that small drifts show.
ZemTest::ImageCapture difference(const ZemTest::ImageCapture& a, const ZemTest::ImageCapture& b) {
    std::vector<std::uint8_t> out(a.data().size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int d = std::abs(int(a.data()[i]) - int(b.data()[i])) * 8;
        out[i] = static_cast<std::uint8_t>(d > 255 ? 255 : d);
    }
    ZemTest::ImageCapture image(a.width(), a.height());
    image.data() = std::move(out);
    return image;
}

// Every error GL reports through KHR_debug, with the driver's words (they name the call).
void GLAPIENTRY collectError(GLenum, GLenum type, GLuint, GLenum, GLsizei, const GLchar* message,
                             const void* user) {
    if (type == GL_DEBUG_TYPE_ERROR) {
        static_cast<std::vector<std::string>*>(const_cast<void*>(user))->push_back(message);
    }
}

// Frames of the shipped show at fixed times, compared with references rendered earlier by this
// renderer, so that changes made for speed cannot drift the picture unnoticed. Set
// ZEM_WRITE_SHOW_FRAMES=1 to write new references instead (after a change meant to alter the
// picture).
TEST(ShowFramesTest, FramesOfTheShowStayCloseToTheReferences) {
    const bool writing = std::getenv("ZEM_WRITE_SHOW_FRAMES") != nullptr;
    ZemTest::ShowPlayer player(frameWidth, frameHeight);
    ASSERT_TRUE(player.ready()) << "the show did not start";
    const std::filesystem::path failures =
        std::filesystem::temp_directory_path() / "zem-show-frames";

    for (double seconds : showSeconds) {
        player.playTo(seconds, settleFrames);
        const ZemTest::ImageCapture frame =
            ZemTest::ImageCapture::readFramebuffer(0, 0, frameWidth, frameHeight);
        const std::string reference = referencePath(seconds);
        if (writing) {
            ASSERT_TRUE(frame.writePng(reference)) << reference;
            continue;
        }
        const ZemTest::ImageCapture expected = ZemTest::ImageCapture::readPng(reference);
        ASSERT_EQ(expected.width(), frameWidth) << "no reference " << reference;
        ASSERT_EQ(expected.height(), frameHeight) << reference;
        const double measured = ZemTest::psnr(frame, expected);
        std::cout << "show frame at " << seconds << " s: " << measured << " dB" << std::endl;
        if (measured < minimumPsnr) {
            std::filesystem::create_directories(failures);
            const std::string stem = (failures / std::filesystem::path(reference).stem()).string();
            frame.writePng(stem + "-rendered.png");
            difference(frame, expected).writePng(stem + "-difference.png");
            ADD_FAILURE() << "the frame at " << seconds << " s is " << measured
                          << " dB from its reference; rendered and difference images in "
                          << failures.string();
        }
    }
}

class ShowGLErrorsTest : public ZemTest::GLTest {
protected:
    void TearDown() override {
        if (GLEW_KHR_debug) {
            glDebugMessageCallback(nullptr, nullptr);
            glDisable(GL_DEBUG_OUTPUT);
        }
        Zem::Resource::ResourceManager::instance().reset();
    }
};

// Ten seconds of the shipped show at 20 frames a second, every pass and effect drawn: GL must
// not refuse a single call, loading or drawing. Each error says when it came and what GL said.
TEST_F(ShowGLErrorsTest, TenSecondsOfTheShippedShowRaiseNoGLError) {
    Zem::Graphics::ShaderRegistry::instance().reset();
    Zem::Resource::ResourceManager::instance().reset();
    double nowMs = 0.0;
    DemoTest::StillShow show("./");
    show.game.useMusic(
        [&nowMs] { return std::make_unique<SilentMusic>([&nowMs] { return nowMs; }); });
    std::vector<std::string> errors;
    // Names the errors from `first` on, with those glGetError holds.
    const auto takeErrors = [&errors](std::size_t first, const std::string& when) {
        for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
            errors.push_back("glGetError " + std::to_string(error));
        }
        for (std::size_t i = first; i < errors.size(); ++i) {
            errors[i] = when + ": " + errors[i];
        }
    };
    while (glGetError() != GL_NO_ERROR) {
    }
    if (GLEW_KHR_debug) {
        glEnable(GL_DEBUG_OUTPUT);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(collectError, &errors);
    }
    ASSERT_TRUE(show.game.init());
    takeErrors(0, "while loading");
    constexpr int framesPerSecond = 20;
    for (int frame = 0; frame < 10 * framesPerSecond; ++frame) {
        nowMs = frame * 1000.0 / framesPerSecond;
        const std::size_t before = errors.size();
        ASSERT_TRUE(show.game.update(1.0f / framesPerSecond))
            << "the show lasts longer than ten seconds";
        takeErrors(before, "frame " + std::to_string(frame));
    }
    EXPECT_TRUE(errors.empty()) << errors.size() << " errors, the first: " << errors.front();
    show.engine.shutdown();
}

} // namespace
