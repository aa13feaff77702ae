#include "titler/ComPortInterface.h"

#include <cstdio>
#include <cstring>

#include "platform/MessageBox.h"

namespace {

constexpr char kCaption[] = "COM Initialization Error";
constexpr char kOpenFailed[] = "Coult not initialize %s. ERROR: %d";
constexpr char kStateUnknown[] = "Coult not determine COM port state for %s. ERROR: %d";
constexpr char kStateNotSet[] = "Coult not set COM port state for %s. ERROR: %d";

constexpr std::uint32_t kBaudRate = 9600;
constexpr int kByteSize = 8;

// The error code is taken before anything else can overwrite it.
int ReportFailure(const char* format, const char* deviceName) {
    const int error = platform::LastSerialError();
    char text[512];
    std::snprintf(text, sizeof text, format, deviceName, error);
    platform::ShowMessageBox(text, kCaption, nullptr, platform::kIconError);
    return -1;
}

}  // namespace

ComPortInterface::ComPortInterface() : mPortHandle(0) {}

ComPortInterface::~ComPortInterface() = default;

int ComPortInterface::InitializePort(const char* deviceName) {
    mPortHandle = platform::OpenSerialPort(deviceName);
    if (mPortHandle == platform::kInvalidSerialHandle) {
        return ReportFailure(kOpenFailed, deviceName);
    }
    platform::SerialState state;
    if (!platform::GetSerialState(mPortHandle, state)) {
        return ReportFailure(kStateUnknown, deviceName);
    }
    state.baudRate = kBaudRate;
    state.byteSize = kByteSize;
    state.parity = platform::Parity::None;
    state.stopBits = platform::StopBits::Two;
    if (!platform::SetSerialState(mPortHandle, state)) {
        return ReportFailure(kStateNotSet, deviceName);
    }
    return 0;
}

int ComPortInterface::WriteData(const char* text) {
    return platform::WriteSerial(mPortHandle, text, std::strlen(text)) ? 0 : -1;
}

int ComPortInterface::ClosePort() {
    if (mPortHandle == 0 || mPortHandle == platform::kInvalidSerialHandle) {
        return 0;
    }
    if (!platform::CloseSerialPort(mPortHandle)) {
        return 0;
    }
    mPortHandle = platform::kInvalidSerialHandle;
    return 1;
}
