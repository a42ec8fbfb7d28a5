#pragma once

#include <string>

namespace ZemTools {

struct Image;

// The folder a generator writes into. Every file written is reported: "Wrote <path>" on
// stdout, or "Cannot write <path>" on stderr.
class DataDirectory {
public:
    // The folder named by the program's only argument, "data" without one.
    DataDirectory(int argc, char** argv);

    // `name` is relative to the folder; each returns whether the file was written whole.
    bool writeText(const std::string& name, const std::string& text) const;
    bool writeImage(const std::string& name, const Image& image) const;

private:
    std::string root;
};

} // namespace ZemTools
