#pragma once
// The serial link to the titler: opens one port and sets it to 9600 baud,
// 8 data bits, no parity and 2 stop bits, writes texts to it and closes it.
// A port that cannot be opened or configured is reported in a message box.
#include "platform/Serial.h"

class ComPortInterface {
public:
    ComPortInterface();
    // Leaves an open port alone: only ClosePort closes it.
    virtual ~ComPortInterface();

    ComPortInterface(const ComPortInterface&) = delete;
    ComPortInterface& operator=(const ComPortInterface&) = delete;

    // 0: the port is open and configured. -1: it failed, after a message box;
    // a port that opened but could not be configured stays open.
    int InitializePort(const char* deviceName);
    // 0 when the system took the text (without its NUL); -1 otherwise.
    int WriteData(const char* text);
    // 1 when an open port was closed; 0 when none was open or the close failed.
    int ClosePort();

    // 0: no port was ever opened; the open port's handle; or
    // platform::kInvalidSerialHandle after a failed open and after a close.
    platform::SerialHandle mPortHandle;
};
