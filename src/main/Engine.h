#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace Zem::Resource {
class XmlNode;
}

namespace Zem::Main {

class Driver;
class Game;

// Owns the drivers and the log, and runs the frame loop that gives every driver and then the
// game the time step of the frame. Drivers are visited in name order ("display" before
// "input"), whatever the order they were registered in.
class Engine {
public:
    // Milliseconds from any fixed origin; only differences between two readings are used.
    using Clock = std::function<std::uint32_t()>;
    // Runs after every turn of the main loop, the game's frame done; false ends the loop.
    using TurnHook = std::function<bool()>;

    Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    ~Engine();

    void setWorkingDir(const std::string& dir) { workingDirectory = dir; }
    const std::string& workingDir() const { return workingDirectory; }
    // Where init opens the log: by default zem.log in the working folder. One that cannot be
    // written is replaced by zem.log in the system's temporary folder; empty keeps no log.
    void setLogPath(const std::string& path) { wantedLogPath = path; }
    // The file the log went to; empty before init, or when there is none.
    const std::string& logPath() const { return openedLogPath; }
    // Quiet, messages go to the log only, not to standard output.
    void setQuiet(bool quiet) { quietMessages = quiet; }

    void setGame(Game* newGame) { game = newGame; }
    Game* getGame() const { return game; }

    // Replaces the frame clock; the default is a monotonic clock.
    void setClock(Clock newClock);
    static std::uint32_t monotonicMilliseconds();

    // Takes ownership. A driver already registered under the name is destroyed first. A null
    // driver only removes the old one.
    void registerDriver(const std::string& name, std::unique_ptr<Driver> driver);
    // Null when nothing is registered under the name; never adds an entry.
    Driver* driver(const std::string& name) const;

    // Opens the log, initialises every driver with its configuration element and then the
    // game; returns what the game's init returned.
    bool init(const Resource::XmlNode& config);
    // The main loop: ends after a frame in which a driver, the game or the hook returned false,
    // or after SIGINT or SIGTERM. True when it was the game or the hook that ended it. From
    // init on, a second SIGINT or SIGTERM before the run has stopped (a load or a frame that
    // does not end) ends the process at once, as the signal does by default.
    bool run(const TurnHook& afterTurn = {});
    // Game, then the resource cache (while the GL context still exists), then the drivers.
    void shutdown();

    // The log file; writes are dropped while it is not open.
    std::ostream& log() { return logFile; }
    // Writes the text to the log and then to standard output, exactly as given.
    void message(const std::string& text);

    // True once after SIGINT or SIGTERM arrived; says so in the log. For loops of a player's
    // own that run the game's frames without run().
    bool stopRequested();

private:
    // Opens the wanted log, or the fallback, and says where it is.
    void openLog();
    void installSignalHandlers();
    void restoreSignalHandlers();

    std::string workingDirectory;
    // Unset: zem.log in the working folder.
    std::optional<std::string> wantedLogPath;
    std::string openedLogPath;
    bool quietMessages = false;
    Game* game = nullptr;
    std::map<std::string, std::unique_ptr<Driver>> drivers;
    std::ofstream logFile;
    Clock clock;
    bool handlingSignals = false;
    void (*previousInterruptHandler)(int) = nullptr;
    void (*previousTerminateHandler)(int) = nullptr;
};

} // namespace Zem::Main
