#include "app/stderrIsTerminal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace {

// A capture's progress is rewritten in place only for a person watching: a log is no terminal.
TEST(stderrIsTerminalTest, AFileIsNotATerminal) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const int saved = dup(STDERR_FILENO);
    ASSERT_GE(saved, 0);
    dup2(fileno(file), STDERR_FILENO);
    const bool terminal = Zem::App::stderrIsTerminal();
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::fclose(file);
    EXPECT_FALSE(terminal);
}

} // namespace
