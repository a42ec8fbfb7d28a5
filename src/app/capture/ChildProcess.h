#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace Zem::App {

// Another program run with its arguments as given (no shell), fed through its standard input.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Closes the pipe and waits for the program.
    ~ChildProcess();

    // True when a program of that name is found on the PATH.
    static bool available(const std::string& program);

    // Starts arguments[0], searched on the PATH; false when it cannot be started.
    bool start(const std::vector<std::string>& arguments);
    bool running() const;
    // False when the program no longer reads (it failed or ended).
    bool send(const void* data, std::size_t size);
    // Closes its input and waits; the program's exit code, or -1 when it did not end normally.
    int finish();
    // Ends the program without waiting for its work.
    void kill();

private:
    // What each platform does: write some of the bytes to the pipe (how many, or 0 or less on
    // failure), close the pipe, wait for the program's exit code, end the program at once.
    long writeSome(const char* bytes, std::size_t size);
    void closeInput();
    int waitForExit();
    void terminate();

    int pid = -1;
    int input = -1;
};

} // namespace Zem::App
