#include "resource/MtlParser.h"

#include <gtest/gtest.h>

namespace {

using Zem::Resource::Material;
using Zem::Resource::MtlParser;

TEST(MtlParserTest, MaterialsInFileOrder) {
    const auto materials = MtlParser::parse("Kd 1 1 1\nnewmtl plain\n"
                                            "newmtl lit\r\nKa 0.1 0.2 0.3\r\nKd 0.5 x 0.7\r\n"
                                            "Ks 0.25 0.25 0.25\r\nNs 32\r\n");
    ASSERT_EQ(materials.size(), 2u);
    EXPECT_EQ(materials[0]->name, "plain");
    EXPECT_EQ(materials[0]->diffuse[0], 0.0f) << "Kd before newmtl is ignored";
    const Material& lit = *materials[1];
    EXPECT_EQ(lit.name, "lit");
    EXPECT_FLOAT_EQ(lit.ambient[2], 0.3f);
    EXPECT_EQ(lit.ambient[3], 0.0f);
    EXPECT_EQ(lit.specular[2], 0.25f);
    EXPECT_EQ(lit.shininess, 32.0f);
    // Reading stops at the first number that does not read.
    EXPECT_EQ(lit.diffuse[0], 0.5f);
    EXPECT_EQ(lit.diffuse[2], 0.0f);
    EXPECT_TRUE(MtlParser::parse(std::string("\0\xff\n\n  \t", 7)).empty());
}

TEST(MtlParserTest, MapNamesJoinWordsAndDropDirectories) {
    const auto materials = MtlParser::parse("newmtl m\nmap_Kd my   wood.bmp \r\n"
                                            "map_Ks c:\\tex/wood.bmp\nmap_Bump textures\\bump.bmp\n"
                                            "map_Normal c:/maps/normal map.bmp\n");
    ASSERT_EQ(materials.size(), 1u);
    EXPECT_EQ(materials[0]->diffuseMap, "my wood.bmp");
    EXPECT_EQ(materials[0]->specularMap, "wood.bmp");
    EXPECT_EQ(materials[0]->bumpMap, "bump.bmp");
    EXPECT_EQ(materials[0]->normalMap, "normal map.bmp");
    EXPECT_EQ(MtlParser::mapFileName("c:\\tex/wood.bmp"), "wood.bmp");
}

} // namespace
