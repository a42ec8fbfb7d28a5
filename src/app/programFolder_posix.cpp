#include "app/programFolder.h"

#include <filesystem>
#include <system_error>

namespace Zem::App {

std::string programFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) {
        return std::string();
    }
    return program.parent_path().string() + "/";
}

} // namespace Zem::App
