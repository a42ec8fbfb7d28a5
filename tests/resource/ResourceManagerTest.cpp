#include "resource/ResourceManager.h"
#include "resource/Resource.h"
#include "resource/ResourceLoader.h"
#include "resource/ResourceStream.h"
#include "resource/XmlNode.h"

#include "ResourceTestSupport.h"

#include <filesystem>
#include <iterator>

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

// Takes any file except one whose content is "bad", or "bad " and a reason it reports.
struct FakeLoader : ResourceLoader {
    std::string extension() const override { return "bmp"; }
    std::unique_ptr<Resource> load(ResourceStream& stream) override {
        ++loads;
        const std::string content((std::istreambuf_iterator<char>(stream)), {});
        if (content.rfind("bad ", 0) == 0) {
            Zem::Main::report(content.substr(4));
        }
        Resource* held =
            content.rfind("hold ", 0) == 0 ? manager().get(content.substr(5)) : nullptr;
        return content.rfind("bad", 0) == 0 ? nullptr
                                            : std::make_unique<FakeResource>(content, held);
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

    // Every report of the test, kept off standard error.
    ZemTest::ReportRecorder reports;
    FakeLoader bmp;
    ZemTest::ResourceScope files{&bmp};
    const ZemTest::TempDir& dir = files.dir;
};

TEST_F(ResourceManagerTest, TheFirstSearchPathHoldingTheFileServesIt) {
    EXPECT_EQ(contentOf(manager().get("rock.bmp")), "rock");
    manager().clear();
    fs::remove(dir.file("rock.bmp"));
    EXPECT_EQ(contentOf(manager().get("rock.bmp")), "from textures");
}

TEST_F(ResourceManagerTest, ADirectoryOfTheNameIsPassedOver) {
    EXPECT_EQ(contentOf(manager().get("odd.bmp")), "a file");
}

TEST_F(ResourceManagerTest, AnExtensionInCapitalsFindsItsLoader) {
    EXPECT_EQ(contentOf(manager().get("Wall.BMP")), "wall");
}

TEST_F(ResourceManagerTest, ANameKeepsItsCase) {
    if (fs::exists(dir.file("wall.bmp"))) {
        GTEST_SKIP() << "file names here ignore case (Windows): the file itself answers";
    }
    EXPECT_EQ(manager().get("wall.bmp"), nullptr);
}

TEST_F(ResourceManagerTest, TheExtensionIsTheLastPartInLowerCaseOrTheWholeName) {
    EXPECT_EQ(ResourceManager::extensionOf("shaders/light.tar.GLFP"), "glfp");
    EXPECT_EQ(ResourceManager::extensionOf("MakeFile"), "makefile");
}

TEST_F(ResourceManagerTest, EachGetSharesTheCachedObjectAndCountsIt) {
    Resource* first = manager().get("rock.bmp");
    EXPECT_EQ(manager().get("rock.bmp"), first);
    EXPECT_EQ(first->refCount, 2);
    EXPECT_EQ(bmp.loads, 1);
}

TEST_F(ResourceManagerTest, AGetOfTheWrongTypeGivesItsCountBack) {
    Resource* rock = manager().get("rock.bmp");
    EXPECT_EQ(manager().get<XmlNode>("rock.bmp"), nullptr);
    EXPECT_EQ(rock->refCount, 1);
}

TEST_F(ResourceManagerTest, ReleasingAResourceNotCachedChangesNothing) {
    XmlNode stranger;
    manager().release(&stranger);
    EXPECT_EQ(stranger.refCount, 0);
}

TEST_F(ResourceManagerTest, TheLastReleaseDeletesTheResource) {
    Resource* rock = manager().get("rock.bmp");
    manager().get("rock.bmp");
    manager().release(rock);
    EXPECT_EQ(FakeResource::alive, 1);
    manager().release(rock);
    EXPECT_EQ(FakeResource::alive, 0);
    EXPECT_FALSE(manager().isCached("rock.bmp"));
}

TEST_F(ResourceManagerTest, LoadCachesWithoutCounting) {
    EXPECT_TRUE(manager().load("rock.bmp"));
    EXPECT_EQ(manager().get("rock.bmp")->refCount, 1);
}

TEST_F(ResourceManagerTest, ASecondLoadKeepsTheCachedObject) {
    Resource* rock = manager().get("rock.bmp");
    EXPECT_TRUE(manager().load("rock.bmp"));
    EXPECT_EQ(manager().get("rock.bmp"), rock);
    EXPECT_EQ(bmp.loads, 1);
}

TEST_F(ResourceManagerTest, ClearDeletesEverythingAndTheNextGetLoadsAnew) {
    manager().get("rock.bmp");
    manager().get("rock.bmp");
    manager().clear();
    EXPECT_EQ(FakeResource::alive, 0);
    EXPECT_EQ(manager().get("rock.bmp")->refCount, 1);
    EXPECT_EQ(bmp.loads, 2);
}

TEST_F(ResourceManagerTest, AFileItsLoaderRefusesIsUnableToLoad) {
    EXPECT_EQ(manager().get("broken.bmp"), nullptr);
    EXPECT_EQ(reports.text(), "Unable to load broken.bmp\n");
}

TEST_F(ResourceManagerTest, ANameWithoutALoaderOrAFileGivesNullQuietly) {
    EXPECT_EQ(manager().get("notes.txt"), nullptr);
    EXPECT_EQ(manager().get("missing.bmp"), nullptr);
    EXPECT_EQ(reports.text(), "");
}

// The inner request fails instead of recursing.
TEST_F(ResourceManagerTest, AFileThatAsksForItselfIsUnableToLoadItself) {
    Resource* self = manager().get("self.bmp");
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->refCount, 1);
    EXPECT_EQ(reports.text(), "Unable to load self.bmp\n");
}

// The loader's reason included: asked for again, the file is read again and says nothing.
TEST_F(ResourceManagerTest, AFailureIsReportedOnce) {
    files.write("broken.bmp", "bad no header");
    for (int request = 0; request < 2; ++request) {
        EXPECT_EQ(manager().get("broken.bmp"), nullptr);
        EXPECT_EQ(manager().get("missing.bmp"), nullptr);
    }
    EXPECT_EQ(reports.text(), "no header\nUnable to load broken.bmp\n");
}

TEST_F(ResourceManagerTest, AFileMendedAfterItFailedLoadsOnALaterRequest) {
    manager().get("broken.bmp");
    files.write("broken.bmp", "mended");
    EXPECT_EQ(contentOf(manager().get("broken.bmp")), "mended");
}

// Watched for a mended save, though nothing holds it.
TEST_F(ResourceManagerTest, AFileFoundButRefusedIsKnownByItsPath) {
    manager().get("broken.bmp");
    EXPECT_EQ(manager().brokenFiles().at("broken.bmp"), dir.file("broken.bmp"));
}

TEST_F(ResourceManagerTest, AFileThatLoadsOnceMendedIsNoLongerBroken) {
    manager().get("broken.bmp");
    files.write("broken.bmp", "mended");
    manager().get("broken.bmp");
    EXPECT_EQ(manager().brokenFiles().count("broken.bmp"), 0u);
}

TEST_F(ResourceManagerTest, ClearForgetsFailures) {
    manager().get("broken.bmp");
    files.write("broken.bmp", "mended");
    manager().clear();
    EXPECT_EQ(contentOf(manager().get("broken.bmp")), "mended");
}

TEST_F(ResourceManagerTest, AHolderGivesBackWhatItHoldsWhenReleased) {
    manager().release(manager().get("one.bmp"));
    EXPECT_EQ(manager().cachedCount(), 0u);
}

// Each deleted once: the holder's release of its texture during the clear is no second delete.
TEST_F(ResourceManagerTest, ClearDeletesAHolderAndWhatItHolds) {
    manager().get("one.bmp");
    manager().clear();
    EXPECT_EQ(FakeResource::alive, 0);
}

TEST_F(ResourceManagerTest, SourceFilesNameThePathEachNameWasReadFrom) {
    manager().get("rock.bmp");
    manager().get("odd.bmp");
    EXPECT_EQ(manager().sourceFiles().at("rock.bmp"), dir.file("rock.bmp"));
    EXPECT_EQ(manager().sourceFiles().at("odd.bmp"), dir.file("textures/odd.bmp"));
}

TEST_F(ResourceManagerTest, AReloadTakesTheNewFileIntoTheHeldObject) {
    Resource* rock = manager().get("rock.bmp");
    files.write("rock.bmp", "rock, saved again");
    EXPECT_EQ(manager().reload("rock.bmp"), Reload::InPlace);
    EXPECT_EQ(contentOf(rock), "rock, saved again");
    EXPECT_EQ(rock->refCount, 1);
    EXPECT_EQ(FakeResource::alive, 1) << "the loaded copy is gone";
}

TEST_F(ResourceManagerTest, AReloadTheLoaderRefusesKeepsTheOldContentAndIsReported) {
    Resource* rock = manager().get("rock.bmp");
    files.write("rock.bmp", "bad");
    EXPECT_EQ(manager().reload("rock.bmp"), Reload::Refused);
    EXPECT_EQ(reports.text(), "Unable to load rock.bmp\n");
    EXPECT_EQ(contentOf(rock), "rock");
}

TEST_F(ResourceManagerTest, AReloadOfWhatCannotChangeInPlaceKeepsTheOldContent) {
    Resource* rock = manager().get("rock.bmp");
    files.write("rock.bmp", "frozen");
    EXPECT_EQ(manager().reload("rock.bmp"), Reload::NotInPlace);
    EXPECT_EQ(contentOf(rock), "rock");
}

TEST_F(ResourceManagerTest, AReloadOfANameNotCachedIsRefusedAndCachesNothing) {
    EXPECT_EQ(manager().reload("tex.bmp"), Reload::Refused);
    EXPECT_FALSE(manager().isCached("tex.bmp"));
}

TEST_F(ResourceManagerTest, AReloadFollowsTheSearchPathsAndRemembersWhere) {
    Resource* rock = manager().get("rock.bmp");
    fs::remove(dir.file("rock.bmp"));
    EXPECT_EQ(manager().reload("rock.bmp"), Reload::InPlace);
    EXPECT_EQ(contentOf(rock), "from textures");
    EXPECT_EQ(manager().sourceFiles().at("rock.bmp"), dir.file("textures/rock.bmp"));
}

TEST_F(ResourceManagerTest, EvictDeletesACachedResourceOnce) {
    manager().get("rock.bmp");
    EXPECT_TRUE(manager().evict("rock.bmp"));
    EXPECT_EQ(FakeResource::alive, 0);
    EXPECT_FALSE(manager().evict("rock.bmp"));
}

TEST_F(ResourceManagerTest, EvictForgetsTheSourceFile) {
    manager().get("rock.bmp");
    manager().evict("rock.bmp");
    EXPECT_EQ(manager().sourceFiles().count("rock.bmp"), 0u);
}

TEST_F(ResourceManagerTest, TheLastReleaseForgetsTheSourceFilesOfWhatGoes) {
    manager().release(manager().get("one.bmp"));
    EXPECT_TRUE(manager().sourceFiles().empty()) << manager().sourceFiles().begin()->first;
}

TEST_F(ResourceManagerTest, LoadUncachedLoadsWithoutCaching) {
    std::string path;
    const std::unique_ptr<Resource> loose = manager().loadUncached("Wall.BMP", &path);
    EXPECT_EQ(contentOf(loose.get()), "wall");
    EXPECT_EQ(path, dir.file("Wall.BMP"));
    EXPECT_FALSE(manager().isCached("Wall.BMP"));
}

TEST_F(ResourceManagerTest, LoadUncachedGivesNullWithoutALoaderOrAFile) {
    EXPECT_EQ(manager().loadUncached("notes.txt"), nullptr);
    EXPECT_EQ(manager().loadUncached("nowhere.bmp"), nullptr);
}

// A run that never reached the engine's shutdown: the holder gives its texture back while the
// manager itself is being destroyed.
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
