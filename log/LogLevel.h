#pragma once
// The severity of a log entry. Any other value is written with the UNKNOWN tag.
enum class LogLevel : int {
    Fatal = 0,
    Error = 1,
    Warning = 2,
    Notice = 3,
    Data = 4,
};
