#pragma once

#include <string>

// Where the show's files are found.
struct ShowFiles {
    // A world file of the maker's; empty plays the shipped "main.world".
    std::string worldFile;
    // The shipped data, searched after the world's own folder.
    std::string dataDir = "data/";

    std::string musicPath() const { return dataDir + "Ombrel.ogg"; }
};
