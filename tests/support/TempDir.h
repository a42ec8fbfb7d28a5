#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include <stdlib.h>

namespace ZemTest {

// A fresh directory under the system's temporary directory, removed with its contents at the end.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zem-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            dirPath = pattern;
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dirPath, ignored);
    }

    // Without a trailing "/".
    const std::string& path() const { return dirPath; }
    std::string file(const std::string& name) const { return dirPath + "/" + name; }
    // The whole file, or "" when it cannot be read.
    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string dirPath;
};

} // namespace ZemTest
