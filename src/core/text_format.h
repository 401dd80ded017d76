// Bounded text formatting for log entries and composed paths: platform-free,
// never writes past the buffer, never leaves half of a double-byte character.
#pragma once
#include <cstdarg>
#include <cstddef>

namespace velk {

// True for the first byte of a two-byte CP932 character.
bool IsCp932LeadByte(unsigned char byte);

// Length of the longest prefix of `text` that has at most `max_bytes` bytes and
// ends on a character boundary.
size_t Cp932PrefixLength(const char* text, size_t max_bytes);

// printf-style formatting into buf[size]; an over-long result is cut at the last
// whole character that fits. Returns the length written (excluding the terminator).
size_t FormatBounded(char* buf, size_t size, const char* format, va_list args);
size_t FormatBoundedV(char* buf, size_t size, const char* format, ...);

// Formats into buf[size] only if the whole result fits; otherwise leaves buf
// unchanged and returns false. For paths, where a cut name would be a wrong name.
bool FormatExact(char* buf, size_t size, const char* format, ...);

}  // namespace velk
