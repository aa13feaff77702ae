#pragma once
// The Win32 back end of OrbilaneDlg: a dialog created from its resource
// template, run modally by a message loop of ours until a quit request, with
// the message table that routes window messages to the dialog's handlers.
#include <windows.h>

#include <string>

#include "app/DialogWindow.h"
#include "app/WaitCursorCount.h"

class OrbilaneDlg;

class Win32DialogWindow : public DialogWindow {
public:
    Win32DialogWindow(HINSTANCE instance, int templateId);

    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    // Creates the dialog for dlg and runs it until a quit request (PostQuitMessage),
    // then destroys it. Returns the quit request's exit code, or -1 when the
    // dialog could not be created.
    int RunModal(OrbilaneDlg& dlg, HWND parent);

    std::string GetControlText(int id) override;
    void SetControlText(int id, const std::string& text) override;
    void EnableControl(int id, bool on) override;
    void FocusAndSelectAll(int id) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void PostToWindow(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void PostQuitRequest(int exitCode) override;
    void WaitAnswering(const std::function<bool()>& done) override;
    void* NativeHandle() override;
    IconHandle LoadIconResource(int id) override;
    void SetIcon(IconHandle icon, IconSize size) override;
    bool PaintMinimisedIcon(IconHandle icon) override;
    std::string ApplicationName() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Result(LRESULT result);
    bool OnWindowThread() const;
    // Applies the wait cursor's state now, or has the window's thread do it.
    void RequestCursor();
    // Shows the wait cursor or brings back the one it replaced; window thread only.
    void ApplyCursor();

    HINSTANCE mInstance;
    int mTemplateId;
    std::string mApplicationName;
    HWND mHwnd = nullptr;
    DWORD mThreadId = 0;
    OrbilaneDlg* mDlg = nullptr;
    WaitCursorCount mCursor;
    HCURSOR mRestoreCursor = nullptr;
};
