#pragma once

#include "graphics/MaterialPrograms.h"
#include "graphics/Shader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zem::Resource {
class ShaderObject;
}

namespace Zem::Graphics {

// The render passes of the program: their factories in pass order, and the pool of pass sets
// lent to the views of each frame. Sets are reused from frame to frame and live until exit.
class ShaderRegistry {
public:
    static ShaderRegistry& instance();

    ShaderRegistry(const ShaderRegistry&) = delete;
    ShaderRegistry& operator=(const ShaderRegistry&) = delete;

    // Keeps `factories` sorted by order; a factory goes after those of equal order.
    void registerFactory(std::unique_ptr<Shader::Factory> factory);
    // A free set from the pool, its queues emptied, or a new one when every set is lent.
    PassSet* acquire();
    // Takes a set back; sets that did not come from acquire are ignored.
    void release(PassSet* set);
    // The first instance of the set with the id, or null; null sets find nothing.
    static Shader* findPass(const PassSet* set, int32_t id);

    // Deletes factories, then sets, and forgets the default geometry pass: the state at start.
    // Refused (false) while a view still holds a set.
    bool reset();
    std::size_t setsInUse() const;

    // The size in pixels of the image the passes render: the display's. The demo sets it
    // before a frame; each pass makes its targets anew at its begin when the size has changed.
    void setFrameSize(int width, int height);
    int frameWidth() const { return width; }
    int frameHeight() const { return height; }

    // Links again, from the cached shader objects, every program of the passes in the pool that
    // was linked from `file`. The number of programs that took the new link.
    int relinkPrograms(const std::string& file);

    // Sorted by ascending order.
    std::vector<std::unique_ptr<Shader::Factory>> factories;
    // The pass ordinary models queue on; the G-buffer factory's constructor sets it.
    int32_t defaultGeometryPass = 0;
    // Set by the pass drawing while it draws materials, null otherwise; not owned.
    MaterialPrograms* materialPrograms = nullptr;
    std::vector<std::unique_ptr<PassSet>> pool;
    std::vector<bool> inUse;

private:
    ShaderRegistry() = default;

    int width = 640;
    int height = 480;
    // Factories first, then the sets with their instances.
    ~ShaderRegistry();

    // Index of the set in the pool, or pool.size().
    std::size_t indexOf(const PassSet* set) const;
};

// A GLSL program and the two cached shader objects it was linked from.
struct ProgramRecord {
    Resource::ShaderObject* vertexShader = nullptr;
    Resource::ShaderObject* fragmentShader = nullptr;
    // 0 when either file is missing or the link failed; passes then draw fixed-function.
    uint32_t program = 0;
    // Counts the programs linked into the record: a new program may get the id of the one it
    // replaces, so settings made on a program are tied to this count, never to the id.
    uint32_t links = 0;
    // The names the shader objects were asked for.
    std::string vertexFile;
    std::string fragmentFile;
    // A shader object linked into the fragment stage as well, when not 0: functions the
    // fragment file declares and the pass defines. Owned by the pass.
    uint32_t companionShader = 0;
};

// Fetches both shader objects from the ResourceManager by file name and links them. True when
// the program handle is non-zero. Otherwise says on standard error which program the named pass
// goes without, and why: "light pass: no program from shaders/light.glvp and shaders/light.glfp:
// shaders/light.glfp cannot be loaded".
bool linkProgram(ProgramRecord& record, const std::string& vertexFile,
                 const std::string& fragmentFile, const std::string& passName = "a pass");

// Links the record's two files again from what the cache holds now. When the link fails the
// record keeps its running program and the link log is printed; false then.
bool relinkProgram(ProgramRecord& record);

} // namespace Zem::Graphics
