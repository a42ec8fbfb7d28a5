#include "main/showMessageDialog.h"

#include <SDL.h>

#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace Zem::Main {

namespace {

// What the program hands the copy of itself that shows a dialog.
const char* const dialogVariables = "ZEM_DIALOG_";
const char* const captionVariable = "ZEM_DIALOG_CAPTION";
const char* const textVariable = "ZEM_DIALOG_TEXT";
const char* const iconVariable = "ZEM_DIALOG_ICON";

bool isHeadlessDriver(const char* name) {
    return name != nullptr &&
           (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0);
}

const char* iconName(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return "error";
    case MessageIcon::Exclamation:
        return "warning";
    case MessageIcon::Information:
        return "information";
    }
    return "information";
}

Uint32 sdlFlags(const char* icon) {
    if (icon != nullptr && std::strcmp(icon, "error") == 0) {
        return SDL_MESSAGEBOX_ERROR;
    }
    if (icon != nullptr && std::strcmp(icon, "warning") == 0) {
        return SDL_MESSAGEBOX_WARNING;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

// The dialog process's own id, which its children compare with their parent's.
pid_t& dialogProcess() {
    static pid_t id = 0;
    return id;
}

// SDL shows an X11 box in a forked child of its own: that child dies with the dialog process.
void dieWithTheDialogProcess() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != dialogProcess()) {
        _exit(1);
    }
}

// A copy of the program started by showMessageDialog shows the one box its environment names
// and ends before the program proper starts. A process of its own, because SDL's box reads and
// changes SDL's video state (focus, cursor, keyboard), which belongs to the show's thread.
__attribute__((constructor)) void showTheDialogAskedFor() {
    const char* text = std::getenv(textVariable);
    if (text == nullptr) {
        return;
    }
    dialogProcess() = getpid();
    pthread_atfork(nullptr, nullptr, &dieWithTheDialogProcess);
    const char* caption = std::getenv(captionVariable);
    SDL_ShowSimpleMessageBox(sdlFlags(std::getenv(iconVariable)), caption != nullptr ? caption : "",
                             text, nullptr);
    _exit(0);
}

} // namespace

bool canShowDialogs() {
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

void showMessageDialog(const std::string& caption, const std::string& text, MessageIcon icon) {
    std::vector<std::string> variables = {std::string(captionVariable) + "=" + caption,
                                          std::string(textVariable) + "=" + text,
                                          std::string(iconVariable) + "=" + iconName(icon)};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, dialogVariables, std::strlen(dialogVariables)) != 0) {
            variables.emplace_back(*entry);
        }
    }
    std::vector<char*> environment;
    for (std::string& variable : variables) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);
    char name[] = "zem-dialog";
    char* arguments[] = {name, nullptr};

    // Everything the child needs is made before the fork: after it, only calls safe in a copy of
    // a threaded process.
    const pid_t program = getpid();
    const pid_t child = fork();
    if (child == 0) {
        // The dialog goes with the program, however the program ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != program) {
            _exit(1);
        }
        // Nothing the program has open stays open in the dialog: a pipe to ffmpeg must see its
        // end when the program closes it.
        if (close_range(3, ~0U, 0) != 0) {
            for (int descriptor = 3; descriptor < 1024; ++descriptor) {
                close(descriptor);
            }
        }
        execve("/proc/self/exe", arguments, environment.data());
        _exit(127);
    }
    if (child > 0) {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

} // namespace Zem::Main
