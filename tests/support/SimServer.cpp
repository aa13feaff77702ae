#include "tests/support/SimServer.h"

#include <sstream>

namespace testsupport {
namespace {

int PortOf(const std::string& text) { return text == "off" ? -1 : std::stoi(text); }

}  // namespace

std::string SimServer::ProgramPath() { return platform::ProgramDirectory() + platform::ExecutableName("quorvex-sim"); }

SimServer::SimServer(const std::vector<std::string>& options) {
    // Free ports unless the test moves them; the lifetime ends a simulator
    // whose test died before it could kill it.
    std::vector<std::string> arguments = {"--query-port", "0", "--command-port", "0", "--log", "-", "--lifetime", "600"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    if (!mProcess.Start(ProgramPath(), arguments)) return;
    std::string line;
    if (!mProcess.ReadLine(line, 30000)) return;
    std::istringstream in(line);
    std::string name, queryWord, query, commandWord, command;
    in >> name >> queryWord >> query >> commandWord >> command;
    if (name != "quorvex-sim" || queryWord != "query-port" || commandWord != "command-port") return;
    mQueryPort = PortOf(query);
    mCommandPort = PortOf(command);
    mStarted = true;
}

SimServer::~SimServer() { Kill(); }

void SimServer::Kill() {
    mProcess.Kill();
    mProcess.Wait();
}

bool SimServer::ReadOutputLine(int timeoutMilliseconds) {
    std::string line;
    if (!mProcess.ReadLine(line, timeoutMilliseconds)) return false;
    (line.rfind("stream ", 0) == 0 ? mStreamLines : mCommandLines).push_back(line);
    return true;
}

bool SimServer::NextStreamLine(std::string& line, int timeoutMilliseconds) {
    while (mStreamLines.empty()) {
        if (!ReadOutputLine(timeoutMilliseconds)) return false;
    }
    line = mStreamLines.front();
    mStreamLines.pop_front();
    return true;
}

bool SimServer::NextCommand(ReceivedCommand& command, int timeoutMilliseconds) {
    while (mCommandLines.empty()) {
        if (!ReadOutputLine(timeoutMilliseconds)) return false;
    }
    const std::string line = mCommandLines.front();
    mCommandLines.pop_front();
    std::istringstream in(line);
    in >> command.connection >> command.port;
    in.get();  // the blank before the text
    std::getline(in, command.text);
    return true;
}

std::vector<std::string> SimServer::NextCommands(int count) {
    std::vector<std::string> texts;
    ReceivedCommand command;
    for (int i = 0; i < count && NextCommand(command); ++i) texts.push_back(command.text);
    return texts;
}

}  // namespace testsupport
