#include "platform/Serial.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace platform {
namespace {

static_assert(sizeof(termios) <= sizeof(SerialState::native), "termios must fit the native record");

thread_local int tLastError = 0;

// errno as the Windows system error a Windows build would have reported for
// the same failure, since the user's messages show that number.
struct ErrnoTranslation {
    int errnoValue;
    int code;
    const char* symbol;
    const char* explanation;
};

constexpr ErrnoTranslation kErrnoTable[] = {
    {ENOENT, 2, "ERROR_FILE_NOT_FOUND", "The system cannot find the file specified."},
    {ENXIO, 2, "ERROR_FILE_NOT_FOUND", "The system cannot find the file specified."},
    {ENODEV, 2, "ERROR_FILE_NOT_FOUND", "The system cannot find the file specified."},
    {ENOTDIR, 3, "ERROR_PATH_NOT_FOUND", "The system cannot find the path specified."},
    {EMFILE, 4, "ERROR_TOO_MANY_OPEN_FILES", "The system cannot open the file."},
    {ENFILE, 4, "ERROR_TOO_MANY_OPEN_FILES", "The system cannot open the file."},
    {EACCES, 5, "ERROR_ACCESS_DENIED", "Access is denied."},
    {EPERM, 5, "ERROR_ACCESS_DENIED", "Access is denied."},
    {EBUSY, 5, "ERROR_ACCESS_DENIED", "Access is denied."},
    {EWOULDBLOCK, 5, "ERROR_ACCESS_DENIED", "Access is denied."},
    {EROFS, 5, "ERROR_ACCESS_DENIED", "Access is denied."},
    {EBADF, 6, "ERROR_INVALID_HANDLE", "The handle is invalid."},
    {ENOMEM, 8, "ERROR_NOT_ENOUGH_MEMORY", "Not enough memory resources are available to process this command."},
    {ENOTTY, 1, "ERROR_INVALID_FUNCTION", "Incorrect function."},
    {EINVAL, 87, "ERROR_INVALID_PARAMETER", "The parameter is incorrect."},
    {ENAMETOOLONG, 206, "ERROR_FILENAME_EXCED_RANGE", "The filename or extension is too long."},
    {ELOOP, 1921, "ERROR_CANT_RESOLVE_FILENAME", "The name of the file cannot be resolved by the system."},
    {EIO, 1117, "ERROR_IO_DEVICE", "The request could not be performed because of an I/O device error."},
};
constexpr ErrnoTranslation kUnknownErrno = {0, 31, "ERROR_GEN_FAILURE", "A device attached to the system is not functioning."};

bool Fail(int errnoValue) {
    const auto* found = std::find_if(std::begin(kErrnoTable), std::end(kErrnoTable),
                                     [&](const ErrnoTranslation& t) { return t.errnoValue == errnoValue; });
    tLastError = found != std::end(kErrnoTable) ? found->code : kUnknownErrno.code;
    return false;
}

bool FailWith(int code) {
    tLastError = code;
    return false;
}

// The rates termios can name, as DCB BaudRate values.
struct BaudTranslation {
    std::uint32_t rate;
    speed_t speed;
};

constexpr BaudTranslation kBaudTable[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800}, {921600, B921600},
#endif
};

// Our ports are never the standard streams: 0 means "no port was ever opened"
// to ComPortInterface, and a write to it must be refused, not sent to stdin.
bool IsPortDescriptor(SerialHandle h) {
    return h > STDERR_FILENO && h <= INT32_MAX;
}

termios& NativeOf(SerialState& state) {
    return *reinterpret_cast<termios*>(state.native);
}
const termios& NativeOf(const SerialState& state) {
    return *reinterpret_cast<const termios*>(state.native);
}

std::string DosDevicesFolder() {
    // XDG_CONFIG_HOME counts only as an absolute path, as the XDG rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/orbilane/dosdevices";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/orbilane/dosdevices";
}

// The n of "COMn" (any case, as Windows reads it), or 0 when the name is not
// COM followed by a number from 1 without leading zeros.
long ComNumber(const char* deviceName) {
    if (deviceName == nullptr || strncasecmp(deviceName, "COM", 3) != 0) {
        return 0;
    }
    const char* digits = deviceName + 3;
    if (digits[0] < '1' || digits[0] > '9' || std::strlen(digits) > 9) {
        return 0;
    }
    long number = 0;
    for (const char* c = digits; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            return 0;
        }
        number = number * 10 + (*c - '0');
    }
    return number;
}

}  // namespace

int LastSerialError() {
    return tLastError;
}

std::string SerialDevicePath(const char* deviceName) {
    const long number = ComNumber(deviceName);
    if (number <= 0) {
        return {};
    }
    // A link of the user's (or a test's) wins, dangling or not: a COM number
    // pointed at an absent adapter is missing, not the built-in port.
    std::string mapped = DosDevicesFolder() + "/com" + std::to_string(number);
    struct stat entry {};
    if (lstat(mapped.c_str(), &entry) == 0) {
        return mapped;
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

SerialHandle OpenSerialPort(const char* deviceName) {
    const std::string path = SerialDevicePath(deviceName);
    if (path.empty()) {
        FailWith(winerr::kFileNotFound);
        return kInvalidSerialHandle;
    }
    // O_NONBLOCK only for the open itself, which would otherwise wait for a
    // modem's carrier on a port without CLOCAL.
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(errno);
        return kInvalidSerialHandle;
    }
    auto give_up = [&fd](int error) {
        close(fd);
        Fail(error);
        return kInvalidSerialHandle;
    };
    // The lock first: a refused open must not leave our TIOCEXCL behind on a
    // port that someone else holds.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return give_up(errno);
    }
    // Exclusive against other openers, too, that take no lock. A file that is
    // no terminal refuses it; that shows when its state is read.
    if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        return give_up(errno);
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ioctl(fd, TIOCNXCL);
        return give_up(error);
    }
    if (fd <= STDERR_FILENO) {
        // Started with a standard stream closed: move above them (the lock
        // goes along with the open file).
        const int high = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        if (high < 0) {
            const int error = errno;
            ioctl(fd, TIOCNXCL);
            return give_up(error);
        }
        close(fd);
        fd = high;
    }
    return fd;
}

bool GetSerialState(SerialHandle h, SerialState& state) {
    if (!IsPortDescriptor(h)) {
        return FailWith(winerr::kInvalidHandle);
    }
    termios& t = NativeOf(state);
    if (tcgetattr(static_cast<int>(h), &t) != 0) {
        return Fail(errno);
    }
    const speed_t speed = cfgetospeed(&t);
    const auto* baud = std::find_if(std::begin(kBaudTable), std::end(kBaudTable),
                                    [&](const BaudTranslation& b) { return b.speed == speed; });
    state.baudRate = baud != std::end(kBaudTable) ? baud->rate : 0;
    static constexpr int kByteSizes[] = {5, 6, 7, 8};  // CS5..CS8
    state.byteSize = kByteSizes[(t.c_cflag & CSIZE) / CS6];
    if ((t.c_cflag & PARENB) == 0) {
        state.parity = Parity::None;
    } else if ((t.c_cflag & CMSPAR) != 0) {
        state.parity = (t.c_cflag & PARODD) != 0 ? Parity::Mark : Parity::Space;
    } else {
        state.parity = (t.c_cflag & PARODD) != 0 ? Parity::Odd : Parity::Even;
    }
    state.stopBits = (t.c_cflag & CSTOPB) == 0       ? StopBits::One
                     : (t.c_cflag & CSIZE) == CS5 ? StopBits::OnePointFive
                                                      : StopBits::Two;
    state.rtsCtsFlow = (t.c_cflag & CRTSCTS) != 0;
    state.xonXoffOutput = (t.c_iflag & IXON) != 0;
    state.xonXoffInput = (t.c_iflag & IXOFF) != 0;
    state.xonChar = t.c_cc[VSTART];
    state.xoffChar = t.c_cc[VSTOP];
    return true;
}

bool SetSerialState(SerialHandle h, const SerialState& state) {
    if (!IsPortDescriptor(h)) {
        return FailWith(winerr::kInvalidHandle);
    }
    const auto* baud = std::find_if(std::begin(kBaudTable), std::end(kBaudTable),
                                    [&](const BaudTranslation& b) { return b.rate == state.baudRate; });
    static constexpr tcflag_t kSizeFlags[] = {CS5, CS6, CS7, CS8};
    if (baud == std::end(kBaudTable) || state.byteSize < 5 || state.byteSize > 8) {
        return FailWith(winerr::kInvalidParameter);
    }
    // Only the line bits change; the rest is the record as it was read.
    termios t = NativeOf(state);
    if (cfsetospeed(&t, baud->speed) != 0 || cfsetispeed(&t, baud->speed) != 0) {
        return Fail(errno);
    }
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    t.c_cflag |= kSizeFlags[state.byteSize - 5];
    switch (state.parity) {
        case Parity::None: break;
        case Parity::Odd: t.c_cflag |= PARENB | PARODD; break;
        case Parity::Even: t.c_cflag |= PARENB; break;
        case Parity::Mark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
        case Parity::Space: t.c_cflag |= PARENB | CMSPAR; break;
    }
    if (state.stopBits != StopBits::One) {
        t.c_cflag |= CSTOPB;
    }
    if (tcsetattr(static_cast<int>(h), TCSANOW, &t) != 0) {
        return Fail(errno);
    }
    return true;
}

bool SameSettingsBesideTheLine(const SerialState& a, const SerialState& b) {
    const termios& x = NativeOf(a);
    const termios& y = NativeOf(b);
    const tcflag_t line = CBAUD | CBAUDEX | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    return x.c_iflag == y.c_iflag && x.c_oflag == y.c_oflag && x.c_lflag == y.c_lflag &&
           (x.c_cflag & ~line) == (y.c_cflag & ~line) && x.c_line == y.c_line &&
           std::memcmp(x.c_cc, y.c_cc, sizeof x.c_cc) == 0;
}

bool WriteAndDrainSerial(SerialHandle h, const void* data, std::size_t length) {
    if (!IsPortDescriptor(h)) {
        return FailWith(winerr::kInvalidHandle);
    }
    const int fd = static_cast<int>(h);
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    do {  // once even for nothing, so a bad descriptor is still refused
        const ssize_t n = write(fd, bytes + done, length - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(errno);
        }
        done += static_cast<std::size_t>(n);
    } while (done < length);
    // A tty holds seconds of output at 9600 baud: wait until ours has gone,
    // so the next timestamp never queues behind this one.
    while (tcdrain(fd) != 0) {
        if (errno == ENOTTY) {
            break;  // not a terminal: nothing is held back
        }
        if (errno != EINTR) {
            return Fail(errno);
        }
    }
    return true;
}

bool CloseSerialPort(SerialHandle h) {
    if (!IsPortDescriptor(h)) {
        return FailWith(winerr::kInvalidHandle);
    }
    const int fd = static_cast<int>(h);
    // Our exclusive claim ends with our handle. A pseudo-terminal keeps the
    // flag for as long as its other side is open, which would lock out the
    // next opener who is not root.
    ioctl(fd, TIOCNXCL);
    // Linux releases the descriptor even when close is interrupted.
    if (close(fd) != 0 && errno != EINTR) {
        return Fail(errno);
    }
    return true;
}

}  // namespace platform
