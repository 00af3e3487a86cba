// Header of the packed server manifest (server file 0): six little-endian 32-bit fields, then the zlib stream.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t kPackedHeaderSize = 24;

struct PackedHeader {
  uint32_t headerSize = kPackedHeaderSize;  // must be 24
  uint32_t headerSum = 0;                   // sum of the four fields below, modulo 2^32
  uint32_t reserved = 0;
  uint32_t unpackedSize = 0;                // manifest text including its final zero byte
  uint32_t packedSize = 0;                  // packed bytes after the header
  uint32_t checksum = 0;                    // byte sum of the packed bytes
};

// Reads the 24 header bytes. Returns nonzero when the header size is 24 and the header sum matches.
int ParsePackedHeader(const uint8_t bytes[kPackedHeaderSize], PackedHeader& out);

// Fills in headerSize and headerSum and writes the 24 bytes.
void WritePackedHeader(PackedHeader header, uint8_t out[kPackedHeaderSize]);
