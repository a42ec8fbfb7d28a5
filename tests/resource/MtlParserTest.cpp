#include "resource/MtlParser.h"

#include <gtest/gtest.h>

namespace {

using Zem::Resource::Material;
using Zem::Resource::MtlParser;

TEST(MtlParserTest, MaterialsInFileOrderWithDefaults) {
    const auto materials = MtlParser::parse("Kd 1 1 1\n# before any material\n"
                                            "newmtl plain\n"
                                            "newmtl lit\r\nKa 0.1 0.2 0.3\r\nKd 0.5 0.5 0.5\r\n"
                                            "Ks 0.25 0.25 0.25\r\nNs 32\r\nillum 2\r\n");
    ASSERT_EQ(materials.size(), 2u);
    const Material& plain = *materials[0];
    EXPECT_EQ(plain.name, "plain");
    EXPECT_EQ(plain.diffuse[0], 0.0f) << "Kd before newmtl is ignored";
    EXPECT_EQ(plain.ambient[3], 0.0f);
    EXPECT_EQ(plain.shininess, 1.0f);
    EXPECT_EQ(plain.diffuseMap, "");
    EXPECT_EQ(plain.diffuseTexture, nullptr);

    const Material& lit = *materials[1];
    EXPECT_EQ(lit.name, "lit");
    EXPECT_FLOAT_EQ(lit.ambient[0], 0.1f);
    EXPECT_FLOAT_EQ(lit.ambient[2], 0.3f);
    EXPECT_EQ(lit.ambient[3], 0.0f);
    EXPECT_EQ(lit.diffuse[1], 0.5f);
    EXPECT_EQ(lit.specular[2], 0.25f);
    EXPECT_EQ(lit.shininess, 32.0f);
}

TEST(MtlParserTest, MapNamesJoinWordsAndDropDirectories) {
    const auto materials = MtlParser::parse("newmtl m\n"
                                            "map_Kd my   wood.bmp \r\n"
                                            "map_Ks c:\\tex/wood.bmp\n"
                                            "map_Bump textures\\bump.bmp\n"
                                            "map_Normal c:/maps/normal map.bmp\n");
    ASSERT_EQ(materials.size(), 1u);
    EXPECT_EQ(materials[0]->diffuseMap, "my wood.bmp");
    EXPECT_EQ(materials[0]->specularMap, "wood.bmp");
    EXPECT_EQ(materials[0]->bumpMap, "bump.bmp");
    EXPECT_EQ(materials[0]->normalMap, "normal map.bmp");
    EXPECT_EQ(MtlParser::mapFileName("c:\\tex/wood.bmp"), "wood.bmp");
    EXPECT_EQ(MtlParser::mapFileName("a/b\\c d.bmp"), "c d.bmp");
}

TEST(MtlParserTest, NumbersThatDoNotReadLeaveTheRestUnchanged) {
    const auto materials = MtlParser::parse("newmtl m\nKd 0.5 x 0.7\nKs 0.25abc 1 1\nNs\n"
                                            "Ka +0.5 -0.5 1e-1\n");
    ASSERT_EQ(materials.size(), 1u);
    const Material& m = *materials[0];
    EXPECT_EQ(m.diffuse[0], 0.5f);
    EXPECT_EQ(m.diffuse[1], 0.0f);
    EXPECT_EQ(m.diffuse[2], 0.0f) << "reading stops at the first failure";
    EXPECT_EQ(m.specular[0], 0.25f);
    EXPECT_EQ(m.specular[1], 0.0f);
    EXPECT_EQ(m.shininess, 1.0f);
    EXPECT_EQ(m.ambient[0], 0.5f);
    EXPECT_EQ(m.ambient[1], -0.5f);
    EXPECT_FLOAT_EQ(m.ambient[2], 0.1f);
}

TEST(MtlParserTest, EmptyOrForeignTextGivesNoMaterial) {
    EXPECT_TRUE(MtlParser::parse("").empty());
    EXPECT_TRUE(MtlParser::parse(std::string("\0\xff\n\n  \t", 7)).empty());
}

} // namespace
