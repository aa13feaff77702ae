// The reading of the server's text replies, without any socket.
#include <gtest/gtest.h>

#include <climits>

#include "client/ReplyReading.h"

using replyreading::ReadFeatureReply;
using replyreading::ReadIntegers;

TEST(ReplyReadingTest, StatusAndValuesAreReadUntilOneCannotBe) {
    struct Case {
        const char* reply;
        int read;
        int status, first, second;
    };
    const Case cases[] = {
        {"0 512 4", 3, 0, 512, 4},
        {"-1 7 9", 3, -1, 7, 9},
        {"2 100", 2, 2, 100, 0},
        {"  \t0\r\n  -32768   +32767 trailing words", 3, 0, -32768, 32767},
        {"0 512 4 99", 3, 0, 512, 4},
        {"", 0, 0, 0, 0},
        {"ready", 0, 0, 0, 0},
        {"0 x 4", 1, 0, 0, 0},          // after the first unreadable value, none is read
        {"0 12abc 4", 2, 0, 12, 0},     // digits end where the number ends
        {"0 + 4", 1, 0, 0, 0},
        {"0 +-4 4", 1, 0, 0, 0},
        {"0 2147483648 4", 1, 0, 0, 0},  // beyond 32 bits cannot be read
        {"-2147483648 2147483647", 2, INT_MIN, INT_MAX, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        int values[3] = {11, 22, 33};
        EXPECT_EQ(ReadIntegers(c.reply, values, 3), c.read);
        EXPECT_EQ(values[0], c.status);
        EXPECT_EQ(values[1], c.first);
        EXPECT_EQ(values[2], c.second);
    }
}

TEST(ReplyReadingTest, FeatureReplyIsTheTextAfterTheFirstBlank) {
    struct Case {
        const char* reply;
        bool ok;
        const char* result;
    };
    const Case cases[] = {
        {"0 two words", true, "two words"},
        {"0 ", true, ""},
        {"0", false, "kept"},
        {"-1 refused", false, "kept"},
        {"3  padded ", true, " padded "},
        {"ok 5", true, "5"},       // no digits: status 0
        {"\t-2 x", false, "kept"},  // leading white space, then the sign
        {" -2 x", true, "-2 x"},    // the status is what stands before the first blank
        {"7x y", true, "y"},
        {"99999999999 big", true, "big"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        std::string result = "kept";
        EXPECT_EQ(ReadFeatureReply(c.reply, result), c.ok);
        EXPECT_EQ(result, c.result);
    }
}
