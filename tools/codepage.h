// Conversion between UTF-8 (the string sources) and the 8-bit ANSI code page of a language.
// Two implementations: POSIX iconv (codepage_iconv.cpp) and Win32 (codepage_win.cpp).
#pragma once
#include <cstdint>
#include <string>

// Converts UTF-8 text to the code page. Fails (with a message naming the first character that
// cannot be written) when any character has no exact form in the code page: nothing is replaced by "?".
bool Utf8ToCodePage(uint16_t codePage, const std::string& utf8, std::string& out, std::string& error);
// Converts 8-bit text in the code page to UTF-8. Fails on bytes that are not text in that code page.
bool CodePageToUtf8(uint16_t codePage, const std::string& text, std::string& out, std::string& error);
// Whether this build can convert the code page at all.
bool CodePageSupported(uint16_t codePage);
