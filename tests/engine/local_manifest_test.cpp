// The local manifest read once: every lookup gives what GetPrivateProfileStringA gives.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "local_manifest.h"

namespace {

TEST(LocalManifest, LooksUpAsTheProfileFunctions) {
  REQUIRE_TEST_ENV();
  std::string longValue(300, 'v');
  const std::string texts[] = {
      "[URL]\r\nURL=x\r\n[a.dll]\r\nVER=1.0\r\n[B.DLL]\r\nver=2.0\r\n[sub\\c.dll]\r\nVER=3\r\n",
      "[a.dll]\r\n  VER  =  1.0  \r\n[ b.dll ]\r\nVER=\"2.0\"\r\n[c.dll]\r\nVER=\"3\r\n[d.dll]\r\nVER=\r\n",
      "[a.dll]\nVER=1\n[a.dll]\nVER=2\n[b.dll]\nX=1\n[b.dll]\nVER=later\n",
      "; comment\r\nVER=outside\r\n[a.dll]\r\n;VER=no\r\nVER\r\nVER=yes\r\n[c.dll]\r\nVER=" + longValue + "\r\n",
      "[a.dll]\r\nVER=1\r\n\r\n\r\n[b.dll]\r\n\r\nVER=2",
      "[a.dll]\r\nVER='1.5'\r\n[b.dll]\r\nVER=\"\"\r\n[c.dll]\r\nVER=\"12\"\r\n[d.dll]\r\nVER=\"1'\r\n",
      "",
  };
  const char* sections[] = {"a.dll", "A.DLL", "b.dll", "B.dll", "sub\\c.dll", "c.dll", "d.dll", "e.dll", " a.dll ", ""};
  std::string dir = ts::NewScratchDir("local");
  int n = 0;
  for (const std::string& text : texts) {
    std::string path = dir + "l" + std::to_string(++n) + ".ini";
    ASSERT_TRUE(ts::WriteFileBytes(path, text));
    LocalManifest local(path.c_str());
    for (const char* section : sections) {
      for (size_t size : {size_t(260), size_t(5), size_t(4), size_t(3), size_t(2), size_t(1)}) {
        char expected[260], got[260];
        GetPrivateProfileStringA(section, "VER", "", expected, DWORD(size), path.c_str());
        local.GetVersion(section, got, size);
        EXPECT_STREQ(got, expected) << "file " << n << " section '" << section << "' size " << size;
      }
    }
  }
  LocalManifest missing((dir + "none.ini").c_str());
  char got[260] = "x";
  missing.GetVersion("a.dll", got, sizeof got);
  EXPECT_STREQ(got, "");
}

}  // namespace
