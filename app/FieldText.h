#pragma once
// The text forms of the window's two fields: the timestamp as an unsigned
// 64-bit decimal ("%I64u") and the port number as a signed decimal ("%d"),
// read the way scanf reads them: leading blanks skipped, a sign, digits, and
// whatever follows the number ignored.
#include <cstddef>
#include <cstdint>
#include <string>

// A field's text is read into a buffer of this many characters, NUL included.
constexpr std::size_t kFieldBufferSize = 64;

// The part of text that fits the field buffer.
std::string CutToFieldBuffer(const std::string& text);

// True and value set when text begins with a number that fits; otherwise
// false and value untouched. A minus sign wraps the unsigned value modulo
// 2^64, as "%I64u" does, so a negative timestamp reads back as itself.
bool ParseUnsigned64Field(const std::string& text, std::uint64_t& value);
bool ParseInt32Field(const std::string& text, std::int32_t& value);

std::string FormatUnsigned64Field(std::uint64_t value);
std::string FormatInt32Field(std::int32_t value);
