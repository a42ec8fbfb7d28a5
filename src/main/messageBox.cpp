#include "main/messageBox.h"

#include "main/showMessageDialog.h"

#include <iostream>

namespace Zem::Main {

namespace {

MessageBoxHandler& installedHandler() {
    static MessageBoxHandler handler;
    return handler;
}

} // namespace

void messageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
    const MessageBoxHandler& handler = installedHandler();
    if (handler) {
        handler(caption, text, icon);
        return;
    }
    std::cerr << caption << ": " << text << std::endl;
    showMessageDialog(caption, text, icon);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}

} // namespace Zem::Main
