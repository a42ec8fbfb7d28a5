#include "resource/ObjParser.h"

#include "ResourceTestSupport.h"

#include <cmath>
#include <sstream>

namespace {

using namespace Zem::Resource;
using ResourceTest::mentions;
using ResourceTest::square;
using ResourceTest::triangle;

// A unit square in the XY plane and, as vertex 5, a point above its far corner; no "vt" or "vn".
const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 1 1 1\n";
// A face of the square's first three corners.
const std::string face = "g a\nf 1/1/1 2/2/2 3/3/3\n";

// `values` `count` times over.
std::vector<float> repeat(int count, const std::vector<float>& values) {
    std::vector<float> all;
    for (int i = 0; i < count; ++i) {
        all.insert(all.end(), values.begin(), values.end());
    }
    return all;
}

class ObjParserTest : public ::testing::Test {
protected:
    // The document of text that must parse.
    ObjDocument parsed(const std::string& text) {
        ObjDocument document;
        EXPECT_TRUE(parser.parse(text, document)) << parser.error();
        return document;
    }
    // Why the text is refused, or "" when it parses.
    std::string refusal(const std::string& text) {
        ObjDocument document;
        return parser.parse(text, document) ? std::string() : parser.error();
    }
    ::testing::AssertionResult refusedNaming(const std::string& text,
                                             std::initializer_list<std::string_view> words) {
        const std::string why = refusal(text);
        return mentions(why, words) ? ::testing::AssertionSuccess()
                                    : ::testing::AssertionFailure() << "refused with: " << why;
    }
    // The values each corner of the first group names in one of the document's lists.
    static std::vector<float> perCorner(const ObjDocument& document,
                                        std::vector<float> ObjDocument::*list,
                                        int32_t ObjCorner::*index, std::size_t size) {
        std::vector<float> values;
        for (const ObjCorner& corner : document.groups.at(0).corners) {
            const auto at = (document.*list).begin() + std::size_t(corner.*index) * size;
            values.insert(values.end(), at, at + size);
        }
        return values;
    }
    static std::vector<float> positions(const ObjDocument& document) {
        return perCorner(document, &ObjDocument::positions, &ObjCorner::position, 3);
    }
    static std::vector<float> texCoords(const ObjDocument& document) {
        return perCorner(document, &ObjDocument::texCoords, &ObjCorner::texCoord, 2);
    }
    static std::vector<float> normals(const ObjDocument& document) {
        return perCorner(document, &ObjDocument::normals, &ObjCorner::normal, 3);
    }
    static void expectNear(const std::vector<float>& got, const std::vector<float>& expected) {
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i], expected[i], 1e-6f) << i;
        }
    }
    // Position, texture coordinate and normal, with "t" and "n" when those two were given.
    static std::string corner(const char* word) {
        const ObjParser::WrittenCorner got = ObjParser::parseCorner(word);
        std::ostringstream text;
        text << got.corner.position << " " << got.corner.texCoord << " " << got.corner.normal
             << (got.hasTexCoord ? " t" : "") << (got.hasNormal ? " n" : "");
        return text.str();
    }

    ObjParser parser;
};

TEST_F(ObjParserTest, AQuadBecomesTwoTrianglesSharingTheDiagonalFromItsFirstCorner) {
    const ObjDocument document = parsed(square + "g quad\nf 1/1/1 2/2/2 3/3/3 4/4/4\n");
    std::vector<int32_t> corners;
    for (const ObjCorner& corner : document.groups.at(0).corners) {
        corners.push_back(corner.position);
    }
    EXPECT_EQ(corners, (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));
}

// Each group as "name:material".
TEST_F(ObjParserTest, StatementsBeforeTheFirstGroupOpenANamelessOne) {
    const std::string f = "f 1/1/1 2/2/2 3/3/3\n";
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {square + f, {":"}},
        {square + "usemtl wood\n" + f, {":wood"}},
        {square + f + "usemtl wood\n", {":wood"}},
        {square + "o Cube\n" + f + "g lid\nusemtl tin\n" + f, {":", "lid:tin"}},
        {square + "g\n" + f + "g b\n" + f, {":", "b:"}},
    };
    for (const auto& [text, groups] : cases) {
        std::vector<std::string> got;
        for (const ObjGroup& group : parsed(text).groups) {
            got.push_back(group.name + ":" + group.materialName);
            EXPECT_EQ(group.corners.size(), 3u) << text;
        }
        EXPECT_EQ(got, groups) << text;
    }
}

// As exporters write them: a "usemtl" before the first "g", a bare "g" with nothing after it.
TEST_F(ObjParserTest, ANamelessGroupThatGetsNoFaceIsLeftOut) {
    const std::string f = "f 1/1/1 2/2/2 3/3/3\n";
    std::vector<std::string> names;
    for (const ObjGroup& group :
         parsed(square + "usemtl wood\ng a\n" + f + "g\ng b\n" + f).groups) {
        names.push_back(group.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
}

TEST_F(ObjParserTest, FacesMayNameVerticesDeclaredAfterThem) {
    const std::string faces = "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4\n";
    EXPECT_EQ(positions(parsed(faces + square)), positions(parsed(square + faces)));
}

TEST_F(ObjParserTest, AFaceBeforeItsVerticesGetsTheirFaceNormal) {
    EXPECT_EQ(normals(parsed("f 1 2 3\n" + quad)), repeat(3, {0, 0, 1}));
}

TEST_F(ObjParserTest, WithoutVtAnOmittedTextureIndexIsZeroZero) {
    for (const char* faces : {"f 1 2 3 4\n", "vn 0 1 0\nf 1//1 2//1 3//1 4//1\n"}) {
        EXPECT_EQ(texCoords(parsed(quad + faces)), repeat(6, {0, 0})) << faces;
    }
}

TEST_F(ObjParserTest, WithoutVnAnOmittedNormalIsTheFaceNormalOfItsTriangle) {
    const std::pair<std::string, std::vector<float>> cases[] = {
        {"f 1 2 3 4\n", repeat(6, {0, 0, 1})},
        {"vt .5 .25\nf 1/1 2/1/ 3/1 4/1/\n", repeat(6, {0, 0, 1})},
        {"f 1 4 3\n", repeat(3, {0, 0, -1})},
    };
    for (const auto& [faces, expected] : cases) {
        SCOPED_TRACE(faces);
        expectNear(normals(parsed(quad + faces)), expected);
    }
}

TEST_F(ObjParserTest, EachHalfOfAFoldedQuadHasItsOwnFaceNormal) {
    const float r = 1.0f / std::sqrt(2.0f);
    expectNear(normals(parsed(quad + "f 1 2 5 4\n")),
               {0, -r, r, 0, -r, r, 0, -r, r, -r, 0, r, -r, 0, r, -r, 0, r});
}

TEST_F(ObjParserTest, WithVtAndVnAnOmittedIndexTakesTheFirstEntry) {
    const ObjDocument document =
        parsed(quad + "vt .5 .5\nvt 1 1\nvn 1 0 0\nvn 0 1 0\nf 1 2/2 3//2\n");
    EXPECT_EQ(texCoords(document), (std::vector<float>{.5f, .5f, 1, 1, .5f, .5f}));
    EXPECT_EQ(normals(document), (std::vector<float>{1, 0, 0, 1, 0, 0, 0, 1, 0}));
}

// As modelling tools export it: an "o" line, no "g", no "vt", "v//vn" corners, smoothing and
// material statements, Windows line ends and numbers written with a trailing point.
TEST_F(ObjParserTest, AnExportedMeshIsRead) {
    const ObjDocument document =
        parsed("# Exported mesh\r\nmtllib box.mtl\r\no Plane\r\n"
               "v -1.000000 0.000000 1.000000\r\nv 1.000000 0.000000 1.000000\r\n"
               "v -1.000000 0.000000 -1.000000\r\nv 1. 0. -1.\r\n"
               "vn -0.0000 1.0000 -0.0000\r\nusemtl Material.001\r\ns off\r\n"
               "f 2//1 4//1 3//1\r\nf 1//1 2//1 3//1\r\n");
    EXPECT_EQ(document.materialLibrary, "box.mtl");
    ASSERT_EQ(document.groups.size(), 1u);
    EXPECT_EQ(document.groups[0].materialName, "Material.001");
    EXPECT_EQ(positions(document),
              (std::vector<float>{1, 0, 1, 1, 0, -1, -1, 0, -1, -1, 0, 1, 1, 0, 1, -1, 0, -1}));
    EXPECT_EQ(texCoords(document), std::vector<float>(12, 0.0f));
    EXPECT_EQ(normals(document), repeat(6, {-0.f, 1, -0.f}));
}

// Stored 0-based.
TEST_F(ObjParserTest, EachCornerFormGivesItsIndices) {
    EXPECT_EQ(corner("7"), "6 0 0");
    EXPECT_EQ(corner("7/8"), "6 7 0 t");
    EXPECT_EQ(corner("7//9"), "6 0 8 n");
    EXPECT_EQ(corner("7/8/9"), "6 7 8 t n");
    EXPECT_EQ(corner("7/8/"), "6 7 0 t");
    EXPECT_EQ(corner("/8/9"), "0 7 8 t n");
    EXPECT_EQ(corner("7/8/9/10"), "6 7 8 t n");
}

// It stays at the first entry and is marked as not given.
TEST_F(ObjParserTest, AnIndexThatIsNotANumberIsNotGiven) {
    EXPECT_EQ(corner("7/x/9"), "6 0 8 n");
    EXPECT_EQ(corner("7/-/9"), "6 0 8 n");
}

TEST_F(ObjParserTest, AnIndexIsTheNumberItsFieldStartsWith) {
    EXPECT_EQ(corner("+7/-8/9"), "6 -9 8 t n");
    EXPECT_EQ(corner("7a/8b/9c"), "6 7 8 t n");
    EXPECT_EQ(corner("0/0/0"), "-1 -1 -1 t n");
    EXPECT_EQ(corner("99999999999//2"), "2147483647 0 1 n");
}

TEST_F(ObjParserTest, AFaceOfFewerThanThreeCornersIsRefused) {
    EXPECT_TRUE(refusedNaming(square + "g a\nf 1/1/1 2/2/2\n", {"line 14:", " 2 "}));
    EXPECT_TRUE(refusedNaming(square + "g a\nf\n", {"line 14:", " 0 "}));
}

// That is how trailing blanks end a face; "f 1 1 2" counts one corner.
TEST_F(ObjParserTest, AWordRepeatingTheOneBeforeEndsTheFace) {
    EXPECT_TRUE(refusedNaming(square + "g a\nf 1/1/1 1/1/1 2/2/2\n", {"line 14:", " 1 "}));
    const ObjDocument document = parsed(square + "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4 4/4/4\n");
    EXPECT_EQ(document.groups.at(0).corners.size(), 6u) << "a quad";
}

TEST_F(ObjParserTest, BlanksAfterAFaceAreNoCorner) {
    const ObjDocument document = parsed(square + "g a\nf 1/1/1 2/2/2 3/3/3  \t\r\n");
    EXPECT_EQ(document.groups.at(0).corners.size(), 3u);
}

// Corners past the fourth are only counted: "9" names no vertex but goes unmentioned.
TEST_F(ObjParserTest, AFaceOfMoreThanFourCornersIsRefusedForItsCount) {
    EXPECT_TRUE(refusedNaming(square + "g a\nf 1 2 3 4 1/1\n", {"line 14:", " 5 "}));
    EXPECT_TRUE(refusedNaming(square + "g a\nf 1 2 3 4 1/1 2/2 9\n", {"line 14:", " 7 "}));
    EXPECT_FALSE(mentions(refusal(square + "g a\nf 1 2 3 4 1/1 2/2 9\n"), {"\"9\""}));
}

TEST_F(ObjParserTest, ACornerNamingAMissingEntryIsRefused) {
    for (const char* word : {"0/1/1", "-1/1/1", "5/3/3", "3/3/99999999999"}) {
        EXPECT_TRUE(refusedNaming(square + "g a\nf 1/1/1 2/2/2 " + word + "\n",
                                  {"line 14:", "\"" + std::string(word) + "\""}));
    }
    EXPECT_TRUE(refusedNaming(square + "g a\nf 1 2 9 4 1/1\n", {"line 14:", "\"9\""}));
}

TEST_F(ObjParserTest, AnIndexWrittenInAFileWithoutVtOrVnMustExist) {
    EXPECT_TRUE(refusedNaming(triangle + "vn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n", {"\"1/1/1\""}));
    EXPECT_TRUE(refusedNaming(triangle + "vt 0 0\nf 1/1/1 2/1/1 3/1/1\n", {"\"1/1/1\""}));
    EXPECT_TRUE(refusedNaming(triangle + "f 1/1 2/1 3/1\n", {"\"1/1\""}));
}

TEST_F(ObjParserTest, AVertexStatementShortOfNumbersIsRefused) {
    EXPECT_TRUE(refusedNaming(square + "v 1 2\n" + face, {"line 13:", "\"v\""}));
    EXPECT_TRUE(refusedNaming(square + "vn 1 2 z\n" + face, {"line 13:", "\"vn\""}));
    EXPECT_TRUE(refusedNaming(square + "vt 1 .\n" + face, {"line 13:", "\"vt\""}));
}

// Longer than any block the stream is read in.
const std::string longName(200000, 'n');
const std::string longLines = "# " + std::string(70000, 'x') + "\nv 0 0 0\nv 1 0 0\n" + "v 0 1 0" +
                              std::string(100000, ' ') + "# far\n" + "g " + longName + "\nf 1 2 3" +
                              std::string(90000, '\t') + "\n";

TEST_F(ObjParserTest, LongLinesAreReadWholeFromTextAndFromAStream) {
    std::istringstream stream(longLines);
    ObjDocument fromStream;
    ASSERT_TRUE(parser.parse(stream, fromStream)) << parser.error();
    for (const ObjDocument& document : {parsed(longLines), fromStream}) {
        ASSERT_EQ(document.groups.size(), 1u);
        EXPECT_EQ(document.groups[0].name, longName);
        EXPECT_EQ(document.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    }
}

// A file saved while a reload reads it: the second pass finds more groups and fewer vertices
// than the first counted.
TEST_F(ObjParserTest, AFileThatChangesBetweenThePassesIsRefused) {
    class SavedBetweenPasses : public std::stringbuf {
    public:
        SavedBetweenPasses() : std::stringbuf(triangle + "f 1 2 3\n") {}

    protected:
        pos_type seekpos(pos_type at, std::ios_base::openmode which) override {
            str("v 0 0 0\nf 1 2 3\ng a\nf 1 2 3\n");
            return std::stringbuf::seekpos(at, which);
        }
    } file;
    std::istream stream(&file);
    ObjDocument document;
    EXPECT_FALSE(parser.parse(stream, document));
    EXPECT_TRUE(mentions(parser.error(), {"changed"})) << parser.error();
}

TEST_F(ObjParserTest, LongLinesCountForTheLineNumber) {
    std::istringstream stream(longLines + "f 1 2 4\n");
    ObjDocument document;
    EXPECT_FALSE(parser.parse(stream, document));
    EXPECT_TRUE(mentions(parser.error(), {"line 7:"})) << parser.error();
}

} // namespace
