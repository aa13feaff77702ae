#pragma once
// printf-style formatting into a text of its own, for log lines and messages:
// each line is formed in its own string before it is handed on, so threads
// never share a text being formed.
#include <string>

#if defined(__GNUC__)
#define ORB_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ORB_PRINTF_FORMAT(fmt, args)
#endif

std::string FormatText(const char* format, ...) ORB_PRINTF_FORMAT(1, 2);
