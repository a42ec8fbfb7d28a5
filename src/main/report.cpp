#include "main/report.h"

#include "main/Engine.h"
#include "main/Game.h"
#include "main/QuietReports.h"

#include <iostream>
#include <mutex>

namespace Zem::Main {

namespace {

struct Reporting {
    std::mutex mutex;
    ReportHandler handler;
};

Reporting& reporting() {
    static Reporting state;
    return state;
}

} // namespace

void report(const std::string& text) {
    if (QuietReports::onThisThread()) {
        return;
    }
    Reporting& state = reporting();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.handler) {
        state.handler(text);
        return;
    }
    std::cerr << text << std::endl;
    Engine* engine = currentGame != nullptr ? currentGame->engine : nullptr;
    if (engine != nullptr) {
        engine->log() << text << std::endl;
    }
}

ReportHandler setReportHandler(ReportHandler handler) {
    Reporting& state = reporting();
    std::lock_guard<std::mutex> lock(state.mutex);
    ReportHandler previous = std::move(state.handler);
    state.handler = std::move(handler);
    return previous;
}

} // namespace Zem::Main
