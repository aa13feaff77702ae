#pragma once
// The entries of a client log file, without their level tags and times, as
// "NOTICE text", "ERROR text", ... so tests compare them to the letter.
#include <string>
#include <vector>

namespace testsupport {

std::vector<std::string> ReadLogEntries(const std::string& path);

// A fresh file name in the system's temporary folder.
std::string TempLogPath(const std::string& name);

}  // namespace testsupport
