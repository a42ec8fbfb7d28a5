#pragma once

#include "resource/ResourceManager.h"
#include "support/ReportRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <string>

namespace ZemTest {

// The resource manager as at process start, finding files in a fresh temporary directory with
// the given loaders (which must outlive this); reset again at the end.
class ResourceScope {
public:
    explicit ResourceScope(std::initializer_list<Zem::Resource::ResourceLoader*> loaders) {
        manager.reset();
        manager.addSearchPath(dir.path() + "/");
        for (Zem::Resource::ResourceLoader* loader : loaders) {
            manager.registerLoader(loader);
        }
    }
    ResourceScope(const ResourceScope&) = delete;
    ResourceScope& operator=(const ResourceScope&) = delete;
    ~ResourceScope() { manager.reset(); }

    // The file under the directory, byte for byte.
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir.file(name), std::ios::binary) << bytes;
    }

    Zem::Resource::ResourceManager& manager = Zem::Resource::ResourceManager::instance();
    TempDir dir;
};

} // namespace ZemTest
