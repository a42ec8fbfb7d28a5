#include "resource/MtlParser.h"
#include "resource/Material.h"

#include "ResourceTestSupport.h"

namespace {

using Zem::Resource::Material;
using Zem::Resource::MtlParser;
using Diffuse = std::vector<float>;

Diffuse diffuseOf(const Material& material) {
    return {material.diffuse, material.diffuse + 3};
}

TEST(MtlParserTest, MaterialsComeInFileOrder) {
    const auto materials = MtlParser::parse("newmtl a\r\nKd 1 0 0\r\nnewmtl b\r\n");
    ASSERT_EQ(materials.size(), 2u);
    EXPECT_EQ(materials[0]->name, "a");
    EXPECT_EQ(materials[1]->name, "b");
}

TEST(MtlParserTest, AValueBeforeTheFirstNewmtlIsPassedOver) {
    const auto materials = MtlParser::parse("Kd 1 1 1\nnewmtl a\n");
    ASSERT_EQ(materials.size(), 1u);
    EXPECT_EQ(diffuseOf(*materials[0]), (Diffuse{0, 0, 0}));
}

TEST(MtlParserTest, ANumberThatDoesNotReadEndsItsStatement) {
    const auto materials = MtlParser::parse("newmtl a\nKd 0.5 x 0.7\n");
    ASSERT_EQ(materials.size(), 1u);
    EXPECT_EQ(diffuseOf(*materials[0]), (Diffuse{0.5f, 0, 0}));
}

TEST(MtlParserTest, KaKsAndNsLandInTheirOwnFields) {
    const auto materials = MtlParser::parse("newmtl a\nKa 0.1 0.2 0.3\nKs 0.4 0.5 0.6\nNs 7\n");
    ASSERT_EQ(materials.size(), 1u);
    const Material& a = *materials[0];
    EXPECT_EQ((std::vector<float>{a.ambient, a.ambient + 4}),
              (std::vector<float>{0.1f, 0.2f, 0.3f, 0.0f}));
    EXPECT_EQ((std::vector<float>{a.specular, a.specular + 3}),
              (std::vector<float>{0.4f, 0.5f, 0.6f}));
    EXPECT_EQ(a.shininess, 7.0f);
}

TEST(MtlParserTest, EachMapStatementNamesItsOwnMap) {
    const auto materials = MtlParser::parse(
        "newmtl a\nmap_Kd d.bmp\nmap_Ks s.bmp\nmap_Normal n.bmp\nmap_Bump b.bmp\n");
    ASSERT_EQ(materials.size(), 1u);
    const Material& a = *materials[0];
    EXPECT_EQ(a.diffuseMap, "d.bmp");
    EXPECT_EQ(a.specularMap, "s.bmp");
    EXPECT_EQ(a.normalMap, "n.bmp");
    EXPECT_EQ(a.bumpMap, "b.bmp");
}

TEST(MtlParserTest, AMapNameIsItsWordsJoinedBySingleSpaces) {
    const auto materials = MtlParser::parse("newmtl a\nmap_Kd my   wood.bmp \r\n");
    ASSERT_EQ(materials.size(), 1u);
    EXPECT_EQ(materials[0]->diffuseMap, "my wood.bmp");
}

TEST(MtlParserTest, AMapNameIsCutAfterItsLastSlashOrBackslash) {
    for (const auto& [operand, name] :
         {std::pair{"textures\\bump.bmp", "bump.bmp"},
          std::pair{"c:/maps/normal map.bmp", "normal map.bmp"},
          std::pair{"c:\\tex/wood.bmp", "wood.bmp"}, std::pair{"c:/tex\\wood.bmp", "wood.bmp"}}) {
        EXPECT_EQ(MtlParser::mapFileName(operand), name) << operand;
    }
}

} // namespace
