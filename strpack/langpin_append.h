// Appending a string file with its "APPEND" trailer to an executable.
#pragma once
#include <windows.h>
#include <cstdint>

// Appends the string file to the executable, first removing a block that an earlier run appended.
// Prints "Not find file: %s\r\n" for a missing, empty or directory-named file. True when the payload
// and the trailer were written in full.
bool AppendString(const char* stringFile, const char* executable);
// Cuts the file before a valid trailer's block; true when it found one and cut the file.
bool StripAppended(HANDLE file);
// Writes n bytes and then the trailer at the end of the file; true when both were written in full.
// On a short write the file is cut back to its length before the call.
bool WriteAppended(HANDLE file, const uint8_t* data, uint32_t n);
