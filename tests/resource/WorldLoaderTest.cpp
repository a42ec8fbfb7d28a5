#include "main/TestGame.h"

#include "resource/ResourceManager.h"
#include "resource/WorldLoader.h"
#include "support/ResourceScope.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class WorldLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        game.registerFactory("Probe", std::make_unique<ZemTest::ProbeFactory>(log));
    }

    // Writes the files as name, text, name, text...; loads the last one; gives what it printed.
    std::string load(const Strings& files) {
        for (std::size_t i = 0; i + 1 < files.size(); i += 2) {
            scope.write(files[i], files[i + 1]);
        }
        return ZemTest::reportsOf([&] { scope.manager.get(files[files.size() - 2]); });
    }

    Strings built() const {
        Strings names;
        for (const Zem::Main::Entity* entity : game.entities) {
            names.push_back(entity->name);
        }
        return names;
    }

    Zem::Resource::WorldLoader loader;
    Strings log;
    ZemTest::TestGame game;
    // Last, so the world is released before the game's entities go.
    ZemTest::ResourceScope scope{&loader};
};

TEST_F(WorldLoaderTest, BuildsRegisteredEntitiesInOrderAndNothingFromAnotherRoot) {
    EXPECT_EQ(
        load({"three.world", "<ZEMWorld><entity type='Probe' name='first'/><!-- note -->"
                             "<entity type='Ghost' name='ghost'/><entity name='typeless'/>"
                             "<entity type='Probe' name='second'/><camera type='Probe' name='no'/>"
                             "<entity type='Probe' name='third'/></ZEMWorld>"}),
        "Skipping entity \"ghost\": no entity type \"Ghost\"\n"
        "Skipping entity \"typeless\": no entity type \"\"\n");
    EXPECT_EQ(built(), (Strings{"first", "second", "third"}));

    // Where and what: the root, or the line the document breaks on.
    const std::pair<const char*, const char*> refused[] = {
        {"<World><entity type='Probe' name='a'/></World>",
         "other.world: the root element is <World>, not <ZEMWorld>\n"},
        {"<ZEMWorld>\n<entity type='Probe' name='a'/>\n<entity type='Probe' name='b'>\n"
         "</ZEMWorld>\n",
         "other.world line 4: an end tag that does not match its element\n"},
        {"<ZEMWorld>\n<entity type='Probe' name='a'/>\n<entity type='Probe'",
         "other.world line 3: the text ends inside an element (an end tag is missing)\n"},
        {"<ZEMWorld>\n\n<entity type=Probe/>\n</ZEMWorld>",
         "other.world line 3: a malformed tag or a missing element\n"},
    };
    for (const auto& [text, where] : refused) {
        scope.manager.clear();
        EXPECT_EQ(load({"other.world", text}), std::string(where) + "Unable to load other.world\n")
            << text;
        EXPECT_EQ(built().size(), 3u);
    }
}

TEST_F(WorldLoaderTest, OwnSettingsFirstThenEachTemplateInOrderAndCyclesSkipOnlyTheirEntity) {
    load({"red.template", "<t><color>red</color><size>1</size></t>", "outer.template",
          "<t><template>red.template</template><shape>cube</shape></t>", "world.world",
          "<ZEMWorld><entity type='Probe' name='e'><color>blue</color>"
          "<template>red.template</template><template>outer.template</template>"
          "</entity></ZEMWorld>"});
    const auto* e = dynamic_cast<const ZemTest::ProbeEntity*>(game.findEntity("e"));
    ASSERT_NE(e, nullptr);
    Strings settings;
    for (std::size_t i = 0; i < e->settings.childCount(); ++i) {
        settings.push_back(e->settings.child(i).name() + "=" + e->settings.child(i).text());
    }
    EXPECT_EQ(settings,
              (Strings{"color=blue", "color=red", "size=1", "shape=cube", "color=red", "size=1"}));

    const std::string out = load(
        {"self.template", "<t><template>self.template</template></t>", "ping.template",
         "<t><template>pong.template</template></t>", "pong.template",
         "<t><template>ping.template</template></t>", "cycles.world",
         "<ZEMWorld><entity type='Probe' name='narcissus'><template>self.template</template>"
         "</entity><entity type='Probe' name='echo'><template>ping.template</template></entity>"
         "<entity type='Probe' name='lost'><template>gone.template</template></entity>"
         "<entity type='Probe' name='after'/></ZEMWorld>"});
    EXPECT_EQ(built(), (Strings{"e", "after"}));
    for (const char* line :
         {"Skipping entity \"narcissus\": template \"self.template\" includes itself",
          "Skipping entity \"echo\": template \"ping.template\" includes itself",
          "Skipping entity \"lost\": no template \"gone.template\""}) {
        EXPECT_NE(out.find(line), std::string::npos) << out;
    }
}

} // namespace
