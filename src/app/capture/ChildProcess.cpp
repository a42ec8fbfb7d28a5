#include "app/capture/ChildProcess.h"

namespace Zem::App {

ChildProcess::~ChildProcess() {
    if (running()) {
        finish();
    }
}

bool ChildProcess::running() const {
    return pid > 0;
}

bool ChildProcess::send(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0 && input >= 0) {
        const long written = writeSome(bytes, size);
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
        closeInput();
        input = -1;
    }
    if (pid <= 0) {
        return -1;
    }
    const int status = waitForExit();
    pid = -1;
    return status;
}

void ChildProcess::kill() {
    if (pid > 0) {
        terminate();
    }
    finish();
}

} // namespace Zem::App
