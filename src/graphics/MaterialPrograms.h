#pragma once

namespace Zem::Graphics {

// Lets the pass that draws materials pick a program for the maps each material has, so that a
// material without, say, a bump map does not pay for the code that reads one. The mesh drawing
// asks for the program of each group's maps before drawing it, and for the default program
// after, which every other draw of the pass uses.
class MaterialPrograms {
public:
    // Bits of a material's map set.
    enum Map : unsigned { DiffuseMap = 1, SpecularMap = 2, BumpMap = 4, NormalMap = 8 };
    static constexpr unsigned allMaps = DiffuseMap | SpecularMap | BumpMap | NormalMap;
    static constexpr unsigned mapSetCount = allMaps + 1;

    MaterialPrograms() = default;
    MaterialPrograms(const MaterialPrograms&) = delete;
    MaterialPrograms& operator=(const MaterialPrograms&) = delete;
    virtual ~MaterialPrograms() = default;

    virtual void useFor(unsigned maps) = 0;
    virtual void useDefault() = 0;
};

} // namespace Zem::Graphics
