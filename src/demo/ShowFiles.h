#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// Where the show's files are found: the world's own folder first, then the data folder, then the
// shipped data.
struct ShowFiles {
    // A world file of the maker's; empty plays the shipped "main.world".
    std::string worldFile;
    // The data folder (--data), searched after the world's own folder.
    std::string dataDir = "data/";
    // The shipped data, searched after the data folder when that is another; empty: none.
    std::string shippedDir;

    // The data folder's music, else the shipped data's.
    std::string musicPath() const {
        const std::string own = dataDir + "Ombrel.ogg";
        std::error_code error;
        if (shippedDir.empty() || std::filesystem::exists(own, error)) {
            return own;
        }
        return shippedDir + "Ombrel.ogg";
    }
};
