#pragma once

#include "main/report.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ZemTest {

// Records every report made while it lives; they reach neither standard error nor the log.
class ReportRecorder {
public:
    ReportRecorder() {
        previous = Zem::Main::setReportHandler(
            [this](const std::string& text) { lines.push_back(text); });
    }
    ~ReportRecorder() { Zem::Main::setReportHandler(std::move(previous)); }
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    // Every line reported, each ended by a newline.
    std::string text() const {
        std::string all;
        for (const std::string& line : lines) {
            all += line + "\n";
        }
        return all;
    }

    std::vector<std::string> lines;

private:
    Zem::Main::ReportHandler previous;
};

// What `action` reported, each line ended by a newline.
template <typename Action> std::string reportedBy(Action&& action) {
    ReportRecorder recorder;
    action();
    return recorder.text();
}

// Starts recording reports until takeReports, in the manner of gtest's CaptureStdout.
inline std::unique_ptr<ReportRecorder>& pendingReports() {
    static std::unique_ptr<ReportRecorder> recorder;
    return recorder;
}
inline void captureReports() {
    pendingReports() = std::make_unique<ReportRecorder>();
}
inline std::string takeReports() {
    std::string text = pendingReports() ? pendingReports()->text() : std::string();
    pendingReports().reset();
    return text;
}

} // namespace ZemTest
