#pragma once

#include "support/Vec.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace ZemTools {

// Collects the statements of one OBJ file: the v, vt and vn lists, then the faces, each group
// named where it starts.
class ObjWriter {
public:
    // 1-based indices into the file's v, vt and vn lists.
    struct Corner {
        std::size_t position;
        std::size_t texCoord;
        std::size_t normal;
    };

    // `library` is the file's "mtllib"; every number is written with `decimals` digits after
    // the point.
    ObjWriter(std::string library, int decimals);

    // Each returns the index of what it added.
    std::size_t position(const Vec& p);
    std::size_t texCoord(double u, double v);
    // Written as given: normalising is the caller's choice.
    std::size_t normal(const Vec& n);

    // The faces added from now on form the group `name`, drawn with `material`.
    void beginGroup(const std::string& name, const std::string& material);
    // Corners counter-clockwise seen from the side the face shows.
    void face(std::vector<Corner> corners);

    // The whole file, headed by `comment`.
    std::string text(const std::string& comment) const;

private:
    struct GroupStart {
        std::size_t firstFace;
        std::string name;
        std::string material;
    };

    std::string library;
    int decimals;
    std::vector<Vec> positions;
    std::vector<std::pair<double, double>> texCoords;
    std::vector<Vec> normals;
    std::vector<std::vector<Corner>> faces;
    std::vector<GroupStart> groupStarts;
};

} // namespace ZemTools
