// ombrel --check, run as a maker runs it on a world before playing it.
#include "ProgramRun.h"

#include "support/PngFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using AppTest::ombrel;
using AppTest::ProgramRun;
using Files = std::vector<std::pair<std::string, std::string>>;

// A room and its camera; the mistake goes on line 4.
std::string worldWith(const std::string& line4) {
    return "<ZEMWorld>\n"
           "<entity type=\"Room\" name=\"hall\"><model>room_a.obj</model></entity>\n"
           "<entity type=\"Camera\" name=\"camera\"><parent>hall</parent><position>0 1.7 3"
           "</position></entity>\n" +
           line4 + "\n</ZEMWorld>\n";
}

const std::string square = "mtllib pic.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\n"
                           "vt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\ng square\nusemtl pic\n"
                           "f 1/1/1 2/2/1 3/3/1 4/4/1\n";
const std::string picture = "<entity type=\"Entity\" name=\"pic\"><parent>hall</parent>"
                            "<model>pic.obj</model><radius>2</radius></entity>";
const std::string script = "<entity type=\"ScriptMaster\" name=\"mainscript\"><bpm>120</bpm>"
                           "<script>";

// The world written into a folder of its own, beside the files it names, and checked.
ProgramRun check(const std::string& world, const Files& files = {}) {
    const ZemTest::TempDir dir;
    for (const auto& [name, text] : files) {
        std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
        std::ofstream(dir.file(name), std::ios::binary) << text;
    }
    std::ofstream(dir.file("w.world"), std::ios::binary) << world;
    if (std::filesystem::exists(dir.file("pic.mtl"))) {
        ZemTest::writePng(dir.file("deep.png"), 4, 4, PNG_FORMAT_LINEAR_RGB, 0.5);
    }
    ProgramRun run = ombrel("--check " + dir.file("w.world"), "timeout 60");
    // Said of the folder's world, however deep the folder.
    const std::string folder = dir.path() + "/";
    for (std::string* text : {&run.output, &run.errors}) {
        for (std::size_t at = text->find(folder); at != std::string::npos;
             at = text->find(folder, at)) {
            text->erase(at, folder.size());
        }
    }
    return run;
}

TEST(WorldCheckTest, EveryWorldTheProjectShipsIsClean) {
    const ZemTest::TempDir dir;
    std::filesystem::create_directories(dir.file("my"));
    std::ofstream(dir.file("my/two-rooms.world")) << AppTest::tutorialWorld();
    for (const std::string& world : {std::string(), dir.file("my/two-rooms.world")}) {
        const ProgramRun run = ombrel("--check " + world, "timeout 60");
        EXPECT_EQ(run.exitCode, 0) << world << "\n" << run.output << run.errors;
        EXPECT_NE(run.output.find(": no mistakes found\n"), std::string::npos) << run.output;
    }
}

// Each mistake is one line, naming the file, the line, the entity and what to do; the check
// ends with 1.
struct Mistake {
    const char* name;
    std::string line4;
    Files files;
    std::string expected;
};

const Mistake mistakes[] = {
    {"AMissingModel",
     "<entity type=\"Entity\" name=\"crate\"><model>nosuch.obj</model></entity>",
     {},
     "w.world:4: Entity \"crate\": no model \"nosuch.obj\""},
    {"AMissingTemplate",
     "<entity type=\"Entity\" name=\"box\"><template>box.template</template></entity>",
     {},
     "w.world:4: Skipping entity \"box\": no template \"box.template\""},
    {"AMissingTextureOfAMaterial",
     picture,
     {{"pic.obj", square}, {"pic.mtl", "newmtl pic\nKd 1 1 1\nmap_Kd pic.tga\n"}},
     "w.world:4: pic.obj: material \"pic\": no texture \"pic.tga\" (map_Kd)"},
    {"ASixteenBitPng",
     picture,
     {{"pic.obj", square}, {"pic.mtl", "newmtl pic\nKd 1 1 1\nmap_Kd deep.png\n"}},
     "w.world:4: deep.png: 16 bits a channel; only 8-bit RGB and RGBA are read"},
    {"AShaderThatDoesNotCompile",
     "",
     {{"shaders/glow.glfp", "void main() { gl_FragColor = vec4(1.0) }\n"}},
     "light pass: no program from shaders/glow.glvp and shaders/glow.glfp"},
    {"AnUnknownEntityType",
     "<entity type=\"Lihgt\" name=\"spider_light\"/>",
     {},
     "w.world:4: Skipping entity \"spider_light\": no entity type \"Lihgt\""},
    {"AnUnknownSetting",
     "<entity type=\"Light\" name=\"lamp\"><colour>1 0 0</colour></entity>",
     {},
     "w.world:4: Light \"lamp\": a Light has no setting \"colour\""},
    {"APortalOnASolidWall",
     "<entity type=\"Portal\" name=\"far\"><parent>hall</parent></entity><entity "
     "type=\"Portal\" name=\"door\"><parent>hall</parent><model>doorway.obj</model>"
     "<position>3 0 -5</position><camera><bind>far</bind></camera></entity>",
     {},
     "w.world:4: Portal \"door\": its opening at 3.33333 0.833333 -5 lies on a solid wall of "
     "room \"hall\""},
    {"ASetCameraNamingNoCamera",
     script + "<event time=\"1 0 0\" target=\"mainscript\" command=\"setcamera\">cam2"
              "</event></script></entity>",
     {},
     "w.world:4: ScriptMaster \"mainscript\": \"setcamera\" names \"cam2\", which is no "
     "Camera"},
    {"AnInterpTargetNamingNoEntity",
     script + "<event time=\"1 0 0\" target=\"mover\" interptarget=\"camra\" index=\"1\">"
              "<elaps>1 0 0</elaps></event></script></entity><entity type=\"Interpolator\" "
              "name=\"mover\"><scriptmaster>mainscript</scriptmaster></entity>",
     {},
     "w.world:4: ScriptMaster \"mainscript\": the \"interptarget\" \"camra\" is no entity"},
    {"AnInterpolatorWithoutItsScriptMaster",
     script + "</script></entity><entity type=\"Interpolator\" name=\"mover\">"
              "<scriptmaster>mainscrpt</scriptmaster></entity>",
     {},
     "w.world:4: Interpolator \"mover\": no ScriptMaster named \"mainscrpt\""},
    {"AnEventForNoEntity",
     script + "<event time=\"1 0 0\" target=\"mover2\"/></script></entity>",
     {},
     "w.world:4: ScriptMaster \"mainscript\": an event for \"mover2\", which no entity is "
     "named"},
    {"AnEventBeforeOneDueEarlier",
     script + "<event time=\"9 0 0\" target=\"camera\"/><event time=\"3 0 0\" "
              "target=\"camera\"/></script></entity>",
     {},
     "w.world:4: ScriptMaster \"mainscript\": the event at \"3 0 0\" comes after one due at "
     "9 0 0"},
    {"APortalWhosePartnerIsMissing",
     "<entity type=\"Portal\" name=\"door\"><parent>hall</parent><camera><bind>yard</bind>"
     "</camera></entity>",
     {},
     "w.world:4: Portal \"door\": its partner \"yard\" is no entity before it"},
    {"ABillboardWithoutItsTexture",
     "<entity type=\"Billboard\" name=\"sign\"><parent>hall</parent><texture>sign.png"
     "</texture></entity>",
     {},
     "w.world:4: Billboard \"sign\": no texture \"sign.png\""},
    {"ARepeatWithoutAPositiveStep",
     script + "<repeat start=\"1 0 0\" end=\"4 0 0\" step=\"0 0 0\"><event "
              "target=\"camera\"/></repeat></script></entity>",
     {},
     "w.world:4: ScriptMaster \"mainscript\": a \"repeat\" whose \"step\" \"0 0 0\" is "
     "not a positive time"},
    {"ANegativeRadius",
     "<entity type=\"Light\" name=\"lamp\"><radius>-7</radius></entity>",
     {},
     "w.world:4: Entity \"lamp\": a negative \"radius\" -7"},
    {"AScaleOfZero",
     "<entity type=\"Entity\" name=\"crate\"><model>crate.obj</model><scale>0</scale>"
     "</entity>",
     {},
     "w.world:4: Entity \"crate\": a \"scale\" of \"0\" is not one number or three"},
    {"AColourBelowZero",
     "<entity type=\"Light\" name=\"lamp\"><color>1 -1 0</color></entity>",
     {},
     "w.world:4: Light \"lamp\": a \"color\" of 1 -1 0 is below 0"},
    {"AnEntityNotClosed",
     "<entity type=\"Entity\" name=\"crate\">",
     {},
     "w.world:4: <entity> is not closed: </ZEMWorld> on line 5 comes first; end it with "
     "</entity>"},
};

void PrintTo(const Mistake& mistake, std::ostream* out) {
    *out << mistake.name;
}

class WorldCheckMistakeTest : public ::testing::TestWithParam<Mistake> {};

TEST_P(WorldCheckMistakeTest, IsNamedOnItsLine) {
    const Mistake& mistake = GetParam();
    const ProgramRun run = check(worldWith(mistake.line4), mistake.files);
    EXPECT_EQ(run.exitCode, 1) << mistake.line4;
    EXPECT_NE(run.output.find(mistake.expected), std::string::npos) << mistake.expected << "\n"
                                                                    << run.output << run.errors;
}

INSTANTIATE_TEST_SUITE_P(WorldCheckTest, WorldCheckMistakeTest, ::testing::ValuesIn(mistakes),
                         [](const ::testing::TestParamInfo<Mistake>& info) {
                             return std::string(info.param.name);
                         });

// A data folder of the maker's holds the world; the meshes and the music come from the shipped
// data after it.
TEST(WorldCheckTest, TheShippedDataIsSearchedAfterTheDataFolderGiven) {
    const ZemTest::TempDir dir;
    std::ofstream(dir.file("main.world")) << worldWith(script + "</script></entity>");
    const ProgramRun run = ombrel("--check --data " + dir.path(), "timeout 60");
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.output.find(dir.file("main.world: no mistakes found")), std::string::npos)
        << run.output;
}

// Without any display the shaders cannot be compiled: it says so, and looks for their files.
TEST(WorldCheckTest, WithoutOpenGLTheShadersFilesAreLookedFor) {
    const ProgramRun run = ombrel("--check", "timeout 60 env SDL_VIDEODRIVER=nonexistent");
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.output.find("the shaders were looked for, not compiled"), std::string::npos)
        << run.output;
}

} // namespace
