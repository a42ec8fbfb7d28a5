#pragma once

#include "resource/FileWatcher.h"

#include <string>
#include <vector>

namespace Zem::App {

// Follows the files the show runs on while it plays. A changed shader or texture is loaded again
// in place, and the programs linked from a shader are linked again; a changed world, template,
// mesh or material library that still loads calls for the world to be built again. A file that
// does not load leaves the running version alone, with the reason printed.
class LiveReload {
public:
    explicit LiveReload(Zem::Resource::FileWatcher::Clock clock = {});

    // Looks at the cached files' times (at most once a second) and reloads what changed. True
    // when the world must be built again.
    bool poll();

private:
    // A shader or texture; false when the type cannot be reloaded in place after all.
    bool reloadInPlace(const std::string& name);
    // Whether the changed file of a world, template, mesh or material library would load.
    static bool stillLoads(const std::string& name, const std::string& path);

    Zem::Resource::FileWatcher watcher;
    // The files looked at, kept from look to look so their strings are reused.
    std::vector<std::string> paths;
};

} // namespace Zem::App
