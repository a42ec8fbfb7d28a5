#include "support/DataDirectory.h"

#include "support/Image.h"

#include <fstream>
#include <iostream>

namespace ZemTools {

namespace {

bool report(bool written, const std::string& path) {
    if (!written) {
        std::cerr << "Cannot write " << path << "\n";
        return false;
    }
    std::cout << "Wrote " << path << "\n";
    return true;
}

} // namespace

DataDirectory::DataDirectory(int argc, char** argv) : root(argc > 1 ? argv[1] : "data") {
    if (!root.empty() && root.back() != '/') {
        root += '/';
    }
}

bool DataDirectory::writeText(const std::string& name, const std::string& text) const {
    const std::string path = root + name;
    std::ofstream out(path, std::ios::binary);
    out << text;
    // Closing flushes: a full disk shows only then.
    out.close();
    return report(static_cast<bool>(out), path);
}

bool DataDirectory::writeImage(const std::string& name, const Image& image) const {
    const std::string path = root + name;
    return report(image.writeBmp(path), path);
}

} // namespace ZemTools
