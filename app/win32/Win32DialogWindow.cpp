#include "app/win32/Win32DialogWindow.h"

#include "app/ApplicationName.h"
#include "app/IconPlacement.h"
#include "app/OrbilaneDlg.h"

namespace {

// Requests from other threads, carried out on the window's thread. EnableWindow
// and SetCursor act on the window's thread; called from the worker, the first
// would wait for the window's thread, which may itself be waiting for the worker.
constexpr UINT kEnableControlMessage = WM_APP + 1;  // wParam: control id, lParam: on
constexpr UINT kApplyCursorMessage = WM_APP + 2;

}  // namespace

Win32DialogWindow::Win32DialogWindow(HINSTANCE instance, int templateId)
    : mInstance(instance), mTemplateId(templateId) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    mApplicationName = ApplicationNameFromPath(path);
}

int Win32DialogWindow::RunModal(OrbilaneDlg& dlg, HWND parent) {
    mDlg = &dlg;
    mThreadId = GetCurrentThreadId();
    HWND hwnd = CreateDialogParamA(mInstance, MAKEINTRESOURCEA(mTemplateId), parent, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) {
        mDlg = nullptr;
        return -1;
    }
    // While the dialog runs its owner, if any, takes no input.
    const bool reenableParent = parent != nullptr && !EnableWindow(parent, FALSE);

    int exitCode = -1;
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) {
            break;
        }
        if (got == 0) {
            exitCode = static_cast<int>(msg.wParam);
            break;
        }
        // The worker's refresh. WM_USER is also the dialog manager's
        // DM_GETDEFID, which it sends to ask for the default button; answered
        // by the refresh handler, the query would find none, and Enter would
        // send OK (closing the window) even while Start is enabled. So the
        // posted refresh is taken here, and the sent query is left to the
        // dialog manager.
        if (msg.hwnd == hwnd && msg.message == OrbilaneDlg::kUpdateMessage) {
            mDlg->OnUpdateDisplay();
            continue;
        }
        // Tab, Enter and Esc as in any dialog: Enter clicks the default
        // button (Start) while it is enabled, Esc sends cancel. What Enter does
        // while Start is disabled is the dialog manager's; an OK it sends runs
        // the close steps first, as cancel does.
        if (!IsDialogMessageA(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    if (reenableParent) {
        EnableWindow(parent, TRUE);
    }
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);  // the dialog's last messages reach no handler
    DestroyWindow(hwnd);
    mDlg = nullptr;
    return exitCode;
}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->mHwnd = hwnd;
        return self->mDlg->OnInitDialog() ? TRUE : FALSE;
    }
    auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (self == nullptr || self->mDlg == nullptr) {
        return FALSE;
    }
    return self->HandleMessage(message, wParam, lParam);
}

// The message table of the main window (with WM_USER, in RunModal).
INT_PTR Win32DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        return mDlg->OnPaint() ? TRUE : FALSE;
    case WM_CLOSE:
        mDlg->OnClose();
        return TRUE;
    // WM_USER, the refresh, is handled by RunModal's loop.
    case WM_QUERYDRAGICON:
        // One of the messages whose dialog procedure result is the answer itself.
        return reinterpret_cast<INT_PTR>(mDlg->OnQueryDragIcon());
    case WM_COMMAND:
        return mDlg->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_SETCURSOR:
        if (mCursor.IsWaiting()) {
            SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
            return Result(TRUE);
        }
        return FALSE;
    case kEnableControlMessage:
        EnableWindow(GetDlgItem(mHwnd, static_cast<int>(wParam)), lParam != 0);
        return TRUE;
    case kApplyCursorMessage:
        ApplyCursor();
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR Win32DialogWindow::Result(LRESULT result) {
    SetWindowLongPtrA(mHwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

bool Win32DialogWindow::OnWindowThread() const {
    return GetCurrentThreadId() == mThreadId;
}

std::string Win32DialogWindow::GetControlText(int id) {
    HWND control = GetDlgItem(mHwnd, id);
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(control, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

void Win32DialogWindow::SetControlText(int id, const std::string& text) {
    SetDlgItemTextA(mHwnd, id, text.c_str());
}

void Win32DialogWindow::EnableControl(int id, bool on) {
    if (OnWindowThread()) {
        EnableWindow(GetDlgItem(mHwnd, id), on ? TRUE : FALSE);
    } else {
        // Posted messages keep their order, so the buttons end as the last request says.
        PostMessageA(mHwnd, kEnableControlMessage, static_cast<WPARAM>(id), on ? 1 : 0);
    }
}

void Win32DialogWindow::FocusAndSelectAll(int id) {
    HWND control = GetDlgItem(mHwnd, id);
    // Through the dialog manager, so that the default button follows the focus.
    SendMessageA(mHwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SendMessageA(control, EM_SETSEL, 0, -1);
}

void Win32DialogWindow::BeginWaitCursor() {
    if (mCursor.Begin()) {
        RequestCursor();
    }
}

void Win32DialogWindow::EndWaitCursor() {
    if (mCursor.End()) {
        RequestCursor();
    }
}

void Win32DialogWindow::RequestCursor() {
    if (OnWindowThread()) {
        ApplyCursor();
    } else {
        PostMessageA(mHwnd, kApplyCursorMessage, 0, 0);
    }
}

void Win32DialogWindow::ApplyCursor() {
    if (mCursor.IsWaiting()) {
        HCURSOR wait = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
        HCURSOR previous = SetCursor(wait);
        if (mRestoreCursor == nullptr && previous != wait) {
            mRestoreCursor = previous;
        }
    } else if (mRestoreCursor != nullptr) {
        SetCursor(mRestoreCursor);
        mRestoreCursor = nullptr;
    }
}

void Win32DialogWindow::PostToWindow(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    PostMessageA(mHwnd, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void Win32DialogWindow::PostQuitRequest(int exitCode) {
    PostQuitMessage(exitCode);
}

void Win32DialogWindow::WaitAnswering(const std::function<bool()>& done) {
    // Messages sent from other threads are delivered inside PeekMessage;
    // posted ones stay queued for the message loop.
    while (!done()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void* Win32DialogWindow::NativeHandle() {
    return mHwnd;
}

IconHandle Win32DialogWindow::LoadIconResource(int id) {
    return LoadIconA(mInstance, MAKEINTRESOURCEA(id));
}

void Win32DialogWindow::SetIcon(IconHandle icon, IconSize size) {
    SendMessageA(mHwnd, WM_SETICON, size == IconSize::Big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool Win32DialogWindow::PaintMinimisedIcon(IconHandle icon) {
    if (!IsIconic(mHwnd)) {
        return false;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(mHwnd, &paint);
    SendMessageA(mHwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(mHwnd, &client);
    const IconOrigin origin = CentredIconOrigin(client.right - client.left, client.bottom - client.top,
                                                GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    DrawIcon(dc, origin.x, origin.y, static_cast<HICON>(icon));
    EndPaint(mHwnd, &paint);
    return true;
}

std::string Win32DialogWindow::ApplicationName() {
    return mApplicationName;
}
