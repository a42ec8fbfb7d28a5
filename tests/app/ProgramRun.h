#pragma once

#include "support/TempDir.h"

#include <sys/wait.h>

#include <cstdlib>
#include <regex>
#include <string>

namespace AppTest {

struct ProgramRun {
    int exitCode = -1;
    std::string output, errors;
};

// `program` with `arguments`, started through `prefix` (variables to set, or a command such as
// "timeout 60"); what it printed is kept.
inline ProgramRun run(const std::string& program, const std::string& arguments,
                      const std::string& prefix = "") {
    ZemTest::TempDir scratch;
    const std::string command = prefix + " " + program + " " + arguments + " >" +
                                scratch.file("out") + " 2>" + scratch.file("err");
    const int status = std::system(command.c_str());
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = ZemTest::TempDir::readFile(scratch.file("out"));
    run.errors = ZemTest::TempDir::readFile(scratch.file("err"));
    return run;
}

// The demo's own program.
inline ProgramRun ombrel(const std::string& arguments, const std::string& prefix = "") {
    return run(OMBREL_PROGRAM, arguments, prefix);
}

// The world the README's tutorial tells a maker to save, taken from the page as written.
inline std::string tutorialWorld() {
    const std::string readme = ZemTest::TempDir::readFile("README.md");
    const std::size_t step = readme.find("Save this as `my/two-rooms.world`");
    const std::size_t start = readme.find("```xml\n", step);
    if (step == std::string::npos || start == std::string::npos) {
        return "";
    }
    // The block is indented under its list item.
    return std::regex_replace(readme.substr(start + 7, readme.find("```", start + 7) - start - 7),
                              std::regex("(^|\n)   "), "$1");
}

} // namespace AppTest
