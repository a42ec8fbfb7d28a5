#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "main/Entity.h"
#include "support/FakePasses.h"
#include "support/SceneFixtures.h"

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
            std::make_unique<ZemTest::FakePassFactory>(id, order, log, std::move(siblings)));
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
    ASSERT_EQ(4u, set->size());
    const std::pair<int32_t, int32_t> idsAndOrders[] = {{2, 1000}, {4, 1000}, {1, 2000}, {3, 3000}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(idsAndOrders[i], std::pair((*set)[i]->id, (*set)[i]->order)) << i;
        EXPECT_EQ(set, (*set)[i]->set);
    }
    EXPECT_EQ((*set)[2], ShaderRegistry::findPass(set, 1));
    EXPECT_EQ(nullptr, ShaderRegistry::findPass(set, 8));
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

    registry.release(first);
    registry.release(second);
    const int resets = log.resets;
    registry.release(second);
    PassSet stranger;
    registry.release(&stranger);
    EXPECT_EQ(resets, log.resets);
    EXPECT_EQ(0u, registry.setsInUse());
}

} // namespace
