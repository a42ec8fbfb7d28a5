#include "main/showMessageDialog.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// The dialog the hook saw open on this thread; it answers it at once.
HWND answered = nullptr;

LRESULT CALLBACK answerTheDialog(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && answered == nullptr) {
        answered = reinterpret_cast<HWND>(wParam);
        PostMessageA(answered, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The message boxes' queue shows one dialog at a time only if each stands on the calling
// thread (the dialog thread) until it is answered.
TEST(showMessageDialog_win32Test, TheDialogStandsOnTheCallingThreadUntilAnswered) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, &answerTheDialog, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    Zem::Main::showMessageDialog("zem test", "Answered at once.",
                                 Zem::Main::MessageIcon::Information);
    UnhookWindowsHookEx(hook);
    EXPECT_NE(answered, nullptr);
}

} // namespace
