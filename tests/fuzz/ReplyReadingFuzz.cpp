// The readings of the server's text replies, over any reply text: the status
// and integers of the integer requests and of the port-query and stream
// set-up replies (two readers: the client's, which zeroes what it cannot
// read, and the channel's, which leaves it as it was), and the feature
// reply's first blank and C conversion. The input is a reply payload; the
// text is what the receiver makes of it (up to its first NUL).
//
// The two integer readers were written apart; over the same text they must
// read the same numbers, which is what this target checks beyond crashes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "channel/MessageFrame.h"
#include "channel/ReplyText.h"
#include "client/ReplyReading.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = frame::PayloadText(data, static_cast<int>(size));
    FUZZ_CHECK(text.size() <= size);
    FUZZ_CHECK(text.find('\0') == std::string::npos);

    constexpr int kCount = 3;  // status and two values, the most any request reads
    int values[kCount] = {11, 22, 33};
    const int read = replyreading::ReadIntegers(text, values, kCount);
    FUZZ_CHECK(read >= 0 && read <= kCount);
    for (int i = read; i < kCount; ++i) FUZZ_CHECK(values[i] == 0);

    // The stream set-up carries values over from the kind before: what is
    // not read keeps them.
    const std::int32_t carried[kCount] = {-5, 26300, 7};
    std::int32_t fields[kCount] = {carried[0], carried[1], carried[2]};
    const int readHere = replytext::ReadIntegers(text, fields, kCount);
    FUZZ_CHECK(readHere == read);
    for (int i = 0; i < kCount; ++i) FUZZ_CHECK(fields[i] == (i < read ? values[i] : carried[i]));

    // Fewer wanted: the same first values.
    int two[2] = {9, 9};
    FUZZ_CHECK(replyreading::ReadIntegers(text, two, 2) == std::min(read, 2));
    for (int i = 0; i < std::min(read, 2); ++i) FUZZ_CHECK(two[i] == values[i]);

    std::string result = "untouched";
    const bool feature = replyreading::ReadFeatureReply(text, result);
    const size_t blank = text.find(' ');
    if (blank == std::string::npos) {
        FUZZ_CHECK(!feature);
    } else {
        FUZZ_CHECK(feature == (std::strtoll(text.substr(0, blank).c_str(), nullptr, 10) >= 0));
    }
    FUZZ_CHECK(feature ? result == text.substr(blank + 1) : result == "untouched");

    // A reply's frame carries it whole: the header says its size, and the
    // receiver reads the same text back.
    const std::vector<unsigned char> encoded = frame::EncodeTextFrame(text);
    FUZZ_CHECK(frame::ReadInt32(encoded.data()) == frame::kVersion);
    FUZZ_CHECK(frame::ReadUint32(encoded.data() + 4) == frame::kValidationCode);
    FUZZ_CHECK(frame::ReadInt32(encoded.data() + 8) == static_cast<std::int32_t>(text.size() + 1));
    FUZZ_CHECK(frame::PayloadText(encoded.data() + frame::kHeaderSize, static_cast<int>(text.size() + 1)) == text);
    if (size >= 8) {
        const auto start = frame::CheckFrameStart(frame::ReadInt32(data), frame::ReadUint32(data + 4));
        FUZZ_CHECK((start == frame::FrameStart::Ok) ==
                   (frame::ReadInt32(data) == 1 && frame::ReadUint32(data + 4) == frame::kValidationCode));
    }
    return 0;
}
