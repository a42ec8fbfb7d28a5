#pragma once

#include "main/messageBox.h"

#include <string>

namespace Zem::Main {

// Whether a person would see a dialog. Asked on the thread that raises the box: it may read the
// display's state, which another thread must not touch while the display starts or stops.
bool canShowDialogs();

// The platform's dialog for a message box, shown on the dialog thread; it returns when the user
// has answered, and the dialog goes with the program however the program ends. Each platform's
// file defines both.
void showMessageDialog(const std::string& caption, const std::string& text, MessageIcon icon);

} // namespace Zem::Main
