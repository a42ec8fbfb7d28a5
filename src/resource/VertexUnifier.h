#pragma once

#include "resource/ObjParser.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace Zem::Resource {

// One group's indexed vertex arrays, one entry per shared vertex in every array.
struct GroupGeometry {
    std::vector<float> positions;  // x, y, z per vertex
    std::vector<float> texCoords;  // u, v per vertex
    std::vector<float> normals;    // x, y, z per vertex
    std::vector<uint32_t> indices; // three per triangle
};

// Turns a group's face corners into shared vertices: corners whose position, texture
// coordinate and normal are equal float for float become one vertex, numbered in the order
// they first appear. Vertices are never shared between groups.
//
// Equal values are first given one number per list (a hash over the float bits), so two
// corners name the same vertex exactly when their three numbers agree. The vertices of a group
// are then chained by position: a lookup walks the few vertices at the corner's position,
// which keeps neighbouring corners in neighbouring memory. A position shared by very many
// vertices moves to a hash map, so no input makes the work grow with the square of its size.
class VertexUnifier {
public:
    // Reads the document's lists; the document must outlive the unifier.
    explicit VertexUnifier(const ObjDocument& document);

    // The group's vertices and triangles, degenerate triangles removed. False when a corner
    // names an entry outside the document's lists or the corners are not whole triangles.
    bool finishGroup(const std::vector<ObjCorner>& corners, GroupGeometry& geometry);

    // Drops every triangle with two equal positions; its vertices stay in the arrays.
    static void removeDegenerateTriangles(GroupGeometry& geometry);

private:
    // The vertices of the current group at one position.
    struct Chain {
        uint32_t first = 0; // vertex number + 1, 0 for none
        uint32_t length = 0;
    };
    // A vertex's texture coordinate and normal numbers; its position is its chain's.
    struct Attributes {
        uint32_t texCoord;
        uint32_t normal;
        bool operator==(const Attributes& other) const {
            return texCoord == other.texCoord && normal == other.normal;
        }
    };
    // Beyond this many vertices a position's lookups go through crowded.
    static constexpr uint32_t longestChain = 16;

    bool isInRange(const ObjCorner& corner) const;
    uint32_t findOrAdd(const ObjCorner& corner);
    void addToCrowded(uint32_t position, uint32_t vertex);
    void copyVertexValues(GroupGeometry& geometry) const;
    void forgetGroup();

    const ObjDocument& document;
    // Per entry of each list, the first entry holding an equal value.
    std::vector<uint32_t> positionIds;
    std::vector<uint32_t> texCoordIds;
    std::vector<uint32_t> normalIds;

    // Indexed by position number.
    std::vector<Chain> chains;
    // Per vertex of the current group.
    std::vector<uint32_t> nextAtPosition; // vertex number + 1, 0 at the chain's end
    std::vector<Attributes> attributes;
    std::vector<ObjCorner> firstCorners; // the corner that first named it
    // Vertices at positions with long chains, by position, texture and normal number.
    std::unordered_multimap<uint64_t, uint32_t> crowded;
};

} // namespace Zem::Resource
