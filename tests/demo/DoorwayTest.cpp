#include "StillShow.h"

#include "graphics/LightShader.h"
#include "main/Camera.h"
#include "main/EntityFactory.h"
#include "main/Room.h"
#include "resource/ResourceManager.h"
#include "support/DeferredScene.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Moves the current camera along z by `step` in its update, as an interpolator would: after the
// portals have had their own update in this frame.
float step = 0.0f;
class Walker : public Zem::Main::BaseEntity {
public:
    using BaseEntity::BaseEntity;
    void update(float) override {
        Zem::Main::Camera* camera = Zem::Main::currentGame->currentCamera();
        camera->setChannel(2, camera->getChannel(2) + step);
    }
};

// The shipped hall and vault joined by their doorway (x -1..1, 2.5 high, in the wall at z = -5),
// a lamp in each room, and the walker last.
const char* const doorwayWorld =
    "<ZEMWorld><entity type='Room' name='hall'><model>room_a.obj</model></entity>"
    "<entity type='Room' name='vault'><model>room_b.obj</model></entity>"
    "<entity type='Camera' name='camera'><parent>hall</parent><position>0 1.6 3</position>"
    "</entity>"
    "<entity type='Portal' name='vault_side'><parent>vault</parent><position>0 0 -5</position>"
    "</entity>"
    "<entity type='Portal' name='hall_side'><parent>hall</parent><position>0 0 -5</position>"
    "<rotation>0 180 0</rotation></entity>"
    "<entity type='Portal' name='door_hall'><parent>hall</parent><model>doorway.obj</model>"
    "<position>0 0 -5</position><radius>2.7</radius><camera><bind>vault_side</bind></camera>"
    "<triggerplane><v>-1 0 0</v><v>1 0 0</v><v>-1 2.5 0</v></triggerplane></entity>"
    "<entity type='Portal' name='door_vault'><parent>vault</parent><model>doorway.obj</model>"
    "<position>0 0 -5</position><rotation>0 180 0</rotation><radius>2.7</radius>"
    "<camera><bind>hall_side</bind></camera>"
    "<triggerplane><v>-1 0 0</v><v>1 0 0</v><v>-1 2.5 0</v></triggerplane></entity>"
    "<entity type='Light' name='lamp_hall'><parent>hall</parent><position>0 3 0</position>"
    "<radius>7</radius><color>0.25 0.25 0.25</color></entity>"
    "<entity type='Light' name='lamp_vault'><parent>vault</parent><position>0 2.5 -11</position>"
    "<radius>7</radius><color>0.25 0.25 0.25</color></entity>"
    "<entity type='Walker' name='walker'/></ZEMWorld>";

// The vault drawn from behind the hall's wall is exactly 0; either room lit is about 0.02..0.09.
constexpr float nearBlack = 0.005f;

class DoorwayTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        DemoTest::shippedDataWithWorld(dir, doorwayWorld);
        // Ombrel searches its own paths only.
        Zem::Resource::ResourceManager::instance().reset();
        game.registerFactory("Walker", std::make_unique<Zem::Main::EntityFactoryOf<Walker>>());
        ASSERT_TRUE(game.init());
        ASSERT_NE(game.currentCamera(), nullptr);
    }

    // Mean of the frame's light image (what the compose tone-maps onto the screen).
    static float meanLight() {
        const std::vector<float> image =
            readTexture(Zem::Graphics::LightShader::sharedObjects().lightTarget, 640, 480);
        double sum = 0.0;
        for (std::size_t i = 0; i < image.size(); i += 4) {
            sum += (image[i] + image[i + 1] + image[i + 2]) / 3.0;
        }
        return static_cast<float>(sum / (image.size() / 4));
    }
    std::string roomOfCamera() {
        const Zem::Main::Entity* room = game.currentCamera()->room;
        return room == game.findEntity("hall")    ? "hall"
               : room == game.findEntity("vault") ? "vault"
                                                  : "?";
    }

    ZemTest::TempDir dir;
    DemoTest::StillShow show{dir.path() + "/"};
    Ombrel& game = show.game;
};

TEST_F(DoorwayTest, ACameraFiveUnitsAFrameWalksThroughBothWaysAndTheNextFrameShowsTheNewRoom) {
    // z 3 -> -2 -> -7: no frame finds it near the doorway's plane, yet its path goes through.
    step = -5.0f;
    ASSERT_TRUE(game.update(0.05f));
    ASSERT_TRUE(game.update(0.05f));
    const float hallLight = meanLight();
    EXPECT_EQ(roomOfCamera(), "vault") << "carried in the frame it passed the opening";
    EXPECT_NEAR(game.currentCamera()->position.z, -7.0f, 1e-4f);

    step = 5.0f;
    ASSERT_TRUE(game.update(0.05f));
    const float vaultLight = meanLight();
    EXPECT_GT(hallLight, nearBlack);
    EXPECT_GT(vaultLight, nearBlack) << "drawn from the vault, not from behind the hall's wall";
    EXPECT_EQ(roomOfCamera(), "hall") << "and back through the same doorway";

    ASSERT_TRUE(game.update(0.05f));
    EXPECT_GT(meanLight(), nearBlack);
    EXPECT_EQ(roomOfCamera(), "hall");

    SCOPED_TRACE("a path that misses the opening carries nothing");
    game.currentCamera()->setChannel(0, 3.0f); // beside the doorway, x 1..5 is wall
    step = -5.0f;
    game.update(0.05f);
    game.update(0.05f);
    EXPECT_EQ(roomOfCamera(), "hall");
}

} // namespace
