#include "main/showMessageDialog.h"

#include <windows.h>

namespace Zem::Main {

namespace {

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

} // namespace

// A Windows program always has a desktop to show a box on.
bool canShowDialogs() {
    return true;
}

void showMessageDialog(const std::string& caption, const std::string& text, MessageIcon icon) {
    // Stands on the caller's thread, the message boxes' own, until answered: the next box waits
    // for this one. With no owner window the show goes on meanwhile, and the box closes with the
    // program.
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | iconFlags(icon));
}

} // namespace Zem::Main
