#include <gtest/gtest.h>
#include <cstdint>
#include <vector>
#include "bytesum.h"

TEST(ByteSum, AddsBytesAsUnsignedAndWrapsAt32Bits) {
  const unsigned char bytes[] = {0x00, 0x01, 0xFF, 0x80};
  EXPECT_EQ(ByteSum(0, bytes, sizeof bytes), 0x180u);
  EXPECT_EQ(ByteSum(0xFFFFFF00u, bytes, sizeof bytes), 0x80u);  // wraps modulo 2^32
  EXPECT_EQ(ByteSum(7, bytes, 0), 7u);
  std::vector<unsigned char> big(1 << 20, 0xFF);
  EXPECT_EQ(ByteSum(0, big.data(), big.size()), 0xFFu * (1u << 20));
}
