#include "main/ReportLocation.h"

#include "main/report.h"

namespace Zem::Main {

ReportLocation::ReportLocation(const std::string& file, std::size_t line)
    : previous(setReportLocation(file + ":" + std::to_string(line) + ": ")) {}

ReportLocation::~ReportLocation() {
    setReportLocation(std::move(previous));
}

} // namespace Zem::Main
