#include "append_trailer.h"

#include <cstring>

#include "le_bytes.h"

namespace {

const char kTrailerText[] = "APPEND";  // 6 characters and the zero byte at offset 6

}  // namespace

void BuildTrailer(uint32_t payloadSize, uint8_t out[kTrailerSize]) {
  memset(out, 0, kTrailerSize);
  memcpy(out, kTrailerText, sizeof kTrailerText);
  WriteLe32(out + 8, kTrailerSize);
  WriteLe32(out + 12, payloadSize);
}

bool ParseTrailer(const uint8_t last[kTrailerSize], uint64_t fileSize, uint32_t& payloadSize) {
  payloadSize = 0;
  if (fileSize <= kTrailerSize) return false;
  // The text up to the first zero byte must be exactly "APPEND".
  if (memcmp(last, kTrailerText, sizeof kTrailerText) != 0) return false;
  if (ReadLe32(last + 8) != kTrailerSize) return false;
  uint32_t n = ReadLe32(last + 12);
  // The block must lie strictly inside the file: something precedes it.
  if (uint64_t(n) + kTrailerSize >= fileSize) return false;
  payloadSize = n;
  return true;
}
