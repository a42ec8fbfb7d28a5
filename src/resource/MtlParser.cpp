#include "resource/MtlParser.h"

#include "resource/WordReader.h"

namespace Zem::Resource {

namespace {

// Stream-style: the first value that does not read stops the statement, leaving it and the
// rest as they were.
void readFloats(WordReader& words, float* values, int count) {
    for (int i = 0; i < count && words.nextFloat(values[i]); ++i) {
    }
}

} // namespace

std::vector<std::unique_ptr<Material>> MtlParser::parse(std::string_view text) {
    std::vector<std::unique_ptr<Material>> materials;
    std::string_view line;
    while (WordReader::nextLine(text, line)) {
        WordReader words(line);
        const std::string_view keyword = words.next();
        if (keyword == "newmtl") {
            materials.push_back(std::make_unique<Material>());
            materials.back()->name = words.next();
        } else if (!materials.empty()) {
            readStatement(keyword, words.rest(), *materials.back());
        }
    }
    return materials;
}

void MtlParser::readStatement(std::string_view keyword, std::string_view rest, Material& material) {
    WordReader words(rest);
    if (keyword == "Ka") {
        readFloats(words, material.ambient, 3);
    } else if (keyword == "Kd") {
        readFloats(words, material.diffuse, 3);
    } else if (keyword == "Ks") {
        readFloats(words, material.specular, 3);
    } else if (keyword == "Ns") {
        readFloats(words, &material.shininess, 1);
    } else if (keyword == "map_Kd") {
        material.diffuseMap = mapFileName(rest);
    } else if (keyword == "map_Ks") {
        material.specularMap = mapFileName(rest);
    } else if (keyword == "map_Bump") {
        material.bumpMap = mapFileName(rest);
    } else if (keyword == "map_Normal") {
        material.normalMap = mapFileName(rest);
    }
}

std::string MtlParser::mapFileName(std::string_view operand) {
    std::string joined;
    WordReader words(operand);
    for (std::string_view word = words.next(); !word.empty(); word = words.next()) {
        if (!joined.empty()) {
            joined += ' ';
        }
        joined += word;
    }
    const std::size_t slash = joined.find_last_of("/\\");
    return slash == std::string::npos ? joined : joined.substr(slash + 1);
}

} // namespace Zem::Resource
