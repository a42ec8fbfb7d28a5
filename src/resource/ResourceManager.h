#pragma once

#include "resource/Resource.h"

#include <cstddef>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Zem::Resource {

class ResourceLoader;

// The process-wide cache of everything read from data files. Names are looked up along the
// search paths, loaded by the loader registered for their extension, and shared by count.
class ResourceManager {
public:
    static ResourceManager& instance();

    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // Joined to names by plain concatenation, so a path ends with "/".
    void addSearchPath(const std::string& path);
    // Replaces any loader of the same extension. The manager does not own loaders.
    void registerLoader(ResourceLoader* loader);

    // The cached resource, loaded first when needed, with its count raised by one; null when
    // the name is found nowhere, has no loader or its loader rejects it.
    Resource* get(const std::string& name);
    // get, cast to the type the caller expects; a resource of another type is given back and
    // null returned.
    template <class T> T* get(const std::string& name);

    // Finds, loads and caches the name without touching counts. False when no search path
    // holds the file or the loader rejects it; true (caching nothing) when no loader handles
    // the extension.
    bool load(const std::string& name);
    // Gives one reference back; the last one deletes the resource. Null and unknown
    // resources are ignored.
    void release(Resource* resource);
    // Deletes every cached resource whatever its count and forgets failures. Search paths and
    // loaders stay.
    void clear();
    // True when the name was asked for and could not be had (not found, or refused by its
    // loader) and has not loaded since. A later request tries it again, reporting nothing when
    // it fails again: each failure is told once.
    bool hasFailed(const std::string& name) const;
    // Lets the names that failed be reported again when they fail again.
    void forgetFailures() { failed.clear(); }
    // clear, and forget search paths and loaders too: the state at process start.
    void reset();

    // Loads the cached name's file again (along the search paths, as at first) and lets the
    // cached object take the new content. Refused (the old content stays) when the file is
    // found nowhere or its loader rejects it; NotInPlace when the type cannot change under its
    // holders. Names not cached are Refused.
    Reload reload(const std::string& name);
    // A new object loaded from the name's file, neither cached nor counted: for checking that
    // a changed file loads before anything is torn down. Null when it cannot be had.
    // `path` receives the file it came from.
    std::unique_ptr<Resource> loadUncached(const std::string& name, std::string* path = nullptr);
    // Deletes the cached resource whatever its count, so the next request loads the file again.
    // Only for resources nothing points to any more. False when the name was not cached.
    bool evict(const std::string& name);
    // The file each cached name was read from: search path plus name.
    const std::map<std::string, std::string>& sourceFiles() const { return sources; }
    // The file of each name that was found but did not load, so a mended save can be noticed.
    const std::map<std::string, std::string>& brokenFiles() const { return broken; }

    // The part after the last ".", or the whole name when it has none, in lower case.
    static std::string extensionOf(const std::string& name);

    bool isCached(const std::string& name) const;
    std::size_t cachedCount() const { return cache.size(); }
    const std::vector<std::string>& getSearchPaths() const { return searchPaths; }

private:
    ResourceManager() = default;

    // Opens the first search path + name that is a file; its path, or empty.
    std::string open(const std::string& name, std::ifstream& file) const;
    // Runs the loader over the open file, guarding against a file that asks for itself.
    std::unique_ptr<Resource> runLoader(ResourceLoader& loader, std::ifstream& file,
                                        const std::string& name, const std::string& path);
    // Empties the cache first: a resource's destructor may give back what it holds.
    ~ResourceManager();

    std::vector<std::string> searchPaths;
    std::map<std::string, std::unique_ptr<Resource>> cache;
    std::map<std::string, ResourceLoader*> loaders;
    // Cached name to the file it came from.
    std::map<std::string, std::string> sources;
    // Name whose file was found but refused, to that file.
    std::map<std::string, std::string> broken;
    // Names whose loader is running, so a file that asks for itself fails instead of recursing.
    std::set<std::string> loading;
    // Names that failed and whose failure has been reported.
    std::set<std::string> failed;
};

template <class T> T* ResourceManager::get(const std::string& name) {
    Resource* resource = get(name);
    T* typed = dynamic_cast<T*>(resource);
    if (resource != nullptr && typed == nullptr) {
        release(resource);
    }
    return typed;
}

} // namespace Zem::Resource
