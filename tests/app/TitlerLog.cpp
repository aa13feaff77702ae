#include "tests/app/TitlerLog.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace testsupport {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool IsCommand(const std::string& line) {
    return line.rfind("init", 0) == 0 || line.rfind("timestamp", 0) == 0 || line.rfind("garbage", 0) == 0;
}

// Asks run-with-titler.sh for something and waits until it is done.
bool Request(const std::string& what) {
    const std::filesystem::path control = Environment("ORB_TITLER_CONTROL");
    std::error_code ec;
    std::filesystem::remove(control / (what + ".done"), ec);
    std::ofstream(control / what).put('\n');
    return Eventually([&] { return std::filesystem::exists(control / (what + ".done")); });
}

}  // namespace

bool Eventually(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool TitlerLog::Available() {
    return !Environment("ORB_TITLER_PORT").empty() && !Environment("ORB_TITLER_LOG").empty();
}

std::string TitlerLog::PortName() {
    return Environment("ORB_TITLER_PORT");
}

int TitlerLog::PortNumber() {
    return std::atoi(PortName().c_str() + 3);
}

// virtual-titler decodes a timestamp once the line has been quiet for 50 ms,
// so the last one of a test before may still be on its way: the log is
// taken once it has stopped growing for a while.
TitlerLog::TitlerLog() : mStart(0) {
    std::size_t lines = AllLines().size();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    auto quietSince = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - quietSince < std::chrono::milliseconds(250) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::size_t now = AllLines().size();
        if (now != lines) {
            lines = now;
            quietSince = std::chrono::steady_clock::now();
        }
    }
    mStart = lines;
}

std::vector<std::string> TitlerLog::AllLines() {
    std::ifstream in(Environment("ORB_TITLER_LOG"), std::ios::binary);
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', begin)) {
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

std::vector<std::string> TitlerLog::Commands() const {
    const std::vector<std::string> lines = AllLines();
    std::vector<std::string> commands;
    for (std::size_t i = mStart; i < lines.size(); ++i) {
        if (IsCommand(lines[i])) {
            commands.push_back(lines[i]);
        }
    }
    return commands;
}

bool TitlerLog::WaitFor(const std::function<bool(const std::vector<std::string>&)>& done, int timeoutMs) const {
    return Eventually([&] { return done(Commands()); }, timeoutMs);
}

bool TitlerLog::Cut() {
    return Request("cut");
}

bool TitlerLog::Restore() {
    return Request("restore");
}

}  // namespace testsupport
