#include "client/ReplyReading.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

namespace replyreading {

int ReadIntegers(const std::string& text, int* values, int count) {
    for (int i = 0; i < count; ++i) values[i] = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    for (int i = 0; i < count; ++i) {
        while (p != end && std::isspace(static_cast<unsigned char>(*p))) ++p;
        // from_chars takes a minus but no plus; a plus must be followed by a digit.
        if (p != end && *p == '+' && p + 1 != end && std::isdigit(static_cast<unsigned char>(p[1]))) ++p;
        int value = 0;
        const auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc()) return i;
        values[i] = value;
        p = next;
    }
    return count;
}

bool ReadFeatureReply(const std::string& text, std::string& result) {
    const size_t blank = text.find(' ');
    if (blank == std::string::npos) return false;
    // Only the text before the blank is the status; the wider type keeps a
    // huge positive status from reading as negative.
    if (std::strtoll(text.substr(0, blank).c_str(), nullptr, 10) < 0) return false;
    result = text.substr(blank + 1);
    return true;
}

}  // namespace replyreading
