#pragma once

namespace Zem::App {

// True when standard error is a terminal (a person watching), false for a file or a pipe.
bool stderrIsTerminal();

} // namespace Zem::App
