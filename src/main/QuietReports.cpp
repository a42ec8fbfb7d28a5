#include "main/QuietReports.h"

namespace Zem::Main {

namespace {

// Per thread: another thread's reports (a capture's writer, say) are never dropped by this one.
bool& quietHere() {
    thread_local bool quiet = false;
    return quiet;
}

} // namespace

QuietReports::QuietReports(bool quiet) : outer(quietHere()) {
    quietHere() = quiet;
}

QuietReports::~QuietReports() {
    quietHere() = outer;
}

bool QuietReports::onThisThread() {
    return quietHere();
}

} // namespace Zem::Main
