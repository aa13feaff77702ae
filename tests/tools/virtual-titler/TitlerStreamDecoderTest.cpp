#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/virtual-titler/TitlerStreamDecoder.h"

namespace {

// Feeds a byte stream in which '|' stands for the line going quiet, the n-th
// byte leaving at time n, and returns the lines virtual-titler would print.
std::vector<std::string> Decode(const std::string& stream, std::vector<TitlerEvent>* events = nullptr) {
    std::vector<std::string> lines;
    TitlerStreamDecoder decoder([&](const TitlerEvent& event) {
        lines.push_back(event.Describe());
        if (events != nullptr) {
            events->push_back(event);
        }
    });
    std::int64_t at = 0;
    for (char c : stream) {
        if (c == '|') {
            decoder.Flush();
        } else {
            decoder.Feed(static_cast<unsigned char>(c), ++at);
        }
    }
    return lines;
}

const std::string kEsc = "\x1b";
const std::string kStamp = kEsc + "0028000";

}  // namespace

TEST(TitlerStreamDecoderTest, FramesCommandsByEscAndTheQuietLine) {
    const struct {
        const char* what;
        std::string stream;
        std::vector<std::string> lines;
    } cases[] = {
        {"init in its two writes, then timestamps back to back",
         kEsc + "0025" + "00000000000000" + kStamp + "0" + kStamp + "987" + kStamp + "-42|",
         {"init", "timestamp 0", "timestamp 987", "timestamp -42"}},
        {"the 64-bit limits", kStamp + "9223372036854775807" + kStamp + "-9223372036854775808|",
         {"timestamp 9223372036854775807", "timestamp -9223372036854775808"}},
        {"a timestamp's digits wait for the next ESC or a quiet line", kStamp + "987", {}},
        {"noise before a command, an unknown code", "A" + kEsc + "0099xx|", {"garbage 41", "garbage 1b 30 30 39 39 78 78"}},
        {"an init cut short by a timestamp", kEsc + "00250000" + kStamp + "5|",
         {"garbage 1b 30 30 32 35 30 30 30 30", "timestamp 5"}},
        {"an init whose zeros come after a quiet line", kEsc + "0025|" + "00|",
         {"garbage 1b 30 30 32 35", "garbage 30 30"}},
        {"a timestamp cut short by a quiet line", kStamp.substr(0, 6) + "|", {"garbage 1b 30 30 32 38 30"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decode(c.stream), c.lines) << c.what;
    }
}

TEST(TitlerStreamDecoderTest, OnlyTheWritersOwnFormOfATimestampCounts) {
    for (const std::string digits : {"", "-", "01", "-0", "00", "12a", "9223372036854775808", "-9223372036854775809",
                                     "123456789012345678901"}) {
        const auto lines = Decode(kStamp + digits + "|");
        ASSERT_EQ(lines.size(), 1u) << digits;
        EXPECT_EQ(lines[0].rfind("garbage 1b 30 30 32 38 30 30 30", 0), 0u) << digits << ": " << lines[0];
    }
}

TEST(TitlerStreamDecoderTest, ACommandIsTimedByItsLastByteAndNoiseComesInPieces) {
    std::vector<TitlerEvent> events;
    // The timestamp's last digit is byte 11; the ESC that ends it is byte 12.
    Decode(kStamp + "987" + kStamp + "1|", &events);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].lastByteAt, 11);
    EXPECT_EQ(events[0].bytes.size(), 11u);
    EXPECT_EQ(events[1].lastByteAt, 20);

    const auto lines = Decode(std::string(40, 'A') + "|");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), std::string("garbage").size() + 3 * TitlerStreamDecoder::kGarbageLineBytes);
    EXPECT_EQ(lines[1], "garbage 41 41 41 41 41 41 41 41");
}
