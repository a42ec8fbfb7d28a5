#pragma once

#include <functional>
#include <string>

namespace Zem::Main {

enum class MessageIcon { Error, Exclamation, Information };

// Tells the user about a failure: the text always goes to standard error, and a dialog is
// shown only when a real display is in use, so a headless run never waits on one.
void messageBox(const std::string& caption, const std::string& text, MessageIcon icon);

using MessageBoxHandler =
    std::function<void(const std::string& caption, const std::string& text, MessageIcon icon)>;

// Sends every later message box to the handler instead (tests record them this way); an empty
// handler restores the normal behaviour. Returns the handler that was in place.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

} // namespace Zem::Main
