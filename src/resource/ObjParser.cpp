#include "resource/ObjParser.h"

#include "resource/LineReader.h"
#include "resource/WordReader.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Zem::Resource {

namespace {

// Stream extraction of an int at text[i]: an optional sign, then digits. Text that does not
// start that way leaves the value as it was and gives false; a number too large for 32 bits
// saturates.
bool readIndex(std::string_view text, std::size_t i, int64_t& value) {
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || text[i] < '0' || text[i] > '9') {
        return false;
    }
    constexpr int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (number < limit) {
            number = number * 10 + (text[i] - '0');
        }
    }
    if (number > limit) {
        number = limit;
    }
    value = negative ? -number : number;
    return true;
}

// 1-based as written to 0-based as stored, kept within int32 so a range check catches it.
int32_t toStoredIndex(int64_t written) {
    const int64_t stored = written - 1;
    if (stored < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    if (stored > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(stored);
}

// Further numbers on the line (a fourth "v" or third "vt" component) are ignored.
bool readFloats(WordReader& words, int count, std::vector<float>& values) {
    for (int i = 0; i < count; ++i) {
        float value = 0.0f;
        if (!words.nextWordFloat(value)) {
            return false;
        }
        values.push_back(value);
    }
    return true;
}

bool isBelow(int32_t index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

// The unit normal of the triangle p0, p1, p2 turning counter-clockwise; zero when it has no
// area.
void faceNormal(const float* p0, const float* p1, const float* p2, float normal[3]) {
    const double e1[3] = {double(p1[0]) - p0[0], double(p1[1]) - p0[1], double(p1[2]) - p0[2]};
    const double e2[3] = {double(p2[0]) - p0[0], double(p2[1]) - p0[1], double(p2[2]) - p0[2]};
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                         e1[0] * e2[1] - e1[1] * e2[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const double scale = length > 0.0 ? 1.0 / length : 0.0;
    for (int k = 0; k < 3; ++k) {
        normal[k] = static_cast<float>(n[k] * scale);
    }
}

} // namespace

bool ObjParser::parse(std::string_view text, ObjDocument& document) {
    LineReader lines(text);
    return parse(lines, document);
}

bool ObjParser::parse(std::istream& stream, ObjDocument& document) {
    LineReader lines(stream);
    return parse(lines, document);
}

bool ObjParser::parse(LineReader& lines, ObjDocument& document) {
    document = ObjDocument();
    counts = Counts();
    usesZeroTexCoord = false;
    usesFaceNormals = false;
    error_.clear();
    countStatements(lines, counts);
    if (!lines.rewind()) {
        lineNumber = 0;
        return fail("cannot read the file a second time");
    }
    return readStatements(lines, counts, document);
}

bool ObjParser::fail(const std::string& why) {
    error_ = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
}

void ObjParser::countStatements(LineReader& lines, Counts& counts) {
    std::string_view line;
    while (lines.next(line)) {
        const std::string_view keyword = WordReader(line).next();
        if (keyword == "v") {
            ++counts.positions;
        } else if (keyword == "vt") {
            ++counts.texCoords;
        } else if (keyword == "vn") {
            ++counts.normals;
        } else if (keyword == "g") {
            counts.groupFaces.push_back(0);
        } else if (keyword == "f" || keyword == "usemtl") {
            // The group that readStatements opens implicitly.
            if (counts.groupFaces.empty()) {
                counts.groupFaces.push_back(0);
            }
            counts.groupFaces.back() += keyword == "f" ? 1 : 0;
        }
    }
}

bool ObjParser::readStatements(LineReader& lines, const Counts& counts, ObjDocument& document) {
    document.positions.reserve(3 * counts.positions);
    document.texCoords.reserve(2 * counts.texCoords);
    document.normals.reserve(3 * counts.normals);
    document.groups.reserve(counts.groupFaces.size());
    lineNumber = 0;
    std::string_view line;
    while (lines.next(line)) {
        ++lineNumber;
        WordReader words(line);
        const std::string_view keyword = words.next();
        if (keyword == "v") {
            if (!readFloats(words, 3, document.positions)) {
                return fail("\"v\" needs three numbers");
            }
        } else if (keyword == "vt") {
            if (!readFloats(words, 2, document.texCoords)) {
                return fail("\"vt\" needs two numbers");
            }
        } else if (keyword == "vn") {
            if (!readFloats(words, 3, document.normals)) {
                return fail("\"vn\" needs three numbers");
            }
        } else if (keyword == "f") {
            if (!readFace(words.rest(), currentGroup(document))) {
                return false;
            }
        } else if (keyword == "g") {
            openGroup(document, words.next());
        } else if (keyword == "usemtl") {
            currentGroup(document).materialName = words.next();
        } else if (keyword == "mtllib") {
            document.materialLibrary = words.next();
        }
    }
    // A file saved between the two passes: the corners were checked against counts that no
    // longer hold.
    if (!isAsCounted(document)) {
        error_ = "the file changed while it was read";
        return false;
    }
    dropEmptyNamelessGroups(document);
    // No "vt" was read, so this is the only entry.
    if (usesZeroTexCoord) {
        document.texCoords = {0.0f, 0.0f};
    }
    if (usesFaceNormals) {
        addFaceNormals(document);
    }
    return true;
}

bool ObjParser::isAsCounted(const ObjDocument& document) const {
    return document.positions.size() == 3 * counts.positions &&
           document.texCoords.size() == 2 * counts.texCoords &&
           document.normals.size() == 3 * counts.normals &&
           document.groups.size() == counts.groupFaces.size();
}

ObjGroup& ObjParser::openGroup(ObjDocument& document, std::string_view name) {
    ObjGroup& group = document.groups.emplace_back();
    group.name = name;
    // A quad is two triangles: at most six corners per face. A group the first pass did not
    // see (the file changed meanwhile) is refused at the end.
    const std::size_t index = document.groups.size() - 1;
    if (index < counts.groupFaces.size()) {
        group.corners.reserve(6 * counts.groupFaces[index]);
    }
    return group;
}

// What exporters write before their first named group (a "usemtl", a bare "g") is no group of
// the mesh; named groups keep their numbers among the rest.
void ObjParser::dropEmptyNamelessGroups(ObjDocument& document) {
    std::vector<ObjGroup>& groups = document.groups;
    groups.erase(std::remove_if(groups.begin(), groups.end(),
                                [](const ObjGroup& group) {
                                    return group.name.empty() && group.corners.empty();
                                }),
                 groups.end());
}

// Before the first "g" the group is opened here, with an empty name.
ObjGroup& ObjParser::currentGroup(ObjDocument& document) {
    return document.groups.empty() ? openGroup(document, "") : document.groups.back();
}

bool ObjParser::readFace(std::string_view rest, ObjGroup& group) {
    ObjCorner corners[4];
    int count = 0;
    WordReader words(rest);
    // A word equal to the one before it ends the face: that is how a line's trailing blanks
    // or carriage return end it, so "f 1 1 2" counts one corner and is refused. The keyword is
    // the word before the first corner.
    std::string_view previous = "f";
    for (std::string_view word = words.next(); !word.empty() && word != previous;
         previous = word, word = words.next()) {
        // Corners past the fourth are only counted, for the message below.
        if (count < 4 && !resolveCorner(parseCorner(word), corners[count])) {
            return fail("corner \"" + std::string(word) + "\" names a missing v, vt or vn");
        }
        ++count;
    }
    std::vector<ObjCorner>& pending = group.corners;
    if (count == 3) {
        pending.insert(pending.end(), corners, corners + 3);
    } else if (count == 4) {
        // Two triangles sharing the diagonal c0-c2.
        pending.insert(pending.end(),
                       {corners[0], corners[1], corners[2], corners[0], corners[2], corners[3]});
    } else if (count > 4) {
        return fail("face with " + std::to_string(count) +
                    " corners: only triangles and quads are read, export the mesh triangulated");
    } else {
        return fail("face with " + std::to_string(count) + " corners");
    }
    return true;
}

// Checks the corner against the whole file's lists and fills in what a file without "vt" or
// "vn" leaves out. False when it names an entry that does not exist.
bool ObjParser::resolveCorner(const WrittenCorner& written, ObjCorner& corner) {
    corner = written.corner;
    // The omitted index is already 0, the entry added at the end of the pass.
    const bool zeroTexCoord = !written.hasTexCoord && counts.texCoords == 0;
    const bool faceNormal = !written.hasNormal && counts.normals == 0;
    if (!isBelow(corner.position, counts.positions) ||
        (!zeroTexCoord && !isBelow(corner.texCoord, counts.texCoords)) ||
        (!faceNormal && !isBelow(corner.normal, counts.normals))) {
        return false;
    }
    if (faceNormal) {
        corner.normal = pendingFaceNormal;
    }
    usesZeroTexCoord = usesZeroTexCoord || zeroTexCoord;
    usesFaceNormals = usesFaceNormals || faceNormal;
    return true;
}

// One normal per triangle, computed once for its three corners; positions are complete now,
// so faces may name vertices declared after them.
void ObjParser::addFaceNormals(ObjDocument& document) {
    const std::vector<float>& positions = document.positions;
    for (ObjGroup& group : document.groups) {
        for (std::size_t i = 0; i + 2 < group.corners.size(); i += 3) {
            ObjCorner* triangle = &group.corners[i];
            if (triangle[0].normal != pendingFaceNormal &&
                triangle[1].normal != pendingFaceNormal &&
                triangle[2].normal != pendingFaceNormal) {
                continue;
            }
            float normal[3];
            faceNormal(&positions[3 * std::size_t(triangle[0].position)],
                       &positions[3 * std::size_t(triangle[1].position)],
                       &positions[3 * std::size_t(triangle[2].position)], normal);
            const auto index = static_cast<int32_t>(document.normals.size() / 3);
            document.normals.insert(document.normals.end(), normal, normal + 3);
            for (int k = 0; k < 3; ++k) {
                if (triangle[k].normal == pendingFaceNormal) {
                    triangle[k].normal = index;
                }
            }
        }
    }
}

// One pass over the word: each index is read where its field starts, and the field ends at
// the next "/" (the last one at the end of the word).
ObjParser::WrittenCorner ObjParser::parseCorner(std::string_view word) {
    int64_t position = 1;
    int64_t texCoord = 1;
    int64_t normal = 1;
    WrittenCorner written;
    std::size_t i = 0;
    const auto nextField = [&word, &i] {
        while (i < word.size() && word[i] != '/') {
            ++i;
        }
        return i++ < word.size();
    };
    readIndex(word, 0, position);
    if (nextField()) {
        written.hasTexCoord = readIndex(word, i, texCoord);
        if (nextField()) {
            written.hasNormal = readIndex(word, i, normal);
        }
    }
    written.corner = {toStoredIndex(position), toStoredIndex(texCoord), toStoredIndex(normal)};
    return written;
}

} // namespace Zem::Resource
