#include "app/CommandLine.h"
#include "app/Player.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using Zem::App::CommandLine;
    const CommandLine commandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (commandLine.outcome()) {
    case CommandLine::Outcome::Help:
        std::cout << CommandLine::usage();
        return 0;
    case CommandLine::Outcome::BadUse:
        // The usage is long: a mistake is one line, with where to read the rest.
        std::cerr << "ombrel: " << commandLine.error()
                  << "\nTry 'ombrel --help' for the options.\n";
        return 2;
    case CommandLine::Outcome::Run:
        break;
    }
    return Zem::App::Player(commandLine.options()).run();
}
