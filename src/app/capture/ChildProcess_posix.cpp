#include "app/capture/ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

extern char** environ;

namespace Zem::App {

bool ChildProcess::available(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

bool ChildProcess::start(const std::vector<std::string>& arguments) {
    if (running() || arguments.empty()) {
        return false;
    }
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return false;
    }
    // A program that dies must turn our writes into errors, not kill us.
    std::signal(SIGPIPE, SIG_IGN);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = -1;
    const int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[0]);
    if (failed != 0) {
        close(pipeEnds[1]);
        return false;
    }
    pid = child;
    input = pipeEnds[1];
    return true;
}

long ChildProcess::writeSome(const char* bytes, std::size_t size) {
    for (;;) {
        const ssize_t written = write(input, bytes, size);
        if (written >= 0 || errno != EINTR) {
            return static_cast<long>(written);
        }
    }
}

void ChildProcess::closeInput() {
    close(input);
}

int ChildProcess::waitForExit() {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::terminate() {
    ::kill(pid, SIGKILL);
}

} // namespace Zem::App
