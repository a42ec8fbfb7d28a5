#pragma once

#include <functional>
#include <string>

namespace Zem::Main {

// Tells the maker or the viewer about something the show survives (a file that does not load, a
// setting out of range, a device that is missing): the text goes, as one line, to standard error
// and to the engine's log while an engine runs. Every warning and error of the engine, the show
// and the player goes through here once; a message box writes its line through here too.
// Safe to call from any thread.
void report(const std::string& text);

// Reports made on the calling thread from now on begin with `where`, the place in a file they
// concern ("show.world:12: "); empty ends that. Returns the place that was set before.
std::string setReportLocation(std::string where);

using ReportHandler = std::function<void(const std::string& text)>;

// Sends every later report to the handler instead (tests record them this way); an empty
// handler restores the normal behaviour. Returns the handler that was in place.
ReportHandler setReportHandler(ReportHandler handler);

} // namespace Zem::Main
