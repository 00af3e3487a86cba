#include "packed_header.h"

#include "le_bytes.h"

namespace {

uint32_t SumOfFields(const PackedHeader& h) {
  return h.reserved + h.unpackedSize + h.packedSize + h.checksum;  // modulo 2^32
}

}  // namespace

int ParsePackedHeader(const uint8_t bytes[kPackedHeaderSize], PackedHeader& out) {
  out.headerSize = ReadLe32(bytes);
  out.headerSum = ReadLe32(bytes + 4);
  out.reserved = ReadLe32(bytes + 8);
  out.unpackedSize = ReadLe32(bytes + 12);
  out.packedSize = ReadLe32(bytes + 16);
  out.checksum = ReadLe32(bytes + 20);
  return out.headerSize == kPackedHeaderSize && out.headerSum == SumOfFields(out);
}

void WritePackedHeader(PackedHeader header, uint8_t out[kPackedHeaderSize]) {
  header.headerSize = kPackedHeaderSize;
  header.headerSum = SumOfFields(header);
  WriteLe32(out, header.headerSize);
  WriteLe32(out + 4, header.headerSum);
  WriteLe32(out + 8, header.reserved);
  WriteLe32(out + 12, header.unpackedSize);
  WriteLe32(out + 16, header.packedSize);
  WriteLe32(out + 20, header.checksum);
}
