// The 32-byte "APPEND" trailer that marks a string file appended to an executable.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t kTrailerSize = 32;

// 32 zero bytes with "APPEND\0" at 0, 32 at 8 and the payload size at 12 (little-endian).
void BuildTrailer(uint32_t payloadSize, uint8_t out[kTrailerSize]);
// True when the last 32 bytes of a file of fileSize bytes are a valid trailer whose block
// (payload + 32) lies strictly inside the file; payloadSize receives the payload's size.
bool ParseTrailer(const uint8_t last[kTrailerSize], uint64_t fileSize, uint32_t& payloadSize);
