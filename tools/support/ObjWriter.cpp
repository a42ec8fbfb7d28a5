#include "support/ObjWriter.h"

#include <iomanip>
#include <sstream>

namespace ZemTools {

ObjWriter::ObjWriter(std::string library, int decimals)
    : library(std::move(library)), decimals(decimals) {}

std::size_t ObjWriter::position(const Vec& p) {
    positions.push_back(p);
    return positions.size();
}

std::size_t ObjWriter::texCoord(double u, double v) {
    texCoords.emplace_back(u, v);
    return texCoords.size();
}

std::size_t ObjWriter::normal(const Vec& n) {
    normals.push_back(n);
    return normals.size();
}

void ObjWriter::beginGroup(const std::string& name, const std::string& material) {
    groupStarts.push_back({faces.size(), name, material});
}

void ObjWriter::face(std::vector<Corner> corners) {
    faces.push_back(std::move(corners));
}

std::string ObjWriter::text(const std::string& comment) const {
    std::ostringstream out;
    out << std::fixed << std::setprecision(decimals);
    out << "# " << comment << "\n";
    out << "mtllib " << library << "\n";
    for (const Vec& p : positions) {
        out << "v " << p.x << " " << p.y << " " << p.z << "\n";
    }
    for (const auto& t : texCoords) {
        out << "vt " << t.first << " " << t.second << "\n";
    }
    for (const Vec& n : normals) {
        out << "vn " << n.x << " " << n.y << " " << n.z << "\n";
    }
    // Groups begun before the face at `index`, empty ones included.
    std::size_t nextGroup = 0;
    const auto writeGroupsStartingAt = [&](std::size_t index) {
        for (; nextGroup < groupStarts.size() && groupStarts[nextGroup].firstFace == index;
             ++nextGroup) {
            out << "g " << groupStarts[nextGroup].name << "\n";
            out << "usemtl " << groupStarts[nextGroup].material << "\n";
        }
    };
    for (std::size_t i = 0; i < faces.size(); ++i) {
        writeGroupsStartingAt(i);
        out << "f";
        for (const Corner& c : faces[i]) {
            out << " " << c.position << "/" << c.texCoord << "/" << c.normal;
        }
        out << "\n";
    }
    writeGroupsStartingAt(faces.size());
    return out.str();
}

} // namespace ZemTools
