#include "resource/ResourceManager.h"
#include "resource/Resource.h"
#include "resource/ResourceLoader.h"
#include "resource/ResourceStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using Zem::Resource::Resource;
using Zem::Resource::ResourceLoader;
using Zem::Resource::ResourceManager;
using Zem::Resource::ResourceStream;

namespace fs = std::filesystem;

namespace {

// A resource that remembers what it was made from and counts live instances.
class FakeResource : public Resource {
public:
    explicit FakeResource(std::string content) : content(std::move(content)) { ++alive; }
    ~FakeResource() override { --alive; }

    std::string content;
    static int alive;
};
int FakeResource::alive = 0;

class OtherResource : public Resource {};

// Takes any file except one whose content is "bad".
class FakeLoader : public ResourceLoader {
public:
    explicit FakeLoader(std::string handled, int order = 1)
        : handled(std::move(handled)), order(order) {}

    std::string extension() const override { return handled; }
    int byteOrder() const override { return order; }

    std::unique_ptr<Resource> load(ResourceStream& stream) override {
        names.push_back(stream.name());
        seenByteOrder = stream.byteOrder();
        std::string content((std::istreambuf_iterator<char>(stream)),
                            std::istreambuf_iterator<char>());
        if (content == "bad") {
            return nullptr;
        }
        return std::make_unique<FakeResource>(content);
    }

    std::string handled;
    int order;
    int seenByteOrder = 0;
    std::vector<std::string> names;
};

// Holds a reference to another resource for its whole life, as a material holds its textures.
class HolderResource : public Resource {
public:
    explicit HolderResource(Resource* held) : held(held) {}
    ~HolderResource() override { ResourceManager::instance().release(held); }
    Resource* held;
};

class HolderLoader : public ResourceLoader {
public:
    std::string extension() const override { return "holder"; }
    std::unique_ptr<Resource> load(ResourceStream& stream) override {
        std::string heldName;
        std::getline(stream, heldName);
        return std::make_unique<HolderResource>(ResourceManager::instance().get(heldName));
    }
};

// Asks the manager for the file it is loading, as a world that names itself would.
class SelfRequestingLoader : public ResourceLoader {
public:
    std::string extension() const override { return "loop"; }
    std::unique_ptr<Resource> load(ResourceStream& stream) override {
        innerResult = ResourceManager::instance().get(stream.name());
        return std::make_unique<FakeResource>("outer");
    }
    Resource* innerResult = reinterpret_cast<Resource*>(1);
};

// Runs each test inside a fresh temporary directory holding data/ and data/textures/, with the
// manager emptied before and after. The working directory is put back afterwards.
class ResourceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDirectory = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "zem-resource-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        root = pattern;
        fs::create_directories(root / "data" / "textures");
        fs::current_path(root);
        FakeResource::alive = 0;
        manager().reset();
    }

    void TearDown() override {
        manager().reset();
        fs::current_path(previousDirectory);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    static ResourceManager& manager() { return ResourceManager::instance(); }

    void addStandardPaths() {
        manager().addSearchPath("./data/");
        manager().addSearchPath("./data/textures/");
    }

    void writeFile(const std::string& relative, const std::string& content) {
        const fs::path path = root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }

    static std::string contentOf(Resource* resource) {
        auto* fake = dynamic_cast<FakeResource*>(resource);
        return fake != nullptr ? fake->content : "<not a FakeResource>";
    }

    fs::path previousDirectory;
    fs::path root;
};

} // namespace

TEST_F(ResourceManagerTest, SearchPathsAreTriedInOrder) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    writeFile("data/rock.bmp", "from data");
    writeFile("data/textures/rock.bmp", "from textures");
    writeFile("data/textures/moss.bmp", "moss");

    EXPECT_EQ("from data", contentOf(manager().get("rock.bmp")));
    EXPECT_EQ("moss", contentOf(manager().get("moss.bmp")));
    EXPECT_TRUE(manager().isCached("rock.bmp"));
    EXPECT_TRUE(manager().isCached("moss.bmp"));

    manager().clear();
    fs::remove(root / "data/rock.bmp");
    EXPECT_EQ("from textures", contentOf(manager().get("rock.bmp")));
    EXPECT_EQ((std::vector<std::string>{"rock.bmp", "moss.bmp", "rock.bmp"}), bmp.names);
}

TEST_F(ResourceManagerTest, TheBareNameIsNeverTried) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    writeFile("loose.bmp", "beside data");

    testing::internal::CaptureStdout();
    EXPECT_EQ(nullptr, manager().get("loose.bmp"));
    EXPECT_FALSE(manager().load("loose.bmp"));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_TRUE(bmp.names.empty());
}

TEST_F(ResourceManagerTest, ExtensionIsLowerCasedButTheKeyIsNot) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    writeFile("data/Wall.BMP", "wall");

    Resource* wall = manager().get("Wall.BMP");
    EXPECT_EQ("wall", contentOf(wall));
    EXPECT_TRUE(manager().isCached("Wall.BMP"));
    EXPECT_FALSE(manager().isCached("wall.bmp"));
    // File names are case-sensitive here; the other spelling is another, missing file.
    EXPECT_EQ(nullptr, manager().get("wall.bmp"));
    EXPECT_EQ(1u, manager().cachedCount());
}

TEST_F(ResourceManagerTest, ExtensionRules) {
    EXPECT_EQ("template", ResourceManager::extensionOf("archive.tar.template"));
    EXPECT_EQ("glfp", ResourceManager::extensionOf("shaders/Light.GLFP"));
    EXPECT_EQ("makefile", ResourceManager::extensionOf("MakeFile"));
    EXPECT_EQ("", ResourceManager::extensionOf("trailing."));

    FakeLoader templ("template");
    FakeLoader tar("tar");
    FakeLoader whole("makefile");
    addStandardPaths();
    manager().registerLoader(&templ);
    manager().registerLoader(&tar);
    manager().registerLoader(&whole);
    writeFile("data/archive.tar.template", "t");
    writeFile("data/MakeFile", "m");

    EXPECT_EQ("t", contentOf(manager().get("archive.tar.template")));
    EXPECT_EQ("m", contentOf(manager().get("MakeFile")));
    EXPECT_EQ(1u, templ.names.size());
    EXPECT_TRUE(tar.names.empty());
    EXPECT_EQ(1u, whole.names.size());
}

TEST_F(ResourceManagerTest, NameWithADirectoryIsJoinedToEveryPath) {
    FakeLoader glfp("glfp");
    addStandardPaths();
    manager().registerLoader(&glfp);
    writeFile("data/textures/shaders/light.glfp", "light");

    EXPECT_EQ("light", contentOf(manager().get("shaders/light.glfp")));
    EXPECT_TRUE(manager().isCached("shaders/light.glfp"));
}

TEST_F(ResourceManagerTest, ADirectoryOnTheWayIsNotAFile) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    fs::create_directories(root / "data/odd.bmp");
    writeFile("data/textures/odd.bmp", "real file");

    EXPECT_EQ("real file", contentOf(manager().get("odd.bmp")));
}

TEST_F(ResourceManagerTest, SharedByCountAndDeletedOnLastRelease) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    writeFile("data/rock.bmp", "rock");

    Resource* first = manager().get("rock.bmp");
    Resource* second = manager().get("rock.bmp");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(2, first->refCount);
    EXPECT_EQ(1u, bmp.names.size());

    manager().release(first);
    EXPECT_EQ(1, second->refCount);
    EXPECT_TRUE(manager().isCached("rock.bmp"));
    EXPECT_EQ(1, FakeResource::alive);

    manager().release(second);
    EXPECT_FALSE(manager().isCached("rock.bmp"));
    EXPECT_EQ(0, FakeResource::alive);

    Resource* third = manager().get("rock.bmp");
    ASSERT_NE(nullptr, third);
    EXPECT_EQ(1, third->refCount);
    EXPECT_EQ(2u, bmp.names.size());
}

TEST_F(ResourceManagerTest, LoadCachesWithoutCounting) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    writeFile("data/rock.bmp", "rock");

    EXPECT_TRUE(manager().load("rock.bmp"));
    ASSERT_TRUE(manager().isCached("rock.bmp"));
    Resource* rock = manager().get("rock.bmp");
    EXPECT_EQ(1, rock->refCount);

    // A second load keeps the shared object rather than deleting it under its holders.
    EXPECT_TRUE(manager().load("rock.bmp"));
    EXPECT_EQ(rock, manager().get("rock.bmp"));
    EXPECT_EQ(1u, bmp.names.size());
    EXPECT_EQ(1, FakeResource::alive);
}

TEST_F(ResourceManagerTest, ReleaseIgnoresNullAndStrangers) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    writeFile("data/rock.bmp", "rock");
    Resource* rock = manager().get("rock.bmp");

    FakeResource stranger("not cached");
    stranger.refCount = 1;
    manager().release(nullptr);
    manager().release(&stranger);
    EXPECT_EQ(1, stranger.refCount);
    EXPECT_EQ(1, rock->refCount);
    EXPECT_TRUE(manager().isCached("rock.bmp"));
}

TEST_F(ResourceManagerTest, ClearDeletesEverythingAndKeepsPathsAndLoaders) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    writeFile("data/a.bmp", "a");
    writeFile("data/b.bmp", "b");
    manager().get("a.bmp");
    manager().get("a.bmp");
    manager().get("b.bmp");
    EXPECT_EQ(2, FakeResource::alive);

    manager().clear();
    EXPECT_EQ(0, FakeResource::alive);
    EXPECT_EQ(0u, manager().cachedCount());
    EXPECT_EQ(2u, manager().getSearchPaths().size());

    Resource* again = manager().get("a.bmp");
    EXPECT_EQ("a", contentOf(again));
    EXPECT_EQ(1, again->refCount);
    EXPECT_EQ(3u, bmp.names.size());
}

TEST_F(ResourceManagerTest, ResourcesThatHoldOthersDieCleanly) {
    FakeLoader bmp("bmp");
    HolderLoader holder;
    addStandardPaths();
    manager().registerLoader(&bmp);
    manager().registerLoader(&holder);
    writeFile("data/tex.bmp", "tex");
    writeFile("data/one.holder", "tex.bmp\n");

    // The last release of the holder gives its texture back too.
    Resource* one = manager().get("one.holder");
    ASSERT_NE(nullptr, one);
    Resource* tex = manager().get("tex.bmp");
    EXPECT_EQ(2, tex->refCount);
    manager().release(tex);
    manager().release(one);
    EXPECT_EQ(0u, manager().cachedCount());
    EXPECT_EQ(0, FakeResource::alive);

    // Clearing while the holder still holds its texture deletes both, once each.
    manager().get("one.holder");
    EXPECT_EQ(2u, manager().cachedCount());
    manager().clear();
    EXPECT_EQ(0u, manager().cachedCount());
    EXPECT_EQ(0, FakeResource::alive);
}

TEST_F(ResourceManagerTest, RejectedDataIsReportedAndNotCached) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    writeFile("data/broken.bmp", "bad");

    testing::internal::CaptureStdout();
    EXPECT_EQ(nullptr, manager().get("broken.bmp"));
    EXPECT_EQ("Unable to load broken.bmp\n", testing::internal::GetCapturedStdout());
    EXPECT_FALSE(manager().isCached("broken.bmp"));

    // Nothing was cached, so a mended file is read on the next request.
    writeFile("data/broken.bmp", "mended");
    EXPECT_EQ("mended", contentOf(manager().get("broken.bmp")));
    EXPECT_EQ(2u, bmp.names.size());
}

TEST_F(ResourceManagerTest, UnknownExtensionGivesNullSilently) {
    addStandardPaths();
    writeFile("data/notes.txt", "text");

    testing::internal::CaptureStdout();
    EXPECT_TRUE(manager().load("notes.txt"));
    EXPECT_EQ(nullptr, manager().get("notes.txt"));
    EXPECT_EQ(nullptr, manager().get("missing.txt"));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ(0u, manager().cachedCount());
}

TEST_F(ResourceManagerTest, ALaterLoaderReplacesAnEarlierOne) {
    FakeLoader first("bmp");
    FakeLoader second("bmp");
    addStandardPaths();
    manager().registerLoader(&first);
    manager().registerLoader(&second);
    manager().registerLoader(nullptr);
    writeFile("data/rock.bmp", "rock");

    EXPECT_NE(nullptr, manager().get("rock.bmp"));
    EXPECT_TRUE(first.names.empty());
    EXPECT_EQ(1u, second.names.size());
}

TEST_F(ResourceManagerTest, LoaderSeesRawBytesFromTheStartWithItsByteOrder) {
    FakeLoader raw("raw", 2);
    addStandardPaths();
    manager().registerLoader(&raw);
    writeFile("data/lines.raw", std::string("a\r\nb\0c", 6));

    EXPECT_EQ(std::string("a\r\nb\0c", 6), contentOf(manager().get("lines.raw")));
    EXPECT_EQ(2, raw.seenByteOrder);
    EXPECT_EQ((std::vector<std::string>{"lines.raw"}), raw.names);
}

TEST_F(ResourceManagerTest, AFileThatAsksForItselfFailsInsteadOfRecursing) {
    SelfRequestingLoader loop;
    addStandardPaths();
    manager().registerLoader(&loop);
    writeFile("data/self.loop", "");

    testing::internal::CaptureStdout();
    Resource* outer = manager().get("self.loop");
    EXPECT_EQ("Unable to load self.loop\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(nullptr, loop.innerResult);
    EXPECT_EQ("outer", contentOf(outer));
    EXPECT_EQ(1, outer->refCount);
}

TEST_F(ResourceManagerTest, TypedGetCastsOrGivesTheReferenceBack) {
    FakeLoader bmp("bmp");
    addStandardPaths();
    manager().registerLoader(&bmp);
    writeFile("data/rock.bmp", "rock");
    writeFile("data/kept.bmp", "kept");

    FakeResource* rock = manager().get<FakeResource>("rock.bmp");
    ASSERT_NE(nullptr, rock);
    EXPECT_EQ("rock", rock->content);
    EXPECT_EQ(1, rock->refCount);

    // Wrong type: null, and the reference it took is returned.
    EXPECT_EQ(nullptr, manager().get<OtherResource>("rock.bmp"));
    EXPECT_EQ(1, rock->refCount);
    EXPECT_EQ(nullptr, manager().get<OtherResource>("kept.bmp"));
    EXPECT_FALSE(manager().isCached("kept.bmp"));
    EXPECT_EQ(nullptr, manager().get<FakeResource>("missing.bmp"));
}

TEST(ResourceStreamTest, WrapsAnyStreamAndSwapsWhenAsked) {
    const std::string bytes("\x01\x02\x03\x04\x05\x06\x07\x08 tail\nnext line");

    std::istringstream hostSource(bytes);
    ResourceStream host(hostSource, 1, "memory.bin");
    EXPECT_EQ("memory.bin", host.name());
    EXPECT_FALSE(host.swapsBytes());
    uint32_t first = 0;
    ASSERT_TRUE(host.readNumber(first));
    uint8_t expected[4] = {1, 2, 3, 4};
    uint32_t asStored = 0;
    std::memcpy(&asStored, expected, 4);
    EXPECT_EQ(asStored, first);

    std::istringstream swappedSource(bytes);
    ResourceStream swapped(swappedSource, 2);
    uint32_t reversed = 0;
    ASSERT_TRUE(swapped.readNumber(reversed));
    uint8_t backwards[4] = {4, 3, 2, 1};
    uint32_t asReversed = 0;
    std::memcpy(&asReversed, backwards, 4);
    EXPECT_EQ(asReversed, reversed);

    // The ordinary stream operations carry on where the numbers stopped.
    uint16_t skip = 0;
    ASSERT_TRUE(host.readNumber(skip));
    host.seekg(8);
    std::string word;
    host >> word;
    EXPECT_EQ("tail", word);
    std::string line;
    std::getline(host, line);
    std::getline(host, line);
    EXPECT_EQ("next line", line);
    uint64_t pastEnd = 0;
    EXPECT_FALSE(host.readNumber(pastEnd));
}
