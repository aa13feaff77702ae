// virtual-titler: a pseudo-terminal that stands in for the serial titler and
// prints each titler command it receives, for tests, demos and benchmarks.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "platform/Serial.h"
#include "tools/virtual-titler/TitlerStreamDecoder.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr char kHelp[] = R"help(usage: virtual-titler [options]

Opens a pseudo-terminal that stands in for the serial titler, prints the path
of its slave device as the first line ("virtual-titler: /dev/pts/5"), and then
one line for each titler command that a writer sends to that device:

  init                      ESC "00" "25" followed by fourteen "0"
  timestamp 987             ESC "00" "28" "000" followed by a signed decimal
  garbage 1b 41 ...         bytes that form no command, in hexadecimal
  line 9600 8N2             the line settings of the slave changed (rate, data
                            bits, parity N/O/E/M/S, stop bits); "(other
                            settings changed)" follows when anything beside
                            those four changed as well. The first such line
                            gives the settings the slave started with.

Framing: every command begins with ESC. An init command ends with its
fourteenth "0" (its two parts may come in separate writes). The digits of a
timestamp end at the next ESC or when the line has been quiet for the quiet
time (see --quiet-ms); only the writer's own form counts: "0", or an optional
"-" and digits without a leading zero, within 64 bits. Anything else up to the
next ESC or the quiet time is garbage.

The device stays open while the program runs, so a writer may close and open
it again. SIGINT or SIGTERM ends the program: what is still pending is
decoded, the link (--link) is removed, and it exits with status 0.

options:
  --baud N        model a line of N baud: each byte leaves no earlier than the
                  end of the one before it, taking 1 start bit, the slave's
                  data, parity and stop bits (11 bits at 8N2: about 872 bytes
                  a second at 9600), and nothing more is read while the line
                  is busy. A writer that queues commands then shows up as late
                  timestamps. Without it, bytes leave when they are read.
  --times         add to each command the moment its last byte left the line:
                  " at <microseconds since 1970 by CLOCK_REALTIME> <local date
                  and time with microseconds>"
  --log FILE      write every line to FILE too
  --link PATH     make PATH a symbolic link to the slave device (replacing a
                  link that is there; folders are made as needed), e.g.
                  ~/.config/orbilane/dosdevices/com5 to map COM5, or
                  $WINEPREFIX/dosdevices/com5 for a Windows build under wine
  --quiet-ms N    the quiet time that ends a timestamp (default 50)
  --help          this text
)help";

struct Options {
    std::uint32_t baud = 0;
    bool times = false;
    std::string log;
    std::string link;
    int quietMs = 50;
};

bool ParseNumber(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long number = 0;
        if (arg == "--help") {
            std::fputs(kHelp, stdout);
            std::exit(0);
        } else if (arg == "--times") {
            options.times = true;
        } else if (arg == "--baud" && hasValue && ParseNumber(argv[i + 1], 1, 4000000, number)) {
            options.baud = static_cast<std::uint32_t>(number);
            ++i;
        } else if (arg == "--quiet-ms" && hasValue && ParseNumber(argv[i + 1], 1, 60000, number)) {
            options.quietMs = static_cast<int>(number);
            ++i;
        } else if (arg == "--log" && hasValue) {
            options.log = argv[++i];
        } else if (arg == "--link" && hasValue) {
            options.link = argv[++i];
        } else {
            std::fprintf(stderr, "virtual-titler: bad option or value: %s (see --help)\n", arg.c_str());
            return std::nullopt;
        }
    }
    return options;
}

std::int64_t RealtimeMicros() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

std::string LocalTimeText(std::int64_t micros) {
    const time_t seconds = static_cast<time_t>(micros / 1000000);
    tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%06lld", static_cast<long long>(micros % 1000000));
    return text;
}

std::string LineText(const platform::SerialState& s) {
    static constexpr char kParity[] = {'N', 'O', 'E', 'M', 'S'};
    static constexpr const char* kStop[] = {"1", "1.5", "2"};
    return "line " + std::to_string(s.baudRate) + " " + std::to_string(s.byteSize) +
           kParity[static_cast<int>(s.parity)] + kStop[static_cast<int>(s.stopBits)];
}

class Output {
public:
    explicit Output(const std::string& logPath) {
        if (!logPath.empty()) {
            mLog.open(logPath, std::ios::out | std::ios::trunc);
        }
    }
    bool LogOpen() const { return mLog.is_open(); }
    void Line(const std::string& text) {
        std::fputs((text + "\n").c_str(), stdout);
        std::fflush(stdout);
        if (mLog.is_open()) {
            mLog << text << '\n' << std::flush;
        }
    }

private:
    std::ofstream mLog;
};

// The slave's symbolic link, removed again at the end if it is still ours.
class Link {
public:
    bool Make(const std::string& path, const std::string& target) {
        std::error_code ec;
        const std::filesystem::path link(path);
        if (link.has_parent_path()) {
            std::filesystem::create_directories(link.parent_path(), ec);
        }
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(link, ec))) {
            std::filesystem::remove(link, ec);
        }
        std::filesystem::create_symlink(target, link, ec);
        if (ec) {
            std::fprintf(stderr, "virtual-titler: cannot link %s: %s\n", path.c_str(), ec.message().c_str());
            return false;
        }
        mPath = path;
        mTarget = target;
        return true;
    }
    ~Link() {
        std::error_code ec;
        if (!mPath.empty() && std::filesystem::read_symlink(mPath, ec) == mTarget) {
            std::filesystem::remove(mPath, ec);
        }
    }

private:
    std::string mPath;
    std::string mTarget;
};

// A session leader that opens a terminal without O_NOCTTY makes it its
// controlling terminal, and wine's server does so with the serial devices it
// opens: it would then get a hang-up when we end. A helper of ours in a
// session of its own takes the slave first (a terminal belongs to one session
// at most) and lives as long as we do: it leaves when its lifeline from us
// reads its end, also when we are killed.
class TerminalGuard {
public:
    bool Start(const std::string& slave) {
        int lifeline[2];
        int ready[2];
        if (pipe2(lifeline, O_CLOEXEC) != 0 || pipe2(ready, O_CLOEXEC) != 0) {
            return false;
        }
        mPid = fork();
        if (mPid < 0) {
            return false;
        }
        if (mPid == 0) {
            close(lifeline[1]);
            close(ready[0]);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            signal(SIGHUP, SIG_IGN);
            signal(SIGINT, SIG_IGN);
            char byte = 0;
            if (setsid() >= 0) {
                const int fd = open(slave.c_str(), O_RDWR | O_CLOEXEC);
                if (fd >= 0 && ioctl(fd, TIOCSCTTY, 0) == 0) {
                    byte = 1;
                }
            }
            (void)!write(ready[1], &byte, 1);
            while (read(lifeline[0], &byte, 1) < 0 && errno == EINTR) {
            }
            _exit(0);
        }
        close(lifeline[0]);
        close(ready[1]);
        mLifeline = lifeline[1];
        char byte = 0;
        while (read(ready[0], &byte, 1) < 0 && errno == EINTR) {
        }
        close(ready[0]);
        return byte == 1;
    }
    ~TerminalGuard() {
        if (mLifeline >= 0) {
            close(mLifeline);
        }
        if (mPid > 0) {
            waitpid(mPid, nullptr, 0);
        }
    }

private:
    pid_t mPid = -1;
    int mLifeline = -1;
};

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        return 2;
    }

    // Signals arrive through a descriptor, so the loop sees them between reads
    // and can still decode what is pending before it ends.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    const int signals = signalfd(-1, &stops, SFD_CLOEXEC);
    signal(SIGPIPE, SIG_IGN);

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || signals < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("virtual-titler: pseudo-terminal");
        return 1;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    const std::string slave = ptsname(master);
    // Our own hold on the slave keeps the pair alive while a writer closes
    // and reopens it: without one, the master reads only hang-ups in between.
    const int slaveHold = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveHold < 0) {
        std::perror("virtual-titler: slave device");
        return 1;
    }

    TerminalGuard guard;
    if (!guard.Start(slave)) {
        std::perror("virtual-titler: terminal guard");
        return 1;
    }

    Output out(options->log);
    if (!options->log.empty() && !out.LogOpen()) {
        std::fprintf(stderr, "virtual-titler: cannot write %s\n", options->log.c_str());
        return 1;
    }
    Link link;
    if (!options->link.empty() && !link.Make(options->link, slave)) {
        return 1;
    }
    out.Line("virtual-titler: " + slave);

    TitlerStreamDecoder decoder([&](const TitlerEvent& event) {
        std::string text = event.Describe();
        if (options->times) {
            text += " at " + std::to_string(event.lastByteAt) + " " + LocalTimeText(event.lastByteAt);
        }
        out.Line(text);
    });

    // The master reads the slave's settings, as a writer has set them.
    platform::SerialState reported;
    bool haveReported = false;
    platform::SerialState current;
    auto reportLine = [&] {
        if (!platform::GetSerialState(master, current)) {
            return;
        }
        if (haveReported && platform::SameSettingsBesideTheLine(current, reported) &&
            LineText(current) == LineText(reported)) {
            return;
        }
        const bool others = haveReported && !platform::SameSettingsBesideTheLine(current, reported);
        out.Line(LineText(current) + (others ? " (other settings changed)" : ""));
        reported = current;
        haveReported = true;
    };
    reportLine();

    const auto quiet = std::chrono::milliseconds(options->quietMs);
    SteadyClock::time_point lineFree = SteadyClock::now();  // end of the last byte on the line
    auto readAvailable = [&] {
        unsigned char buffer[256];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        const auto arrived = SteadyClock::now();
        const std::int64_t realNow = RealtimeMicros();
        platform::SerialState line = current;
        line.baudRate = options->baud;
        const auto byteTime = platform::SerialLineTime(line, 1);
        for (ssize_t i = 0; i < n; ++i) {
            lineFree = std::max(lineFree, arrived) + byteTime;
            const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(lineFree - arrived).count();
            decoder.Feed(buffer[i], realNow + micros);
        }
        return true;
    };

    bool running = true;
    while (running) {
        const auto now = SteadyClock::now();
        // While the modelled line is busy nothing more is taken from the writer.
        const bool lineBusy = options->baud != 0 && lineFree > now;
        pollfd fds[2] = {{signals, POLLIN, 0}, {master, static_cast<short>(lineBusy ? 0 : POLLIN), 0}};
        // Settings are looked at every few milliseconds, and on every read,
        // so a change shows before the commands written after it.
        auto wait = std::chrono::milliseconds(5);
        if (lineBusy) {
            wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(lineFree - now));
        }
        const int ready = poll(fds, 2, static_cast<int>(wait.count()));
        if (ready < 0 && errno != EINTR) {
            std::perror("virtual-titler: poll");
            break;
        }
        reportLine();
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            running = false;
        }
        if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
            readAvailable();
        }
        if (decoder.Pending() && SteadyClock::now() >= lineFree + quiet) {
            decoder.Flush();
        }
    }
    // Whatever the writer left in the device is decoded before the end.
    while (readAvailable()) {
    }
    decoder.Flush();
    close(slaveHold);
    close(master);
    return 0;
}
