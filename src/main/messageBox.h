#pragma once

#include <functional>
#include <string>

namespace Zem::Main {

enum class MessageIcon { Error, Exclamation, Information };

// Tells the user about a failure without ever stopping the show: the text goes at once to
// standard error and to the engine's log as "caption: text" ("message" stands for an empty
// caption). With a real display a dialog also appears, on a thread of its own, one at a time;
// any still open when the program ends goes with it.
void messageBox(const std::string& caption, const std::string& text, MessageIcon icon);

using MessageBoxHandler =
    std::function<void(const std::string& caption, const std::string& text, MessageIcon icon)>;

// Sends every later message box to the handler instead (tests record them this way); an empty
// handler restores the normal behaviour. Returns the handler that was in place.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// What shows a dialog on the dialog thread; it may block as long as the user takes. The default
// is SDL's message box. Replaced by tests to stand for a user who never answers. Returns the
// function that was in place.
MessageBoxHandler setDialogFunction(MessageBoxHandler show);

// Queues a dialog for the dialog thread and returns at once. Dialogs are shown one after the
// other; while 8 wait, later ones are dropped (their text has been written already).
void showDialogAside(const std::string& caption, const std::string& text, MessageIcon icon);

} // namespace Zem::Main
