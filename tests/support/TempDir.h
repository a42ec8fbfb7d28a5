#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

namespace ZemTest {

// A fresh directory under the system's temporary directory, removed with its contents at the end.
class TempDir {
public:
    TempDir() {
        // A name nobody holds: creating it fails when it exists, and another is tried.
        std::random_device seed;
        std::mt19937_64 names(seed());
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && dirPath.empty(); ++attempt) {
            const std::filesystem::path candidate = base / ("zem-test-" + std::to_string(names()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error) && !error) {
                dirPath = candidate.generic_string();
            }
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
