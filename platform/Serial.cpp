#include "platform/Serial.h"

#include <cmath>
#include <thread>

namespace platform {

bool WriteAndDrainSerial(SerialHandle h, const void* data, std::size_t length);  // win32/ or posix/

std::chrono::nanoseconds SerialLineTime(const SerialState& state, std::size_t bytes) {
    if (state.baudRate == 0) {
        return std::chrono::nanoseconds(0);
    }
    // Counted in half bits, for the 1.5 stop bits of a 5-bit line.
    static constexpr unsigned kStopHalfBits[] = {2, 3, 4};  // One, OnePointFive, Two
    const unsigned stop = static_cast<unsigned>(state.stopBits);
    const std::uint64_t halfBits = 2 /* start */ + 2 * static_cast<std::uint64_t>(state.byteSize) +
                                   (state.parity == Parity::None ? 0 : 2) + (stop < 3 ? kStopHalfBits[stop] : 2);
    // In double: exact to the nanosecond for anything shorter than months.
    const double ns = static_cast<double>(bytes) * static_cast<double>(halfBits) * 5e8 / state.baudRate;
    const double limit = static_cast<double>(std::chrono::nanoseconds::max().count());
    return std::chrono::nanoseconds(ns < limit ? static_cast<std::int64_t>(std::ceil(ns)) : std::chrono::nanoseconds::max().count());
}

bool WriteSerial(SerialHandle h, const void* data, std::size_t length) {
    const auto began = std::chrono::steady_clock::now();
    // The rate as the port has it now, so whoever configured it is honoured.
    // A handle without line settings (not a serial device) is not paced.
    SerialState state;
    const bool paced = GetSerialState(h, state);
    if (!WriteAndDrainSerial(h, data, length)) {
        return false;
    }
    if (paced) {
        std::this_thread::sleep_until(began + SerialLineTime(state, length));
    }
    return true;
}

}  // namespace platform
