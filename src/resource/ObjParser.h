#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace Zem::Resource {

// One face corner: 0-based indices into the whole file's "v", "vt" and "vn" lists.
struct ObjCorner {
    int32_t position;
    int32_t texCoord;
    int32_t normal;
};

// A "g" statement with what followed it up to the next one. Faces and "usemtl" before the
// first "g" go into a group with an empty name, as if the file began with a bare "g". A group
// with an empty name that gets no face is left out.
struct ObjGroup {
    std::string name;
    // The "usemtl" name; empty when none was given.
    std::string materialName;
    // Three corners per triangle; a quad has already become two triangles.
    std::vector<ObjCorner> corners;
};

// The statements of one OBJ file, before any vertex is shared.
struct ObjDocument {
    std::vector<float> positions; // x, y, z per "v"
    std::vector<float> texCoords; // u, v per "vt"
    std::vector<float> normals;   // x, y, z per "vn"
    std::vector<ObjGroup> groups;
    // The last "mtllib" name; only the last one counts. Empty when there is none.
    std::string materialLibrary;
};

class LineReader;

// Reads OBJ text into an ObjDocument in two passes over the text: the first counts the "v",
// "vt", "vn" and face statements, so the second can check every corner against the complete
// lists (faces may name vertices declared after them) and fill arrays sized once. Lines of
// any length are read whole.
//
// Exporters leave texture coordinates and normals out of meshes that have none. A corner that
// omits its texture index in a file with no "vt" gets (0, 0); one that omits its normal in a
// file with no "vn" gets its triangle's face normal (flat shading). Both are added to the
// document's lists, so what the parser hands on always names real entries.
class ObjParser {
public:
    // A face corner as written: which indices it gives, the others 1 (0 once stored).
    struct WrittenCorner {
        ObjCorner corner;
        bool hasTexCoord = false;
        bool hasNormal = false;
    };

    // False when the text is refused; error() then says which line and why.
    bool parse(std::string_view text, ObjDocument& document);
    // Reads the stream from its current place; it must be able to seek back there.
    bool parse(std::istream& stream, ObjDocument& document);
    const std::string& error() const { return error_; }

    // Corner forms a, a/b, a//c and a/b/c. An index that is absent or does not start with a
    // number stays 1, so in a file with "vt" and "vn" a corner without texture or normal uses
    // the file's first one.
    static WrittenCorner parseCorner(std::string_view word);

private:
    struct Counts {
        std::size_t positions = 0;
        std::size_t texCoords = 0;
        std::size_t normals = 0;
        // Face statements per group, the implicit first group included.
        std::vector<std::size_t> groupFaces;
    };
    // Stands for a face normal not computed yet; real indices are never negative here.
    static constexpr int32_t pendingFaceNormal = -1;

    bool parse(LineReader& lines, ObjDocument& document);
    static void countStatements(LineReader& lines, Counts& counts);
    bool readStatements(LineReader& lines, const Counts& counts, ObjDocument& document);
    ObjGroup& openGroup(ObjDocument& document, std::string_view name);
    ObjGroup& currentGroup(ObjDocument& document);
    bool readFace(std::string_view rest, ObjGroup& group);
    bool resolveCorner(const WrittenCorner& written, ObjCorner& corner);
    // Whether the second pass read what the first counted.
    bool isAsCounted(const ObjDocument& document) const;
    static void dropEmptyNamelessGroups(ObjDocument& document);
    static void addFaceNormals(ObjDocument& document);
    bool fail(const std::string& why);

    std::size_t lineNumber = 0;
    Counts counts;
    // A corner took the (0, 0) that stands in for a missing "vt".
    bool usesZeroTexCoord = false;
    bool usesFaceNormals = false;
    std::string error_;
};

} // namespace Zem::Resource
