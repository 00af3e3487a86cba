// The indexed server manifest gives exactly what the strict reader gives, lookup for lookup.
#include <gtest/gtest.h>

#include "manifest_reader.h"
#include "server_manifest.h"

namespace {

TEST(ServerManifest, SameValuesAsTheStrictReader) {
  std::string longName(258, 'n');
  const std::string texts[] = {
      "[URL]\r\nURL=a;b\r\nEXT=.z\r\n[ENUM]\r\n1=a.dll\r\n2=sub\\b.dll\r\n[a.dll]\r\nVER=1\r\nOS=16\r\n"
      "[SUB\\B.DLL]\r\nver=2\r\nVER=3\r\n",
      "[ENUM]\n1=a.dll\n[a.dll] trailing text\nVER=1\n[a.dll]\nVER=dup\nZSUM=late\n[b.dll]\n",
      "[ENUM]\r\n 1=indented\r\n1 = blanks\r\n1=ok=with=equals\r\n[x]y]\r\nK=v\r\n[x]\r\nK=w\r\n",
      "; comment\r\n[a.dll\r\nVER=no header\r\n[a.dll]\r\n[\r\nVER=after bracket line\r\n",
      "[" + longName + "]\r\nVER=long\r\n[e]\r\nVER=" + std::string(400, 'v') + "\r\nA=\r\n=x\r\n",
      "[a.dll]\r\nVER=1\r\n\r\nOS=1\r\n[ENUM]\r\n1=a.dll",
      "",
  };
  const char* sections[] = {"URL", "enum", "ENUM", "a.dll", "A.DLL", "sub\\b.dll", "b.dll", "x", "x]y", "x]", "e",
                            "", "missing", longName.c_str()};
  const char* keys[] = {"URL", "EXT", "1", "2", "VER", "ver", "OS", "ZSUM", "K", "A", "", "1 ", "missing"};
  for (const std::string& text : texts) {
    ManifestReader reader(text.c_str());
    ServerManifest indexed(text.c_str());
    for (const char* section : sections) {
      for (const char* key : keys) {
        for (size_t size : {size_t(260), size_t(32), size_t(2), size_t(1)}) {
          char expected[260] = "?", got[260] = "?";
          reader.GetValue(section, key, expected, size);
          indexed.GetValue(section, key, got, size);
          EXPECT_STREQ(got, expected) << "[" << section << "] " << key << " size " << size << " in:\n" << text;
        }
      }
    }
  }
}

}  // namespace
