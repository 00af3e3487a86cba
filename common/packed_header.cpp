#include "packed_header.h"

namespace {

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

uint32_t SumOfFields(const PackedHeader& h) {
  return h.reserved + h.unpackedSize + h.packedSize + h.checksum;  // modulo 2^32
}

}  // namespace

int ParsePackedHeader(const uint8_t bytes[kPackedHeaderSize], PackedHeader& out) {
  out.headerSize = ReadU32(bytes);
  out.headerSum = ReadU32(bytes + 4);
  out.reserved = ReadU32(bytes + 8);
  out.unpackedSize = ReadU32(bytes + 12);
  out.packedSize = ReadU32(bytes + 16);
  out.checksum = ReadU32(bytes + 20);
  return out.headerSize == kPackedHeaderSize && out.headerSum == SumOfFields(out);
}

void WritePackedHeader(PackedHeader header, uint8_t out[kPackedHeaderSize]) {
  header.headerSize = kPackedHeaderSize;
  header.headerSum = SumOfFields(header);
  WriteU32(out, header.headerSize);
  WriteU32(out + 4, header.headerSum);
  WriteU32(out + 8, header.reserved);
  WriteU32(out + 12, header.unpackedSize);
  WriteU32(out + 16, header.packedSize);
  WriteU32(out + 20, header.checksum);
}
