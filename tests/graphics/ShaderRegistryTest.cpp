#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "main/Entity.h"
#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/ResourceManager.h"
#include "resource/ShaderObject.h"
#include "support/FakePasses.h"
#include "support/GLContext.h"
#include "support/ReportRecorder.h"
#include "support/SceneFixtures.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>

using Zem::Graphics::PassSet;
using Zem::Graphics::ProgramRecord;
using Zem::Graphics::ShaderRegistry;
using Zem::Resource::Reload;
using Zem::Resource::ResourceManager;

namespace {

class ShaderRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.reset()); }
    void TearDown() override { EXPECT_TRUE(registry.reset()); }
    void add(int32_t id, int32_t order, std::vector<int32_t> siblings = {}) {
        registry.registerFactory(
            std::make_unique<ZemTest::FakePassFactory>(id, order, log, std::move(siblings)));
    }
    // A set of four passes registered out of order, two of them of equal order.
    PassSet* acquireFourPasses() {
        add(1, 2000);
        add(2, 1000);
        add(3, 3000);
        add(4, 1000);
        return registry.acquire();
    }
    // Two sets of two passes that look for each other at init.
    void acquireTwoSets() {
        add(250, 1000, {360});
        add(360, 2000, {250});
        first = registry.acquire();
        second = registry.acquire();
    }

    ShaderRegistry& registry = ShaderRegistry::instance();
    ZemTest::PassLog log;
    Zem::Main::Entity entity{ZemTest::xmlElement("<entity/>")};
    PassSet* first = nullptr;
    PassSet* second = nullptr;
};

TEST_F(ShaderRegistryTest, ASetHoldsThePassesInAscendingOrder) {
    PassSet* set = acquireFourPasses();
    ASSERT_EQ(4u, set->size());
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ((std::vector<int32_t>{1000, 1000, 2000, 3000})[i], (*set)[i]->order) << i;
    }
    registry.release(set);
}

TEST_F(ShaderRegistryTest, PassesOfEqualOrderKeepTheOrderTheirFactoriesCameIn) {
    PassSet* set = acquireFourPasses();
    ASSERT_EQ(4u, set->size());
    EXPECT_EQ(2, (*set)[0]->id);
    EXPECT_EQ(4, (*set)[1]->id);
    registry.release(set);
}

TEST_F(ShaderRegistryTest, EveryPassKnowsItsSet) {
    PassSet* set = acquireFourPasses();
    for (std::size_t i = 0; i < set->size(); ++i) {
        EXPECT_EQ(set, (*set)[i]->set) << i;
    }
    registry.release(set);
}

TEST_F(ShaderRegistryTest, FindPassFindsThePassOfTheId) {
    PassSet* set = acquireFourPasses();
    EXPECT_EQ((*set)[2], ShaderRegistry::findPass(set, 1));
    EXPECT_EQ(nullptr, ShaderRegistry::findPass(set, 8));
    registry.release(set);
}

TEST_F(ShaderRegistryTest, WithoutAGeometryPassFactoryThereIsNoDefaultGeometryPass) {
    add(360, 2000);
    EXPECT_EQ(0, registry.defaultGeometryPass);
}

TEST_F(ShaderRegistryTest, WithoutADefaultGeometryPassASubmittedEntityIsOnlyRecorded) {
    add(360, 2000);
    Zem::Graphics::View view;
    view.passes = registry.acquire();
    entity.submit(view);
    EXPECT_EQ(std::vector<Zem::Main::Entity*>{&entity}, view.submitted);
    EXPECT_TRUE((*view.passes)[0]->queue.empty());
}

TEST_F(ShaderRegistryTest, ResetIsRefusedWhileASetIsLent) {
    add(360, 2000);
    PassSet* set = registry.acquire();
    EXPECT_FALSE(registry.reset());
    registry.release(set);
}

// The earlier pass looks for the later one: the whole set exists before init.
TEST_F(ShaderRegistryTest, EveryPassOfANewSetFindsItsSiblingsAtInit) {
    acquireTwoSets();
    EXPECT_EQ((std::vector<bool>{true, true, true, true}), log.siblingsFound);
    registry.release(first);
    registry.release(second);
}

TEST_F(ShaderRegistryTest, AReleasedSetIsEmptied) {
    acquireTwoSets();
    (*first)[0]->add(&entity);
    registry.release(first);
    EXPECT_TRUE((*first)[0]->queue.empty());
    registry.release(second);
}

TEST_F(ShaderRegistryTest, AReleasedSetIsLentAgain) {
    acquireTwoSets();
    registry.release(first);
    EXPECT_EQ(first, registry.acquire());
    EXPECT_EQ(4, log.creates);
    registry.release(first);
    registry.release(second);
}

TEST_F(ShaderRegistryTest, ASetGivenBackTwiceIsTakenBackOnce) {
    acquireTwoSets();
    registry.release(first);
    registry.release(second);
    const int resets = log.resets;
    registry.release(second);
    EXPECT_EQ(resets, log.resets);
    EXPECT_EQ(0u, registry.setsInUse());
}

TEST_F(ShaderRegistryTest, ASetThatNeverCameFromItIsIgnored) {
    acquireTwoSets();
    const int resets = log.resets;
    PassSet stranger;
    registry.release(&stranger);
    EXPECT_EQ(resets, log.resets);
    EXPECT_EQ(2u, registry.setsInUse());
    registry.release(first);
    registry.release(second);
}

// Programs linked from GLSL files in a directory of the test's own.
class ShaderRegistryLinkTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        manager.reset();
        manager.addSearchPath(dir.path() + "/");
        manager.registerLoader(&vertexLoader);
        manager.registerLoader(&fragmentLoader);
        ASSERT_TRUE(ShaderRegistry::instance().reset());
        save("tint.glvp", "varying vec4 tint;\n"
                          "void main() { tint = vec4(1.0); gl_Position = ftransform(); }\n");
        save("tint.glfp", "varying vec4 tint;\nvoid main() { gl_FragColor = tint; }\n");
        save("plain.glvp", "void main() { gl_Position = ftransform(); }\n");
        save("plain.glfp", "void main() { gl_FragColor = vec4(1.0); }\n");
        // Compiles, but reads a varying the vertex program never writes: the link fails.
        save("shade.glfp", "varying vec4 shade;\nvoid main() { gl_FragColor = shade; }\n");
    }
    void TearDown() override {
        ShaderRegistry::instance().release(set);
        ASSERT_TRUE(ShaderRegistry::instance().reset());
        manager.reset();
    }
    void save(const std::string& name, const std::string& text) {
        std::ofstream(dir.file(name)) << text;
    }
    // Links both records and lends a set whose one pass draws with them.
    void linkBoth() {
        ASSERT_TRUE(Zem::Graphics::linkProgram(tinted, "tint.glvp", "tint.glfp"));
        ASSERT_TRUE(Zem::Graphics::linkProgram(plain, "plain.glvp", "plain.glfp"));
        ShaderRegistry::instance().registerFactory(
            std::make_unique<TwoProgramFactory>(std::vector<ProgramRecord*>{&tinted, &plain}));
        set = ShaderRegistry::instance().acquire();
        running = tinted.program;
    }
    // Gives tint.glfp new text and relinks what was linked from it.
    int relinkTint(const std::string& text) {
        save("tint.glfp", text);
        EXPECT_EQ(manager.reload("tint.glfp"), Reload::InPlace);
        return ShaderRegistry::instance().relinkPrograms("tint.glfp");
    }
    int relinkTintBroken() {
        return relinkTint("varying vec4 shade;\nvoid main() { gl_FragColor = shade; }\n");
    }
    int relinkTintHalved() {
        return relinkTint("varying vec4 tint;\nvoid main() { gl_FragColor = tint * 0.5; }\n");
    }

    // A pass drawing with two programs owned by the test.
    class TwoProgramPass : public Zem::Graphics::Shader {
    public:
        void draw(Zem::Graphics::View&) override {}
        std::vector<ProgramRecord*> programs() override { return records; }
        std::vector<ProgramRecord*> records;
    };
    class TwoProgramFactory : public Zem::Graphics::Shader::Factory {
    public:
        explicit TwoProgramFactory(std::vector<ProgramRecord*> records)
            : Factory(7, 1), records(std::move(records)) {}
        std::unique_ptr<Zem::Graphics::Shader> create() override {
            auto pass = make<TwoProgramPass>();
            static_cast<TwoProgramPass*>(pass.get())->records = records;
            return pass;
        }
        std::vector<ProgramRecord*> records;
    };

    ResourceManager& manager = ResourceManager::instance();
    ZemTest::TempDir dir;
    Zem::Resource::GLSLVertexProgramLoader vertexLoader;
    Zem::Resource::GLSLFragmentProgramLoader fragmentLoader;
    ZemTest::ReportRecorder reports;
    PassSet* set = nullptr;
    ProgramRecord tinted;
    ProgramRecord plain;
    GLuint running = 0;
};

TEST_F(ShaderRegistryLinkTest, LinkProgramLinksTheTwoFilesWithoutAReport) {
    ProgramRecord record;
    EXPECT_TRUE(Zem::Graphics::linkProgram(record, "tint.glvp", "tint.glfp"));
    EXPECT_NE(0u, record.program);
    EXPECT_TRUE(reports.lines.empty()) << reports.text();
    glDeleteProgram(record.program);
}

TEST_F(ShaderRegistryLinkTest, AFailedLinkGivesProgramZero) {
    ProgramRecord record;
    record.program = 77;
    EXPECT_FALSE(Zem::Graphics::linkProgram(record, "tint.glvp", "shade.glfp"));
    EXPECT_EQ(0u, record.program);
}

TEST_F(ShaderRegistryLinkTest, AFailedLinkIsReportedNamingThePassAndBothFiles) {
    ProgramRecord record;
    Zem::Graphics::linkProgram(record, "tint.glvp", "shade.glfp", "test pass");
    ASSERT_EQ(1u, reports.lines.size());
    for (const char* named : {"test pass", "tint.glvp", "shade.glfp"}) {
        EXPECT_NE(std::string::npos, reports.lines[0].find(named)) << reports.lines[0];
    }
}

// The shader objects come from the cache, linked once before the error.
TEST_F(ShaderRegistryLinkTest, AGLErrorLeftFromEarlierIsNoLinkFailure) {
    ProgramRecord first;
    ASSERT_TRUE(Zem::Graphics::linkProgram(first, "tint.glvp", "tint.glfp"));
    glEnable(0xFFFF);
    ProgramRecord record;
    EXPECT_TRUE(Zem::Graphics::linkProgram(record, "tint.glvp", "tint.glfp"));
    glDeleteProgram(first.program);
    glDeleteProgram(record.program);
}

TEST_F(ShaderRegistryLinkTest, RelinkProgramsLinksAgainTheProgramsOfTheChangedFileAlone) {
    linkBoth();
    const GLuint untouched = plain.program;
    EXPECT_EQ(1, relinkTintHalved());
    EXPECT_NE(0u, tinted.program);
    EXPECT_NE(running, tinted.program);
    EXPECT_EQ(untouched, plain.program);
}

TEST_F(ShaderRegistryLinkTest, TheReplacedProgramIsDeleted) {
    linkBoth();
    relinkTintHalved();
    EXPECT_FALSE(glIsProgram(running));
}

TEST_F(ShaderRegistryLinkTest, TheRecordHoldsOneReferenceOfTheNewShaderObject) {
    linkBoth();
    relinkTintHalved();
    EXPECT_EQ(1, tinted.fragmentShader->refCount);
}

TEST_F(ShaderRegistryLinkTest, AFailedRelinkKeepsTheRunningProgram) {
    linkBoth();
    EXPECT_EQ(0, relinkTintBroken());
    EXPECT_EQ(running, tinted.program);
    EXPECT_TRUE(glIsProgram(running));
}

TEST_F(ShaderRegistryLinkTest, AFailedRelinkIsReportedNamingBothFiles) {
    linkBoth();
    relinkTintBroken();
    ASSERT_EQ(1u, reports.lines.size());
    EXPECT_NE(std::string::npos, reports.lines[0].find("tint.glvp")) << reports.lines[0];
    EXPECT_NE(std::string::npos, reports.lines[0].find("tint.glfp")) << reports.lines[0];
}

TEST_F(ShaderRegistryLinkTest, AFileNoProgramUsesRelinksNothing) {
    linkBoth();
    EXPECT_EQ(0, ShaderRegistry::instance().relinkPrograms("elsewhere.glfp"));
}

} // namespace
