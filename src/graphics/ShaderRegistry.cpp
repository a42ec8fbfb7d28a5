#include "graphics/ShaderRegistry.h"

#include "main/report.h"
#include "resource/ResourceManager.h"
#include "resource/ShaderObject.h"

#include <GL/glew.h>

#include <algorithm>

namespace Zem::Graphics {

ShaderRegistry& ShaderRegistry::instance() {
    static ShaderRegistry registry;
    return registry;
}

ShaderRegistry::~ShaderRegistry() {
    factories.clear();
    pool.clear();
    inUse.clear();
}

void ShaderRegistry::registerFactory(std::unique_ptr<Shader::Factory> factory) {
    if (factory == nullptr) {
        return;
    }
    const int32_t order = factory->order;
    const auto later = std::find_if(factories.begin(), factories.end(),
                                    [order](const std::unique_ptr<Shader::Factory>& registered) {
                                        return registered->order > order;
                                    });
    factories.insert(later, std::move(factory));
}

PassSet* ShaderRegistry::acquire() {
    for (std::size_t i = 0; i < pool.size(); ++i) {
        if (inUse[i]) {
            continue;
        }
        inUse[i] = true;
        PassSet& set = *pool[i];
        for (const std::unique_ptr<Shader>& pass : set.passes) {
            pass->reset();
            pass->queue.clear();
        }
        return &set;
    }

    auto set = std::make_unique<PassSet>();
    set->passes.reserve(factories.size());
    for (const std::unique_ptr<Shader::Factory>& factory : factories) {
        std::unique_ptr<Shader> pass = factory->create();
        if (pass != nullptr) {
            set->passes.push_back(std::move(pass));
        }
    }
    // Siblings are all in place before any instance looks for them.
    for (const std::unique_ptr<Shader>& pass : set->passes) {
        pass->set = set.get();
    }
    for (const std::unique_ptr<Shader>& pass : set->passes) {
        pass->init();
    }
    pool.push_back(std::move(set));
    inUse.push_back(true);
    return pool.back().get();
}

std::size_t ShaderRegistry::indexOf(const PassSet* set) const {
    for (std::size_t i = 0; i < pool.size(); ++i) {
        if (pool[i].get() == set) {
            return i;
        }
    }
    return pool.size();
}

void ShaderRegistry::release(PassSet* set) {
    const std::size_t index = indexOf(set);
    // A set given back twice may already be lent to another view.
    if (index == pool.size() || !inUse[index]) {
        return;
    }
    for (const std::unique_ptr<Shader>& pass : set->passes) {
        pass->reset();
        pass->queue.clear();
    }
    inUse[index] = false;
}

Shader* ShaderRegistry::findPass(const PassSet* set, int32_t id) {
    if (set == nullptr) {
        return nullptr;
    }
    for (const std::unique_ptr<Shader>& pass : set->passes) {
        if (pass->id == id) {
            return pass.get();
        }
    }
    return nullptr;
}

bool ShaderRegistry::reset() {
    if (setsInUse() != 0) {
        return false;
    }
    factories.clear();
    pool.clear();
    inUse.clear();
    defaultGeometryPass = 0;
    materialPrograms = nullptr;
    width = 640;
    height = 480;
    return true;
}

void ShaderRegistry::setFrameSize(int newWidth, int newHeight) {
    // A minimised window reports nothing; the targets keep at least one pixel.
    width = newWidth > 0 ? newWidth : 1;
    height = newHeight > 0 ? newHeight : 1;
}

std::size_t ShaderRegistry::setsInUse() const {
    return static_cast<std::size_t>(std::count(inUse.begin(), inUse.end(), true));
}

int ShaderRegistry::relinkPrograms(const std::string& file) {
    std::vector<ProgramRecord*> records;
    for (const std::unique_ptr<PassSet>& set : pool) {
        for (const std::unique_ptr<Shader>& pass : set->passes) {
            for (ProgramRecord* record : pass->programs()) {
                const bool uses = record->vertexFile == file || record->fragmentFile == file;
                if (uses && std::find(records.begin(), records.end(), record) == records.end()) {
                    records.push_back(record);
                }
            }
        }
    }
    int relinked = 0;
    for (ProgramRecord* record : records) {
        relinked += relinkProgram(*record) ? 1 : 0;
    }
    return relinked;
}

namespace {

void reportMissingProgram(const std::string& passName, const std::string& vertexFile,
                          const std::string& fragmentFile, const std::string& why) {
    Zem::Main::report(passName + ": no program from " + vertexFile + " and " + fragmentFile + ": " +
                      why + "; the pass draws without it");
}

std::string linkLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) {
        return "it does not link";
    }
    std::string log(static_cast<std::size_t>(length), '\0');
    glGetProgramInfoLog(program, length, nullptr, log.data());
    log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
    while (!log.empty() && (log.back() == '\n' || log.back() == ' ')) {
        log.pop_back();
    }
    return "it does not link: " + log;
}

// A new program of the two shaders, or 0 with why saying what went wrong.
GLuint linkShaders(const Resource::ShaderObject& vertex, const Resource::ShaderObject& fragment,
                   GLuint companion, std::string& why) {
    // An error left over from unrelated code must not be taken for this link's.
    for (int pending = 0; pending < 64 && glGetError() != GL_NO_ERROR; ++pending) {
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, fragment.shader);
    glAttachShader(program, vertex.shader);
    if (companion != 0) {
        glAttachShader(program, companion);
    }
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (glGetError() == GL_NO_ERROR && linked == GL_TRUE) {
        return program;
    }
    why = program != 0 ? linkLog(program) : "no program object";
    // A program that did not link is unusable; 0 lets the pass draw fixed-function instead.
    if (program != 0) {
        glDeleteProgram(program);
    }
    return 0;
}

} // namespace

bool linkProgram(ProgramRecord& record, const std::string& vertexFile,
                 const std::string& fragmentFile, const std::string& passName) {
    Resource::ResourceManager& resources = Resource::ResourceManager::instance();
    record.vertexFile = vertexFile;
    record.fragmentFile = fragmentFile;
    record.vertexShader = resources.get<Resource::ShaderObject>(vertexFile);
    record.fragmentShader = resources.get<Resource::ShaderObject>(fragmentFile);
    record.program = 0;
    if (record.vertexShader == nullptr || record.fragmentShader == nullptr) {
        reportMissingProgram(passName, vertexFile, fragmentFile,
                             (record.vertexShader == nullptr ? vertexFile : fragmentFile) +
                                 " cannot be loaded (missing, or no OpenGL context)");
        return false;
    }
    if (glCreateProgram == nullptr) {
        reportMissingProgram(passName, vertexFile, fragmentFile, "GLSL is not supported");
        return false;
    }
    std::string why;
    record.program =
        linkShaders(*record.vertexShader, *record.fragmentShader, record.companionShader, why);
    if (record.program == 0) {
        reportMissingProgram(passName, vertexFile, fragmentFile, why);
        return false;
    }
    ++record.links;
    return true;
}

bool relinkProgram(ProgramRecord& record) {
    Resource::ResourceManager& resources = Resource::ResourceManager::instance();
    auto* vertex = resources.get<Resource::ShaderObject>(record.vertexFile);
    auto* fragment = resources.get<Resource::ShaderObject>(record.fragmentFile);
    GLuint program = 0;
    std::string why = "cannot be loaded";
    if (vertex != nullptr && fragment != nullptr && glCreateProgram != nullptr) {
        program = linkShaders(*vertex, *fragment, record.companionShader, why);
    }
    if (program == 0) {
        Zem::Main::report(std::string("Keeping the running program of ") + record.vertexFile +
                          " and " + record.fragmentFile + ": the new one " +
                          why.substr(why.rfind("it ", 0) == 0 ? 3 : 0));
        resources.release(vertex);
        resources.release(fragment);
        return false;
    }
    if (record.program != 0) {
        glDeleteProgram(record.program);
    }
    // The record held one reference of each; the new ones take their place. A record left from
    // an emptied cache points at nothing the cache knows, and release ignores it.
    resources.release(record.vertexShader);
    resources.release(record.fragmentShader);
    record.vertexShader = vertex;
    record.fragmentShader = fragment;
    record.program = program;
    ++record.links;
    return true;
}

} // namespace Zem::Graphics
