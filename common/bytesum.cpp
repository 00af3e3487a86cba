#include "bytesum.h"

uint32_t ByteSum(uint32_t initial, const void* data, size_t length) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  uint32_t sum = initial;
  for (size_t i = 0; i < length; ++i) sum += p[i];
  return sum;
}
