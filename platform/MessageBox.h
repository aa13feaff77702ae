#pragma once
// One modal message box (text, caption, owner, icon) through a replaceable
// handler. Window back ends install theirs; tests install one that records the
// box and answers at once. Library code never blocks a test on a dialog.
#include <functional>
#include <string>

namespace platform {

// The Win32 values, which the window back ends and tests compare against.
enum MessageBoxIcon : unsigned {
    kIconNone = 0,
    kIconError = 0x10,        // MB_ICONERROR
    kIconQuestion = 0x20,     // MB_ICONQUESTION
    kIconExclamation = 0x30,  // MB_ICONEXCLAMATION
    kIconInformation = 0x40,  // MB_ICONINFORMATION
};

constexpr int kIdOk = 1;  // IDOK

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    void* owner = nullptr;  // native window of the owner, or none
    unsigned icon = kIconNone;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Shows the box through the current handler and returns its answer (kIdOk).
int ShowMessageBox(const std::string& text, const std::string& caption, void* owner, unsigned icon);

// Replaces the handler and returns the previous one. An empty handler restores
// the default: MessageBoxA on Windows; on POSIX, where a program using the
// library may have no window at all, the caption and text go to standard error.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace platform
