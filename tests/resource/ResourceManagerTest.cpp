#include "resource/ResourceManager.h"
#include "resource/Resource.h"
#include "resource/ResourceLoader.h"
#include "resource/ResourceStream.h"
#include "resource/XmlNode.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace Zem::Resource;
namespace fs = std::filesystem;

// Remembers its file's content and counts live instances. A file "hold <name>" holds that
// resource for its whole life, as a material holds its textures.
struct FakeResource : Resource {
    FakeResource(std::string content, Resource* held) : content(std::move(content)), held(held) {
        ++alive;
    }
    ~FakeResource() override {
        --alive;
        ResourceManager::instance().release(held);
    }
    std::string content;
    Resource* held;
    static int alive;
};
int FakeResource::alive = 0;

// Takes any file except one whose content is "bad".
struct FakeLoader : ResourceLoader {
    std::string extension() const override { return "bmp"; }
    std::unique_ptr<Resource> load(ResourceStream& stream) override {
        names.push_back(stream.name());
        const std::string content((std::istreambuf_iterator<char>(stream)), {});
        Resource* held = nullptr;
        if (content.rfind("hold ", 0) == 0) {
            held = ResourceManager::instance().get(content.substr(5));
            heldResults.push_back(held);
        }
        return content == "bad" ? nullptr : std::make_unique<FakeResource>(content, held);
    }
    std::vector<std::string> names;
    std::vector<Resource*> heldResults;
};

class ResourceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeResource::alive = 0;
        manager().reset();
        manager().addSearchPath(dir.path() + "/data/");
        manager().addSearchPath(dir.path() + "/data/textures/");
        manager().registerLoader(&bmp);
    }
    void TearDown() override { manager().reset(); }

    static ResourceManager& manager() { return ResourceManager::instance(); }

    void write(const std::string& relative, const std::string& content) {
        fs::create_directories(fs::path(dir.file(relative)).parent_path());
        std::ofstream(dir.file(relative), std::ios::binary) << content;
    }

    static std::string contentOf(Resource* resource) {
        auto* fake = dynamic_cast<FakeResource*>(resource);
        return fake != nullptr ? fake->content : "<none>";
    }

    ZemTest::TempDir dir;
    FakeLoader bmp;
};

TEST_F(ResourceManagerTest, SearchPathsAreTriedInOrder) {
    write("data/rock.bmp", "from data");
    write("data/textures/rock.bmp", "from textures");
    write("data/textures/shaders/light.bmp", "light");
    fs::create_directories(dir.file("data/odd.bmp"));
    write("data/textures/odd.bmp", "a file, not the directory");

    EXPECT_EQ("from data", contentOf(manager().get("rock.bmp")));
    EXPECT_EQ("light", contentOf(manager().get("shaders/light.bmp")));
    EXPECT_EQ("a file, not the directory", contentOf(manager().get("odd.bmp")));
    manager().clear();
    fs::remove(dir.file("data/rock.bmp"));
    EXPECT_EQ("from textures", contentOf(manager().get("rock.bmp")));
}

TEST_F(ResourceManagerTest, ExtensionIsLowerCasedButTheKeyIsNot) {
    EXPECT_EQ("template", ResourceManager::extensionOf("archive.tar.template"));
    EXPECT_EQ("glfp", ResourceManager::extensionOf("shaders/Light.GLFP"));
    EXPECT_EQ("makefile", ResourceManager::extensionOf("MakeFile"));
    EXPECT_EQ("", ResourceManager::extensionOf("trailing."));

    write("data/Wall.BMP", "wall");
    EXPECT_EQ("wall", contentOf(manager().get("Wall.BMP")));
    EXPECT_TRUE(manager().isCached("Wall.BMP"));
    EXPECT_EQ(nullptr, manager().get("wall.bmp")) << "another, missing file";
    EXPECT_EQ(1u, manager().cachedCount());
}

TEST_F(ResourceManagerTest, SharedByCountDeletedOnLastReleaseAndLoadedAnewAfterClear) {
    write("data/rock.bmp", "rock");
    Resource* first = manager().get("rock.bmp");
    ASSERT_EQ(first, manager().get("rock.bmp"));
    EXPECT_EQ(nullptr, manager().get<XmlNode>("rock.bmp")) << "the wrong type gives its count back";
    EXPECT_EQ(2, first->refCount);
    manager().release(first);
    EXPECT_EQ(1, FakeResource::alive);
    XmlNode stranger;
    manager().release(&stranger);
    manager().release(nullptr);
    EXPECT_EQ(0, stranger.refCount);
    manager().release(first);
    EXPECT_EQ(0, FakeResource::alive);
    EXPECT_FALSE(manager().isCached("rock.bmp"));

    // load caches without counting, and a second load keeps the shared object.
    EXPECT_TRUE(manager().load("rock.bmp"));
    Resource* rock = manager().get("rock.bmp");
    EXPECT_EQ(1, rock->refCount);
    EXPECT_TRUE(manager().load("rock.bmp"));
    EXPECT_EQ(rock, manager().get("rock.bmp"));
    EXPECT_EQ(2u, bmp.names.size());

    manager().clear();
    EXPECT_EQ(0, FakeResource::alive);
    EXPECT_EQ(1, manager().get("rock.bmp")->refCount);
    EXPECT_EQ(3u, bmp.names.size());
}

TEST_F(ResourceManagerTest, ResourcesThatHoldOthersDieCleanly) {
    write("data/tex.bmp", "tex");
    write("data/one.bmp", "hold tex.bmp");
    Resource* one = manager().get("one.bmp");
    ASSERT_NE(nullptr, one);
    manager().release(one);
    EXPECT_EQ(0u, manager().cachedCount()) << "the holder gave its texture back";

    // Clearing while the holder still holds its texture deletes both, once each.
    manager().get("one.bmp");
    manager().clear();
    EXPECT_EQ(0, FakeResource::alive);
}

TEST_F(ResourceManagerTest, FailuresAreReportedOnlyForRejectedData) {
    write("data/broken.bmp", "bad");
    write("data/notes.txt", "no loader");
    write("data/self.bmp", "hold self.bmp");

    testing::internal::CaptureStdout();
    EXPECT_EQ(nullptr, manager().get("broken.bmp"));
    EXPECT_EQ(nullptr, manager().get("notes.txt"));
    EXPECT_EQ(nullptr, manager().get("missing.bmp"));
    // A file that asks for itself fails the inner request instead of recursing.
    Resource* self = manager().get("self.bmp");
    EXPECT_EQ("Unable to load broken.bmp\nUnable to load self.bmp\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ((std::vector<Resource*>{nullptr}), bmp.heldResults);
    ASSERT_NE(nullptr, self);
    EXPECT_EQ(1, self->refCount);

    write("data/broken.bmp", "mended");
    EXPECT_EQ("mended", contentOf(manager().get("broken.bmp"))) << "nothing was cached";
}

} // namespace
