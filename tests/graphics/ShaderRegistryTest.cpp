#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "main/Entity.h"
#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/ResourceManager.h"
#include "support/FakePasses.h"
#include "support/GLContext.h"
#include "support/SceneFixtures.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

using Zem::Graphics::PassSet;
using Zem::Graphics::ShaderRegistry;

namespace {

class ShaderRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.reset()); }
    void TearDown() override { EXPECT_TRUE(registry.reset()); }

    void add(int32_t id, int32_t order, std::vector<int32_t> siblings = {}) {
        registry.registerFactory(
            std::make_unique<ZemTest::FakePassFactory>(id, order, log, true, std::move(siblings)));
    }

    ShaderRegistry& registry = ShaderRegistry::instance();
    ZemTest::PassLog log;
    Zem::Main::Entity entity{ZemTest::xmlElement("<entity/>")};
};

TEST_F(ShaderRegistryTest, FactoriesSortByOrderEqualOrdersKeepRegistrationOrder) {
    add(1, 2000);
    add(2, 1000);
    add(3, 3000);
    add(4, 1000);
    PassSet* set = registry.acquire();
    const int32_t ids[] = {2, 4, 1, 3};
    const int32_t orders[] = {1000, 1000, 2000, 3000};
    ASSERT_EQ(4u, set->size());
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ids[i], (*set)[i]->id);
        EXPECT_EQ(orders[i], (*set)[i]->order);
        EXPECT_EQ(set, (*set)[i]->set);
    }
    EXPECT_EQ((*set)[2], ShaderRegistry::findPass(set, 1));
    EXPECT_EQ(nullptr, ShaderRegistry::findPass(set, 8));
    EXPECT_EQ(nullptr, ShaderRegistry::findPass(nullptr, 1));
    registry.release(set);
}

TEST_F(ShaderRegistryTest, WithoutGBufferFactoryEntitiesAreOnlyRecorded) {
    add(360, 2000);
    EXPECT_EQ(0, registry.defaultGeometryPass);
    Zem::Graphics::View view;
    view.passes = registry.acquire();
    entity.submit(view);
    EXPECT_EQ(std::vector<Zem::Main::Entity*>{&entity}, view.submitted);
    EXPECT_TRUE((*view.passes)[0]->queue.empty());
    EXPECT_FALSE(registry.reset()) << "a view still holds a set";
}

TEST_F(ShaderRegistryTest, SetsAreEmptiedAndReusedAndGivenBackOnlyOnce) {
    // The earlier pass looks for the later one: the whole set exists before init.
    add(250, 1000, {360});
    add(360, 2000, {250});
    PassSet* first = registry.acquire();
    PassSet* second = registry.acquire();
    EXPECT_EQ((std::vector<bool>{true, true, true, true}), log.siblingsFound);
    (*first)[0]->add(&entity);
    registry.release(first);
    EXPECT_TRUE((*first)[0]->queue.empty());
    EXPECT_EQ(first, registry.acquire());
    EXPECT_EQ(4, log.creates);
    EXPECT_EQ(4, log.inits);

    registry.release(first);
    registry.release(second);
    const int resets = log.resets;
    registry.release(second);
    PassSet stranger;
    registry.release(&stranger);
    EXPECT_EQ(resets, log.resets);
    EXPECT_EQ(0u, registry.setsInUse());
}

class LinkProgramTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        Zem::Resource::ResourceManager::instance().registerLoader(&vertexLoader);
        Zem::Resource::ResourceManager::instance().registerLoader(&fragmentLoader);
        files.writeText("plain.glvp", "void main() { gl_Position = ftransform(); }\n");
        files.writeText("plain.glfp", "void main() { gl_FragColor = vec4(1.0); }\n");
        files.writeText("broken.glfp", "void main() { gl_FragColor = undefinedThing; }\n");
    }

    // Declared first so they outlive the cache that MeshFiles empties.
    Zem::Resource::GLSLVertexProgramLoader vertexLoader;
    Zem::Resource::GLSLFragmentProgramLoader fragmentLoader;
    ZemTest::MeshFiles files;
};

TEST_F(LinkProgramTest, LinksCachedObjectsOrGivesProgramZero) {
    // The last case: a GL error left by earlier code is not taken for a link failure.
    const std::tuple<const char*, bool, bool> cases[] = {{"plain.glfp", false, true},
                                                         {"none.glfp", false, false},
                                                         {"broken.glfp", false, false},
                                                         {"plain.glfp", true, true}};
    for (const auto& [fragment, pendingError, links] : cases) {
        SCOPED_TRACE(fragment);
        if (pendingError) {
            glEnable(0xFFFF);
        }
        Zem::Graphics::ProgramRecord record;
        record.program = 77;
        EXPECT_EQ(links, Zem::Graphics::linkProgram(record, "plain.glvp", fragment));
        EXPECT_EQ(links, record.program != 0u);
        glDeleteProgram(record.program);
    }
}

} // namespace
