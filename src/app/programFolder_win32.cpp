#include "app/programFolder.h"

#include <windows.h>

#include <filesystem>
#include <vector>

namespace Zem::App {

std::string programFolder() {
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return std::string();
        }
        if (length < name.size()) {
            break;
        }
        // Cut short: a longer buffer holds it.
        name.resize(name.size() * 2);
    }
    return std::filesystem::path(name.data()).parent_path().string() + "/";
}

} // namespace Zem::App
