#pragma once
// How the client reads the server's text replies: a decimal status first,
// then the values, as white-space-separated signed decimal integers. Pure
// functions over the reply text, so every reading is checked without a socket.
#include <string>

namespace replyreading {

// Reads up to count integers from the start of text into values[0..count).
// Every value is set to 0 first. Leading white space is skipped and a sign
// may stand before the digits. The first value that cannot be read (no
// digits, or beyond the 32-bit range) keeps its 0 and ends the reading, so
// the values after it stay 0 too; anything after the last value is ignored.
// Returns the number of values read.
int ReadIntegers(const std::string& text, int* values, int count);

// A feature reply: a status, one blank, then the result text. False when the
// reply has no blank or its status is negative; otherwise result receives all
// the text after the first blank (possibly empty). The status is converted as
// the C library converts decimal text: leading white space, an optional sign
// and the digits, anything else ending it, no digits giving 0.
bool ReadFeatureReply(const std::string& text, std::string& result);

}  // namespace replyreading
