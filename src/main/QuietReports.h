#pragma once

namespace Zem::Main {

// While one lives, reports made on its thread are dropped: for work tried again whose failure
// has been told already (a resource asked for once more). One made with quiet false lets them
// through again inside it, for work of its own that has not been told.
class QuietReports {
public:
    explicit QuietReports(bool quiet);
    ~QuietReports();
    QuietReports(const QuietReports&) = delete;
    QuietReports& operator=(const QuietReports&) = delete;

    // Whether reports made on the calling thread are dropped now.
    static bool onThisThread();

private:
    bool outer;
};

} // namespace Zem::Main
