#pragma once

#include <cstddef>
#include <string>

namespace Zem::Main {

// While it lives, every report made on this thread begins with the place in a file it concerns:
// "show.world:12: Entity "crate": no model "crate.obj"". The place before it comes back after.
class ReportLocation {
public:
    ReportLocation(const std::string& file, std::size_t line);
    ~ReportLocation();
    ReportLocation(const ReportLocation&) = delete;
    ReportLocation& operator=(const ReportLocation&) = delete;

private:
    std::string previous;
};

} // namespace Zem::Main
