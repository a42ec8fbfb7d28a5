#include "main/Engine.h"

#include "main/Driver.h"
#include "main/Game.h"
#include "main/report.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>

namespace Zem::Main {

namespace {

// Set by the handler, read by the frame loop: a signal handler may do little more.
volatile std::sig_atomic_t pendingStopSignal = 0;
// A stop was asked for during this run, and may not have been carried out yet.
volatile std::sig_atomic_t stopAsked = 0;

extern "C" void requestStop(int signalNumber) {
    if (stopAsked != 0) {
        // The second: the run did not stop in time (a long load, a write to a full pipe), so
        // the process ends as the signal ends it by default.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    stopAsked = 1;
    pendingStopSignal = signalNumber;
}

} // namespace

Engine::Engine() : clock(&Engine::monotonicMilliseconds) {}

Engine::~Engine() {
    restoreSignalHandlers();
    message("Shutting down Engine\n");
    // A std::map destroys its nodes in no promised order; drivers go in name order.
    for (auto it = drivers.begin(); it != drivers.end();) {
        it->second.reset();
        it = drivers.erase(it);
    }
    logFile << "Closing log zem.log" << std::endl;
    logFile.close();
}

void Engine::setClock(Clock newClock) {
    clock = newClock ? std::move(newClock) : Clock(&Engine::monotonicMilliseconds);
}

std::uint32_t Engine::monotonicMilliseconds() {
    using namespace std::chrono;
    const auto since = steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(since).count());
}

void Engine::registerDriver(const std::string& name, std::unique_ptr<Driver> driver) {
    auto found = drivers.find(name);
    if (found != drivers.end()) {
        found->second.reset();
        drivers.erase(found);
    }
    if (!driver) {
        return;
    }
    driver->engine = this;
    drivers.emplace(name, std::move(driver));
}

Driver* Engine::driver(const std::string& name) const {
    auto found = drivers.find(name);
    return found == drivers.end() ? nullptr : found->second.get();
}

void Engine::message(const std::string& text) {
    logFile << text;
    logFile.flush();
    if (!quietMessages) {
        std::cout << text;
        std::cout.flush();
    }
}

void Engine::openLog() {
    // Plain concatenation: "./" gives ".//zem.log", which every file system accepts. Lines end
    // in "\n" on every system, as the tools that read the log expect.
    const std::string wanted = wantedLogPath.value_or(workingDirectory + "/zem.log");
    if (wanted.empty()) {
        return;
    }
    std::error_code error;
    const std::string fallback = (std::filesystem::temp_directory_path(error) / "zem.log").string();
    for (const std::string& path : {wanted, fallback}) {
        logFile.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
        if (logFile.is_open()) {
            openedLogPath = std::filesystem::absolute(path, error).lexically_normal().string();
            break;
        }
    }
    if (openedLogPath.empty()) {
        report("No log: neither " + wanted + " nor " + fallback + " can be written");
        return;
    }
    logFile << "Created zem.log:\n";
}

void Engine::installSignalHandlers() {
    if (handlingSignals) {
        return;
    }
    handlingSignals = true;
    pendingStopSignal = 0;
    stopAsked = 0;
    previousInterruptHandler = std::signal(SIGINT, requestStop);
    previousTerminateHandler = std::signal(SIGTERM, requestStop);
}

void Engine::restoreSignalHandlers() {
    if (!handlingSignals) {
        return;
    }
    handlingSignals = false;
    std::signal(SIGINT, previousInterruptHandler == SIG_ERR ? SIG_DFL : previousInterruptHandler);
    std::signal(SIGTERM, previousTerminateHandler == SIG_ERR ? SIG_DFL : previousTerminateHandler);
}

bool Engine::stopRequested() {
    const int signalNumber = pendingStopSignal;
    if (signalNumber == 0) {
        return false;
    }
    pendingStopSignal = 0;
    message("Engine: stopping on signal " + std::to_string(signalNumber) + "\n");
    return true;
}

bool Engine::init(const Resource::XmlNode& config) {
    // From here on Ctrl+C and SIGTERM end the run at the end of a frame, through the usual
    // shutdown; before the loop starts they wait for its first frame.
    installSignalHandlers();
    openLog();
    message("Initializing Engine with working dir " + workingDirectory + "\n");

    for (auto& [name, driver] : drivers) {
        message("Initializing " + name + "\n");
        // A failing driver has reported it itself; the run goes on without it.
        driver->init(config.child(name));
    }
    return game != nullptr && game->init();
}

bool Engine::run(const TurnHook& afterTurn) {
    message("Engine: Entering main loop\n");
    // A stop carried out in an earlier run does not make this run's first signal a second.
    if (pendingStopSignal == 0) {
        stopAsked = 0;
    }
    std::uint32_t previous = clock();
    for (;;) {
        const std::uint32_t now = clock();
        // Unsigned difference, so a clock wrapping past 2^32 ms still gives the right step.
        const std::uint32_t elapsed = now - previous;
        const float dt = static_cast<float>(elapsed * 0.001);
        previous = now;

        bool driversGoOn = true;
        for (auto& [name, driver] : drivers) {
            if (!driver->update(dt)) {
                driversGoOn = false;
            }
        }
        // Without a game nothing could ever end the loop.
        const bool gameGoesOn = game != nullptr && game->update(dt);
        if (!driversGoOn || !gameGoesOn) {
            return !gameGoesOn;
        }
        if (afterTurn && !afterTurn()) {
            return true;
        }
        if (stopRequested()) {
            return false;
        }
    }
}

void Engine::shutdown() {
    if (game != nullptr) {
        game->shutdown();
    }
    Resource::ResourceManager::instance().clear();
    for (auto& [name, driver] : drivers) {
        driver->shutdown();
    }
}

} // namespace Zem::Main
