#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "app/TimestampReply.h"

namespace {

struct ReplyCase {
    std::string reply;
    int converted;
    std::int32_t status;      // 0 and 77 stand for "not converted": what the values held before
    std::int64_t timestamp;
};

TEST(TimestampReplyTest, ReadsStatusThenTimestampLikePercentDPercentI64d) {
    constexpr std::int64_t kBefore = 77;
    const ReplyCase cases[] = {
        {"0 987", 2, 0, 987},
        {"0 1733914800123456", 2, 0, 1733914800123456},
        {"  0\t\n-42 trailing text", 2, 0, -42},
        {"0 +5", 2, 0, 5},
        {"0987", 1, 987, kBefore},  // one number: the status takes all its digits
        {"-1 5", 2, -1, 5},
        {"3 0", 2, 3, 0},
        {"0 9223372036854775807", 2, 0, std::numeric_limits<std::int64_t>::max()},
        {"0 -9223372036854775808", 2, 0, std::numeric_limits<std::int64_t>::min()},
        {"-2147483648 1", 2, std::numeric_limits<std::int32_t>::min(), 1},
        // The status alone, or nothing readable: the values keep what they held.
        {"0", 1, 0, kBefore},
        {"-1", 1, -1, kBefore},
        {"0 ", 1, 0, kBefore},
        {"0 abc", 1, 0, kBefore},
        {"0 - 5", 1, 0, kBefore},
        {"", 0, 0, kBefore},
        {"Timestamp 5", 0, 0, kBefore},
        {"+-1 5", 0, 0, kBefore},
        // Beyond the types' ranges: not a number, rather than a wrapped one.
        {"2147483648 5", 0, 0, kBefore},
        {"0 9223372036854775808", 1, 0, kBefore},
        {"0 99999999999999999999", 1, 0, kBefore},
        // A NUL ends the reply text.
        {std::string("0\0 5", 4), 1, 0, kBefore},
    };
    for (const ReplyCase& c : cases) {
        std::int32_t status = 0;
        std::int64_t timestamp = kBefore;
        EXPECT_EQ(ReadTimestampReply(c.reply, status, timestamp), c.converted) << '"' << c.reply << '"';
        EXPECT_EQ(status, c.status) << '"' << c.reply << '"';
        EXPECT_EQ(timestamp, c.timestamp) << '"' << c.reply << '"';
    }
}

}  // namespace
