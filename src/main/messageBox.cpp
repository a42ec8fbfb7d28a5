#include "main/messageBox.h"

#include "main/report.h"
#include "main/showMessageDialog.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace Zem::Main {

namespace {

MessageBoxHandler& installedHandler() {
    static MessageBoxHandler handler;
    return handler;
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
        showFunction = show ? std::move(show) : MessageBoxHandler(&showMessageDialog);
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
    MessageBoxHandler showFunction = &showMessageDialog;
    bool started = false;
};

} // namespace

void messageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
    const MessageBoxHandler& handler = installedHandler();
    if (handler) {
        handler(caption, text, icon);
        return;
    }
    report((caption.empty() ? std::string("message") : caption) + ": " + text);
    // The platform's dialog shows only where a person can see it, which is asked here, on the
    // caller's thread, never on the dialog thread.
    if (canShowDialogs()) {
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
