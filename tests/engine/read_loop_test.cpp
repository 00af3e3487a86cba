// The read loop and the verification of one file, driven by a scripted source: exact request sizes,
// ends of the source, pause and cancel, and every way a file can fail.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "bytesum.h"
#include "engine_fixture.h"
#include "serverbuild.h"
#include "stream_unpack.h"
#include "updater.h"

namespace {

CUpdater::PackedSink Into(std::string& buffer) {
  return [&buffer](const uint8_t* data, uint32_t n) { buffer.append(reinterpret_cast<const char*>(data), n); };
}

struct SizeCase {
  uint32_t packedSize;
  std::vector<uint32_t> requests;
};

TEST(ReadLoop, RequestSizes) {
  const SizeCase cases[] = {
      {10000, {4094, 4094, 1812}}, {4096, {4094, 2}}, {4095, {4095}}, {1, {1}},
      {8190, {4094, 4094, 2}},     {8192, {4094, 4094, 4}},
  };
  for (const SizeCase& c : cases) {
    CUpdater engine("Z:\\nonexistent-app\\");
    std::string data = RandomBytes(c.packedSize, c.packedSize);
    ScriptedSource source(data);
    std::string buffer;
    EXPECT_EQ(engine.ReceivePacked(source, c.packedSize, Into(buffer)), c.packedSize);
    EXPECT_EQ(source.requests, c.requests) << c.packedSize;
    EXPECT_EQ(buffer, data);
    EXPECT_EQ(engine.m_received.load(), c.packedSize);
  }
}

TEST(ReadLoop, EndsAtAnEmptyOrFailedRead) {
  struct EndCase {
    const char* what;
    int failAt, endAt;
    size_t dataSize;
    uint32_t expectGot;
    size_t expectReads;
  } cases[] = {
      {"source shorter than the packed size", 0, 0, 5000, 5000, 3},  // 4094, 906, then 0 bytes
      {"successful read of 0 bytes", 0, 2, 20000, 4094, 2},
      {"failed read", 2, 0, 20000, 4094, 2},
      {"first read fails", 1, 0, 20000, 0, 1},
  };
  for (const EndCase& c : cases) {
    CUpdater engine("Z:\\nonexistent-app\\");
    ScriptedSource source(RandomBytes(c.dataSize, 1));
    source.failAt = c.failAt;
    source.endAt = c.endAt;
    std::string buffer;
    EXPECT_EQ(engine.ReceivePacked(source, 10000, Into(buffer)), c.expectGot) << c.what;
    EXPECT_EQ(source.requests.size(), c.expectReads) << c.what;
  }
}

TEST(ReadLoop, PauseHoldsUntilCleared) {
  CUpdater engine("Z:\\nonexistent-app\\");
  ScriptedSource source(RandomBytes(20000, 2));
  DWORD pausedAt = 0, resumedAfter = 0;
  source.onRead = [&](int n) {
    if (n == 2) {
      engine.m_paused.store(1);
      pausedAt = GetTickCount();
    }
    if (n == 3) resumedAfter = GetTickCount() - pausedAt;
  };
  std::thread steer([&] {
    while (!engine.m_paused.load()) Sleep(1);
    Sleep(300);
    EXPECT_EQ(engine.m_received.load(), 8188u);  // nothing read while paused
    engine.m_paused.store(0);
  });
  std::string buffer;
  EXPECT_EQ(engine.ReceivePacked(source, 20000, Into(buffer)), 20000u);
  steer.join();
  EXPECT_GE(resumedAfter, 250u);
  EXPECT_EQ(source.requests.size(), 5u);
}

TEST(ReadLoop, CancelWhilePausedEndsAtOnce) {
  CUpdater engine("Z:\\nonexistent-app\\");
  ScriptedSource source(RandomBytes(20000, 3));
  source.onRead = [&](int n) {
    if (n == 1) engine.m_paused.store(1);
  };
  DWORD cancelledAt = 0;
  std::thread steer([&] {
    while (!engine.m_paused.load()) Sleep(1);
    Sleep(100);
    cancelledAt = GetTickCount();
    engine.m_cancel.store(1);
  });
  std::string buffer;
  EXPECT_EQ(engine.ReceivePacked(source, 20000, Into(buffer)), 4094u);
  DWORD endedAfter = GetTickCount() - cancelledAt;
  steer.join();
  EXPECT_EQ(source.requests.size(), 1u);
  EXPECT_LT(endedAfter, 100u);
}

TEST(ReadLoop, CancelAfterAReadEndsTheLoop) {
  CUpdater engine("Z:\\nonexistent-app\\");
  ScriptedSource source(RandomBytes(20000, 4));
  source.onRead = [&](int n) {
    if (n == 2) engine.m_cancel.store(1);
  };
  std::string buffer;
  EXPECT_EQ(engine.ReceivePacked(source, 20000, Into(buffer)), 8188u);
  EXPECT_EQ(source.requests.size(), 2u);
}

// One file through FetchToFile: what ends in a complete temporary file and what leaves none.
struct FileCase {
  const char* what;
  std::string stream;  // bytes the source delivers
  uint32_t packedSize, checksum, size;
  uint32_t writeLimit;
  bool ok;
  std::string content;  // of the temporary file when ok
};

TEST(FetchToFile, VerifiesUnpacksAndWrites) {
  REQUIRE_TEST_ENV();
  std::string data = RandomBytes(30000, 5) + std::string(30000, 'a');
  std::vector<uint8_t> packedV = PackData(std::vector<uint8_t>(data.begin(), data.end()));
  std::string packed(packedV.begin(), packedV.end());
  uint32_t zsize = uint32_t(packed.size());
  uint32_t zsum = ByteSum(0, packed.data(), packed.size());
  uint32_t size = uint32_t(data.size());
  std::string garbage = RandomBytes(zsize, 6);
  uint32_t garbageSum = ByteSum(0, garbage.data(), garbage.size());
  const uint32_t all = 0xFFFFFFFF;
  const FileCase cases[] = {
      {"good file", packed, zsize, zsum, size, all, true, data},
      {"wrong sum", packed, zsize, zsum + 1, size, all, false, ""},
      {"not a zlib stream", garbage, zsize, garbageSum, size, all, false, ""},
      {"unpacks to one byte more than SIZE", packed, zsize, zsum, size - 1, all, false, ""},
      {"unpacks to one byte less than SIZE", packed, zsize, zsum, size + 1, all, false, ""},
      {"needs more than SIZE + 4096", packed, zsize, zsum, size - 4097, all, false, ""},
      {"source ends early", packed.substr(0, zsize - 1), zsize, zsum, size, all, false, ""},
      {"source holds more than ZSIZE", packed + "extra", zsize, zsum, size, all, true, data},
      {"ZSIZE 0, ZSUM 0: empty file", "", 0, 0, 0, all, true, ""},
      {"ZSIZE 0, ZSUM not 0", "", 0, 1, 0, all, false, ""},
      {"SIZE 0, ZSIZE not 0", packed, zsize, zsum, 0, all, false, ""},
      {"ZSIZE 0 but SIZE not 0", "", 0, 0, 5, all, false, ""},
      {"write cut short", packed, zsize, zsum, size, size - 1, false, ""},
      {"write fails at once", packed, zsize, zsum, size, 0, false, ""},
      {"SIZE so large that SIZE + 4096 overflows", packed, zsize, zsum, 0xFFFFF000u, all, false, ""},
      {"SIZE too large to allocate", packed, zsize, zsum, 0xF0000000u, all, false, ""},
      {"ZSIZE too large to allocate", packed, 0xFFFFFFF0u, zsum, size, all, false, ""},
  };
  std::string dir = ts::NewScratchDir("fetchtofile");
  ASSERT_FALSE(dir.empty());
  int n = 0;
  for (const FileCase& c : cases) {
    CUpdater engine(dir);
    engine.m_writeLimit = c.writeLimit;
    ScriptedSource source(c.stream);
    std::string tmp = dir + "f" + std::to_string(++n) + ".tmp";
    EXPECT_EQ(engine.FetchToFile(source, tmp.c_str(), c.packedSize, c.checksum, c.size), c.ok ? 1 : 0) << c.what;
    EXPECT_EQ(ts::FileExists(tmp), c.ok) << c.what;
    if (c.ok) {
      EXPECT_TRUE(ReadAll(tmp) == c.content) << c.what;
    }
  }
}

TEST(FetchToFile, CancelFailsEvenACompleteFile) {
  REQUIRE_TEST_ENV();
  std::string data = RandomBytes(5000, 7);
  std::vector<uint8_t> packedV = PackData(std::vector<uint8_t>(data.begin(), data.end()));
  std::string packed(packedV.begin(), packedV.end());
  std::string dir = ts::NewScratchDir("fetchcancel");
  CUpdater engine(dir);
  ScriptedSource source(packed);
  source.onRead = [&](int n) {
    if (n == 1) engine.m_cancel.store(1);  // the one and only read
  };
  std::string tmp = dir + "c.tmp";
  EXPECT_EQ(engine.FetchToFile(source, tmp.c_str(), uint32_t(packed.size()), ByteSum(0, packed.data(), packed.size()),
                               uint32_t(data.size())),
            0);
  EXPECT_EQ(source.requests.size(), 1u);
  EXPECT_FALSE(ts::FileExists(tmp));
}

}  // namespace

namespace {

// Unpacking piece by piece ends as zlib's one-call uncompress over the whole input does.
TEST(StreamUnpacker, SameOutcomeAsUncompress) {
  std::string data = RandomBytes(20000, 8) + std::string(50000, 'q');
  std::vector<uint8_t> good = PackData(std::vector<uint8_t>(data.begin(), data.end()));
  std::vector<uint8_t> corrupt = good;
  corrupt[corrupt.size() / 2] ^= 0x10;
  std::vector<uint8_t> truncated(good.begin(), good.end() - 3);
  std::vector<uint8_t> trailing = good;
  trailing.insert(trailing.end(), {1, 2, 3, 4, 5});
  std::vector<uint8_t> junk(5000, 0x55);
  struct Stream {
    const char* what;
    const std::vector<uint8_t>* bytes;
  } streams[] = {{"good", &good}, {"corrupt", &corrupt}, {"truncated", &truncated}, {"trailing bytes", &trailing},
                 {"junk", &junk}};
  for (const Stream& s : streams) {
    for (uint32_t room : {uint32_t(data.size()), uint32_t(data.size() - 1), uint32_t(data.size() + 4096), 100u}) {
      std::vector<uint8_t> expected(room), got(room);
      uLongf produced = room;
      int whole = uncompress(expected.data(), &produced, s.bytes->data(), uLong(s.bytes->size()));
      for (uint32_t piece : {1u, 7u, 4094u, 1000000u}) {
        StreamUnpacker unpacker(got.data(), room);
        for (size_t at = 0; at < s.bytes->size(); at += piece) {
          size_t n = s.bytes->size() - at < piece ? s.bytes->size() - at : piece;
          unpacker.Feed(s.bytes->data() + at, uint32_t(n));
        }
        EXPECT_EQ(unpacker.Ended() != 0, whole == Z_OK) << s.what << " room " << room << " piece " << piece;
        if (whole == Z_OK && unpacker.Ended()) {
          EXPECT_EQ(unpacker.Produced(), produced);
          EXPECT_TRUE(memcmp(got.data(), expected.data(), produced) == 0);
        }
      }
    }
  }
}

}  // namespace
