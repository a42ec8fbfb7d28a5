#include "app/capture/ChildProcess.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <process.h>

#include <cstdint>

namespace Zem::App {

namespace {

// The runtime joins the arguments into one command line without quoting them; quote each the
// way the child's runtime splits them again.
std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        return argument;
    }
    std::string result = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        result.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        result += c;
    }
    result.append(backslashes * 2, '\\');
    return result + "\"";
}

} // namespace

bool ChildProcess::available(const std::string& program) {
    char found[MAX_PATH];
    return SearchPathA(nullptr, program.c_str(), ".exe", MAX_PATH, found, nullptr) > 0;
}

bool ChildProcess::start(const std::vector<std::string>& arguments) {
    if (running() || arguments.empty()) {
        return false;
    }
    int pipeEnds[2];
    if (_pipe(pipeEnds, 1 << 16, _O_BINARY | _O_NOINHERIT) != 0) {
        return false;
    }
    std::vector<std::string> quotedArguments;
    for (const std::string& argument : arguments) {
        quotedArguments.push_back(quoted(argument));
    }
    std::vector<const char*> argv;
    for (const std::string& argument : quotedArguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);

    // The child takes our standard input as its own: lend it the pipe's read end meanwhile.
    const int savedInput = _dup(0);
    _dup2(pipeEnds[0], 0);
    const intptr_t child = _spawnvp(_P_NOWAIT, argv[0], argv.data());
    if (savedInput >= 0) {
        _dup2(savedInput, 0);
        _close(savedInput);
    }
    _close(pipeEnds[0]);
    if (child == -1) {
        _close(pipeEnds[1]);
        return false;
    }
    // Handles are 32-bit significant on 64-bit Windows.
    pid = static_cast<int>(child);
    input = pipeEnds[1];
    return true;
}

long ChildProcess::writeSome(const char* bytes, std::size_t size) {
    const unsigned chunk = static_cast<unsigned>(size < (1u << 30) ? size : (1u << 30));
    return _write(input, bytes, chunk);
}

void ChildProcess::closeInput() {
    _close(input);
}

int ChildProcess::waitForExit() {
    int status = -1;
    const intptr_t waited = _cwait(&status, static_cast<intptr_t>(pid), 0);
    return waited == -1 ? -1 : status;
}

void ChildProcess::terminate() {
    TerminateProcess(reinterpret_cast<HANDLE>(static_cast<intptr_t>(pid)), 1);
}

} // namespace Zem::App
