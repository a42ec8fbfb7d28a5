#include "demo/Capture/ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

extern char** environ;

namespace Capture {

ChildProcess::~ChildProcess() {
    if (running()) {
        finish();
    }
}

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

bool ChildProcess::running() const {
    return pid > 0;
}

bool ChildProcess::send(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0 && input >= 0) {
        const ssize_t written = write(input, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return size == 0;
}

int ChildProcess::finish() {
    if (input >= 0) {
        close(input);
        input = -1;
    }
    if (pid <= 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::kill() {
    if (pid > 0) {
        ::kill(pid, SIGKILL);
    }
    finish();
}

} // namespace Capture
