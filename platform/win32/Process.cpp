#include "platform/Process.h"

#include <windows.h>

namespace platform {
namespace {

// Handle inheritance takes every inheritable handle of the process, so the
// write ends of two children started at once from two threads would leak
// into each other and keep each other's output open. One start at a time.
std::mutex gStartLock;

// One argument as the C runtime's command-line parser reads it back.
std::string Quote(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') out.append(backslashes * 2 + 1, '\\');
        else out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

}  // namespace

struct ChildProcess::Native {
    HANDLE process = nullptr;
    HANDLE output = nullptr;  // read end of the child's standard output
    bool waited = false;
    int exitCode = -1;
};

std::string ProgramDirectory() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return ".\\";
    std::string p(path, n);
    return p.substr(0, p.find_last_of("\\/") + 1);
}

std::string ExecutableName(const std::string& name) { return name + ".exe"; }

ChildProcess::ChildProcess() : mNative(std::make_unique<Native>()) {}

ChildProcess::~ChildProcess() {
    if (mNative->process != nullptr && !mNative->waited) {
        Kill();
        Wait();
    }
    JoinReader();
    if (mNative->output != nullptr) CloseHandle(mNative->output);
    if (mNative->process != nullptr) CloseHandle(mNative->process);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
    if (mNative->process != nullptr && !mNative->waited) return false;
    JoinReader();
    if (mNative->output != nullptr) CloseHandle(mNative->output);
    if (mNative->process != nullptr) CloseHandle(mNative->process);
    *mNative = Native{};

    std::string commandLine = Quote(program);
    for (const std::string& a : arguments) {
        commandLine += ' ';
        commandLine += Quote(a);
    }

    std::lock_guard<std::mutex> lock(gStartLock);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &info);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    CloseHandle(info.hThread);
    mNative->process = info.hProcess;
    mNative->output = readEnd;
    StartReader();
    return true;
}

int ChildProcess::ReadOutput(char* buffer, int size) {
    DWORD n = 0;
    if (!ReadFile(mNative->output, buffer, static_cast<DWORD>(size), &n, nullptr)) return 0;  // broken pipe: ended
    return static_cast<int>(n);
}

bool ChildProcess::Kill() {
    if (mNative->process == nullptr || mNative->waited) return false;
    return TerminateProcess(mNative->process, 1) != 0;
}

int ChildProcess::Wait() {
    if (mNative->process == nullptr) return -1;
    if (!mNative->waited) {
        WaitForSingleObject(mNative->process, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(mNative->process, &code)) mNative->exitCode = static_cast<int>(code);
        mNative->waited = true;
    }
    return mNative->exitCode;
}

}  // namespace platform
