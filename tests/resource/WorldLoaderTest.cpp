#include "main/TestGame.h"

#include "resource/ResourceManager.h"
#include "resource/WorldLoader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using Zem::Resource::ResourceManager;
using Zem::Resource::XmlNode;
using ZemTest::ProbeEntity;
using ZemTest::ProbeFactory;

namespace {

class WorldLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        manager().reset();
        manager().addSearchPath(dir.path() + "/");
        manager().registerLoader(&loader);
        game.registerFactory("Probe", std::make_unique<ProbeFactory>(log));
    }
    void TearDown() override { manager().reset(); }

    static ResourceManager& manager() { return ResourceManager::instance(); }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir.file(name), std::ios::binary) << text;
    }

    // The names of the entities built, in order.
    std::vector<std::string> built() const {
        std::vector<std::string> names;
        for (Zem::Main::Entity* entity : game.entities) {
            names.push_back(entity->name);
        }
        return names;
    }

    // The names of the element's children, in order: where each setting ended up.
    static std::vector<std::string> settingNames(const Zem::Main::Entity* entity) {
        std::vector<std::string> names;
        const auto* probe = dynamic_cast<const ProbeEntity*>(entity);
        for (std::size_t i = 0; probe != nullptr && i < probe->settings.childCount(); ++i) {
            names.push_back(probe->settings.child(i).name());
        }
        return names;
    }

    static std::string setting(const Zem::Main::Entity* entity, const std::string& key) {
        const auto* probe = dynamic_cast<const ProbeEntity*>(entity);
        return probe != nullptr ? probe->settings.child(key).text() : "<not a probe>";
    }

    ZemTest::TempDir dir;
    Zem::Resource::WorldLoader loader;
    std::vector<std::string> log;
    ZemTest::TestGame game;
};

TEST_F(WorldLoaderTest, BuildsEveryEntityInDocumentOrder) {
    write("three.world", "<ZEMWorld>\n"
                         "<entity type='Probe' name='first'/>\n"
                         "<!-- a comment between entities -->\n"
                         "<entity type='Probe' name='second'><color>red</color></entity>\n"
                         "<camera type='Probe' name='not an entity element'/>\n"
                         "<entity type='Probe' name='third'/>\n"
                         "</ZEMWorld>\n");

    Zem::Resource::Resource* marker = manager().get("three.world");
    ASSERT_NE(nullptr, marker);
    EXPECT_EQ(1, marker->refCount);
    EXPECT_EQ((std::vector<std::string>{"first", "second", "third"}), built());
    EXPECT_EQ("red", setting(game.findEntity("second"), "color"));
}

TEST_F(WorldLoaderTest, UnknownOrMissingTypesAreSkippedWithAMessage) {
    write("mixed.world", "<ZEMWorld>"
                         "<entity type='Ghost' name='ghost'/>"
                         "<entity name='typeless'/>"
                         "<entity type='probe' name='wrong case'/>"
                         "<entity type='Probe' name='real'/>"
                         "</ZEMWorld>");
    testing::internal::CaptureStdout();
    EXPECT_NE(nullptr, manager().get("mixed.world"));
    EXPECT_EQ("Skipping entity \"ghost\": no entity type \"Ghost\"\n"
              "Skipping entity \"typeless\": no entity type \"\"\n"
              "Skipping entity \"wrong case\": no entity type \"probe\"\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(std::vector<std::string>{"real"}, built());
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

TEST_F(WorldLoaderTest, OwnSettingsWinOverTemplatesAndTemplatesKeepTheirOrder) {
    write("red.template", "<settings><color>red</color><size>1</size></settings>");
    write("big.template", "<settings><size>9</size><shape>cube</shape></settings>");
    write("world.world", "<ZEMWorld>"
                         "<entity type='Probe' name='own'><color>blue</color>"
                         "<template>red.template</template></entity>"
                         "<entity type='Probe' name='two'><template>red.template</template>"
                         "<weight>3</weight><template>big.template</template></entity>"
                         "</ZEMWorld>");

    ASSERT_NE(nullptr, manager().get("world.world"));
    const Zem::Main::Entity* own = game.findEntity("own");
    const Zem::Main::Entity* two = game.findEntity("two");
    EXPECT_EQ("blue", setting(own, "color"));
    EXPECT_EQ((std::vector<std::string>{"color", "color", "size"}), settingNames(own));

    EXPECT_EQ("red", setting(two, "color"));
    EXPECT_EQ("1", setting(two, "size"));
    EXPECT_EQ("cube", setting(two, "shape"));
    EXPECT_EQ((std::vector<std::string>{"weight", "color", "size", "size", "shape"}),
              settingNames(two));

    // Each use of a template counts once in the cache.
    auto* red = manager().get<XmlNode>("red.template");
    ASSERT_NE(nullptr, red);
    EXPECT_EQ(3, red->refCount);
}

TEST_F(WorldLoaderTest, NestedTemplatesAreExpandedInTurn) {
    write("outer.template", "<t><template>inner.template</template><a>outer</a></t>");
    write("inner.template", "<t><a>inner</a><b>inner</b></t>");
    // Two templates sharing a third is no cycle.
    write("other.template", "<t><template>inner.template</template><c>other</c></t>");
    write("nested.world", "<ZEMWorld><entity type='Probe' name='n'>"
                          "<template>outer.template</template>"
                          "<template>other.template</template></entity></ZEMWorld>");

    ASSERT_NE(nullptr, manager().get("nested.world"));
    const Zem::Main::Entity* entity = game.findEntity("n");
    ASSERT_NE(nullptr, entity);
    EXPECT_EQ((std::vector<std::string>{"a", "c", "a", "b", "a", "b"}), settingNames(entity));
    EXPECT_EQ("outer", setting(entity, "a"));
    EXPECT_EQ("inner", setting(entity, "b"));
}

TEST_F(WorldLoaderTest, ATemplateCycleSkipsThatEntityWithAMessage) {
    write("self.template", "<t><template>self.template</template><a>1</a></t>");
    write("ping.template", "<t><b>1</b><template>pong.template</template></t>");
    write("pong.template", "<t><template>ping.template</template></t>");
    write("cycles.world", "<ZEMWorld>"
                          "<entity type='Probe' name='before'/>"
                          "<entity type='Probe' name='narcissus'>"
                          "<template>self.template</template></entity>"
                          "<entity type='Probe' name='echo'><template>ping.template</template>"
                          "</entity>"
                          "<entity type='Probe' name='after'/>"
                          "</ZEMWorld>");

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

TEST_F(WorldLoaderTest, AMissingOrBrokenTemplateSkipsOnlyItsEntity) {
    write("broken.template", "<t><a>1</t>");
    write("holes.world", "<ZEMWorld>"
                         "<entity type='Probe' name='missing'><template>gone.template</template>"
                         "</entity>"
                         "<entity type='Probe' name='broken'>"
                         "<template>broken.template</template></entity>"
                         "<entity type='Probe' name='fine'/>"
                         "</ZEMWorld>");

    testing::internal::CaptureStdout();
    EXPECT_NE(nullptr, manager().get("holes.world"));
    EXPECT_EQ("Unable to load broken.template\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(std::vector<std::string>{"fine"}, built());
}

TEST_F(WorldLoaderTest, TheTemplateLoaderIsRegisteredByTheFirstWorldLoad) {
    write("plain.template", "<t><a>1</a></t>");
    EXPECT_FALSE(loader.templateLoader);
    EXPECT_EQ(nullptr, manager().get("plain.template"));

    write("empty.world", "<ZEMWorld/>");
    ASSERT_NE(nullptr, manager().get("empty.world"));
    ASSERT_TRUE(loader.templateLoader);
    EXPECT_EQ("template", loader.templateLoader->extension());
    EXPECT_NE(nullptr, manager().get<XmlNode>("plain.template"));
}

} // namespace
