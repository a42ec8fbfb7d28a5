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

// A "g" statement with what followed it up to the next one.
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
// lists (faces may name vertices declared after them) and fill arrays sized once.
class ObjParser {
public:
    // Lines are read into a 1024-character buffer; anything longer is refused, not cut.
    static constexpr std::size_t maxLineLength = 1023;

    // False when the text is refused; error() then says which line and why.
    bool parse(std::string_view text, ObjDocument& document);
    // Reads the stream from its current place; it must be able to seek back there.
    bool parse(std::istream& stream, ObjDocument& document);
    const std::string& error() const { return error_; }

    // Corner forms a, a/b, a//c and a/b/c. An index that is absent or does not start with a
    // number stays 1, so a corner without texture or normal uses the file's first one.
    static ObjCorner parseCorner(std::string_view word);

private:
    struct Counts {
        std::size_t positions = 0;
        std::size_t texCoords = 0;
        std::size_t normals = 0;
        // Face statements after each "g".
        std::vector<std::size_t> groupFaces;
    };

    bool parse(LineReader& lines, ObjDocument& document);
    bool countStatements(LineReader& lines, Counts& counts);
    bool readStatements(LineReader& lines, const Counts& counts, ObjDocument& document);
    bool readFace(std::string_view rest, ObjGroup& group);
    bool isInRange(const ObjCorner& corner) const;
    bool fail(const std::string& why);

    std::size_t lineNumber = 0;
    Counts counts;
    std::string error_;
};

} // namespace Zem::Resource
