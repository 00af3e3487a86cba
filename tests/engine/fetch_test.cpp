// The packed server manifest: what is accepted, and that every bad form is refused with an empty text.
#include <gtest/gtest.h>

#include <cstring>

#include "bytesum.h"
#include "engine_fixture.h"
#include "fetch.h"
#include "packed_header.h"
#include "serverbuild.h"

namespace {

std::string AsString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A packed manifest of raw bytes (no zero byte added), so that tests can leave it out.
std::vector<uint8_t> PackRaw(const std::string& raw) {
  std::vector<uint8_t> stream = PackData(std::vector<uint8_t>(raw.begin(), raw.end()));
  PackedHeader header;
  header.unpackedSize = uint32_t(raw.size());
  header.packedSize = uint32_t(stream.size());
  header.checksum = ByteSum(0, stream.data(), stream.size());
  std::vector<uint8_t> out(kPackedHeaderSize);
  WritePackedHeader(header, out.data());
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

void PutU32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}
uint32_t GetU32(const std::vector<uint8_t>& v, size_t at) {
  return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 | uint32_t(v[at + 3]) << 24;
}

TEST(PackedManifest, AcceptsTheToolsOutput) {
  std::string text = "[URL]\r\nURL=x\r\n[ENUM]\r\n1=a.dll\r\n";
  std::string packed = AsString(PackManifest(text));
  ScriptedSource source(packed);
  std::vector<uint8_t> out;
  ASSERT_EQ(ReadPackedManifest(source, out), 1);
  EXPECT_EQ(AsString(out), text + std::string(1, '\0'));
}

struct BadManifest {
  const char* what;
  std::function<std::vector<uint8_t>()> make;
};

TEST(PackedManifest, RefusesEveryBadForm) {
  const std::string text = "[ENUM]\r\n1=a.dll\r\n";
  const BadManifest cases[] = {
      {"header sum off by one",
       [&] {
         auto v = PackManifest(text);
         PutU32(v, 4, GetU32(v, 4) + 1);
         return v;
       }},
      {"header size 25",
       [&] {
         auto v = PackManifest(text);
         PutU32(v, 0, 25);
         PutU32(v, 4, GetU32(v, 4));
         return v;
       }},
      {"checksum of the packed bytes off by one",
       [&] {
         auto v = PackManifest(text);
         PutU32(v, 20, GetU32(v, 20) + 1);
         PutU32(v, 4, GetU32(v, 4) + 1);  // header sum still right
         return v;
       }},
      {"unpacked size one too small",
       [&] {
         auto v = PackManifest(text);
         PutU32(v, 12, GetU32(v, 12) - 1);
         PutU32(v, 4, GetU32(v, 4) - 1);
         return v;
       }},
      {"unpacked size one too large",
       [&] {
         auto v = PackManifest(text);
         PutU32(v, 12, GetU32(v, 12) + 1);
         PutU32(v, 4, GetU32(v, 4) + 1);
         return v;
       }},
      {"unpacked size 0", [&] { return PackRaw(""); }},
      {"text without its final zero byte", [&] { return PackRaw(text); }},
      {"truncated packed bytes",
       [&] {
         auto v = PackManifest(text);
         v.resize(v.size() - 1);
         return v;
       }},
      {"header only",
       [&] {
         auto v = PackManifest(text);
         v.resize(kPackedHeaderSize);
         return v;
       }},
      {"short header", [&] { return std::vector<uint8_t>(10, 0); }},
      {"empty file", [&] { return std::vector<uint8_t>(); }},
      {"error page",
       [&] {
         std::string page = "<html><head><title>Server error</title></head><body>x</body></html>\n";
         return std::vector<uint8_t>(page.begin(), page.end());
       }},
      {"packed size 4 GB - 1 (allocation or read fails)",
       [&] {
         auto v = PackManifest(text);
         uint32_t old = GetU32(v, 16);
         PutU32(v, 16, 0xFFFFFFFFu);
         PutU32(v, 4, GetU32(v, 4) - old + 0xFFFFFFFFu);
         return v;
       }},
      {"unpacked size 4 GB - 1",
       [&] {
         auto v = PackManifest(text);
         uint32_t old = GetU32(v, 12);
         PutU32(v, 12, 0xFFFFFFFFu);
         PutU32(v, 4, GetU32(v, 4) - old + 0xFFFFFFFFu);
         return v;
       }},
  };
  for (const BadManifest& c : cases) {
    std::vector<uint8_t> bytes = c.make();
    ScriptedSource source(std::string(bytes.begin(), bytes.end()));
    std::vector<uint8_t> out{1, 2, 3};
    EXPECT_EQ(ReadPackedManifest(source, out), 0) << c.what;
    EXPECT_TRUE(out.empty()) << c.what;
  }
}

TEST(PackedManifest, FetchFromBothKindsOfBase) {
  REQUIRE_TEST_ENV();
  std::string text = "[ENUM]\r\n1=a.dll\r\n";
  for (BaseKind kind : {BaseKind::Http, BaseKind::Share}) {
    TestServer server = RawServer(kind, "fetch", PackManifest(text));
    ASSERT_TRUE(server.ok);
    std::vector<uint8_t> out;
    ASSERT_EQ(FetchManifest((server.base + "0").c_str(), out), 1) << BaseKindName(kind);
    EXPECT_EQ(AsString(out), text + std::string(1, '\0'));
    EXPECT_EQ(FetchManifest((server.base + "missing").c_str(), out), 0) << BaseKindName(kind);
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
