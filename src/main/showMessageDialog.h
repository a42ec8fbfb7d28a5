#pragma once

#include "main/messageBox.h"

#include <string>

namespace Zem::Main {

// The platform's dialog for a message box, shown only where a person can see it; never keeps
// the caller waiting for the user. Each platform's file defines it.
void showMessageDialog(const std::string& caption, const std::string& text, MessageIcon icon);

} // namespace Zem::Main
