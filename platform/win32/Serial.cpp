#include "platform/Serial.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

namespace platform {
namespace {

static_assert(sizeof(DCB) <= sizeof(SerialState::native), "DCB must fit the native record");

HANDLE HandleOf(SerialHandle h) {
    return reinterpret_cast<HANDLE>(h);
}

DCB& NativeOf(SerialState& state) {
    return *reinterpret_cast<DCB*>(state.native);
}
const DCB& NativeOf(const SerialState& state) {
    return *reinterpret_cast<const DCB*>(state.native);
}

bool IsComName(const char* deviceName) {
    if (deviceName == nullptr || _strnicmp(deviceName, "COM", 3) != 0 || deviceName[3] == '\0') {
        return false;
    }
    for (const char* c = deviceName + 3; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

int LastSerialError() {
    return static_cast<int>(GetLastError());
}

std::string SerialDevicePath(const char* deviceName) {
    // Plain "COM10" and above name a file, not a port: only COM1 to COM9 are
    // reserved names. The device namespace reaches every port.
    if (IsComName(deviceName)) {
        return std::string("\\\\.\\") + deviceName;
    }
    return deviceName != nullptr ? deviceName : "";
}

SerialHandle OpenSerialPort(const char* deviceName) {
    const std::string path = SerialDevicePath(deviceName);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return reinterpret_cast<SerialHandle>(h);
}

bool GetSerialState(SerialHandle h, SerialState& state) {
    DCB& dcb = NativeOf(state);
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(HandleOf(h), &dcb)) {
        return false;
    }
    state.baudRate = dcb.BaudRate;
    state.byteSize = dcb.ByteSize;
    state.parity = static_cast<Parity>(dcb.Parity);
    state.stopBits = static_cast<StopBits>(dcb.StopBits);
    state.rtsCtsFlow = dcb.fOutxCtsFlow != 0;
    state.xonXoffOutput = dcb.fOutX != 0;
    state.xonXoffInput = dcb.fInX != 0;
    state.xonChar = static_cast<unsigned char>(dcb.XonChar);
    state.xoffChar = static_cast<unsigned char>(dcb.XoffChar);
    return true;
}

bool SetSerialState(SerialHandle h, const SerialState& state) {
    DCB dcb = NativeOf(state);
    dcb.BaudRate = state.baudRate;
    dcb.ByteSize = static_cast<BYTE>(state.byteSize);
    dcb.Parity = static_cast<BYTE>(state.parity);
    dcb.StopBits = static_cast<BYTE>(state.stopBits);
    return SetCommState(HandleOf(h), &dcb) != 0;
}

bool SameSettingsBesideTheLine(const SerialState& a, const SerialState& b) {
    DCB x = NativeOf(a);
    DCB y = NativeOf(b);
    y.BaudRate = x.BaudRate;
    y.ByteSize = x.ByteSize;
    y.Parity = x.Parity;
    y.StopBits = x.StopBits;
    // DCBlength up to the last character setting; the record has no padding
    // and wReserved1 is the system's own.
    return std::memcmp(&x, &y, offsetof(DCB, wReserved1)) == 0;
}

bool WriteAndDrainSerial(SerialHandle h, const void* data, std::size_t length) {
    DWORD written = 0;
    if (!WriteFile(HandleOf(h), data, static_cast<DWORD>(length), &written, nullptr)) {
        return false;
    }
    // The driver may still hold the bytes: wait until they have gone, so the
    // next timestamp never queues behind this one.
    return FlushFileBuffers(HandleOf(h)) != 0;
}

bool CloseSerialPort(SerialHandle h) {
    return CloseHandle(HandleOf(h)) != 0;
}

}  // namespace platform
