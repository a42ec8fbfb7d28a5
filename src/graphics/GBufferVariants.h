#pragma once

#include "graphics/MaterialPrograms.h"
#include "graphics/ShaderRegistry.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Zem::Graphics {

// The G-buffer program in one build per material map set. The fragment file declares
// zemMayHaveDiffuseMap(), zemMayHaveSpecularMap(), zemMayHaveBumpMap() and zemMayHaveNormalMap();
// each build links in a small shader that defines them as true or false, and the compiler drops
// the code of the maps a build goes without. The build with every map is the pass's own
// program, used for everything that is not a material's mesh group.
class GBufferVariants : public MaterialPrograms {
public:
    GBufferVariants() = default;
    // Deletes the builds it linked and every companion shader; not the default program.
    ~GBufferVariants() override;

    // The companion shader of a map set, compiled on first use; 0 without GLSL.
    uint32_t companion(unsigned maps);
    // The pass's program, linked with companion(allMaps); not owned.
    void setDefault(const ProgramRecord* program) { defaultProgram = program; }

    // The build of the set, linked on first use from the default program's files; the default
    // program when that build cannot be linked.
    void useFor(unsigned maps) override;
    void useDefault() override;

    // The builds linked so far, for linking again when a file changes.
    std::vector<ProgramRecord*> linked();
    // The units the mesh drawing binds material textures to, set on a program.
    static void setSamplers(uint32_t program);

private:
    static std::string companionSource(unsigned maps);
    // The build to draw a material with the set, linked if need be; 0 for the default program.
    uint32_t programFor(unsigned maps);

    const ProgramRecord* defaultProgram = nullptr;
    std::array<uint32_t, mapSetCount> companions{};
    std::array<ProgramRecord, mapSetCount> builds;
    std::array<bool, mapSetCount> tried{};
    // The link of each build its samplers were set on (0: none); a relinked build gets them
    // anew, even when the driver gave its new program the old one's id.
    std::array<uint32_t, mapSetCount> samplersSetAt{};
};

} // namespace Zem::Graphics
