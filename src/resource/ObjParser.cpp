#include "resource/ObjParser.h"

#include "resource/LineReader.h"
#include "resource/WordReader.h"

#include <limits>

namespace Zem::Resource {

namespace {

// Stream extraction of an int: an optional sign, then digits. Text that does not start that
// way leaves the value as it was; a number too large for 32 bits saturates.
void readIndex(std::string_view text, int64_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || text[i] < '0' || text[i] > '9') {
        return;
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
        if (!words.nextWholeFloat(value)) {
            return false;
        }
        values.push_back(value);
    }
    return true;
}

bool isBelow(int32_t index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
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
    error_.clear();
    if (!countStatements(lines, counts)) {
        return false;
    }
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

bool ObjParser::countStatements(LineReader& lines, Counts& counts) {
    lineNumber = 0;
    std::string_view line;
    while (lines.next(line)) {
        ++lineNumber;
        if (line.size() > maxLineLength) {
            return fail("longer than " + std::to_string(maxLineLength) + " characters");
        }
        const std::string_view keyword = WordReader(line).next();
        if (keyword == "v") {
            ++counts.positions;
        } else if (keyword == "vt") {
            ++counts.texCoords;
        } else if (keyword == "vn") {
            ++counts.normals;
        } else if (keyword == "g") {
            counts.groupFaces.push_back(0);
        } else if (keyword == "f" && !counts.groupFaces.empty()) {
            ++counts.groupFaces.back();
        }
    }
    return true;
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
            if (document.groups.empty()) {
                return fail("face before any \"g\"");
            }
            if (!readFace(words.rest(), document.groups.back())) {
                return false;
            }
        } else if (keyword == "g") {
            ObjGroup& group = document.groups.emplace_back();
            group.name = words.next();
            // A quad is two triangles: at most six corners per face.
            group.corners.reserve(6 * counts.groupFaces[document.groups.size() - 1]);
        } else if (keyword == "usemtl") {
            if (document.groups.empty()) {
                return fail("\"usemtl\" before any \"g\"");
            }
            document.groups.back().materialName = words.next();
        } else if (keyword == "mtllib") {
            document.materialLibrary = words.next();
        }
    }
    return true;
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
        if (count == 4) {
            return fail("face with more than 4 corners");
        }
        const ObjCorner corner = parseCorner(word);
        if (!isInRange(corner)) {
            return fail("corner \"" + std::string(word) + "\" names a missing v, vt or vn");
        }
        corners[count++] = corner;
    }
    std::vector<ObjCorner>& pending = group.corners;
    if (count == 3) {
        pending.insert(pending.end(), corners, corners + 3);
    } else if (count == 4) {
        // Two triangles sharing the diagonal c0-c2.
        pending.insert(pending.end(),
                       {corners[0], corners[1], corners[2], corners[0], corners[2], corners[3]});
    } else {
        return fail("face with " + std::to_string(count) + " corners");
    }
    return true;
}

ObjCorner ObjParser::parseCorner(std::string_view word) {
    int64_t position = 1;
    int64_t texCoord = 1;
    int64_t normal = 1;
    const std::size_t s1 = word.find('/');
    readIndex(word.substr(0, s1), position);
    if (s1 != std::string_view::npos) {
        const std::size_t s2 = word.find('/', s1 + 1);
        const std::size_t texLength = s2 == std::string_view::npos ? s2 : s2 - s1 - 1;
        readIndex(word.substr(s1 + 1, texLength), texCoord);
        if (s2 != std::string_view::npos) {
            readIndex(word.substr(s2 + 1), normal);
        }
    }
    return {toStoredIndex(position), toStoredIndex(texCoord), toStoredIndex(normal)};
}

// Every "v", "vt" and "vn" of the file was counted before the first face was read.
bool ObjParser::isInRange(const ObjCorner& corner) const {
    return isBelow(corner.position, counts.positions) &&
           isBelow(corner.texCoord, counts.texCoords) && isBelow(corner.normal, counts.normals);
}

} // namespace Zem::Resource
