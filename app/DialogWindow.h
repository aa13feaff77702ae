#pragma once
// What OrbilaneDlg needs of its window, and nothing more: control texts,
// enabled states, focus, the wait cursor, messages to its own thread and its
// icons. A window back end (Win32, GTK) implements it; tests use one in memory.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

using IconHandle = void*;  // HICON on Windows; whatever the back end uses elsewhere

enum class IconSize { Small = 0, Big = 1 };  // the WM_SETICON values

class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // The whole text of control id, and its replacement.
    virtual std::string GetControlText(int id) = 0;
    virtual void SetControlText(int id, const std::string& text) = 0;
    // Callable from any thread.
    virtual void EnableControl(int id, bool on) = 0;
    // Gives control id the focus and selects all of its text.
    virtual void FocusAndSelectAll(int id) = 0;

    // The application-wide wait cursor; requests nest, and the normal cursor
    // comes back with the last EndWaitCursor. Callable from any thread.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Posts a message to the window's own thread and returns at once.
    // Callable from any thread.
    virtual void PostToWindow(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // Asks the window's message loop to end with exitCode; on the window's thread.
    virtual void PostQuitRequest(int exitCode) = 0;
    // Waits, on the window's thread, until done() holds, while still
    // answering what other threads send to the window and wait on: a message
    // box of the worker's that this window owns disables and enables its
    // owner that way. The default only waits, for back ends whose windows
    // never make another thread wait on them.
    virtual void WaitAnswering(const std::function<bool()>& done) {
        while (!done()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // The native window, owner of the window's message boxes; none before the
    // window exists.
    virtual void* NativeHandle() = 0;
    virtual IconHandle LoadIconResource(int id) = 0;
    virtual void SetIcon(IconHandle icon, IconSize size) = 0;
    // When the window is minimised, paints icon centred in it and returns true;
    // otherwise false, and the back end's default painting applies.
    virtual bool PaintMinimisedIcon(IconHandle icon) = 0;

    // The caption of the window's own message boxes.
    virtual std::string ApplicationName() = 0;
};
