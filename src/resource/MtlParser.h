#pragma once

#include "resource/Material.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Zem::Resource {

// Reads MTL text into materials. Nothing in a library is an error: unknown statements,
// values before the first "newmtl" and numbers that do not read are passed over.
class MtlParser {
public:
    // The file's materials in file order, textures not yet acquired.
    static std::vector<std::unique_ptr<Material>> parse(std::string_view text);

    // A map statement's operand: the rest of the line with its words joined by single
    // spaces, cut after the last "/" or "\" so only the bare file name remains.
    static std::string mapFileName(std::string_view operand);

private:
    static void readStatement(std::string_view keyword, std::string_view rest, Material& material);
};

} // namespace Zem::Resource
