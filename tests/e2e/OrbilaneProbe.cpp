// Looks at Orbilane's main window from outside, as a person would see it, for
// the end-to-end test: it starts the program, reads control texts, enabled
// states, the focus and the layout, and closes the window. Commands come on
// standard input one a line; each answer ends with a line "end".
//
//   start PROGRAM          start PROGRAM (its exit code comes with "exitcode")
//   wait CAPTION           wait until a top-level window has this caption
//   state                  caption, field texts, button states, focus
//   layout                 every control in template order, positions in dialog units
//   frame                  the window's class, style and extended style
//   active                 1 when the window is the active (foreground) window
//   redraw                 have the window repaint itself, frame included, and wait for it
//   center ID              screen position of the middle of control ID
//   rect                   the window's screen rectangle
//   close                  post WM_CLOSE to the window
//   exitcode               wait until the program has ended; its exit code
//   version PROGRAM        the version record's strings
//   box                    wait until the program shows a message box: its
//                          caption, its text and whether the main window owns it
//   nobox                  wait until no message box of the program is left
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

HWND gWindow = nullptr;
PROCESS_INFORMATION gProcess{};

// Bounded waits: a window that never comes is a failure the script reports.
constexpr int kWaitSteps = 600;
constexpr DWORD kWaitStepMs = 100;

// WM_GETTEXT itself: GetWindowTextA does not ask a control of another
// process, it returns the text the control was created with.
std::string Text(HWND hwnd) {
    char buffer[512] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK, 5000, &ignored);
    return buffer;
}

std::string ClassOf(HWND hwnd) {
    char buffer[64] = {};
    GetClassNameA(hwnd, buffer, sizeof buffer);
    return buffer;
}

void Start(const std::string& program) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + program + "\"";
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &gProcess)) {
        std::printf("started\n");
    } else {
        std::printf("start failed %lu\n", GetLastError());
    }
}

void Wait(const std::string& caption) {
    for (int i = 0; i < kWaitSteps; ++i) {
        gWindow = FindWindowA(nullptr, caption.c_str());
        if (gWindow != nullptr && IsWindowVisible(gWindow)) {
            std::printf("window\n");
            return;
        }
        Sleep(kWaitStepMs);
    }
    std::printf("timeout\n");
}

int FocusedId() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(gWindow, nullptr), &info) || info.hwndFocus == nullptr) {
        return 0;
    }
    return GetDlgCtrlID(info.hwndFocus);
}

void State() {
    std::printf("caption=%s\n", Text(gWindow).c_str());
    for (int id : {1003, 1006}) {
        std::printf("text%d=%s\n", id, Text(GetDlgItem(gWindow, id)).c_str());
    }
    for (int id : {1004, 1005}) {
        std::printf("enabled%d=%d\n", id, IsWindowEnabled(GetDlgItem(gWindow, id)) ? 1 : 0);
    }
    std::printf("focus=%d\n", FocusedId());
}

// The dialog's base units, found from its client area, which the template
// gives as 202 by 95 dialog units; controls are then placed back in those units.
struct Units {
    int x = 0, y = 0;
};

Units FindUnits() {
    RECT client;
    GetClientRect(gWindow, &client);
    Units units;
    for (int bx = 1; bx < 64; ++bx) {
        if (MulDiv(202, bx, 4) == client.right) units.x = bx;
    }
    for (int by = 1; by < 128; ++by) {
        if (MulDiv(95, by, 8) == client.bottom) units.y = by;
    }
    return units;
}

int ToDialogUnits(int pixels, int base, int divisor) {
    for (int d = 0; d < 1000; ++d) {
        if (MulDiv(d, base, divisor) == pixels) return d;
    }
    return -1;
}

void Layout() {
    const Units units = FindUnits();
    std::printf("client=%s\n", units.x && units.y ? "202x95" : "other");
    for (HWND child = GetWindow(gWindow, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, gWindow, reinterpret_cast<POINT*>(&r), 2);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        const LONG exStyle = GetWindowLongA(child, GWL_EXSTYLE);
        std::printf("%s|%d|%08lx|%08lx|%s|%d,%d,%d,%d\n", ClassOf(child).c_str(),
                    static_cast<short>(GetDlgCtrlID(child)), static_cast<unsigned long>(style),
                    static_cast<unsigned long>(exStyle), Text(child).c_str(), ToDialogUnits(r.left, units.x, 4),
                    ToDialogUnits(r.top, units.y, 8), ToDialogUnits(r.right - r.left, units.x, 4),
                    ToDialogUnits(r.bottom - r.top, units.y, 8));
    }
}

void Frame() {
    std::printf("style=%08lx\n", static_cast<unsigned long>(GetWindowLongA(gWindow, GWL_STYLE)));
    std::printf("exstyle=%08lx\n", static_cast<unsigned long>(GetWindowLongA(gWindow, GWL_EXSTYLE)));
    std::printf("class=%s\n", ClassOf(gWindow).c_str());
}

void Center(int id) {
    RECT r;
    GetWindowRect(GetDlgItem(gWindow, id), &r);
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Rect() {
    RECT r;
    GetWindowRect(gWindow, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

struct BoxSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (hwnd != gWindow && process == search->process && IsWindowVisible(hwnd) && ClassOf(hwnd) == "#32770") {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A message box of the program: a dialog of its process that is not the
// main window.
HWND FindBox() {
    BoxSearch search{gProcess.dwProcessId, nullptr};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Box() {
    for (int i = 0; i < kWaitSteps; ++i) {
        if (HWND box = FindBox()) {
            std::printf("caption=%s\n", Text(box).c_str());
            // The text is the box's static control that has any; the icon's has none.
            for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
                if (ClassOf(child) == "Static" && !Text(child).empty()) {
                    std::printf("text=%s\n", Text(child).c_str());
                    break;
                }
            }
            std::printf("owner=%s\n", GetWindow(box, GW_OWNER) == gWindow ? "main" : "none");
            return;
        }
        Sleep(kWaitStepMs);
    }
    std::printf("timeout\n");
}

void NoBox() {
    for (int i = 0; i < kWaitSteps; ++i) {
        if (FindBox() == nullptr) {
            std::printf("gone\n");
            return;
        }
        Sleep(kWaitStepMs);
    }
    std::printf("timeout\n");
}

void ExitCode() {
    if (gProcess.hProcess == nullptr) {
        std::printf("none\n");
        return;
    }
    if (WaitForSingleObject(gProcess.hProcess, kWaitSteps * kWaitStepMs) != WAIT_OBJECT_0) {
        std::printf("running\n");
        return;
    }
    DWORD code = 0;
    GetExitCodeProcess(gProcess.hProcess, &code);
    CloseHandle(gProcess.hProcess);
    CloseHandle(gProcess.hThread);
    gProcess = {};
    std::printf("%lu\n", code);
}

void Version(const std::string& program) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    std::vector<char> data(size);
    if (size == 0 || !GetFileVersionInfoA(program.c_str(), 0, size, data.data())) {
        std::printf("no version record\n");
        return;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length)) {
        std::printf("fixed=%lu.%lu.%lu.%lu %lu.%lu.%lu.%lu os=%lx type=%lu flags=%lx\n",
                    fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xffff, fixed->dwFileVersionLS >> 16,
                    fixed->dwFileVersionLS & 0xffff, fixed->dwProductVersionMS >> 16,
                    fixed->dwProductVersionMS & 0xffff, fixed->dwProductVersionLS >> 16,
                    fixed->dwProductVersionLS & 0xffff, fixed->dwFileOS, fixed->dwFileType, fixed->dwFileFlags);
    }
    WORD* translation = nullptr;
    if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
        length >= 4) {
        std::printf("translation=%04x %u\n", translation[0], translation[1]);
    }
    for (const char* key : {"CompanyName", "FileDescription", "FileVersion", "InternalName", "OriginalFilename",
                            "ProductName", "ProductVersion"}) {
        char* value = nullptr;
        const std::string path = std::string("\\StringFileInfo\\040904e4\\") + key;
        if (VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
            std::printf("%s=%s\n", key, value);
        } else {
            std::printf("%s missing\n", key);
        }
    }
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        if (command == "start") Start(argument);
        else if (command == "wait") Wait(argument);
        else if (command == "state") State();
        else if (command == "layout") Layout();
        else if (command == "frame") Frame();
        else if (command == "active") std::printf("%d\n", GetForegroundWindow() == gWindow ? 1 : 0);
        else if (command == "redraw")
            std::printf("%d\n", RedrawWindow(gWindow, nullptr, nullptr,
                                              RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW)
                                     ? 1
                                     : 0);
        else if (command == "center") Center(std::stoi(argument));
        else if (command == "rect") Rect();
        else if (command == "close") std::printf("%s\n", PostMessageA(gWindow, WM_CLOSE, 0, 0) ? "posted" : "failed");
        else if (command == "exitcode") ExitCode();
        else if (command == "version") Version(argument);
        else if (command == "box") Box();
        else if (command == "nobox") NoBox();
        else if (command == "quit") break;
        else std::printf("unknown command %s\n", command.c_str());
        std::printf("end\n");
        std::fflush(stdout);
    }
    return 0;
}
