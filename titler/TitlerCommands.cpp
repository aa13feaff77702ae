#include "titler/TitlerCommands.h"

#include <charconv>

namespace {
constexpr char kEsc = '\x1b';
}  // namespace

std::string BuildTitlerInitCommand() {
    return std::string(1, kEsc) + "00" + "25";
}

std::string BuildTitlerInitData() {
    return "00000000000000";
}

std::string BuildTimestampCommand(std::int64_t timestamp) {
    // 20 characters hold every 64-bit value with its sign; a 19-character
    // field would cut the last digit off the most negative ones.
    char digits[20];
    const auto converted = std::to_chars(digits, digits + sizeof digits, timestamp);
    return std::string(1, kEsc) + "00" + "28" + "000" + std::string(digits, converted.ptr);
}

int InitializeTitler(ComPortInterface& port) {
    if (port.WriteData(BuildTitlerInitCommand().c_str()) != 0) {
        return -1;
    }
    if (port.WriteData(BuildTitlerInitData().c_str()) != 0) {
        return -1;
    }
    return 0;
}

int SendTimestampToTitler(ComPortInterface& port, std::int64_t timestamp) {
    return port.WriteData(BuildTimestampCommand(timestamp).c_str()) != 0 ? -1 : 0;
}
