#pragma once

#include "app/PlayerOptions.h"

#include <string>
#include <vector>

namespace Zem::App {

// Reads the program's command line: long options, with their value after a space or an "=", and
// at most one world file.
class CommandLine {
public:
    enum class Outcome { Run, Help, BadUse };

    // The arguments after the program's name.
    explicit CommandLine(const std::vector<std::string>& arguments);

    Outcome outcome() const { return result; }
    const PlayerOptions& options() const { return parsed; }
    // One line saying what was wrong, for Outcome::BadUse.
    const std::string& error() const { return why; }

    static std::string usage();

private:
    bool parse(const std::vector<std::string>& arguments);
    bool apply(const std::string& option, const std::string& value);
    bool takesValue(const std::string& option) const;
    bool bad(const std::string& reason);

    PlayerOptions parsed;
    Outcome result = Outcome::Run;
    std::string why;
};

} // namespace Zem::App
