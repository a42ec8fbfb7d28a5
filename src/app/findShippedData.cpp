#include "app/findShippedData.h"

#include <filesystem>
#include <system_error>

namespace Zem::App {

std::string findShippedData(const std::string& programFolder) {
    if (programFolder.empty()) {
        return std::string();
    }
    for (const char* candidate : {"data/", "../data/"}) {
        const std::filesystem::path folder =
            (std::filesystem::path(programFolder) / candidate).lexically_normal();
        std::error_code error;
        if (std::filesystem::is_regular_file(folder / "main.world", error)) {
            // Forward slashes on every system, as the rest of the data paths are written.
            return folder.generic_string();
        }
    }
    return std::string();
}

} // namespace Zem::App
