#include "tests/support/LogLines.h"

#include <filesystem>
#include <fstream>
#include <regex>

namespace testsupport {

std::vector<std::string> ReadLogEntries(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    static const std::regex entry(R"(^-\* ([A-Z]+) \*-  \d\d:\d\d:\d\d\.\d\d\d - (.*)$)");
    std::vector<std::string> entries;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::smatch m;
        if (std::regex_match(line, m, entry)) entries.push_back(m[1].str() + " " + m[2].str());
    }
    return entries;
}

std::string TempLogPath(const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() / ("orb-" + name + ".log");
    std::filesystem::remove(path);
    return path.string();
}

}  // namespace testsupport
