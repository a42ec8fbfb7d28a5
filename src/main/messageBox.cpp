#include "main/messageBox.h"

#include "main/Engine.h"
#include "main/Game.h"

#include <SDL.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

namespace Zem::Main {

namespace {

MessageBoxHandler& installedHandler() {
    static MessageBoxHandler handler;
    return handler;
}

bool isHeadlessDriver(const char* name) {
    return name != nullptr &&
           (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0);
}

bool hasRealDisplay() {
    if (isHeadlessDriver(std::getenv("SDL_VIDEODRIVER"))) {
        return false;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return !isHeadlessDriver(SDL_GetCurrentVideoDriver());
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

Uint32 sdlFlags(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return SDL_MESSAGEBOX_ERROR;
    case MessageIcon::Exclamation:
        return SDL_MESSAGEBOX_WARNING;
    case MessageIcon::Information:
        return SDL_MESSAGEBOX_INFORMATION;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

void showSdlDialog(const std::string& caption, const std::string& text, MessageIcon icon) {
    SDL_ShowSimpleMessageBox(sdlFlags(icon), caption.c_str(), text.c_str(), nullptr);
}

// The dialog thread and what waits for it. It is never joined: a dialog nobody answers must
// not hold the program at exit, so the thread is detached and the queue outlives everything.
class DialogQueue {
public:
    static DialogQueue& instance() {
        static DialogQueue* queue = new DialogQueue;
        return *queue;
    }

    void push(const std::string& caption, const std::string& text, MessageIcon icon) {
        std::lock_guard<std::mutex> lock(mutex);
        if (waiting.size() >= maxWaiting) {
            return;
        }
        waiting.push_back({caption, text, icon});
        if (!started) {
            started = true;
            std::thread(&DialogQueue::run, this).detach();
        }
        wake.notify_one();
    }

    MessageBoxHandler replace(MessageBoxHandler show) {
        std::lock_guard<std::mutex> lock(mutex);
        MessageBoxHandler previous = std::move(showFunction);
        showFunction = show ? std::move(show) : MessageBoxHandler(&showSdlDialog);
        return previous;
    }

private:
    struct Dialog {
        std::string caption;
        std::string text;
        MessageIcon icon;
    };
    static constexpr std::size_t maxWaiting = 8;

    void run() {
        for (;;) {
            Dialog dialog;
            MessageBoxHandler show;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return !waiting.empty(); });
                dialog = std::move(waiting.front());
                waiting.pop_front();
                show = showFunction;
            }
            show(dialog.caption, dialog.text, dialog.icon);
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Dialog> waiting;
    MessageBoxHandler showFunction = &showSdlDialog;
    bool started = false;
};

void writeLine(const std::string& caption, const std::string& text) {
    const std::string line = (caption.empty() ? std::string("message") : caption) + ": " + text;
    std::cerr << line << std::endl;
    Engine* engine = currentGame != nullptr ? currentGame->engine : nullptr;
    if (engine != nullptr) {
        engine->log() << line << std::endl;
    }
}

} // namespace

void messageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
    const MessageBoxHandler& handler = installedHandler();
    if (handler) {
        handler(caption, text, icon);
        return;
    }
    writeLine(caption, text);
    if (hasRealDisplay()) {
        showDialogAside(caption, text, icon);
    }
}

void showDialogAside(const std::string& caption, const std::string& text, MessageIcon icon) {
    DialogQueue::instance().push(caption, text, icon);
}

MessageBoxHandler setDialogFunction(MessageBoxHandler show) {
    return DialogQueue::instance().replace(std::move(show));
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}

} // namespace Zem::Main
