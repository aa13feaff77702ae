#pragma once
// The titler's two commands: the init command, sent once before titling, and
// the timestamp command that puts one timestamp into the picture. The texts
// are built by pure functions and written through the window's port.
#include <cstdint>
#include <string>

#include "titler/ComPortInterface.h"

// ESC "00" "25": the first of the init command's two writes.
std::string BuildTitlerInitCommand();
// "00000000000000", fourteen zeros: its second write.
std::string BuildTitlerInitData();
// ESC "00" "28" "000" and the timestamp in signed decimal, whole: a negative
// 19-digit timestamp takes 20 characters.
std::string BuildTimestampCommand(std::int64_t timestamp);

// 0 when both parts of the init command were written; -1 when a write failed.
// No second write follows a failed first one.
int InitializeTitler(ComPortInterface& port);
// 0 when the timestamp command was written in one write; -1 otherwise.
int SendTimestampToTitler(ComPortInterface& port, std::int64_t timestamp);
