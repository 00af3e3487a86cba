// Whole-buffer file writes whose outcome is checked.
#pragma once
#include <windows.h>

#include <cstdint>

// Writes length bytes at the file's position; nonzero only when all of them were written. limit cuts
// the write short after that many bytes (as a full disk would; tests use it).
int WriteWhole(HANDLE file, const void* data, uint32_t length, uint32_t limit = 0xFFFFFFFF);

// Creates path anew (read and write access, shared for reading) and writes the bytes. On failure
// the partial file is deleted and the result is zero.
int WriteNewFile(const char* path, const void* data, uint32_t length, uint32_t limit = 0xFFFFFFFF);
