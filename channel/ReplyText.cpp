#include "channel/ReplyText.h"

#include <cerrno>
#include <cstdlib>

namespace replytext {

int ReadIntegers(const std::string& text, std::int32_t* values, int count) {
    const char* at = text.c_str();
    for (int read = 0; read < count; ++read) {
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(at, &end, 10);  // skips leading white space
        if (end == at || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return read;
        values[read] = static_cast<std::int32_t>(value);
        at = end;
    }
    return count;
}

}  // namespace replytext
