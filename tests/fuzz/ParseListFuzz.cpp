// The splitting of a list reply into its names, over any text, against a
// reference written character by character: tabs and CR LF pairs become
// blanks, blanks separate, and no entry is empty.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/channel/NetworkNodeClientTestPeer.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

std::vector<std::string> Reference(const std::string& text) {
    std::vector<std::string> entries;
    std::string current;
    const auto end = [&] {
        if (!current.empty()) entries.push_back(current);
        current.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t') {
            end();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            end();
            ++i;
        } else {
            current += c;
        }
    }
    end();
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> list = NetworkNodeClientTestPeer::ParseList(text);
    FUZZ_CHECK(list == Reference(text));
    for (const std::string& entry : list) {
        FUZZ_CHECK(!entry.empty());
        FUZZ_CHECK(entry.find_first_of(" \t") == std::string::npos);
        FUZZ_CHECK(entry.find("\r\n") == std::string::npos);
    }
    return 0;
}
