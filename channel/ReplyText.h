#pragma once
// Reading the server's text replies: the status and the numbers after it,
// read as white-space-separated signed decimal numbers, status first.
#include <cstdint>
#include <string>

namespace replytext {

// Reads up to count numbers from the start of text into values, stopping at
// the first field that is missing or is not a 32-bit signed decimal number;
// the values not read keep what they held. Returns how many were read.
int ReadIntegers(const std::string& text, std::int32_t* values, int count);

}  // namespace replytext
