#include "app/LiveReload.h"

#include "graphics/ShaderRegistry.h"
#include "main/report.h"
#include "resource/ResourceManager.h"
#include "resource/XmlError.h"
#include "resource/XmlNode.h"

#include <fstream>
#include <set>
#include <sstream>
#include <vector>

namespace Zem::App {

using Zem::Resource::Reload;
using Zem::Resource::ResourceManager;

namespace {

bool isShader(const std::string& extension) {
    return extension == "glvp" || extension == "glfp";
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

LiveReload::LiveReload(Zem::Resource::FileWatcher::Clock clock) : watcher(std::move(clock)) {}

bool LiveReload::poll() {
    if (!watcher.due()) {
        return false;
    }
    ResourceManager& manager = ResourceManager::instance();
    // Files that did not load are watched too: a world built while one stood broken takes it
    // once it is mended.
    // Assigned in place: the strings keep their storage from one look to the next.
    paths.resize(manager.sourceFiles().size() + manager.brokenFiles().size());
    std::size_t i = 0;
    for (const auto* files : {&manager.sourceFiles(), &manager.brokenFiles()}) {
        for (const auto& [name, path] : *files) {
            paths[i++] = path;
        }
    }
    const std::vector<std::string> changed = watcher.poll(paths);
    if (changed.empty()) {
        return false;
    }
    const std::set<std::string> changedPaths(changed.begin(), changed.end());
    // Copied: reloading may cache further names.
    auto sources = manager.sourceFiles();
    sources.insert(manager.brokenFiles().begin(), manager.brokenFiles().end());
    bool rebuild = false;
    for (const auto& [name, path] : sources) {
        if (changedPaths.count(path) == 0) {
            continue;
        }
        const std::string extension = ResourceManager::extensionOf(name);
        if (isShader(extension) || extension == "bmp" || extension == "png") {
            rebuild = !reloadInPlace(name) || rebuild;
        } else if (stillLoads(name, path)) {
            Zem::Main::report(std::string("Reloading the world: ") + path + " changed");
            rebuild = true;
        } else {
            Zem::Main::report(std::string("Keeping the running world: ") + path + " does not load");
        }
    }
    return rebuild;
}

bool LiveReload::reloadInPlace(const std::string& name) {
    switch (ResourceManager::instance().reload(name)) {
    case Reload::InPlace:
        Zem::Main::report(std::string("Reloaded ") + name);
        if (isShader(ResourceManager::extensionOf(name))) {
            Zem::Graphics::ShaderRegistry::instance().relinkPrograms(name);
        }
        return true;
    case Reload::Refused:
        Zem::Main::report(std::string("Keeping the running ") + name +
                          ": the new one does not load");
        return true;
    case Reload::NotInPlace:
        break;
    }
    return false;
}

bool LiveReload::stillLoads(const std::string& name, const std::string& path) {
    const std::string extension = ResourceManager::extensionOf(name);
    if (extension == "world" || extension == "template") {
        const std::string text = readFile(path);
        // Worded as the load words it, so a mistake reads the same however it is met.
        const std::string error = Zem::Resource::describeXmlError(path, text);
        if (!error.empty()) {
            Zem::Main::report(error);
            return false;
        }
        if (extension == "world") {
            // Loading a world builds its entities, so only its XML is checked here.
            std::istringstream stream(text);
            Zem::Resource::XmlNode document;
            document.parse(stream);
            if (document.name() != "ZEMWorld") {
                Zem::Main::report(path + ": the root element is <" + document.name() +
                                  ">, not <ZEMWorld>");
                return false;
            }
            return true;
        }
    }
    return ResourceManager::instance().loadUncached(name) != nullptr;
}

} // namespace Zem::App
