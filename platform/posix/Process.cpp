#include "platform/Process.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

struct ChildProcess::Native {
    pid_t pid = -1;
    int output = -1;  // read end of the child's standard output
    bool waited = false;
    int exitCode = -1;
};

std::string ProgramDirectory() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    std::string p(path, static_cast<size_t>(n));
    return p.substr(0, p.find_last_of('/') + 1);
}

std::string ExecutableName(const std::string& name) { return name; }

ChildProcess::ChildProcess() : mNative(std::make_unique<Native>()) {}

ChildProcess::~ChildProcess() {
    if (mNative->pid > 0 && !mNative->waited) {
        Kill();
        Wait();
    }
    JoinReader();
    if (mNative->output >= 0) ::close(mNative->output);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
    if (mNative->pid > 0 && !mNative->waited) return false;
    JoinReader();
    if (mNative->output >= 0) ::close(mNative->output);
    *mNative = Native{};

    int pipeEnds[2];
    // Close-on-exec, so that no other child inherits this pipe and keeps its
    // output open after this child has ended.
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    pid_t pid = -1;
    const int result = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (result != 0) {
        ::close(pipeEnds[0]);
        return false;
    }
    mNative->pid = pid;
    mNative->output = pipeEnds[0];
    StartReader();
    return true;
}

int ChildProcess::ReadOutput(char* buffer, int size) {
    for (;;) {
        const ssize_t n = ::read(mNative->output, buffer, static_cast<size_t>(size));
        if (n >= 0) return static_cast<int>(n);
        if (errno != EINTR) return 0;
    }
}

bool ChildProcess::Kill() {
    if (mNative->pid <= 0 || mNative->waited) return false;
    return ::kill(mNative->pid, SIGKILL) == 0;
}

int ChildProcess::Wait() {
    if (mNative->pid <= 0) return -1;
    if (!mNative->waited) {
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(mNative->pid, &status, 0);
        } while (r < 0 && errno == EINTR);
        mNative->waited = true;
        if (r == mNative->pid) {
            mNative->exitCode = WIFEXITED(status) ? WEXITSTATUS(status)
                                : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                                      : -1;
        }
    }
    return mNative->exitCode;
}

}  // namespace platform
