#include "client/ReplyReading.h"

#include <cstdlib>

#include "channel/ReplyText.h"

namespace replyreading {

int ReadIntegers(const std::string& text, int* values, int count) {
    for (int i = 0; i < count; ++i) values[i] = 0;
    return replytext::ReadIntegers(text, values, count);
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
