#include "app/stderrIsTerminal.h"

#include <io.h>
#include <stdio.h>

namespace Zem::App {

bool stderrIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

} // namespace Zem::App
