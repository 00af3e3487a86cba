#include "append_trailer.h"

#include <cstring>

namespace {

const char kTrailerText[] = "APPEND";  // 6 characters and the zero byte at offset 6

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

}  // namespace

void BuildTrailer(uint32_t payloadSize, uint8_t out[kTrailerSize]) {
  memset(out, 0, kTrailerSize);
  memcpy(out, kTrailerText, sizeof kTrailerText);
  WriteU32(out + 8, kTrailerSize);
  WriteU32(out + 12, payloadSize);
}

bool ParseTrailer(const uint8_t last[kTrailerSize], uint64_t fileSize, uint32_t& payloadSize) {
  payloadSize = 0;
  if (fileSize <= kTrailerSize) return false;
  // The text up to the first zero byte must be exactly "APPEND".
  if (memcmp(last, kTrailerText, sizeof kTrailerText) != 0) return false;
  if (ReadU32(last + 8) != kTrailerSize) return false;
  uint32_t n = ReadU32(last + 12);
  // The block must lie strictly inside the file: something precedes it.
  if (uint64_t(n) + kTrailerSize >= fileSize) return false;
  payloadSize = n;
  return true;
}
