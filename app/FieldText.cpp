#include "app/FieldText.h"

#include <charconv>
#include <limits>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The sign and magnitude at the start of text, after blanks. False when no
// digit follows, or when the magnitude does not fit 64 bits: the old
// conversions wrapped such numbers silently into a different value.
bool ParseMagnitude(const std::string& text, bool& negative, std::uint64_t& magnitude) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && IsBlank(*p)) {
        ++p;
    }
    negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // from_chars takes no sign for an unsigned type, so "+-5" is refused here.
    const auto [rest, error] = std::from_chars(p, end, magnitude);
    (void)rest;
    return error == std::errc();
}

}  // namespace

std::string CutToFieldBuffer(const std::string& text) {
    return text.substr(0, kFieldBufferSize - 1);
}

bool ParseUnsigned64Field(const std::string& text, std::uint64_t& value) {
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!ParseMagnitude(text, negative, magnitude)) {
        return false;
    }
    value = negative ? 0 - magnitude : magnitude;
    return true;
}

bool ParseInt32Field(const std::string& text, std::int32_t& value) {
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!ParseMagnitude(text, negative, magnitude)) {
        return false;
    }
    // A port number that does not fit 32 bits is refused like a non-number,
    // rather than wrapped into some other port.
    constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
    if (magnitude > kMaxPositive + (negative ? 1 : 0)) {
        return false;
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

std::string FormatUnsigned64Field(std::uint64_t value) {
    return std::to_string(value);
}

std::string FormatInt32Field(std::int32_t value) {
    return std::to_string(value);
}
