#include "resource/ResourceManager.h"
#include "resource/Resource.h"
#include "resource/ResourceLoader.h"
#include "resource/ResourceStream.h"
#include "resource/XmlNode.h"

#include "support/ResourceScope.h"
#include "support/ReportRecorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

namespace {

using namespace Zem::Resource;
namespace fs = std::filesystem;

ResourceManager& manager() {
    return ResourceManager::instance();
}

// A file "hold <name>" holds that resource for its whole life, as a material holds its textures.
struct FakeResource : Resource {
    FakeResource(std::string content, Resource* held) : content(std::move(content)), held(held) {
        ++alive;
    }
    ~FakeResource() override {
        --alive;
        manager().release(held);
    }
    // New content is taken in place, except a file saying "frozen".
    Reload adopt(Resource& fresh) override {
        auto& other = dynamic_cast<FakeResource&>(fresh);
        if (other.content == "frozen") {
            return Reload::NotInPlace;
        }
        std::swap(content, other.content);
        return Reload::InPlace;
    }
    std::string content;
    Resource* held;
    inline static int alive = 0;
};

// Takes any file except one whose content is "bad".
struct FakeLoader : ResourceLoader {
    std::string extension() const override { return "bmp"; }
    std::unique_ptr<Resource> load(ResourceStream& stream) override {
        ++loads;
        const std::string content((std::istreambuf_iterator<char>(stream)), {});
        Resource* held =
            content.rfind("hold ", 0) == 0 ? manager().get(content.substr(5)) : nullptr;
        return content == "bad" ? nullptr : std::make_unique<FakeResource>(content, held);
    }
    int loads = 0;
};

class ResourceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeResource::alive = 0;
        manager().addSearchPath(dir.path() + "/textures/");
        // "odd.bmp" is a directory in the first path and a file in the second.
        fs::create_directories(dir.file("textures"));
        fs::create_directories(dir.file("odd.bmp"));
        const std::pair<const char*, const char*> contents[] = {
            {"rock.bmp", "rock"},           {"textures/rock.bmp", "from textures"},
            {"textures/odd.bmp", "a file"}, {"Wall.BMP", "wall"},
            {"broken.bmp", "bad"},          {"notes.txt", "no loader"},
            {"self.bmp", "hold self.bmp"},  {"tex.bmp", "tex"},
            {"one.bmp", "hold tex.bmp"}};
        for (const auto& [name, content] : contents) {
            files.write(name, content);
        }
    }

    static std::string contentOf(Resource* resource) {
        auto* fake = dynamic_cast<FakeResource*>(resource);
        return fake != nullptr ? fake->content : "<none>";
    }

    FakeLoader bmp;
    ZemTest::ResourceScope files{&bmp};
    const ZemTest::TempDir& dir = files.dir;
};

TEST_F(ResourceManagerTest, SearchPathOrderAndCaseRules) {
    EXPECT_EQ("rock", contentOf(manager().get("rock.bmp")));
    EXPECT_EQ("a file", contentOf(manager().get("odd.bmp")));
    EXPECT_EQ("wall", contentOf(manager().get("Wall.BMP")));
    EXPECT_EQ(nullptr, manager().get("wall.bmp")) << "the key keeps its case";
    manager().clear();
    fs::remove(dir.file("rock.bmp"));
    EXPECT_EQ("from textures", contentOf(manager().get("rock.bmp")));
    EXPECT_EQ("glfp", ResourceManager::extensionOf("shaders/light.tar.GLFP"));
    EXPECT_EQ("makefile", ResourceManager::extensionOf("MakeFile"));
}

TEST_F(ResourceManagerTest, SharedByCountDeletedOnLastReleaseAndLoadedAnewAfterClear) {
    Resource* first = manager().get("rock.bmp");
    ASSERT_EQ(first, manager().get("rock.bmp"));
    EXPECT_EQ(nullptr, manager().get<XmlNode>("rock.bmp")) << "the wrong type gives its count back";
    EXPECT_EQ(2, first->refCount);
    manager().release(first);
    XmlNode stranger;
    manager().release(&stranger);
    EXPECT_EQ(0, stranger.refCount);
    EXPECT_EQ(1, FakeResource::alive);
    manager().release(first);
    EXPECT_EQ(0, FakeResource::alive);
    EXPECT_FALSE(manager().isCached("rock.bmp"));

    // load caches without counting, and a second load keeps the shared object.
    EXPECT_TRUE(manager().load("rock.bmp"));
    Resource* rock = manager().get("rock.bmp");
    EXPECT_EQ(1, rock->refCount);
    EXPECT_TRUE(manager().load("rock.bmp"));
    EXPECT_EQ(rock, manager().get("rock.bmp"));
    EXPECT_EQ(2, bmp.loads);
    manager().clear();
    EXPECT_EQ(0, FakeResource::alive);
    EXPECT_EQ(1, manager().get("rock.bmp")->refCount);
    EXPECT_EQ(3, bmp.loads);
}

TEST_F(ResourceManagerTest, FailuresHoldersAndSelfReference) {
    ZemTest::captureReports();
    EXPECT_EQ(nullptr, manager().get("broken.bmp"));
    EXPECT_EQ(nullptr, manager().get("notes.txt"));
    EXPECT_EQ(nullptr, manager().get("missing.bmp"));
    // The inner request fails instead of recursing.
    Resource* self = manager().get("self.bmp");
    EXPECT_EQ("Unable to load broken.bmp\nUnable to load self.bmp\n",
              ZemTest::takeReports());
    ASSERT_NE(nullptr, self);
    EXPECT_EQ(1, self->refCount);
    files.write("broken.bmp", "mended");
    // A failure is read and reported once; clearing the cache forgets it.
    const int loadsBefore = bmp.loads;
    ZemTest::captureReports();
    EXPECT_EQ(nullptr, manager().get("broken.bmp"));
    EXPECT_EQ(nullptr, manager().get("missing.bmp"));
    EXPECT_EQ("", ZemTest::takeReports());
    EXPECT_EQ(loadsBefore, bmp.loads) << "not read again";
    manager().clear();
    EXPECT_EQ("mended", contentOf(manager().get("broken.bmp"))) << "nothing was cached";

    manager().clear();
    manager().release(manager().get("one.bmp"));
    EXPECT_EQ(0u, manager().cachedCount()) << "the holder gave its texture back";
    // Clearing while the holder still holds its texture deletes both, once each.
    manager().get("one.bmp");
    manager().clear();
    EXPECT_EQ(0, FakeResource::alive);
}

TEST_F(ResourceManagerTest, ReloadTakesTheNewFileInPlaceOrKeepsTheOldOne) {
    Resource* rock = manager().get("rock.bmp");
    manager().get("odd.bmp");
    EXPECT_EQ(dir.file("rock.bmp"), manager().sourceFiles().at("rock.bmp"));
    EXPECT_EQ(dir.file("textures/odd.bmp"), manager().sourceFiles().at("odd.bmp"));

    files.write("rock.bmp", "rock, saved again");
    EXPECT_EQ(Reload::InPlace, manager().reload("rock.bmp"));
    EXPECT_EQ("rock, saved again", contentOf(rock)) << "the holders' object changed";
    EXPECT_EQ(1, rock->refCount);
    EXPECT_EQ(2, FakeResource::alive) << "rock and odd: the loaded copy is gone";

    files.write("rock.bmp", "bad");
    ZemTest::captureReports();
    EXPECT_EQ(Reload::Refused, manager().reload("rock.bmp"));
    EXPECT_EQ("Unable to load rock.bmp\n", ZemTest::takeReports());
    EXPECT_EQ("rock, saved again", contentOf(rock));
    files.write("rock.bmp", "frozen");
    EXPECT_EQ(Reload::NotInPlace, manager().reload("rock.bmp"));
    EXPECT_EQ("rock, saved again", contentOf(rock));
    EXPECT_EQ(Reload::Refused, manager().reload("tex.bmp")) << "not cached";
    EXPECT_FALSE(manager().isCached("tex.bmp"));

    // Gone from the first path: the reload finds the next one and remembers where.
    fs::remove(dir.file("rock.bmp"));
    EXPECT_EQ(Reload::InPlace, manager().reload("rock.bmp"));
    EXPECT_EQ("from textures", contentOf(rock));
    EXPECT_EQ(dir.file("textures/rock.bmp"), manager().sourceFiles().at("rock.bmp"));
}

TEST_F(ResourceManagerTest, EvictAndReleaseForgetTheFileAndLoadUncachedLeavesTheCache) {
    manager().get("rock.bmp");
    Resource* one = manager().get("one.bmp");
    EXPECT_EQ(3, FakeResource::alive) << "rock, one and the tex it holds";
    EXPECT_TRUE(manager().evict("rock.bmp"));
    EXPECT_FALSE(manager().evict("rock.bmp"));
    EXPECT_EQ(0u, manager().sourceFiles().count("rock.bmp"));
    EXPECT_EQ(2, FakeResource::alive);
    manager().release(one);
    EXPECT_EQ(0u, manager().sourceFiles().size()) << manager().sourceFiles().begin()->first;

    std::string path;
    const std::unique_ptr<Resource> loose = manager().loadUncached("Wall.BMP", &path);
    EXPECT_EQ("wall", contentOf(loose.get()));
    EXPECT_EQ(dir.file("Wall.BMP"), path);
    EXPECT_FALSE(manager().isCached("Wall.BMP"));
    EXPECT_EQ(nullptr, manager().loadUncached("notes.txt")) << "no loader";
    EXPECT_EQ(nullptr, manager().loadUncached("nowhere.bmp"));
}

// A holder still cached when the process ends (a run that never reached the engine's shutdown)
// gives its texture back while the manager itself is being destroyed.
TEST_F(ResourceManagerTest, HoldersStillCachedAtExitAreDeletedCleanly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            manager().get("one.bmp");
            std::exit(FakeResource::alive == 2 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
