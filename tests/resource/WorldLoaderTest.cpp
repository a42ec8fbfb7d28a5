#include "main/TestGame.h"

#include "resource/ResourceManager.h"
#include "resource/WorldLoader.h"
#include "resource/XmlError.h"
#include "resource/XmlNode.h"

#include "ResourceTestSupport.h"

#include <tuple>

namespace {

using ResourceTest::mentions;
using Strings = std::vector<std::string>;
using R = Zem::Resource::XmlParseResult;

// Whether one of the reports names every word.
bool reported(const Strings& reports, std::initializer_list<std::string_view> words) {
    for (const std::string& report : reports) {
        if (mentions(report, words)) {
            return true;
        }
    }
    return false;
}

class WorldLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        game.registerFactory("Probe", std::make_unique<ZemTest::ProbeFactory>(log));
    }

    // Writes the files as name, text, name, text...; loads the last one; gives what it reported.
    Strings load(const Strings& files) {
        for (std::size_t i = 0; i + 1 < files.size(); i += 2) {
            scope.write(files[i], files[i + 1]);
        }
        const ZemTest::ReportRecorder recorder;
        scope.manager.get(files[files.size() - 2]);
        return recorder.lines;
    }
    // other.world as `text`, refused: the report before "Unable to load other.world".
    std::string refusal(const std::string& text) {
        const Strings reports = load({"other.world", text});
        EXPECT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports.back(), "Unable to load other.world");
        EXPECT_EQ(built(), Strings{});
        return reports.front();
    }

    // Entities whose templates name themselves, go round in a cycle or are missing, then one
    // without templates.
    Strings loadBadTemplates() {
        return load(
            {"self.template", "<t><template>self.template</template></t>", "ping.template",
             "<t><template>pong.template</template></t>", "pong.template",
             "<t><template>ping.template</template></t>", "cycles.world",
             "<ZEMWorld><entity type='Probe' name='narcissus'><template>self.template</template>"
             "</entity><entity type='Probe' name='echo'><template>ping.template</template>"
             "</entity><entity type='Probe' name='lost'><template>gone.template</template>"
             "</entity><entity type='Probe' name='after'/></ZEMWorld>"});
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

const std::string three = "<ZEMWorld><entity type='Probe' name='first'/><!-- note -->"
                          "<entity type='Ghost' name='ghost'/><entity name='typeless'/>"
                          "<entity type='Probe' name='second'/><camera type='Probe' name='no'/>"
                          "<entity type='Probe' name='third'/></ZEMWorld>";

TEST_F(WorldLoaderTest, EntitiesOfKnownTypesAreBuiltInDocumentOrder) {
    load({"three.world", three});
    EXPECT_EQ(built(), (Strings{"first", "second", "third"}));
}

TEST_F(WorldLoaderTest, AnEntityOfAnUnknownTypeIsReportedByNameAndType) {
    const Strings reports = load({"three.world", three});
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(mentions(reports[0], {"\"ghost\"", "\"Ghost\""})) << reports[0];
    EXPECT_TRUE(mentions(reports[1], {"\"typeless\"", "\"\""})) << reports[1];
}

// Said while the entity is built, by whichever part of the engine says it.
TEST_F(WorldLoaderTest, AReportAboutAnEntityBeginsWithTheWorldFileAndTheEntitysLine) {
    const Strings reports = load({"lines.world", "<ZEMWorld>\n<entity type='Probe' name='a'/>\n"
                                                 "\n<entity type='Ghost' name='b'/>\n"
                                                 "</ZEMWorld>\n"});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("lines.world:4: Skipping entity \"b\""), std::string::npos)
        << reports[0];
}

TEST_F(WorldLoaderTest, AWorldWithAnotherRootIsRefusedNamingTheRoot) {
    const std::string why = refusal("<World><entity type='Probe' name='a'/></World>");
    EXPECT_TRUE(mentions(why, {"other.world", "<World>"})) << why;
}

// The file and line where it breaks, and what: an element left open is named at its start tag.
TEST_F(WorldLoaderTest, AWorldThatDoesNotParseIsRefusedNamingWhereAndWhat) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"<ZEMWorld>\n<entity type='Probe' name='a'/>\n<entity type='Probe' name='b'>\n"
         "</ZEMWorld>\n",
         "other.world:3: <entity> is not closed", "</ZEMWorld> on line 4"},
        {"<ZEMWorld>\n<entity type='Probe' name='a'/>\n<entity type='Probe'",
         "other.world:3: <entity> is not closed", "the file ends"},
        {"<ZEMWorld>\n\n<entity type=Probe/>\n</ZEMWorld>",
         "other.world:3: ", Zem::Resource::describe(R::Malformed)},
    };
    for (const auto& [text, where, what] : cases) {
        scope.manager.clear();
        const std::string why = refusal(text);
        EXPECT_TRUE(mentions(why, {where, what})) << text << "\n" << why;
    }
}

TEST_F(WorldLoaderTest, TemplatesFollowTheEntitysOwnSettingsInOrderNestedOnesLast) {
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
}

TEST_F(WorldLoaderTest, OnlyTheEntitiesWithBadTemplatesAreSkipped) {
    loadBadTemplates();
    EXPECT_EQ(built(), Strings{"after"});
}

TEST_F(WorldLoaderTest, ATemplateIncludingItselfIsReportedWithItsEntity) {
    EXPECT_TRUE(reported(loadBadTemplates(), {"\"narcissus\"", "\"self.template\""}));
}

TEST_F(WorldLoaderTest, ATemplateCycleIsReportedWithItsEntity) {
    EXPECT_TRUE(reported(loadBadTemplates(), {"\"echo\"", "\"ping.template\""}));
}

// Makers look this one up in the manual's list of messages: its words stay.
TEST_F(WorldLoaderTest, AMissingTemplateIsReportedWithItsEntity) {
    EXPECT_TRUE(reported(loadBadTemplates(), {"\"lost\"", "\"gone.template\""}));
}

} // namespace
