#include "LiveShowTest.h"

#include "main/Entity.h"
#include "resource/Mesh.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"
#include "support/PngFile.h"
#include "support/mentions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using AppTest::Pixel;
using Zem::Resource::ResourceManager;
using Zem::Resource::Texture;
using ZemTest::mentions;
using ZemTest::TempDir;

namespace {

const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                             "vn 0 0 1\ng one\nf 1/1/1 2/2/1 3/3/1\n";
const std::string world =
    "<ZEMWorld><entity type='Room' name='A'/>"
    "<entity type='Camera' name='camera'><parent>A</parent></entity>"
    "<entity type='Light' name='lamp'><template>lamp.template</template><parent>A</parent>"
    "</entity><entity type='Entity' name='thing'><model>thing.obj</model><parent>A</parent>"
    "</entity>";
const std::string grown = world + "<entity type='Room' name='B'/></ZEMWorld>";
const std::string brokenWorld = "<ZEMWorld><entity type='Room' name='C'>";
const std::string shader = "shaders/hdr_compose.glfp";
const std::string compose = "void main() { gl_FragColor = vec4(";
const std::string magenta = compose + "1.0, 0.0, 1.0, 1.0); }\n";
const std::string green = compose + "0.0, 1.0, 0.0, 1.0); }\n";
const std::string brokenGreen = compose + "0.0, 1.0, 0.0, 1.0) }\n";
const std::string radius5 = "<template><radius>5</radius></template>";
const std::string radius3 = "<template><radius>3</radius></template>";
const std::string brokenTemplate = "<template>\n<radius>7</radiu>\n</template>\n";
const std::string brokenMesh = triangle + "g three\nf 1/1/1 2/2/1 9/3/1\n";

// A world of a camera, a lamp from a template and a thing from a mesh file, playing.
class LiveReloadTest : public AppTest::LiveShowTest {
protected:
    void SetUp() override { playWithMesh(triangle, "4 r2 g1 drawn"); }
    // Starts the world with this text in thing.obj, two frames in.
    void playWithMesh(const std::string& mesh, const std::string& expected) {
        LiveShowTest::SetUp();
        save("data/lamp.template", "<template><radius>2</radius></template>", 0);
        save("data/thing.obj", mesh, 0);
        initWith(world + "</ZEMWorld>");
        // The passes load their shaders in the first frame; the next look notes their times.
        frame();
        frame();
        ASSERT_EQ(state(), expected);
    }
    // Saves the file ten seconds after the last save: it is taken after one frame and drawn in
    // the next. Returns what the two frames reported.
    std::string saveAndPlay(const std::string& file, const std::string& text) {
        save("data/" + file, text, seconds += 10);
        return frame() + frame();
    }
    // The count of entities (the old ones go) and whether B is one, the lamp's radius from its
    // template, the thing's mesh groups, the colour the compose shader leaves, and whether the
    // world has its camera.
    std::string state() const {
        const Zem::Main::Entity* lamp = game.findEntity("lamp");
        const Zem::Main::Entity* thing = game.findEntity("thing");
        const Pixel p = pixelAt(10, 10);
        std::ostringstream out;
        out << game.entities.size() << (game.findEntity("B") ? "B" : "") << " r"
            << (lamp != nullptr ? lamp->radius : -1.0f) << " g"
            << (thing && thing->model ? thing->model->groups.size() : 0u) << " "
            << (p == Pixel{255, 0, 255} ? "magenta"
                : p == Pixel{0, 255, 0} ? "green"
                                        : "drawn")
            << (game.currentCamera() != nullptr ? "" : " without a camera");
        return out.str();
    }

    int seconds = 0;
};

TEST_F(LiveReloadTest, ASavedShaderIsTakenAtOnce) {
    const std::string said = saveAndPlay(shader, magenta);
    EXPECT_EQ(state(), "4 r2 g1 magenta");
    EXPECT_TRUE(mentions(said, {shader})) << said;
}

// The compiler's complaint is passed on.
TEST_F(LiveReloadTest, ABrokenShaderKeepsTheRunningOne) {
    saveAndPlay(shader, magenta);
    const std::string said = saveAndPlay(shader, brokenGreen);
    EXPECT_EQ(state(), "4 r2 g1 magenta");
    EXPECT_TRUE(mentions(said, {shader, "error"})) << said;
}

TEST_F(LiveReloadTest, AShaderMendedAfterABreakIsTaken) {
    saveAndPlay(shader, magenta);
    saveAndPlay(shader, brokenGreen);
    saveAndPlay(shader, green);
    EXPECT_EQ(state(), "4 r2 g1 green");
}

TEST_F(LiveReloadTest, ASavedWorldIsBuiltAgain) {
    const std::string said = saveAndPlay("main.world", grown);
    EXPECT_EQ(state(), "5B r2 g1 drawn");
    EXPECT_TRUE(mentions(said, {"main.world"})) << said;
}

// In the words a load of the same file gives.
TEST_F(LiveReloadTest, ABrokenWorldKeepsTheRunningOneNamingWhereItBreaksAsALoadDoes) {
    const std::string said = saveAndPlay("main.world", brokenWorld);
    EXPECT_EQ(state(), "4 r2 g1 drawn");
    const std::string load = ZemTest::reportedBy(
        [] { Zem::Resource::ResourceManager::instance().loadUncached("main.world"); });
    const std::string where = load.substr(0, load.find('\n') + 1);
    EXPECT_TRUE(mentions("\n" + said, {"\n" + where, "main.world:1: <entity> is not closed"}))
        << said << load;
}

TEST_F(LiveReloadTest, AWorldMendedAfterABreakIsBuilt) {
    saveAndPlay("main.world", brokenWorld);
    saveAndPlay("main.world", grown);
    EXPECT_EQ(state(), "5B r2 g1 drawn");
}

TEST_F(LiveReloadTest, ASavedTemplateBuildsTheWorldAgain) {
    saveAndPlay("lamp.template", radius5);
    EXPECT_EQ(state(), "4 r5 g1 drawn");
}

TEST_F(LiveReloadTest, ABrokenTemplateKeepsTheRunningWorldNamingWhereItBreaks) {
    const std::string said = saveAndPlay("lamp.template", brokenTemplate);
    EXPECT_EQ(state(), "4 r2 g1 drawn");
    EXPECT_TRUE(mentions(said, {"lamp.template", "line 2"})) << said;
}

TEST_F(LiveReloadTest, ATemplateMendedAfterABreakBuildsTheWorldAgain) {
    saveAndPlay("lamp.template", brokenTemplate);
    saveAndPlay("lamp.template", radius5);
    EXPECT_EQ(state(), "4 r5 g1 drawn");
}

TEST_F(LiveReloadTest, ASavedMeshBuildsTheWorldAgain) {
    saveAndPlay("thing.obj", triangle + "g two\nf 3/3/1 2/2/1 1/1/1\n");
    EXPECT_EQ(state(), "4 r2 g2 drawn");
}

// Like a BMP: in place, the world left standing.
TEST_F(LiveReloadTest, ASavedPngTextureIsTakenInPlace) {
    ZemTest::writePng(dir.file("sign.png"), 2, 2, PNG_FORMAT_RGB, 1.0);
    save("data/sign.png", ZemTest::TempDir::readFile(dir.file("sign.png")), seconds += 10);
    auto& manager = Zem::Resource::ResourceManager::instance();
    Zem::Resource::Resource* held = manager.get("sign.png");
    ASSERT_NE(held, nullptr);
    frame();
    const std::string said =
        saveAndPlay("sign.png", ZemTest::TempDir::readFile(dir.file("sign.png")));
    manager.release(held);
    EXPECT_TRUE(mentions(said, {"Reloaded sign.png"})) << said;
    EXPECT_EQ(state(), "4 r2 g1 drawn");
}

TEST_F(LiveReloadTest, ABrokenMeshKeepsTheRunningWorld) {
    const std::string said = saveAndPlay("thing.obj", brokenMesh);
    EXPECT_EQ(state(), "4 r2 g1 drawn");
    EXPECT_NE(said.find("Unable to load thing.obj"), std::string::npos) << said;
}

// The template's save builds the world again while the mesh stands broken; the mesh mended later
// is taken.
TEST_F(LiveReloadTest, AMeshBrokenWhenTheWorldWasBuiltIsTakenOnceMended) {
    saveAndPlay("thing.obj", brokenMesh);
    saveAndPlay("lamp.template", radius5);
    saveAndPlay("thing.obj", triangle + "g two\nf 3/3/1 2/2/1 1/1/1\n");
    EXPECT_EQ(state(), "4 r5 g2 drawn");
}

// The same world, its mesh broken from the start: the run never loaded it.
class LiveReloadBrokenAtStartTest : public LiveReloadTest {
protected:
    void SetUp() override { playWithMesh(brokenMesh, "4 r2 g0 drawn"); }
};

TEST_F(LiveReloadBrokenAtStartTest, AMeshThatNeverLoadedIsTakenOnceMended) {
    saveAndPlay("thing.obj", triangle);
    EXPECT_EQ(state(), "4 r2 g1 drawn");
}

// The texture everyone holds takes the new picture; the world stays as it is.
TEST_F(LiveReloadTest, ASavedTextureIsTakenInPlace) {
    save("data/textures/wall.bmp", TempDir::readFile("data/textures/crate.bmp"), 0);
    Texture* wall = ResourceManager::instance().get<Texture>("wall.bmp");
    ASSERT_NE(wall, nullptr);
    frame();
    const std::string said =
        saveAndPlay("textures/wall.bmp", TempDir::readFile("data/textures/stone.bmp"));
    EXPECT_EQ(wall->width, 128);
    EXPECT_TRUE(mentions(said, {"Reloaded wall.bmp"})) << said;
    ResourceManager::instance().release(wall);
}

// Ten rounds of a shader, a texture, a template and a mesh saved together, all broken on every
// other round: the show ends on the last mended version of each.
TEST_F(LiveReloadTest, AfterSavesBrokenAndMendedInTurnTheLastMendedOfEachIsShown) {
    const std::string crate = TempDir::readFile("data/textures/crate.bmp");
    const std::string stone = TempDir::readFile("data/textures/stone.bmp");
    const std::string twoGroups = triangle + "g two\nf 3/3/1 2/2/1 1/1/1\n";
    save("data/textures/wall.bmp", crate, 0);
    Texture* wall = ResourceManager::instance().get<Texture>("wall.bmp");
    ASSERT_NE(wall, nullptr);
    frame();
    for (int round = 0; round < 10; ++round) {
        const bool broken = round % 2 == 0;
        const bool last = round % 4 == 1;
        seconds += 10;
        save("data/" + shader, broken ? brokenGreen : last ? green : magenta, seconds);
        save("data/textures/wall.bmp",
             broken ? crate.substr(0, 100)
             : last ? stone
                    : crate,
             seconds);
        save("data/lamp.template", broken ? brokenTemplate : last ? radius5 : radius3, seconds);
        save("data/thing.obj", broken ? brokenMesh : last ? twoGroups : triangle, seconds);
        frame();
        frame();
    }
    EXPECT_EQ(state(), "4 r5 g2 green");
    EXPECT_EQ(wall->width, 128);
    ResourceManager::instance().release(wall);
}

} // namespace
