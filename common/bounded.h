// Bounded string helpers for the fixed-size buffers of the programs: they refuse instead of overrunning.
#pragma once
#include <cstddef>

// Copies src into dest (size bytes). Returns 0 and leaves dest empty when it does not fit.
int CopyBounded(char* dest, size_t size, const char* src);
// Appends src to the string in dest. Returns 0 and leaves dest unchanged when it does not fit.
int AppendBounded(char* dest, size_t size, const char* src);
// dest = a + b (+ c). Returns 0 and leaves dest empty when the result does not fit.
int JoinBounded(char* dest, size_t size, const char* a, const char* b, const char* c = nullptr);
// Formats a publisher string with exactly one argument, cutting the result to size - 1 characters.
// Only the placeholders of the string's role are expanded ("%s" with text, "%d"/"%i"/"%u" with number,
// "%%"); any other "%" sequence is copied literally, so a bad string cannot read a missing argument.
void FormatOneText(char* dest, size_t size, const char* format, const char* text);
void FormatOneNumber(char* dest, size_t size, const char* format, long number);

// One "%" sequence of a publisher format string: flags "-" and "0", a width and a precision of at
// most kMaxPlaceholderDigits digits each, then the conversion letter.
constexpr unsigned kMaxPlaceholderDigits = 4;
constexpr unsigned kMaxPlaceholderValue = 9999;
struct Placeholder {
  bool leftAlign = false;
  bool zeroPad = false;
  unsigned width = 0;
  int precision = -1;  // -1: none given
};
// Scans the "%" sequence at p. Returns the number of characters it covers (at least 1) and sets
// conversion to '%' for "%%", to 's', 'd', 'i' or 'u' for a placeholder (filling *spec if given), and to
// 0 for anything else (unknown letter, too many digits, end of text). Returns 0 when p is not at "%".
size_t ScanPlaceholder(const char* p, char& conversion, Placeholder* spec = nullptr);
