#include "main/TestGame.h"

#include "resource/ResourceManager.h"
#include "resource/WorldLoader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using Zem::Resource::ResourceManager;

namespace {

class WorldLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        manager().reset();
        manager().addSearchPath(dir.path() + "/");
        manager().registerLoader(&loader);
        game.registerFactory("Probe", std::make_unique<ZemTest::ProbeFactory>(log));
    }
    void TearDown() override { manager().reset(); }

    static ResourceManager& manager() { return ResourceManager::instance(); }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir.file(name), std::ios::binary) << text;
    }

    std::vector<std::string> built() const {
        std::vector<std::string> names;
        for (const Zem::Main::Entity* entity : game.entities) {
            names.push_back(entity->name);
        }
        return names;
    }

    // The entity's settings in order, as "key=value"; a lookup reads the first of a key.
    std::vector<std::string> settings(const std::string& name) const {
        const auto* probe = dynamic_cast<const ZemTest::ProbeEntity*>(game.findEntity(name));
        std::vector<std::string> found;
        for (std::size_t i = 0; probe != nullptr && i < probe->settings.childCount(); ++i) {
            found.push_back(probe->settings.child(i).name() + "=" +
                            probe->settings.child(i).text());
        }
        return found;
    }

    ZemTest::TempDir dir;
    Zem::Resource::WorldLoader loader;
    std::vector<std::string> log;
    ZemTest::TestGame game;
};

TEST_F(WorldLoaderTest, BuildsRegisteredEntitiesInOrderAndSkipsUnknownTypes) {
    write("three.world", "<ZEMWorld><entity type='Probe' name='first'/><!-- note -->"
                         "<entity type='Ghost' name='ghost'/><entity name='typeless'/>"
                         "<entity type='Probe' name='second'/><camera type='Probe' name='no'/>"
                         "<entity type='Probe' name='third'/></ZEMWorld>");
    testing::internal::CaptureStdout();
    EXPECT_NE(nullptr, manager().get("three.world"));
    EXPECT_EQ("Skipping entity \"ghost\": no entity type \"Ghost\"\n"
              "Skipping entity \"typeless\": no entity type \"\"\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ((std::vector<std::string>{"first", "second", "third"}), built());
}

TEST_F(WorldLoaderTest, AnotherRootOrABrokenDocumentBuildsNothing) {
    write("other.world", "<World><entity type='Probe' name='a'/></World>");
    write("broken.world", "<ZEMWorld><entity type='Probe' name='a'></ZEMWorld>");
    testing::internal::CaptureStdout();
    EXPECT_EQ(nullptr, manager().get("other.world"));
    EXPECT_EQ(nullptr, manager().get("broken.world"));
    EXPECT_EQ("Unable to load other.world\nUnable to load broken.world\n",
              testing::internal::GetCapturedStdout());
    EXPECT_TRUE(game.entities.empty());
}

TEST_F(WorldLoaderTest, OwnSettingsComeFirstThenEachTemplateInOrderNestedOnesInTurn) {
    write("red.template", "<t><color>red</color><size>1</size></t>");
    write("outer.template", "<t><template>red.template</template><shape>cube</shape></t>");
    write("world.world", "<ZEMWorld><entity type='Probe' name='e'><color>blue</color>"
                         "<template>red.template</template><template>outer.template</template>"
                         "</entity></ZEMWorld>");
    ASSERT_NE(nullptr, manager().get("world.world"));
    EXPECT_EQ((std::vector<std::string>{"color=blue", "color=red", "size=1", "shape=cube",
                                        "color=red", "size=1"}),
              settings("e"));
}

TEST_F(WorldLoaderTest, ATemplateCycleOrAMissingTemplateSkipsOnlyThatEntity) {
    write("self.template", "<t><template>self.template</template></t>");
    write("ping.template", "<t><template>pong.template</template></t>");
    write("pong.template", "<t><template>ping.template</template></t>");
    write("cycles.world", "<ZEMWorld><entity type='Probe' name='before'/>"
                          "<entity type='Probe' name='narcissus'><template>self.template</template>"
                          "</entity><entity type='Probe' name='echo'>"
                          "<template>ping.template</template></entity>"
                          "<entity type='Probe' name='lost'><template>gone.template</template>"
                          "</entity><entity type='Probe' name='after'/></ZEMWorld>");
    testing::internal::CaptureStdout();
    EXPECT_NE(nullptr, manager().get("cycles.world"));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ((std::vector<std::string>{"before", "after"}), built());
    EXPECT_NE(std::string::npos,
              out.find("Skipping entity \"narcissus\": template \"self.template\""))
        << out;
    EXPECT_NE(std::string::npos, out.find("Skipping entity \"echo\": template \"ping.template\""))
        << out;
}

} // namespace
