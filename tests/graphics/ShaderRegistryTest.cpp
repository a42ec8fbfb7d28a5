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

#include <memory>

using Zem::Graphics::PassSet;
using Zem::Graphics::Shader;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::View;
using ZemTest::FakePass;
using ZemTest::FakePassFactory;
using ZemTest::PassLog;

namespace {

class ShaderRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.reset()); }
    void TearDown() override { EXPECT_TRUE(registry.reset()); }

    void add(int32_t id, int32_t order, bool masks = true, std::vector<int32_t> siblings = {}) {
        registry.registerFactory(
            std::make_unique<FakePassFactory>(id, order, log, masks, std::move(siblings)));
    }

    ShaderRegistry& registry = ShaderRegistry::instance();
    PassLog log;
};

} // namespace

TEST_F(ShaderRegistryTest, FactoriesSortByOrderWithEqualOrdersInRegistrationOrder) {
    add(1, 2000);
    add(2, 1000);
    add(3, 3000);
    add(4, 1000);
    ASSERT_EQ(4u, registry.factories.size());
    EXPECT_EQ(1000, registry.factories[0]->order);
    EXPECT_EQ(2, registry.factories[0]->id);
    EXPECT_EQ(1000, registry.factories[1]->order);
    EXPECT_EQ(4, registry.factories[1]->id);
    EXPECT_EQ(2000, registry.factories[2]->order);
    EXPECT_EQ(3000, registry.factories[3]->order);

    // Every set follows the factories' order, and every instance carries its factory's values.
    PassSet* set = registry.acquire();
    ASSERT_EQ(4u, set->size());
    const int32_t ids[] = {2, 4, 1, 3};
    for (std::size_t i = 0; i < set->size(); ++i) {
        EXPECT_EQ(ids[i], (*set)[i]->id);
        EXPECT_EQ(registry.factories[i]->order, (*set)[i]->order);
        EXPECT_EQ(set, (*set)[i]->set);
    }
    registry.release(set);
}

TEST_F(ShaderRegistryTest, WithoutGBufferFactoryEntitiesAreOnlyRecorded) {
    add(360, 2000);
    EXPECT_EQ(0, registry.defaultGeometryPass);
    Zem::Main::Entity entity(ZemTest::xmlElement("<entity/>"));
    View view;
    view.passes = registry.acquire();
    entity.submit(view);
    ASSERT_EQ(1u, view.submitted.size());
    EXPECT_EQ(&entity, view.submitted[0]);
    EXPECT_TRUE((*view.passes)[0]->queue.empty());
}

TEST_F(ShaderRegistryTest, SubmitQueuesOnTheDefaultGeometryPassEveryTime) {
    add(250, 1000);
    add(360, 2000);
    registry.defaultGeometryPass = 250;
    Zem::Main::Entity entity(ZemTest::xmlElement("<entity/>"));
    View view;
    view.passes = registry.acquire();
    entity.submit(view);
    entity.submit(view);
    Shader* geometry = ShaderRegistry::findPass(view.passes, 250);
    ASSERT_NE(nullptr, geometry);
    EXPECT_EQ(2u, geometry->queue.size());
    EXPECT_EQ(2u, view.submitted.size());
    EXPECT_TRUE(ShaderRegistry::findPass(view.passes, 360)->queue.empty());
}

TEST_F(ShaderRegistryTest, FindPassReturnsTheFirstWithTheIdOrNull) {
    add(7, 1000);
    add(7, 2000);
    PassSet* set = registry.acquire();
    EXPECT_EQ((*set)[0], ShaderRegistry::findPass(set, 7));
    EXPECT_EQ(nullptr, ShaderRegistry::findPass(set, 8));
    EXPECT_EQ(nullptr, ShaderRegistry::findPass(nullptr, 7));
    registry.release(set);
}

TEST_F(ShaderRegistryTest, SetsAreReusedAndEmptiedAndNewOnesOnlyWhenAllAreLent) {
    add(1, 1000);
    add(2, 2000);
    PassSet* first = registry.acquire();
    PassSet* second = registry.acquire();
    EXPECT_NE(first, second);
    EXPECT_EQ(4, log.creates);
    EXPECT_EQ(2u, registry.setsInUse());

    int dummy = 0;
    (*first)[0]->add(reinterpret_cast<Zem::Main::Entity*>(&dummy));
    const int resetsBefore = log.resets;
    registry.release(first);
    EXPECT_EQ(resetsBefore + 2, log.resets);
    EXPECT_TRUE((*first)[0]->queue.empty());

    (*first)[0]->add(reinterpret_cast<Zem::Main::Entity*>(&dummy));
    EXPECT_EQ(first, registry.acquire());
    EXPECT_EQ(resetsBefore + 4, log.resets);
    EXPECT_TRUE((*first)[0]->queue.empty());
    EXPECT_EQ(4, log.creates);
    EXPECT_EQ(2u, registry.pool.size());

    registry.release(first);
    registry.release(second);
    // Giving a set back twice, or one that is not the registry's, changes nothing.
    const int resetsAfter = log.resets;
    registry.release(second);
    EXPECT_EQ(resetsAfter, log.resets);
    PassSet stranger;
    registry.release(&stranger);
    EXPECT_EQ(0u, registry.setsInUse());
}

TEST_F(ShaderRegistryTest, InitRunsOnceEveryInstanceKnowsItsSiblings) {
    // The earlier pass looks for the later one: it must already be in the set.
    add(250, 1000, true, {360});
    add(360, 2000, true, {250});
    PassSet* set = registry.acquire();
    EXPECT_EQ(2, log.inits);
    ASSERT_EQ(2u, log.siblingsFound.size());
    EXPECT_TRUE(log.siblingsFound[0]);
    EXPECT_TRUE(log.siblingsFound[1]);
    registry.release(set);
    registry.release(registry.acquire());
    EXPECT_EQ(2, log.inits);
}

TEST_F(ShaderRegistryTest, ResetIsRefusedWhileAViewHoldsASet) {
    add(1, 1000);
    {
        View view;
        view.passes = registry.acquire();
        EXPECT_FALSE(registry.reset());
        EXPECT_EQ(1u, registry.factories.size());
    }
    registry.defaultGeometryPass = 250;
    EXPECT_TRUE(registry.reset());
    EXPECT_TRUE(registry.factories.empty());
    EXPECT_TRUE(registry.pool.empty());
    EXPECT_EQ(0, registry.defaultGeometryPass);
}

class LinkProgramTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        Zem::Resource::ResourceManager& resources = Zem::Resource::ResourceManager::instance();
        resources.registerLoader(&vertexLoader);
        resources.registerLoader(&fragmentLoader);
        files.writeText("plain.glvp", "void main() { gl_Position = ftransform(); }\n");
        files.writeText("plain.glfp", "void main() { gl_FragColor = vec4(1.0); }\n");
        // Compiles to a shader object that cannot link.
        files.writeText("broken.glfp", "void main() { gl_FragColor = undefinedThing; }\n");
    }

    // Declared first so they outlive the cache that MeshFiles empties.
    Zem::Resource::GLSLVertexProgramLoader vertexLoader;
    Zem::Resource::GLSLFragmentProgramLoader fragmentLoader;
    ZemTest::MeshFiles files;
    Zem::Graphics::ProgramRecord record;
};

TEST_F(LinkProgramTest, LinksBothShaderObjectsFromTheCache) {
    ASSERT_TRUE(Zem::Graphics::linkProgram(record, "plain.glvp", "plain.glfp"));
    EXPECT_NE(0u, record.program);
    EXPECT_EQ(GL_TRUE, glIsProgram(record.program));
    ASSERT_NE(nullptr, record.vertexShader);
    ASSERT_NE(nullptr, record.fragmentShader);
    GLint attached = 0;
    glGetProgramiv(record.program, GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(2, attached);
    glDeleteProgram(record.program);
}

TEST_F(LinkProgramTest, MissingFileGivesProgramZero) {
    record.program = 77;
    EXPECT_FALSE(Zem::Graphics::linkProgram(record, "plain.glvp", "none.glfp"));
    EXPECT_EQ(0u, record.program);
    EXPECT_EQ(nullptr, record.fragmentShader);
}

TEST_F(LinkProgramTest, ProgramThatDoesNotLinkGivesZero) {
    EXPECT_FALSE(Zem::Graphics::linkProgram(record, "plain.glvp", "broken.glfp"));
    EXPECT_EQ(0u, record.program);
}

TEST_F(LinkProgramTest, ErrorLeftByEarlierCodeIsNotTakenForALinkFailure) {
    Zem::Resource::ResourceManager& resources = Zem::Resource::ResourceManager::instance();
    ASSERT_TRUE(resources.load("plain.glvp"));
    ASSERT_TRUE(resources.load("plain.glfp"));
    glEnable(0xFFFF); // GL_INVALID_ENUM, pending
    ASSERT_TRUE(Zem::Graphics::linkProgram(record, "plain.glvp", "plain.glfp"));
    glDeleteProgram(record.program);
}
