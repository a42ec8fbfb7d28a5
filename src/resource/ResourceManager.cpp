#include "resource/ResourceManager.h"

#include "main/QuietReports.h"
#include "main/report.h"
#include "resource/ResourceLoader.h"
#include "resource/ResourceStream.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

namespace Zem::Resource {

namespace {

// Opens path for raw bytes. A directory is not a file: on Linux it would open and then fail
// every read, so it is skipped like a missing file.
bool openFile(const std::string& path, std::ifstream& file) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return false;
    }
    file.open(path, std::ios::in | std::ios::binary);
    return file.is_open();
}

void reportUnableToLoad(const std::string& name) {
    Zem::Main::report(std::string("Unable to load ") + name);
}

} // namespace

ResourceManager& ResourceManager::instance() {
    static ResourceManager manager;
    return manager;
}

void ResourceManager::addSearchPath(const std::string& path) {
    searchPaths.push_back(path);
}

void ResourceManager::registerLoader(ResourceLoader* loader) {
    if (loader == nullptr) {
        return;
    }
    loaders[loader->extension()] = loader;
}

std::string ResourceManager::extensionOf(const std::string& name) {
    const std::string::size_type dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? name : name.substr(dot + 1);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension;
}

Resource* ResourceManager::get(const std::string& name) {
    auto entry = cache.find(name);
    if (entry == cache.end()) {
        if (!load(name)) {
            return nullptr;
        }
        entry = cache.find(name);
        // Found, but no loader handles the extension.
        if (entry == cache.end()) {
            return nullptr;
        }
    }
    Resource* resource = entry->second.get();
    ++resource->refCount;
    return resource;
}

std::string ResourceManager::open(const std::string& name, std::ifstream& file) const {
    for (const std::string& path : searchPaths) {
        if (openFile(path + name, file)) {
            return path + name;
        }
    }
    return std::string();
}

std::unique_ptr<Resource> ResourceManager::runLoader(ResourceLoader& loader, std::ifstream& file,
                                                     const std::string& name,
                                                     const std::string& path) {
    ResourceStream stream(file, loader.byteOrder(), name, path);
    loading.insert(name);
    // A name whose failure was reported is tried again without its loader telling the same
    // reasons again; a name of its own the loader asks for says what it has to.
    const Zem::Main::QuietReports quiet(failed.count(name) != 0);
    std::unique_ptr<Resource> resource;
    // A file that asks for more memory than there is fails like any other refused file.
    try {
        resource = loader.load(stream);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    loading.erase(name);
    return resource;
}

bool ResourceManager::load(const std::string& name) {
    // Loading a cached name again would delete an object its holders still point to.
    if (cache.count(name) != 0) {
        return true;
    }
    if (loading.count(name) != 0) {
        reportUnableToLoad(name);
        return false;
    }
    std::ifstream file;
    const std::string path = open(name, file);
    if (path.empty()) {
        failed.insert(name);
        return false;
    }

    const auto loaderEntry = loaders.find(extensionOf(name));
    if (loaderEntry == loaders.end()) {
        return true;
    }
    std::unique_ptr<Resource> resource = runLoader(*loaderEntry->second, file, name, path);
    if (!resource) {
        // Reported once; a later request tries again, as the file may be mended by then, or
        // the failure may have passed (a GL error left pending by other code).
        if (failed.insert(name).second) {
            reportUnableToLoad(name);
        }
        broken[name] = path;
        return false;
    }
    failed.erase(name);
    broken.erase(name);
    cache[name] = std::move(resource);
    sources[name] = path;
    return true;
}

std::unique_ptr<Resource> ResourceManager::loadUncached(const std::string& name,
                                                        std::string* path) {
    if (loading.count(name) != 0) {
        reportUnableToLoad(name);
        return nullptr;
    }
    const auto loaderEntry = loaders.find(extensionOf(name));
    std::ifstream file;
    const std::string found = loaderEntry == loaders.end() ? std::string() : open(name, file);
    if (found.empty()) {
        return nullptr;
    }
    if (path != nullptr) {
        *path = found;
    }
    std::unique_ptr<Resource> resource = runLoader(*loaderEntry->second, file, name, found);
    if (!resource) {
        reportUnableToLoad(name);
    }
    return resource;
}

Reload ResourceManager::reload(const std::string& name) {
    const auto entry = cache.find(name);
    if (entry == cache.end()) {
        return Reload::Refused;
    }
    std::string path;
    std::unique_ptr<Resource> fresh = loadUncached(name, &path);
    if (!fresh) {
        return Reload::Refused;
    }
    // The loader may have cached other names meanwhile; the entry itself stays where it was.
    const Reload outcome = cache.find(name)->second->adopt(*fresh);
    if (outcome == Reload::InPlace) {
        sources[name] = path;
    }
    return outcome;
}

bool ResourceManager::evict(const std::string& name) {
    const auto entry = cache.find(name);
    if (entry == cache.end()) {
        return false;
    }
    std::unique_ptr<Resource> doomed = std::move(entry->second);
    cache.erase(entry);
    sources.erase(name);
    return true;
}

void ResourceManager::release(Resource* resource) {
    if (resource == nullptr) {
        return;
    }
    for (auto entry = cache.begin(); entry != cache.end(); ++entry) {
        if (entry->second.get() != resource) {
            continue;
        }
        if (resource->refCount-- == 1) {
            // Out of the cache before it dies: its destructor may give back what it holds.
            std::unique_ptr<Resource> last = std::move(entry->second);
            sources.erase(entry->first);
            cache.erase(entry);
        }
        return;
    }
}

ResourceManager::~ResourceManager() {
    clear();
}

void ResourceManager::clear() {
    // Moved out first: a resource's destructor may give back references it holds (a material
    // releasing its textures) while the cache is being emptied.
    std::map<std::string, std::unique_ptr<Resource>> doomed;
    doomed.swap(cache);
    sources.clear();
    broken.clear();
    doomed.clear();
    failed.clear();
}

bool ResourceManager::hasFailed(const std::string& name) const {
    return failed.count(name) != 0;
}

void ResourceManager::reset() {
    clear();
    searchPaths.clear();
    loaders.clear();
    loading.clear();
}

bool ResourceManager::isCached(const std::string& name) const {
    return cache.count(name) != 0;
}

} // namespace Zem::Resource
