#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include <stdlib.h>

namespace ZemTest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zem-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr) {
        dirPath = buffer.data();
    }
}

TempDir::~TempDir() {
    if (!dirPath.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dirPath, ignored);
    }
}

std::string TempDir::readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace ZemTest
