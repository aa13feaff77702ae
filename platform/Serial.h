#pragma once
// A serial port as the titler link sees it: open a device by its Windows name
// ("COM3"), read and write the four line settings while every other setting
// stays as the port had it, write, close. Failures are reported as Windows
// system error numbers (2 for a missing device, 5 for a busy one), which the
// user's messages show.
#include <cstdint>
#include <string>

namespace platform {

// HANDLE on Windows, a descriptor on POSIX. 0 is never an open port.
using SerialHandle = std::intptr_t;
inline constexpr SerialHandle kInvalidSerialHandle = -1;  // INVALID_HANDLE_VALUE

namespace winerr {
inline constexpr int kFileNotFound = 2;    // ERROR_FILE_NOT_FOUND
inline constexpr int kAccessDenied = 5;    // ERROR_ACCESS_DENIED
inline constexpr int kInvalidHandle = 6;   // ERROR_INVALID_HANDLE
}  // namespace winerr

enum class Parity { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };  // NOPARITY...
enum class StopBits { One = 0, OnePointFive = 1, Two = 2 };              // ONESTOPBIT...

// The port's whole state as the system reports it. The four line settings are
// open to change; the rest travels back to the system untouched.
struct SerialState {
    std::uint32_t baudRate = 0;
    int byteSize = 0;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    alignas(8) unsigned char native[128] = {};  // DCB or termios, as read
};

// The system's error code of the calling thread's last failed serial call.
int LastSerialError();

// Opens "COMn" exclusively for reading and writing, blocking I/O.
// kInvalidSerialHandle on failure.
SerialHandle OpenSerialPort(const char* deviceName);
bool GetSerialState(SerialHandle h, SerialState& state);
bool SetSerialState(SerialHandle h, const SerialState& state);
// Writes all bytes and returns once they have left for the line
// (FlushFileBuffers / tcdrain).
bool WriteSerial(SerialHandle h, const void* data, std::size_t length);
bool CloseSerialPort(SerialHandle h);

// On POSIX: the device a COM number names. Windows has its own names.
std::string SerialDevicePath(const char* deviceName);

}  // namespace platform
