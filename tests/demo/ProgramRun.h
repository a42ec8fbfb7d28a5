#pragma once

#include "support/TempDir.h"

#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace DemoTest {

struct ProgramRun {
    int exitCode = -1;
    std::string output;
    std::string errors;
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

inline bool commandExists(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace DemoTest
