#include "main/report.h"

#include "main/Engine.h"
#include "main/Game.h"
#include "main/QuietReports.h"

#include <iostream>
#include <mutex>
#include <thread>

namespace Zem::Main {

namespace {

struct Reporting {
    std::mutex mutex;
    ReportHandler handler;
    // What the reports of one thread concern, while a loader reads a file there.
    std::string location;
    std::thread::id locationThread;
};

Reporting& reporting() {
    static Reporting state;
    return state;
}

} // namespace

void report(const std::string& said) {
    if (QuietReports::onThisThread()) {
        return;
    }
    Reporting& state = reporting();
    std::lock_guard<std::mutex> lock(state.mutex);
    const bool located =
        !state.location.empty() && state.locationThread == std::this_thread::get_id();
    const std::string text = located ? state.location + said : said;
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

std::string setReportLocation(std::string where) {
    Reporting& state = reporting();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::string previous = std::move(state.location);
    state.location = std::move(where);
    state.locationThread = std::this_thread::get_id();
    return previous;
}

ReportHandler setReportHandler(ReportHandler handler) {
    Reporting& state = reporting();
    std::lock_guard<std::mutex> lock(state.mutex);
    ReportHandler previous = std::move(state.handler);
    state.handler = std::move(handler);
    return previous;
}

} // namespace Zem::Main
