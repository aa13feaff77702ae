#pragma once
// A serial port as the titler link sees it: open a device by its Windows name
// ("COM3"), read and write the four line settings while every other setting
// stays as the port had it, write, close. Failures are reported as Windows
// system error numbers (2 for a missing device, 5 for a busy one), which the
// user's messages show.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// HANDLE on Windows, a descriptor on POSIX. 0 is never an open port: on POSIX
// a port's descriptor is always above the standard streams.
using SerialHandle = std::intptr_t;
inline constexpr SerialHandle kInvalidSerialHandle = -1;  // INVALID_HANDLE_VALUE

namespace winerr {
inline constexpr int kInvalidFunction = 1;    // ERROR_INVALID_FUNCTION
inline constexpr int kFileNotFound = 2;       // ERROR_FILE_NOT_FOUND
inline constexpr int kAccessDenied = 5;       // ERROR_ACCESS_DENIED
inline constexpr int kInvalidHandle = 6;      // ERROR_INVALID_HANDLE
inline constexpr int kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
}  // namespace winerr

enum class Parity { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };  // NOPARITY...
enum class StopBits { One = 0, OnePointFive = 1, Two = 2 };              // ONESTOPBIT...

// The port's whole state as the system reports it. SetSerialState writes the
// four line settings; everything else travels back to the system exactly as
// GetSerialState read it (the native record). The flow-control fields are a
// read-only view of that record, so a caller can see that they survived.
struct SerialState {
    std::uint32_t baudRate = 0;
    int byteSize = 0;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;

    bool rtsCtsFlow = false;     // fOutxCtsFlow / CRTSCTS
    bool xonXoffOutput = false;  // fOutX / IXON
    bool xonXoffInput = false;   // fInX / IXOFF
    unsigned char xonChar = 0;   // XonChar / VSTART
    unsigned char xoffChar = 0;  // XoffChar / VSTOP

    alignas(8) unsigned char native[128] = {};  // DCB or termios, as read
};

// The system's error code of the calling thread's last failed serial call.
int LastSerialError();

// The name the system is asked to open for a device name. Windows: "COMn"
// through the device namespace ("\\.\COM10"), so ports above 9 open too.
// POSIX: the link or file com<n> in $XDG_CONFIG_HOME/orbilane/dosdevices
// (default ~/.config/orbilane/dosdevices) when there is one, else
// /dev/ttyS<n-1>; empty when the name is not COM<n> with n >= 1.
std::string SerialDevicePath(const char* deviceName);

// Opens "COMn" exclusively for reading and writing, blocking I/O.
// kInvalidSerialHandle on failure.
SerialHandle OpenSerialPort(const char* deviceName);
bool GetSerialState(SerialHandle h, SerialState& state);
bool SetSerialState(SerialHandle h, const SerialState& state);
// True when the two states agree in every setting but the four line settings.
bool SameSettingsBesideTheLine(const SerialState& a, const SerialState& b);

// Writes all bytes and returns once they have left for the line
// (FlushFileBuffers / tcdrain), and never before their own time on the line
// at the port's rate: a pseudo-terminal or a virtual port drains at once, and
// its writer must still be paced like one on a real line.
bool WriteSerial(SerialHandle h, const void* data, std::size_t length);
bool CloseSerialPort(SerialHandle h);

// The time `bytes` bytes take on a line with these settings: a start bit, the
// data bits, a parity bit if any, and the stop bits, at the baud rate. Zero
// for a rate of 0.
std::chrono::nanoseconds SerialLineTime(const SerialState& state, std::size_t bytes);

}  // namespace platform
