#include "main/showMessageDialog.h"

#include <windows.h>

#include <memory>

namespace Zem::Main {

namespace {

struct Dialog {
    std::string caption;
    std::string text;
    UINT flags;
};

UINT iconFlags(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return MB_ICONERROR;
    case MessageIcon::Exclamation:
        return MB_ICONEXCLAMATION;
    case MessageIcon::Information:
        return MB_ICONINFORMATION;
    }
    return MB_ICONINFORMATION;
}

DWORD WINAPI showDialog(void* parameter) {
    const std::unique_ptr<Dialog> dialog(static_cast<Dialog*>(parameter));
    MessageBoxA(nullptr, dialog->text.c_str(), dialog->caption.c_str(), MB_OK | dialog->flags);
    return 0;
}

} // namespace

// A Windows program always has a desktop to show a box on.
bool canShowDialogs() {
    return true;
}

void showMessageDialog(const std::string& caption, const std::string& text, MessageIcon icon) {
    // On a thread of its own, with no owner window: the show goes on while the box is open,
    // and the box closes with the program.
    auto dialog = std::make_unique<Dialog>(Dialog{caption, text, iconFlags(icon)});
    HANDLE thread = CreateThread(nullptr, 0, &showDialog, dialog.get(), 0, nullptr);
    if (thread != nullptr) {
        dialog.release();
        CloseHandle(thread);
    }
}

} // namespace Zem::Main
