#include "resource/VertexUnifier.h"

#include <algorithm>
#include <cstring>

namespace Zem::Resource {

namespace {

uint64_t mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// Bits of a float for hashing. -0 and +0 compare equal, so they must hash alike.
uint32_t hashBits(float value) {
    if (value == 0.0f) {
        return 0;
    }
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::size_t tableSizeFor(std::size_t entries) {
    std::size_t size = 16;
    while (size < entries * 2) {
        size *= 2;
    }
    return size;
}

// For each entry of stride floats, the number of the first entry equal to it float for float.
template <std::size_t stride>
std::vector<uint32_t> firstEqualEntries(const std::vector<float>& values) {
    const std::size_t count = values.size() / stride;
    std::vector<uint32_t> ids(count);
    std::vector<uint32_t> slots(tableSizeFor(count), 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = 0; i < count; ++i) {
        const float* value = &values[i * stride];
        uint64_t h = 0;
        for (std::size_t k = 0; k < stride; ++k) {
            h = mix(h ^ hashBits(value[k]));
        }
        for (std::size_t slot = h & mask;; slot = (slot + 1) & mask) {
            if (slots[slot] == 0) {
                slots[slot] = static_cast<uint32_t>(i + 1);
                ids[i] = static_cast<uint32_t>(i);
                break;
            }
            const uint32_t j = slots[slot] - 1;
            const float* other = &values[j * stride];
            bool equal = true;
            for (std::size_t k = 0; k < stride; ++k) {
                equal = equal && value[k] == other[k];
            }
            if (equal) {
                ids[i] = j;
                break;
            }
        }
    }
    return ids;
}

bool samePosition(const std::vector<float>& positions, uint32_t a, uint32_t b) {
    return positions[3 * a] == positions[3 * b] && positions[3 * a + 1] == positions[3 * b + 1] &&
           positions[3 * a + 2] == positions[3 * b + 2];
}

} // namespace

VertexUnifier::VertexUnifier(const ObjDocument& document)
    : document(document), positionIds(firstEqualEntries<3>(document.positions)),
      texCoordIds(firstEqualEntries<2>(document.texCoords)),
      normalIds(firstEqualEntries<3>(document.normals)), chains(positionIds.size()) {}

bool VertexUnifier::isInRange(const ObjCorner& corner) const {
    return corner.position >= 0 && static_cast<std::size_t>(corner.position) < positionIds.size() &&
           corner.texCoord >= 0 && static_cast<std::size_t>(corner.texCoord) < texCoordIds.size() &&
           corner.normal >= 0 && static_cast<std::size_t>(corner.normal) < normalIds.size();
}

bool VertexUnifier::finishGroup(const std::vector<ObjCorner>& corners, GroupGeometry& geometry) {
    geometry = GroupGeometry();
    if (corners.size() % 3 != 0) {
        return false;
    }
    geometry.indices.resize(corners.size());
    bool inRange = true;
    for (std::size_t i = 0; i < corners.size() && inRange; ++i) {
        inRange = isInRange(corners[i]);
        geometry.indices[i] = inRange ? findOrAdd(corners[i]) : 0;
    }
    if (inRange) {
        copyVertexValues(geometry);
        removeDegenerateTriangles(geometry);
    }
    forgetGroup();
    return inRange;
}

uint32_t VertexUnifier::findOrAdd(const ObjCorner& corner) {
    const uint32_t position = positionIds[corner.position];
    const Attributes wanted{texCoordIds[corner.texCoord], normalIds[corner.normal]};
    Chain& chain = chains[position];
    if (chain.length <= longestChain) {
        for (uint32_t link = chain.first; link != 0; link = nextAtPosition[link - 1]) {
            if (attributes[link - 1] == wanted) {
                return link - 1;
            }
        }
    } else {
        const uint64_t key = (uint64_t(position) * 0x9E3779B97F4A7C15ULL) ^
                             (uint64_t(wanted.texCoord) << 32 | wanted.normal);
        auto [first, last] = crowded.equal_range(key);
        for (; first != last; ++first) {
            const uint32_t vertex = first->second;
            if (attributes[vertex] == wanted &&
                positionIds[firstCorners[vertex].position] == position) {
                return vertex;
            }
        }
    }

    const uint32_t vertex = static_cast<uint32_t>(attributes.size());
    attributes.push_back(wanted);
    firstCorners.push_back(corner);
    nextAtPosition.push_back(0);
    if (chain.length < longestChain) {
        nextAtPosition[vertex] = chain.first;
        chain.first = vertex + 1;
    } else {
        // The chain stays as it is; from now on this position is looked up in crowded.
        if (chain.length == longestChain) {
            for (uint32_t link = chain.first; link != 0; link = nextAtPosition[link - 1]) {
                addToCrowded(position, link - 1);
            }
        }
        addToCrowded(position, vertex);
    }
    ++chain.length;
    return vertex;
}

void VertexUnifier::addToCrowded(uint32_t position, uint32_t vertex) {
    const Attributes& a = attributes[vertex];
    const uint64_t key =
        (uint64_t(position) * 0x9E3779B97F4A7C15ULL) ^ (uint64_t(a.texCoord) << 32 | a.normal);
    crowded.emplace(key, vertex);
}

// Clears only what this group touched, so many small groups in a large file stay cheap.
void VertexUnifier::forgetGroup() {
    for (const ObjCorner& corner : firstCorners) {
        chains[positionIds[corner.position]] = Chain();
    }
    nextAtPosition.clear();
    attributes.clear();
    firstCorners.clear();
    crowded.clear();
}

// A vertex takes the values of the corner that first named it. The arrays are sized once.
void VertexUnifier::copyVertexValues(GroupGeometry& geometry) const {
    const std::size_t count = firstCorners.size();
    geometry.positions.resize(3 * count);
    geometry.texCoords.resize(2 * count);
    geometry.normals.resize(3 * count);
    for (std::size_t vertex = 0; vertex < count; ++vertex) {
        const ObjCorner& corner = firstCorners[vertex];
        const float* position = &document.positions[3 * std::size_t(corner.position)];
        const float* texCoord = &document.texCoords[2 * std::size_t(corner.texCoord)];
        const float* normal = &document.normals[3 * std::size_t(corner.normal)];
        std::copy(position, position + 3, &geometry.positions[3 * vertex]);
        std::copy(texCoord, texCoord + 2, &geometry.texCoords[2 * vertex]);
        std::copy(normal, normal + 3, &geometry.normals[3 * vertex]);
    }
}

void VertexUnifier::removeDegenerateTriangles(GroupGeometry& geometry) {
    std::vector<uint32_t>& indices = geometry.indices;
    std::size_t kept = 0;
    for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
        const uint32_t a = indices[i];
        const uint32_t b = indices[i + 1];
        const uint32_t c = indices[i + 2];
        if (samePosition(geometry.positions, a, b) || samePosition(geometry.positions, b, c) ||
            samePosition(geometry.positions, a, c)) {
            continue;
        }
        indices[kept++] = a;
        indices[kept++] = b;
        indices[kept++] = c;
    }
    indices.resize(kept);
}

} // namespace Zem::Resource
