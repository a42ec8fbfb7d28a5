#include "app/stderrIsTerminal.h"

#include <unistd.h>

namespace Zem::App {

bool stderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

} // namespace Zem::App
