#pragma once

#include <string>

namespace ZemTest {

// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes away. Tests point the engine's working directory here so zem.log never lands
// in the repository.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    // Without a trailing "/".
    const std::string& path() const { return dirPath; }
    std::string file(const std::string& name) const { return dirPath + "/" + name; }
    // The whole file, or "" when it cannot be read.
    static std::string readFile(const std::string& path);

private:
    std::string dirPath;
};

} // namespace ZemTest
