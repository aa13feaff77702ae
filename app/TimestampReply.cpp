#include "app/TimestampReply.h"

#include <charconv>
#include <limits>
#include <type_traits>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One scanf-style signed conversion at p: blanks, an optional sign, digits.
// On success value is set and p moves past the number. A number beyond the
// type's range is no number here, rather than a clipped or wrapped one.
template <typename Integer>
bool ConvertSigned(const char*& p, const char* end, Integer& value) {
    const char* q = p;
    while (q != end && IsBlank(*q)) {
        ++q;
    }
    bool negative = false;
    if (q != end && (*q == '+' || *q == '-')) {
        negative = *q == '-';
        ++q;
    }
    if (q == end || *q < '0' || *q > '9') {
        return false;
    }
    // The magnitude is read unsigned so that the most negative value fits.
    std::uint64_t magnitude = 0;
    const auto [rest, error] = std::from_chars(q, end, magnitude);
    if (error != std::errc()) {
        return false;
    }
    using Unsigned = std::make_unsigned_t<Integer>;
    const std::uint64_t limit = static_cast<Unsigned>(std::numeric_limits<Integer>::max()) + (negative ? 1u : 0u);
    if (magnitude > limit) {
        return false;
    }
    value = negative ? static_cast<Integer>(0 - static_cast<Unsigned>(magnitude)) : static_cast<Integer>(magnitude);
    p = rest;
    return true;
}

}  // namespace

int ReadTimestampReply(const std::string& reply, std::int32_t& status, std::int64_t& timestamp) {
    const char* p = reply.data();
    const char* end = p + reply.size();
    // A NUL ends the text, as it would end the C string the reply once was.
    for (const char* c = p; c != end; ++c) {
        if (*c == '\0') {
            end = c;
            break;
        }
    }
    if (!ConvertSigned(p, end, status)) {
        return 0;
    }
    // The blank in the format matches any white space, none included; the
    // conversion skips it anyway.
    if (!ConvertSigned(p, end, timestamp)) {
        return 1;
    }
    return 2;
}
