#include <gtest/gtest.h>

#include <cstring>

#include "append_trailer.h"
#include "packed_header.h"

namespace {

TEST(PackedHeader, WriteThenParseAndRefuseDamagedHeaders) {
  PackedHeader h;
  h.reserved = 0xFFFFFFF0u;  // the sum wraps modulo 2^32
  h.unpackedSize = 100;
  h.packedSize = 60;
  h.checksum = 0x1234;
  uint8_t bytes[kPackedHeaderSize];
  WritePackedHeader(h, bytes);
  const uint8_t expectedStart[8] = {24, 0, 0, 0, 0x34 + 60 + 100 - 16, 0x12, 0, 0};
  EXPECT_EQ(memcmp(bytes, expectedStart, 8), 0);
  PackedHeader read;
  ASSERT_NE(ParsePackedHeader(bytes, read), 0);
  EXPECT_EQ(read.unpackedSize, 100u);
  EXPECT_EQ(read.packedSize, 60u);
  EXPECT_EQ(read.checksum, 0x1234u);
  EXPECT_EQ(read.reserved, 0xFFFFFFF0u);

  uint8_t bad[kPackedHeaderSize];
  memcpy(bad, bytes, sizeof bad);
  bad[4] += 1;  // header sum off by one
  EXPECT_EQ(ParsePackedHeader(bad, read), 0);
  memcpy(bad, bytes, sizeof bad);
  bad[0] = 25;  // header size other than 24
  bad[4] += 1;
  EXPECT_EQ(ParsePackedHeader(bad, read), 0);
  memcpy(bad, bytes, sizeof bad);
  bad[12] += 1;  // a field changed without its sum
  EXPECT_EQ(ParsePackedHeader(bad, read), 0);
}

TEST(AppendTrailer, BuildsTheDocumentedBytes) {
  uint8_t t[kTrailerSize];
  memset(t, 0xCC, sizeof t);
  BuildTrailer(0x01020304u, t);
  const uint8_t expected[kTrailerSize] = {'A', 'P', 'P', 'E', 'N', 'D', 0, 0, 32, 0, 0, 0, 4, 3, 2, 1};
  EXPECT_EQ(memcmp(t, expected, kTrailerSize), 0);
}

TEST(AppendTrailer, ParseTable) {
  struct {
    const char* name;
    int damage;  // 0 none, 1 text, 2 size field, 3 byte 6
    uint32_t payload;
    uint64_t fileSize;
    bool valid;
  } cases[] = {
      {"block inside the file", 0, 100, 200, true},
      {"one byte precedes the block", 0, 100, 133, true},
      {"block reaches the start of the file", 0, 100, 132, false},
      {"block larger than the file", 0, 100, 50, false},
      {"file of 32 bytes", 0, 0, 32, false},
      {"empty payload", 0, 0, 33, true},
      {"payload size near 2^32 does not wrap", 0, 0xFFFFFFF0u, 100, false},
      {"other text", 1, 10, 200, false},
      {"size field not 32", 2, 10, 200, false},
      {"text longer than APPEND", 3, 10, 200, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t t[kTrailerSize];
    BuildTrailer(c.payload, t);
    if (c.damage == 1) t[0] = 'a';
    if (c.damage == 2) t[8] = 33;
    if (c.damage == 3) t[6] = 'X';
    uint32_t payload = 12345;
    EXPECT_EQ(ParseTrailer(t, c.fileSize, payload), c.valid);
    if (c.valid) {
      EXPECT_EQ(payload, c.payload);
    }
  }
}

}  // namespace
